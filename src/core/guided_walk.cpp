#include "core/guided_walk.h"

#include "core/memory_map.h"

#include <algorithm>
#include <cstdio>

namespace tuma::checks {

namespace {

using namespace limits;

// What only the walk compares: the rest are the checks' own limits.
constexpr int64_t KeyOnMs = 10000;    // engine-off readings taken
constexpr int64_t WarmIdleMs = 60000; // of warm idle, probe and correction watched
constexpr int SnapsWanted = 3;
constexpr int64_t SnapSeenMs = 1500;  // a snap lasts while the checks saw one this recently
constexpr int64_t AfterSnapMs = 3000; // the closing and the fuel cut that follow the last
constexpr double CruiseRpm = 2500, CruiseLowRpm = 2200, CruiseHighRpm = 2800;
constexpr int64_t CruiseMs = 30000;
constexpr int SteadyCorrection = 10; // percent the correction may wander at a held speed
constexpr int WidebandMovesMv = 200; // a wideband output that moves at least this much is alive

const StepInfo Steps[StepCount] = {
    {"Chave ligada, motor desligado", "Ligue a chave sem dar a partida e espere 10 s.", 60000},
    {"Dê a partida e deixe em marcha-lenta", "Dê a partida e deixe o motor em marcha-lenta, sem acelerar.", 90000},
    {"Marcha-lenta com o motor aquecido",
     "Deixe o motor em marcha-lenta até aquecer; depois o programa observa 60 s de marcha-lenta.", 1200000},
    {"Três aceleradas rápidas", "Acelere rápido até o fim e solte, três vezes, com alguns segundos entre elas.", 90000},
    {"Mantenha 2500 rpm por 30 s", "Segure o motor entre 2200 e 2800 rpm por 30 s.", 120000},
};

WalkResult good(std::string text) { return {WalkResult::Ok, std::move(text), {}}; }
WalkResult attention(std::string text, CheckId id)
{
    return {WalkResult::Attention, std::move(text), ruleOf(id).whatToCheck};
}
WalkResult notChecked(std::string text, std::string why)
{
    return {WalkResult::NotChecked, std::move(text), std::move(why)};
}

} // namespace

const StepInfo& stepInfo(StepId id) { return Steps[static_cast<size_t>(id)]; }

const char* markText(WalkResult::Mark m)
{
    switch (m) {
    case WalkResult::Ok:
        return "OK";
    case WalkResult::Attention:
        return "Atenção";
    case WalkResult::NotChecked:
        return "Não verificado";
    }
    return "";
}

Walk::Walk(const Settings& s, char decimalSeparator) : settings(s), sep(decimalSeparator)
{
    engine.reset();
    now = Steps[0].instruction;
}

std::string Walk::fixed(double value, int decimals) const
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string out = text;
    std::replace(out.begin(), out.end(), '.', sep);
    return out;
}

WalkResult Walk::idleSpeedResult(double idleRpm, int scale) const
{
    const std::string speed
        = "Rotação de marcha-lenta: " + fixed(idleRpm, 0) + " rpm na escala " + std::to_string(scale);
    if (idleRpm >= IdleLowRpm && idleRpm <= IdleHighRpm)
        return good(speed);
    // Right after the start a cold engine idles fast: when no scale shows a warm
    // idle, the one that shows a plausible idle at all.
    const double raw = idleRpm * scale;
    int right = idleScaleFor(raw);
    for (int s : {1, 2, 4, 8})
        if (!right && raw / s >= IdleLowRpm && raw / s <= IdleHighRpm)
            right = s;
    return attention(speed
                         + (right
                                ? "; a escala " + std::to_string(right) + " mostraria " + fixed(raw / right, 0) + " rpm"
                                : std::string("; nenhuma escala mostra uma marcha-lenta")),
                     CheckId::IdleSpeed);
}

WalkResult Walk::idleMapResult() const
{
    if (offMap < 0)
        return notChecked("MAP em marcha-lenta: " + fixed(idleMap, 2) + " V", "sem a leitura com o motor desligado");
    const double drop = offMap - idleMap;
    const std::string text = "MAP: " + fixed(offMap, 2) + " V desligado → " + fixed(idleMap, 2) + " V em marcha-lenta ("
        + (drop >= 0 ? "caiu " : "subiu ") + fixed(std::abs(drop), 2) + " V)";
    return drop < MapSameVolts ? attention(text, CheckId::MapNotVarying) : good(text);
}

std::vector<CheckLine> reportLines(const std::vector<StepResult>& steps)
{
    std::vector<CheckLine> lines;
    for (const StepResult& s : steps)
        for (const WalkResult& l : s.lines)
            lines.push_back(
                {std::to_string(static_cast<int>(s.id) + 1) + ". " + l.text, markText(l.mark), l.whatToCheck});
    return lines;
}

