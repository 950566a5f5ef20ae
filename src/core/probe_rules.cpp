// The rules that judge the lambda probe, narrowband or wideband: a narrowband zirconia
// probe switches between about 0.1 and 0.9 V around 0.45 V in closed loop and sits near
// its 0.45 V bias when it is cold or disconnected; a wideband controller's analogue
// output moves with every change of load.
#include "core/check_rule_parts.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tuma::checks::rules {

using namespace limits;

// True (and the verdict a wait) when the narrowband probe rules cannot judge now.
static bool probeNotReady(const Engine& e, const Settings& s, Verdict& v, bool heated)
{
    if (!s.known) {
        wait(v, "parâmetros não lidos (use Ler)");
        return true;
    }
    if (!s.probe) {
        wait(v, "Lambda Lenta desligada");
        return true;
    }
    if (s.wideband) {
        wait(v, "WideBand Sensor selecionado");
        return true;
    }
    if (!e.running()) {
        wait(v, "motor desligado");
        return true;
    }
    if (!heated)
        return false;
    if (e.runningForMs() < ProbeHeatedMs) {
        v.kind = Verdict::Wait;
        put(v.text, "sonda ainda aquecendo (%lld s de 180 s)", static_cast<long long>(e.runningForMs() / 1000));
        return true;
    }
    if (notRunningWarm(e, s, v))
        return true;
    if (e.now().rpm < ProbeLowRpm || e.now().rpm > ProbeHighRpm) {
        wait(v, "rotação fora de 600 a 3000 rpm");
        return true;
    }
    if (e.afterDecel()) {
        wait(v, "desaceleração (corte de combustível)");
        return true;
    }
    return false;
}

void probeFlat(const Engine& e, const Settings& s, RuleMemory&, Verdict& v)
{
    if (probeNotReady(e, s, v, true))
        return;
    const int mv = e.now().lambdaMv;
    if (mv < FlatLowMv || mv > FlatHighMv)
        return;
    v.kind = Verdict::Fault;
    put(v.text, "sonda parada em %d mV (entre 350 e 550 mV)", mv);
}

static bool snapRecently(const Engine& e, Verdict& v)
{
    if (!e.snapWithin(SnapQuietMs))
        return false;
    wait(v, "aceleração rápida nos últimos 10 s");
    return true;
}

void probeLean(const Engine& e, const Settings& s, RuleMemory&, Verdict& v)
{
    if (probeNotReady(e, s, v, true) || snapRecently(e, v))
        return;
    if (e.now().lambdaMv >= LeanMv)
        return;
    v.kind = Verdict::Fault;
    put(v.text, "sonda em %d mV (abaixo de 200 mV)", e.now().lambdaMv);
}

void probeRich(const Engine& e, const Settings& s, RuleMemory&, Verdict& v)
{
    if (probeNotReady(e, s, v, true) || snapRecently(e, v))
        return;
    const int mv = e.now().lambdaMv;
    if (mv <= RichMv || mv > HighVoltageMv)
        return;
    v.kind = Verdict::Fault;
    put(v.text, "sonda em %d mV (acima de 800 mV)", mv);
}

// The shapes a window of the probe can have besides a weak swing: each is another
// finding's, and this rule leaves it to that one.
enum Shape : unsigned { NotFlat = 1, NotLean = 2, NotRich = 4 };

void probeWeak(const Engine& e, const Settings& s, RuleMemory& m, Verdict& v)
{
    if (probeNotReady(e, s, v, true)) {
        m.mark = -1; // a window is a minute judged without a break
        return;
    }
    const int mv = e.now().lambdaMv;
    const int64_t now = e.now().ms;
    if (m.mark < 0) {
        m.mark = now;
        m.low = m.high = mv;
        m.shapes = 0;
    }
    m.low = std::min(m.low, mv);
    m.high = std::max(m.high, mv);
    if (mv < FlatLowMv || mv > FlatHighMv)
        m.shapes |= NotFlat;
    if (mv >= LeanMv)
        m.shapes |= NotLean;
    if (mv <= RichMv)
        m.shapes |= NotRich;
    if (now - m.mark >= WeakWindowMs) {
        const bool other = m.shapes != (NotFlat | NotLean | NotRich);
        const bool weak = !other && (m.high < WeakMaxMv || m.low > WeakMinMv);
        m.count = weak ? m.count + 1 : 0;
        m.lastLow = m.low;
        m.lastHigh = m.high;
        m.mark2 = now; // a window has been judged
        m.mark = -1;
    }
    if (m.mark2 < 0)
        return wait(v, "medindo a resposta da sonda (janela de 60 s)");
    if (m.count == 0)
        return;
    if (m.count == 1)
        return wait(v, "uma janela de resposta fraca; medindo a seguinte");
    v.kind = Verdict::Fault;
    put(v.text, "em 60 s a sonda foi de %d a %d mV (esperado: abaixo de 300 e acima de 600 mV)", m.lastLow, m.lastHigh);
}

void probeHighVoltage(const Engine& e, const Settings& s, RuleMemory&, Verdict& v)
{
    if (probeNotReady(e, s, v, false))
        return;
    if (e.now().lambdaMv <= HighVoltageMv)
        return;
    v.kind = Verdict::Fault;
    put(v.text, "sonda em %d mV (uma sonda comum não passa de cerca de 1000 mV)", e.now().lambdaMv);
}

void widebandStuck(const Engine& e, const Settings& s, RuleMemory& m, Verdict& v)
{
    const auto forget = [&m] { m.mark = m.mark2 = -1; };
    if (!s.known) {
        forget();
        return wait(v, "parâmetros não lidos (use Ler)");
    }
    if (!s.probe || !s.wideband) {
        forget();
        return wait(v, s.probe ? "sonda comum selecionada" : "Lambda Lenta desligada");
    }
    if (!e.running() || e.runningForMs() < WidebandAfterStartMs) {
        forget();
        if (!e.running())
            return wait(v, "motor desligado");
        v.kind = Verdict::Wait;
        put(v.text, "sonda ainda aquecendo (%lld s de 90 s)", static_cast<long long>(e.runningForMs() / 1000));
        return;
    }
    if (notRunningWarm(e, s, v) || e.afterDecel()) {
        forget();
        if (v.kind == Verdict::Good)
            wait(v, "desaceleração (corte de combustível)");
        return;
    }
    const Reading& r = e.now();
    const bool rail = r.lambdaMv <= WidebandLowMv || r.lambdaMv >= WidebandHighMv;
    if (!rail)
        m.mark = -1;
    else if (m.mark < 0)
        m.mark = r.ms;
    // Flat within one step of the converter (5000 / 255 mV).
    if (m.mark2 < 0 || std::abs(r.lambdaMv - m.anchor) > 5000 / 255) {
        m.anchor = r.lambdaMv;
        m.mark2 = r.ms;
    }
    if (m.mark >= 0 && r.ms - m.mark >= WidebandRailMs) {
        v.kind = Verdict::Fault;
        put(v.text, "sonda em %d mV, no limite da entrada, há %lld s", r.lambdaMv,
            static_cast<long long>((r.ms - m.mark) / 1000));
    } else if (r.ms - m.mark2 >= WidebandFlatMs) {
        v.kind = Verdict::Fault;
        put(v.text, "sonda parada em %d mV há %lld s", r.lambdaMv, static_cast<long long>((r.ms - m.mark2) / 1000));
    }
}

} // namespace tuma::checks::rules
