#include "core/installation_checks.h"

#include "core/memory_map.h"
#include "core/parameters.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace tuma::checks {

void put(Text& t, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(t.data(), t.size(), format, args);
    va_end(args);
}

const char* stateText(State s)
{
    switch (s) {
    case State::Ok:
        return "OK";
    case State::Attention:
        return "Atenção";
    case State::Waiting:
        return "Aguardando";
    }
    return "";
}

Reading readingOf(int64_t ms, const uint8_t* live, int scale)
{
    Reading r;
    r.ms = ms;
    r.scale = scale > 0 ? scale : 1;
    const uint16_t period = get16(live, addr::at(addr::EngineSpeedPeriod, addr::LiveFirst));
    // A period of 0 is a stopped engine: the form shows 0 there too.
    if (period > 0) {
        r.rawRpm = engineSpeed(period, 1);
        r.rpm = engineSpeed(period, r.scale);
    }
    r.injectionMs = injectionMillis(get16(live, addr::at(addr::InjectionTime, addr::LiveFirst)));
    r.correction = live[addr::at(addr::LiveCorrection, addr::LiveFirst)];
    r.tempCode = live[addr::at(addr::EngineTemp, addr::LiveFirst)];
    r.celsius = adcToCelsius(r.tempCode);
    r.mapCode = live[addr::at(addr::MapVoltage, addr::LiveFirst)];
    r.mapVolts = mapVolts(r.mapCode);
    r.lambdaMv = millivoltDecode(live[addr::at(addr::LambdaVoltage, addr::LiveFirst)]);
    return r;
}

Settings settingsOf(const Block& block)
{
    Settings s;
    s.known = true;
    const uint8_t flags = block[addr::cfg(addr::OptionFlags)];
    s.probe = (flags & bits::SlowLambda) != 0;
    s.wideband = (flags & bits::WideBand) != 0;
    s.adjustSeconds = std::atoi(adjustTimeDecode(block[addr::cfg(addr::AdjustTime)]).c_str());
    s.maxCorrection = block[addr::cfg(addr::MaxCorrection)];
    // The controller corrects from temp_corr on; below 70 °C an engine is still warming
    // whatever the setting says.
    s.warmCelsius = std::max(70, static_cast<int>(adcToCelsius(block[addr::cfg(addr::CorrectionTemp)])));
    return s;
}

namespace {
bool validTemp(uint8_t code) { return code > limits::TempCodeLow && code < limits::TempCodeHigh; }
} // namespace

void Engine::reset() { *this = Engine(); }

void Engine::linkUp(int64_t ms)
{
    linkedSince = ms;
    // What the line did before this start is no news of the line now.
    haveCounts = false;
    trouble.fill(0);
}

void Engine::add(const Reading& r, const LinkCounts& counts, bool wideband)
{
    keep(r, counts);
    followRun(r);
    followSteady(r);
    followSnapAndCut(r, wideband);
    followEngineOffMap(r);
}

void Engine::keep(const Reading& r, const LinkCounts& counts)
{
    uint64_t newTrouble = 0;
    if (haveCounts)
        newTrouble = (counts.retries - lastCounts.retries) + (counts.badAnswers - lastCounts.badAnswers);
    lastCounts = counts;
    haveCounts = true;
    if (linkedSince < 0)
        linkedSince = r.ms;

    ring[head] = r;
    trouble[head] = static_cast<uint16_t>(std::min<uint64_t>(newTrouble, 0xFFFF));
    head = (head + 1) % Window;
    count = std::min(count + 1, Window);
    last = r;
}

void Engine::followRun(const Reading& r)
{
    // The run of the engine: a stall shorter than two seconds is still the same run.
    if (r.rawRpm >= limits::RunningRpm) {
        stoppedSince = -1;
        if (runningSince < 0) {
            runningSince = r.ms;
            runStartCelsius = validTemp(r.tempCode) ? r.celsius : -1000;
            runHighestCelsius = runStartCelsius;
        } else if (validTemp(r.tempCode) && runStartCelsius > -1000) {
            runHighestCelsius = std::max(runHighestCelsius, r.celsius);
        }
    } else if (runningSince >= 0) {
        if (stoppedSince < 0)
            stoppedSince = r.ms;
        if (r.ms - stoppedSince >= 2000)
            runningSince = -1;
    }
    if (r.injectionMs > limits::InjectingMs) {
        if (injectingSince < 0)
            injectingSince = r.ms;
    } else {
        injectingSince = -1;
    }
}

void Engine::followSteady(const Reading& r)
{
    // Steady: the last five seconds all running, within a share of their mean.
    double lo = 1e9, hi = 0, sum = 0, oldest = r.ms;
    int n = 0;
    bool stopped = false;
    back(limits::SteadyMs, [&](const Reading& o) {
        stopped = stopped || o.rawRpm < limits::RunningRpm;
        lo = std::min(lo, o.rpm);
        hi = std::max(hi, o.rpm);
        sum += o.rpm;
        oldest = static_cast<double>(o.ms);
        ++n;
        return true;
    });
    steadyMean = n > 0 ? sum / n : 0;
    steadySpeed
        = !stopped && n > 0 && r.ms - oldest >= limits::SteadyMs - 600 && hi - lo <= limits::SteadyShare * steadyMean;
}