std::string reportText(const std::vector<CheckLine>& lines)
{
    std::string text;
    for (const CheckLine& l : lines)
        text += l.title + "\t" + l.state + "\t" + l.detail + "\n";
    return text;
}

std::vector<CheckLine> reportFromText(const std::string& text)
{
    std::vector<CheckLine> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(at, end - at);
        const size_t a = line.find('\t'), b = a == std::string::npos ? a : line.find('\t', a + 1);
        if (b != std::string::npos)
            lines.push_back({line.substr(0, a), line.substr(a + 1, b - a - 1), line.substr(b + 1)});
        at = end + 1;
    }
    return lines;
}

bool Walk::anyAttention() const
{
    for (const StepResult& s : done)
        for (const WalkResult& l : s.lines)
            if (l.mark == WalkResult::Attention)
                return true;
    return false;
}

void Walk::finish(std::vector<WalkResult> lines)
{
    done.push_back({current(), std::move(lines)});
    stepStart = mark = -1;
    sum = 0;
    n = polls = 0;
    share = 0;
    now = finished() ? "Verificação concluída." : Steps[done.size()].instruction;
}

std::vector<WalkResult> Walk::timedOut(const char* missing) const
{
    return {notChecked(Steps[done.size()].title, std::string("tempo esgotado: ") + missing)};
}

void Walk::skip()
{
    if (finished() || stopped)
        return;
    std::vector<WalkResult> lines;
    if (current() == StepId::WarmIdle)
        lines.push_back(notChecked("Temperatura: " + fixed(engine.now().celsius, 0) + " °C de "
                                       + std::to_string(settings.warmCelsius) + " °C",
                                   "pulado antes de o motor aquecer"));
    else
        lines.push_back(notChecked(Steps[done.size()].title, "pulado"));
    finish(std::move(lines));
}

void Walk::cancel() { stopped = true; }

void Walk::add(const Reading& r)
{
    if (finished() || stopped)
        return;
    if (!engine.linked())
        engine.linkUp(r.ms);
    engine.add(r, LinkCounts{}, settings.wideband);
    if (stepStart < 0)
        stepStart = r.ms;
    switch (current()) {
    case StepId::KeyOn:
        keyOn(r);
        break;
    case StepId::Start:
        start(r);
        break;
    case StepId::WarmIdle:
        warmIdle(r);
        break;
    case StepId::Snaps:
        snaps(r);
        break;
    case StepId::Cruise:
        cruise(r);
        break;
    }
    // A step still waiting at its time-out says what it was waiting for.
    if (!finished() && stepStart >= 0 && r.ms - stepStart >= Steps[done.size()].timeoutMs) {
        const char* missing[] = {"o motor não ficou desligado", "o motor não pegou ou não firmou a marcha-lenta",
                                 "a marcha-lenta aquecida não foi medida", "as três aceleradas não foram feitas",
                                 "a rotação não ficou entre 2200 e 2800 rpm por 30 s"};
        finish(timedOut(missing[done.size()]));
    }
}

void Walk::keyOn(const Reading& r)
{
    if (engine.running()) {
        mark = -1;
        sum = n = 0;
        now = "Desligue o motor: chave ligada, motor parado.";
        return;
    }
    if (mark < 0)
        mark = r.ms;
    sum += r.mapVolts;
    ++n;
    offCelsius = r.celsius;
    offTempCode = r.tempCode;
    offMapCode = r.mapCode;
    offLambda = r.lambdaMv;
    const int64_t taken = r.ms - mark;
    share = std::min(1.0, static_cast<double>(taken) / KeyOnMs);
    now = "Lendo com o motor desligado: " + std::to_string(taken / 1000) + " s de 10 s";
    if (taken < KeyOnMs)
        return;
    offMap = sum / n;
    std::vector<WalkResult> lines;
    if (offTempCode >= TempCodeHigh || offTempCode <= TempCodeLow)
        lines.push_back(attention("Sensor de temperatura: código " + std::to_string(offTempCode)
                                      + (offTempCode >= TempCodeHigh ? " (aberto)" : " (em curto)"),
                                  CheckId::TempSensor));
    else
        lines.push_back(good("Temperatura com o motor desligado: " + fixed(offCelsius, 0) + " °C"));
    if (offMapCode <= MapCodeLow)
        lines.push_back(attention("MAP com o motor desligado: " + fixed(offMap, 2) + " V (sem sinal)", CheckId::NoMap));
    else
        lines.push_back(good("MAP com o motor desligado: " + fixed(offMap, 2) + " V"));
    lines.push_back(good("Sonda com o motor desligado: " + std::to_string(offLambda) + " mV"));
    finish(std::move(lines));
}

