// The rules of the installation checks, one row each (the probe's in probe_rules.cpp),
// and the waits every rule shares. The thresholds come from general engine-management
// practice: an engine's manifold pressure falls well below the atmosphere's at idle
// and climbs towards it on a throttle snap; a thermistor reads near either end of the
// converter only when it is open or shorted.
#include "core/check_rule_parts.h"
#include "core/installation_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace tuma::checks {

namespace rules {

using namespace limits;

void wait(Verdict& v, const char* why)
{
    v.kind = Verdict::Wait;
    put(v.text, "%s", why);
}

// True (and the verdict a wait) when the engine is not running warm.
bool notRunningWarm(const Engine& e, const Settings& s, Verdict& v)
{
    if (!e.running()) {
        wait(v, "motor desligado");
        return true;
    }
    if (e.now().celsius < s.warmCelsius) {
        v.kind = Verdict::Wait;
        put(v.text, "motor frio: %.0f °C de %d °C", e.now().celsius, s.warmCelsius);
        return true;
    }
    return false;
}

bool linkSettling(const Engine& e, Verdict& v)
{
    if (e.linkedForMs() >= LinkSettledMs)
        return false;
    wait(v, "aguardando 5 s de comunicação");
    return true;
}

} // namespace rules

namespace {
using namespace limits;
using namespace rules;

void noRpm(const Engine& e, const Settings&, RuleMemory&, Verdict& v)
{
    if (e.injectingForMs() < InjectingForMs)
        return wait(v, "sem injeção: motor desligado");
    const Reading& r = e.now();
    if (r.rawRpm > 0)
        return;
    v.kind = Verdict::Fault;
    put(v.text, "rotação 0 com injeção de %s ms", Decimal(r.injectionMs, 1).text);
}

void idleSpeed(const Engine& e, const Settings& s, RuleMemory& m, Verdict& v)
{
    if (notRunningWarm(e, s, v))
        return;
    if (e.runningForMs() < IdleJudgedAfterMs) {
        v.kind = Verdict::Wait;
        put(v.text, "motor funcionando há %lld s de 60 s", static_cast<long long>(e.runningForMs() / 1000));
        return;
    }
    // The lowest MAP of this run at a steady speed is the closed throttle: a steady
    // speed with the throttle open (a cruise) is no idle.
    if (m.run != e.runStartMs()) {
        m.run = e.runStartMs();
        m.low = 256;
    }
    if (e.steady() && !e.afterDecel())
        m.low = std::min<int>(m.low, e.now().mapCode);
    if (!e.steady() || e.steadyRpm() >= IdleJudgedBelowRpm || e.snapWithin(2000) || e.afterDecel())
        return wait(v, "rotação fora da marcha-lenta estável");
    const double shown = e.steadyRpm();
    const bool low = shown < IdleLowRpm;
    const bool high = shown > IdleHighRpm && e.now().mapCode <= m.low + 10;
    if (!low && !high) {
        if (shown > IdleHighRpm)
            return wait(v, "acelerador aberto");
        return;
    }
    v.kind = Verdict::Fault;
    const double raw = shown * e.now().scale;
    if (const int scale = idleScaleFor(raw)) {
        put(v.text, "marcha-lenta estável em %.0f rpm na escala %d; a escala %d mostraria %.0f rpm", shown,
            e.now().scale, scale, raw / scale);
        return;
    }
    put(v.text, "marcha-lenta estável em %.0f rpm na escala %d; nenhuma escala mostra 600 a 1000 rpm", shown,
        e.now().scale);
}

void noInjection(const Engine& e, const Settings&, RuleMemory&, Verdict& v)
{
    if (!e.running())
        return wait(v, "motor desligado");
    if (!e.steady() || e.steadyRpm() < InjectionJudgedLowRpm || e.steadyRpm() > InjectionJudgedHighRpm)
        return wait(v, "rotação fora de 500 a 1500 rpm estável");
    if (e.afterDecel())
        return wait(v, "desaceleração (corte de combustível)");
    if (e.now().injectionMs >= NoInjectionMs)
        return;
    v.kind = Verdict::Fault;
    put(v.text, "injeção 0,0 ms a %.0f rpm", e.steadyRpm());
}

void tempSensor(const Engine& e, const Settings&, RuleMemory&, Verdict& v)
{
    if (linkSettling(e, v))
        return;
    const Reading& r = e.now();
    if (r.tempCode >= TempCodeHigh) {
        v.kind = Verdict::Fault;
        put(v.text, "sensor aberto: %.0f °C (código %d)", r.celsius, r.tempCode);
    } else if (r.tempCode <= TempCodeLow) {
        v.kind = Verdict::Fault;
        put(v.text, "sensor em curto: %.0f °C (código %d)", r.celsius, r.tempCode);
    }
}

void tempNotRising(const Engine& e, const Settings&, RuleMemory& m, Verdict& v)
{
    if (!e.running())
        return wait(v, "motor desligado");
    const Reading& r = e.now();
    if (r.tempCode >= TempCodeHigh || r.tempCode <= TempCodeLow)
        return wait(v, "sensor de temperatura fora da faixa");
    if (m.run != e.runStartMs()) {
        m.run = e.runStartMs();
        m.count = 0; // 1: this run rose
    }
    if (e.startCelsius() <= -1000)
        return wait(v, "sem leitura de temperatura na partida");
    const double rise = e.highestCelsius() - e.startCelsius();
    if (rise >= TempRiseCelsius)
        m.count = 1;
    if (m.count == 1)
        return;
    if (e.startCelsius() >= ColdStartCelsius) {
        v.kind = Verdict::Wait;
        put(v.text, "partida com o motor já quente (%.0f °C)", e.startCelsius());
        return;
    }
    if (e.runningForMs() < TempRiseWindowMs) {
        v.kind = Verdict::Wait;
        put(v.text, "medindo: %.0f °C na partida, %.0f °C agora (%lld de 10 min)", e.startCelsius(), r.celsius,
            static_cast<long long>(e.runningForMs() / 60000));
        return;
    }
    v.kind = Verdict::Fault;
    put(v.text, "%.0f °C na partida, no máximo %.0f °C após 10 min", e.startCelsius(), e.highestCelsius());
}

void noMap(const Engine& e, const Settings&, RuleMemory&, Verdict& v)
{
    if (linkSettling(e, v))
        return;
    if (e.now().mapCode > MapCodeLow)
        return;
    v.kind = Verdict::Fault;
    put(v.text, "MAP %s V (código %d)", volts(Decimal(e.now().mapVolts, 2)), e.now().mapCode);
}

void mapAtLimit(const Engine& e, const Settings&, RuleMemory&, Verdict& v)
{
    if (!e.running())
        return wait(v, "motor desligado");
    if (!e.idling())
        return wait(v, "motor fora da marcha-lenta");
    if (e.now().mapCode < MapCodeHigh)
        return;
    v.kind = Verdict::Fault;
    put(v.text, "MAP %s V em marcha-lenta a %.0f rpm", volts(Decimal(e.now().mapVolts, 2)), e.steadyRpm());
}

void mapNotVarying(const Engine& e, const Settings& s, RuleMemory&, Verdict& v)
{
    if (e.engineOffMap() < 0)
        return wait(v, "sem leitura com a chave ligada e o motor desligado");
    if (notRunningWarm(e, s, v))
        return;
    if (!e.idling())
        return wait(v, "motor fora da marcha-lenta");
    const Reading& r = e.now();
    if (r.mapCode <= MapCodeLow || r.mapCode >= MapCodeHigh || e.engineOffMap() <= MapCodeLow
        || e.engineOffMap() >= MapCodeHigh)
        return wait(v, "sinal do MAP fora da faixa");
    const double off = mapVolts(static_cast<uint8_t>(e.engineOffMap()));
    if (std::fabs(r.mapVolts - off) > MapSameVolts)
        return;
    v.kind = Verdict::Fault;
    put(v.text, "desligado %s V, marcha-lenta %s V", volts(Decimal(off, 2)), volts(Decimal(r.mapVolts, 2)));
}

void correctionAtLimit(const Engine& e, const Settings& s, RuleMemory&, Verdict& v)
{
    if (!s.known)
        return wait(v, "parâmetros não lidos (use Ler)");
    if (notRunningWarm(e, s, v))
        return;
    const Reading& r = e.now();
    if (r.correction < s.maxCorrection)
        return;
    v.kind = Verdict::Fault;
    put(v.text, "correção %d %% no limite de %s %%", p64LiveDecode(r.correction),
        Decimal(p64Decode(s.maxCorrection), 1).text);
}

void unstableLink(const Engine& e, const Settings&, RuleMemory&, Verdict& v)
{
    const int n = e.linkTrouble();
    if (n < LinkTroubleCount)
        return;
    v.kind = Verdict::Fault;
    put(v.text, "%d respostas repetidas ou inválidas no último minuto", n);
}

const Rule Rules[] = {
    {CheckId::NoRpm, "Sem sinal de rotação",
     "Confira o fio do sinal de rotação (bobina ou módulo de ignição) até o Tuma, suas emendas e o aterramento.",
     "injeção acima de 0,5 ms por 3 s", 3000, 5000, noRpm},
    {CheckId::IdleSpeed, "Rotação de marcha-lenta fora do normal",
     "Confira a escala do RPM (RPM Cal.) para o tipo de sinal de rotação deste motor e a marcha-lenta do motor.",
     "motor aquecido, funcionando há 60 s, em marcha-lenta estável", 20000, 20000, idleSpeed},
    {CheckId::NoInjection, "Sem sinal de injeção", "Confira o fio do sinal do bico injetor até o Tuma e suas emendas.",
     "rotação estável entre 500 e 1500 rpm, fora de desaceleração", 5000, 5000, noInjection},
    {CheckId::TempSensor, "Sensor de temperatura aberto ou em curto",
     "Confira o conector e os fios do sensor de temperatura: aberto mostra cerca de −65 °C, em curto valores "
     "muito altos.",
     "comunicação há 5 s", 10000, 10000, tempSensor},
    {CheckId::TempNotRising, "Temperatura do motor não sobe",
     "Confira se o sensor está montado no líquido de arrefecimento (não no ar ou na carcaça) e a válvula "
     "termostática.",
     "partida abaixo de 40 °C, motor funcionando 10 min", 0, 0, tempNotRising},
    {CheckId::NoMap, "Sem sinal do sensor MAP",
     "Confira a alimentação, o terra e o fio de sinal do sensor MAP até o Tuma.", "comunicação há 5 s", 5000, 5000,
     noMap},
    {CheckId::MapAtLimit, "MAP no limite da entrada",
     "A tensão do sensor passa de 2,50 V, o máximo da entrada: confira o tipo de sensor MAP e a ligação do sinal.",
     "motor em marcha-lenta", 30000, 10000, mapAtLimit},
    {CheckId::MapNotVarying, "MAP não varia com o motor",
     "Confira a mangueira de vácuo do sensor MAP (solta, furada ou ligada antes da borboleta).",
     "leitura com o motor desligado, depois marcha-lenta com o motor aquecido", 30000, 10000, mapNotVarying},
    {CheckId::ProbeFlat, "Sonda lambda não varia",
     "Confira o fio de sinal da sonda, sua alimentação de aquecimento e se a sonda está desconectada ou gasta.",
     "sonda comum, motor aquecido, 180 s funcionando, 600 a 3000 rpm", 30000, 10000, probeFlat, 3000},
    {CheckId::ProbeLean, "Sonda sempre pobre",
     "Confira entrada de ar falso antes da sonda, vazamento no escapamento, pressão de combustível baixa e o fio "
     "da sonda em curto com o terra.",
     "sonda comum, motor aquecido, 180 s funcionando, 600 a 3000 rpm, sem acelerada rápida", 60000, 10000, probeLean,
     3000},
    {CheckId::ProbeRich, "Sonda sempre rica",
     "Confira pressão de combustível alta, bicos vazando, a mistura programada e o fio da sonda encostado em "
     "tensão.",
     "sonda comum, motor aquecido, 180 s funcionando, 600 a 3000 rpm, sem acelerada rápida", 60000, 10000, probeRich,
     3000},
    {CheckId::ProbeWeak, "Sonda com resposta fraca",
     "A sonda oscila pouco: confira se está gasta ou contaminada e o aquecimento dela.",
     "sonda comum, motor aquecido, duas janelas de 60 s", 0, 0, probeWeak},
    {CheckId::ProbeHighVoltage, "Tensão alta para sonda comum",
     "Uma sonda comum não passa de cerca de 1 V: se a sonda é de banda larga, marque \"WideBand Sensor\"; senão "
     "confira se o fio da sonda encosta em outra tensão.",
     "sonda comum, motor funcionando", 5000, 5000, probeHighVoltage},
    {CheckId::WidebandStuck, "Sonda banda larga parada",
     "Confira a alimentação e o módulo da sonda banda larga e a saída analógica ligada ao Tuma.",
     "sonda banda larga, 90 s após a partida, motor aquecido", 0, 10000, widebandStuck},
    {CheckId::CorrectionAtLimit, "Correção no limite",
     "Confira combustível (qualidade e pressão), entradas de ar falso e vazamentos no escapamento; se estiver "
     "tudo certo, aumente \"Correção Máx.\".",
     "motor aquecido e funcionando", 60000, 30000, correctionAtLimit},
    {CheckId::UnstableLink, "Comunicação instável",
     "Confira o cabo e o adaptador USB-serial: mau contato, cabo longo ou perto dos cabos de ignição.",
     "comunicação ativa", 0, 60000, unstableLink},
};
static_assert(std::size(Rules) == CheckCount, "one rule per check");
} // namespace

int idleScaleFor(double rawRpm)
{
    for (int scale : {1, 2, 4, 8})
        if (rawRpm / scale >= IdleGoodLowRpm && rawRpm / scale <= IdleGoodHighRpm)
            return scale;
    return 0;
}

const Rule* ruleTable() { return Rules; }
const Rule& ruleOf(CheckId id) { return Rules[static_cast<size_t>(id)]; }

int64_t faultPersistMs(const Rule& rule, const Settings& settings)
{
    // The controller itself counts a probe as not varying after tempo_ajuste.
    if (rule.id == CheckId::ProbeFlat)
        return std::max<int64_t>(30000, static_cast<int64_t>(settings.adjustSeconds) * 1000);
    return rule.faultMs;
}

} // namespace tuma::checks