void Engine::followSnapAndCut(const Reading& r, bool wideband)
{
    // A throttle snap: the MAP or the speed climbing fast within a second.
    bool snap = false;
    back(1000, [&](const Reading& o) {
        snap = snap || r.mapVolts - o.mapVolts >= limits::SnapMapVolts || r.rpm - o.rpm >= limits::SnapRpm;
        return !snap;
    });
    if (snap)
        lastSnap = r.ms;

    // A fuel cut: no injection at speed, the narrowband probe lean.
    const bool cut = running() && r.rpm > limits::DecelRpm && r.injectionMs < limits::NoInjectionMs
        && (wideband || r.lambdaMv < limits::LeanMv);
    if (decel && !cut)
        decelEnded = r.ms;
    decel = cut;
}

void Engine::followEngineOffMap(const Reading& r)
{
    // The MAP with the key on and the engine stopped, as the atmosphere gives it: only
    // a steady one (a wire coming loose meanwhile is no atmosphere).
    if (linked() && r.rawRpm == 0 && r.injectionMs < limits::NoInjectionMs) {
        int codes = 0, m = 0;
        bool still = true;
        int64_t first = r.ms;
        back(limits::EngineOffReadingMs, [&](const Reading& o) {
            still = still && o.rawRpm == 0 && o.injectionMs < limits::NoInjectionMs
                && std::abs(static_cast<int>(o.mapCode) - static_cast<int>(r.mapCode)) <= 3;
            codes += o.mapCode;
            first = o.ms;
            ++m;
            return still;
        });
        if (still && r.ms - first >= limits::EngineOffReadingMs - 600 && m > 0)
            offMap = (codes + m / 2) / m;
    }
}

bool Engine::idling() const
{
    return running() && steadySpeed && steadyMean < limits::IdleRpm && !snapWithin(2000) && !afterDecel();
}

int Engine::linkTrouble() const
{
    int sum = 0;
    for (size_t i = 0; i < count; ++i) {
        const size_t at = (head + Window - 1 - i) % Window;
        if (last.ms - ring[at].ms >= limits::LinkTroubleWindowMs)
            break;
        sum += trouble[at];
    }
    return sum;
}

void Monitor::reset()
{
    engine.reset();
    statuses.fill(CheckStatus{});
    memory.fill(RuleMemory{});
    faultSince.fill(-1);
    goodSince.fill(-1);
    for (size_t i = 0; i < CheckCount; ++i)
        put(statuses[i].reason, "monitor parado");
}

size_t Monitor::add(const Reading& r, const LinkCounts& counts)
{
    engine.add(r, counts, settings.known && settings.wideband);
    size_t n = 0;
    for (size_t i = 0; i < CheckCount; ++i) {
        const Rule& rule = ruleTable()[i];
        Verdict v;
        rule.judge(engine, settings, memory[i], v);
        if (const int news = follow(i, v, r.ms); news >= 0)
            changed[n++] = {rule.id, news == 1};
    }
    return n;
}

int Monitor::follow(size_t i, const Verdict& v, int64_t ms)
{
    const Rule& rule = ruleTable()[i];
    CheckStatus& st = statuses[i];
    int news = -1;
    switch (v.kind) {
    case Verdict::Wait:
        // A finding stays until its good state is seen: waiting proves nothing.
        faultSince[i] = goodSince[i] = -1;
        if (st.state != State::Attention) {
            st.state = State::Waiting;
            st.reason = v.text;
        }
        break;
    case Verdict::Fault:
        if (faultSince[i] < 0)
            faultSince[i] = ms;
        if (st.state == State::Attention) {
            if (ms - faultSince[i] >= rule.relapseMs)
                goodSince[i] = -1;
            st.values = v.text;
        } else if (ms - faultSince[i] >= faultPersistMs(rule, settings)) {
            st.state = State::Attention;
            st.sinceMs = faultSince[i];
            st.values = v.text;
            news = 1;
        } else {
            st.state = State::Ok;
        }
        break;
    case Verdict::Good:
        faultSince[i] = -1;
        if (st.state != State::Attention) {
            st.state = State::Ok;
            break;
        }
        if (goodSince[i] < 0)
            goodSince[i] = ms;
        if (ms - goodSince[i] >= rule.clearMs) {
            st.state = State::Ok;
            st.sinceMs = -1;
            goodSince[i] = -1;
            news = 0;
        }
        break;
    }
    return news;
}

size_t Monitor::active() const
{
    return static_cast<size_t>(std::count_if(statuses.begin(), statuses.end(),
                                             [](const CheckStatus& s) { return s.state == State::Attention; }));
}

} // namespace tuma::checks