void Walk::start(const Reading& r)
{
    if (!engine.running()) {
        if (engine.injectingForMs() >= InjectingForMs) {
            finish({attention("Rotação: 0 rpm com injeção de " + fixed(r.injectionMs, 2) + " ms", CheckId::NoRpm)});
            return;
        }
        now = "Aguardando a partida...";
        return;
    }
    share = std::min(1.0, static_cast<double>(engine.runningForMs()) / (2 * SteadyMs));
    if (!engine.steady() || engine.runningForMs() < SteadyMs || engine.snapWithin(2000)) {
        now = "Motor funcionando: esperando a marcha-lenta firmar (" + fixed(r.rpm, 0) + " rpm)";
        return;
    }
    // The idle of the last seconds, steady.
    double map = 0, injection = 0;
    int count = 0;
    engine.back(2000, [&](const Reading& p) {
        map += p.mapVolts;
        injection += p.injectionMs;
        ++count;
        return true;
    });
    idleMap = map / count;
    idleRpm = engine.steadyRpm();
    std::vector<WalkResult> lines{idleSpeedResult(idleRpm, r.scale)};
    const double inj = injection / count;
    if (inj < InjectingMs)
        lines.push_back(attention("Injeção em marcha-lenta: " + fixed(inj, 2) + " ms", CheckId::NoInjection));
    else
        lines.push_back(good("Injeção em marcha-lenta: " + fixed(inj, 2) + " ms"));
    lines.push_back(idleMapResult());
    finish(std::move(lines));
}

void Walk::warmIdle(const Reading& r)
{
    if (r.celsius < settings.warmCelsius) {
        share = std::clamp((r.celsius - offCelsius) / std::max(1.0, settings.warmCelsius - offCelsius), 0.0, 1.0) / 2;
        now = "Aquecendo: " + fixed(r.celsius, 0) + " °C de " + std::to_string(settings.warmCelsius) + " °C";
        mark = -1;
        return;
    }
    if (!engine.running() || !engine.idling() || engine.afterDecel() || engine.snapWithin(SnapQuietMs)) {
        now = "Volte à marcha-lenta, sem acelerar.";
        mark = -1;
        return;
    }
    watch(r);
    const int64_t watched = r.ms - mark;
    share = 0.5 + std::min(1.0, static_cast<double>(watched) / WarmIdleMs) / 2;
    now = "Marcha-lenta aquecida: " + std::to_string(watched / 1000) + " s de 60 s";
    if (watched < WarmIdleMs)
        return;
    finish({good("Temperatura: " + fixed(offCelsius, 0) + " °C desligado → " + fixed(r.celsius, 0) + " °C aquecido"),
            probeLine("em marcha-lenta"), correctionLine()});
}

void Walk::watch(const Reading& r)
{
    const int corr = p64LiveDecode(r.correction);
    if (mark < 0) {
        mark = r.ms;
        lowMv = highMv = r.lambdaMv;
        lowCorr = highCorr = corr;
        atLimit = false;
    }
    lowMv = std::min(lowMv, r.lambdaMv);
    highMv = std::max(highMv, r.lambdaMv);
    lowCorr = std::min(lowCorr, corr);
    highCorr = std::max(highCorr, corr);
    atLimit = atLimit || (settings.known && r.correction >= settings.maxCorrection);
}

WalkResult Walk::probeLine(const char* where) const
{
    const std::string prefix = std::string(settings.wideband ? "Sonda banda larga " : "Sonda ") + where + ": ";
    if (settings.wideband) {
        const std::string text
            = prefix + "entre " + fixed(lowMv / 1000.0, 2) + " e " + fixed(highMv / 1000.0, 2) + " V";
        const bool alive = highMv - lowMv >= WidebandMovesMv && lowMv > WidebandLowMv && highMv < WidebandHighMv;
        return alive ? good(text) : attention(text, CheckId::WidebandStuck);
    }
    const std::string text = prefix + "oscilou entre " + std::to_string(lowMv) + " e " + std::to_string(highMv) + " mV";
    if (highMv < WeakMaxMv || lowMv > WeakMinMv)
        return attention(text + " (esperado: abaixo de " + std::to_string(WeakMinMv) + " e acima de "
                             + std::to_string(WeakMaxMv) + " mV)",
                         lowMv >= FlatLowMv && highMv <= FlatHighMv ? CheckId::ProbeFlat : CheckId::ProbeWeak);
    return good(text);
}

WalkResult Walk::correctionLine() const
{
    const std::string limit = settings.known ? fixed(p64Decode(settings.maxCorrection), 1) + " %" : std::string("?");
    const std::string text = "Correção: entre " + std::to_string(lowCorr) + " % e " + std::to_string(highCorr)
        + " % (limite " + limit + ")";
    if (atLimit)
        return attention(text, CheckId::CorrectionAtLimit);
    return good(text);
}

std::vector<WalkResult> Walk::snapResults() const
{
    std::vector<WalkResult> lines;
    const std::string mapText = "MAP nas aceleradas: " + fixed(idleMap, 2) + " V em marcha-lenta → até "
        + fixed(peakMap, 2) + " V" + (offMap >= 0 ? " (desligado " + fixed(offMap, 2) + " V)" : "") + " → "
        + fixed(closedMap, 2) + " V ao soltar";
    const double reference = offMap >= 0 ? offMap : idleMap + 2 * SnapMapVolts;
    const bool follows = peakMap - idleMap >= std::max(SnapMapVolts, (reference - idleMap) / 2) && closedMap < idleMap;
    lines.push_back(follows ? good(mapText) : attention(mapText, CheckId::MapNotVarying));
    const std::string rpmText = "Rotação nas aceleradas: " + fixed(idleRpm, 0) + " → " + fixed(peakRpm, 0) + " rpm";
    lines.push_back(peakRpm - idleRpm >= SnapRpm ? good(rpmText)
                                                 : notChecked(rpmText, "a rotação não subiu nas aceleradas"));
    if (settings.wideband) {
        const std::string text = "Sonda banda larga nas aceleradas: entre " + fixed(lowMv / 1000.0, 2) + " e "
            + fixed(highMv / 1000.0, 2) + " V";
        lines.push_back(highMv - lowMv >= 2 * WidebandMovesMv ? good(text) : attention(text, CheckId::WidebandStuck));
    } else {
        const std::string text = "Sonda: rica nas aceleradas (até " + std::to_string(highMv)
            + " mV), pobre no corte (até " + std::to_string(lowMv) + " mV)";
        lines.push_back(highMv >= WeakMaxMv && lowMv <= WeakMinMv ? good(text) : attention(text, CheckId::ProbeWeak));
    }
    return lines;
}

void Walk::snaps(const Reading& r)
{
    if (idleMap < 0 && mark < 0) {
        idleMap = r.mapVolts; // no idle measured before: the step's own first reading
        idleRpm = r.rpm;
    }
    if (mark < 0) {
        mark = r.ms;
        lowMv = highMv = r.lambdaMv;
        peakMap = r.mapVolts;
        peakRpm = r.rpm;
        closedMap = 99;
        snapCount = 0;
        inSnap = false;
    }
    const bool snapping = engine.snapWithin(SnapSeenMs);
    if (snapping && !inSnap && snapCount < SnapsWanted) {
        ++snapCount;
        lastSnapMs = r.ms;
    }
    inSnap = snapping;
    if (snapCount > 0) {
        peakMap = std::max(peakMap, r.mapVolts);
        peakRpm = std::max(peakRpm, r.rpm);
        closedMap = std::min(closedMap, r.mapVolts);
        lowMv = std::min(lowMv, r.lambdaMv);
        highMv = std::max(highMv, r.lambdaMv);
    }
    share = std::min(1.0, snapCount / static_cast<double>(SnapsWanted));
    now = snapCount < SnapsWanted
        ? "Acelerada " + std::to_string(snapCount + 1) + " de 3: acelere rápido até o fim e solte."
        : "Soltando a última acelerada...";
    if (snapCount < SnapsWanted || r.ms - lastSnapMs < AfterSnapMs)
        return;
    finish(snapResults());
}

void Walk::cruise(const Reading& r)
{
    const bool held = engine.running() && r.rpm >= CruiseLowRpm && r.rpm <= CruiseHighRpm && !engine.afterDecel();
    if (!held) {
        now = "Rotação " + fixed(r.rpm, 0) + " rpm: leve a " + fixed(CruiseRpm, 0) + " rpm (entre 2200 e 2800).";
        mark = -1;
        share = 0;
        return;
    }
    if (mark < 0)
        sum = n = 0;
    watch(r);
    sum += r.rpm;
    ++n;
    const int64_t heldMs = r.ms - mark;
    share = std::min(1.0, static_cast<double>(heldMs) / CruiseMs);
    now = fixed(r.rpm, 0) + " rpm: " + std::to_string(heldMs / 1000) + " s de 30 s";
    if (heldMs < CruiseMs)
        return;
    std::vector<WalkResult> lines{good("Rotação mantida: " + fixed(sum / n, 0) + " rpm por 30 s"),
                                  probeLine("a 2500 rpm")};
    WalkResult correction = correctionLine();
    if (correction.mark == WalkResult::Ok && highCorr - lowCorr > SteadyCorrection)
        correction = {WalkResult::Attention, correction.text + ": variou " + std::to_string(highCorr - lowCorr) + " %",
                      ruleOf(CheckId::CorrectionAtLimit).whatToCheck};
    lines.push_back(correction);
    finish(std::move(lines));
}

} // namespace tuma::checks
