#pragma once
// The installation checks: what the live values say about how the kit was installed,
// judged poll by poll from what the monitor already reads. Each check is a row of a
// table: when it can be judged, what counts as a fault, how long the fault must last
// before it is reported and how long the good state must last before it clears. A
// healthy engine must never raise one, so every rule waits for the conditions under
// which its fault cannot be a normal state of a running engine (a cold start, a fuel
// cut, a throttle snap, a probe still heating).
//
// Fixed storage only: a poll costs the same after hours as after seconds, and nothing
// is allocated on the way.
#include "core/events.h"
#include "core/live_values.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tuma::checks {

enum class CheckId {
    NoRpm,
    IdleSpeed,
    NoInjection,
    TempSensor,
    TempNotRising,
    NoMap,
    MapAtLimit,
    MapNotVarying,
    ProbeFlat,
    ProbeLean,
    ProbeRich,
    ProbeWeak,
    ProbeHighVoltage,
    WidebandStuck,
    CorrectionAtLimit,
    UnstableLink,
};
constexpr size_t CheckCount = static_cast<size_t>(CheckId::UnstableLink) + 1;

enum class State { Waiting, Ok, Attention };

// A short text kept in place (a reason, the values that triggered a finding).
using Text = std::array<char, 160>;

// One poll, decoded once for every rule.
struct Reading {
    int64_t ms = 0;    // the monitor's own clock, never the wall clock
    double rpm = 0;    // at the chosen scale, as the form shows it; 0 without a period
    double rawRpm = 0; // at scale 1: what the signal says before any scale
    double injectionMs = 0;
    uint8_t correction = 0; // P64 byte
    uint8_t tempCode = 0;
    double celsius = 0;
    uint8_t mapCode = 0;
    double mapVolts = 0;
    int lambdaMv = 0;
    int scale = 1;
};
// The ten bytes read from address 67 at `ms`; `scale` is the form's RPM scale.
Reading readingOf(int64_t ms, const uint8_t* live, int scale);

// What the block last read tells the rules.
struct Settings {
    bool known = false;        // a block has been read
    bool probe = false;        // "Lambda Lenta" (sonda_en)
    bool wideband = false;     // "WideBand Sensor" (banda_larga)
    int adjustSeconds = 0;     // tempo_ajuste as the form shows it
    uint8_t maxCorrection = 0; // limite_corr's byte
    int warmCelsius = 70;      // temp_corr or 70 °C, whichever is higher
};
Settings settingsOf(const Block& block);

// The link's own count of answers that needed another attempt and of answers that
// failed their check; only ever grows.
struct LinkCounts {
    uint64_t retries = 0;
    uint64_t badAnswers = 0;
};

// The thresholds: each written once, used by the rules and quoted by their texts.
namespace limits {
constexpr double RunningRpm = 250; // at scale 1: below it the engine is not running
constexpr double InjectingMs = 0.5;
constexpr int64_t InjectingForMs = 3000;
constexpr int64_t LinkSettledMs = 5000;
constexpr int64_t IdleJudgedAfterMs = 60000;
constexpr double IdleJudgedBelowRpm = 2000;
constexpr double IdleLowRpm = 450, IdleHighRpm = 1600;
constexpr double IdleGoodLowRpm = 600, IdleGoodHighRpm = 1000;
constexpr double IdleRpm = 1300;     // a steady speed below it, throttle closed, is idle
constexpr double SteadyShare = 0.15; // max - min of the last 5 s within 15 % of the mean
constexpr int64_t SteadyMs = 5000;
constexpr double InjectionJudgedLowRpm = 500, InjectionJudgedHighRpm = 1500;
constexpr double NoInjectionMs = 0.05;
constexpr uint8_t TempCodeHigh = 252, TempCodeLow = 3;
constexpr int ColdStartCelsius = 40;
constexpr int TempRiseCelsius = 3;
constexpr int64_t TempRiseWindowMs = 600000;
constexpr uint8_t MapCodeLow = 2, MapCodeHigh = 255;
constexpr double MapSameVolts = 0.15;
constexpr int64_t EngineOffReadingMs = 2000;
constexpr int64_t ProbeHeatedMs = 180000;
constexpr double ProbeLowRpm = 600, ProbeHighRpm = 3000;
constexpr int FlatLowMv = 350, FlatHighMv = 550;
constexpr int LeanMv = 200, RichMv = 800;
constexpr int WeakMaxMv = 600, WeakMinMv = 300;
constexpr int64_t WeakWindowMs = 60000;
constexpr int HighVoltageMv = 1100;
constexpr int64_t SnapQuietMs = 10000;
constexpr int64_t WidebandAfterStartMs = 90000;
constexpr int WidebandLowMv = 50, WidebandHighMv = 4950;
constexpr int64_t WidebandRailMs = 10000, WidebandFlatMs = 60000;
constexpr double DecelRpm = 1100; // a fuel cut happens above it (at the chosen scale)
constexpr int64_t DecelPauseMs = 2000;
constexpr double SnapMapVolts = 0.25; // the MAP rising this much within a second
constexpr double SnapRpm = 400;       // or the speed
constexpr int LinkTroubleCount = 3;
constexpr int64_t LinkTroubleWindowMs = 60000;
} // namespace limits

// The measurements the rules share, kept up to date poll by poll.
class Engine {
public:
    static constexpr size_t Window = 128; // polls kept: a minute at two a second, and some

    void reset();
    void linkUp(int64_t ms);
    // One poll; `wideband` tells a fuel cut from a lean probe.
    void add(const Reading& r, const LinkCounts& counts, bool wideband);

    const Reading& now() const { return last; }
    bool linked() const { return linkedSince >= 0; }
    int64_t linkedForMs() const { return linked() ? last.ms - linkedSince : 0; }
    bool running() const { return last.rawRpm >= limits::RunningRpm; }
    int64_t runningForMs() const { return runningSince >= 0 ? last.ms - runningSince : 0; }
    // When this run of the engine started; -1 while it is stopped.
    int64_t runStartMs() const { return runningSince; }
    int64_t injectingForMs() const { return injectingSince >= 0 ? last.ms - injectingSince : 0; }
    // The speed has held within SteadyShare for SteadyMs; its mean at the chosen scale.
    bool steady() const { return steadySpeed; }
    double steadyRpm() const { return steadyMean; }
    bool decelerating() const { return decel; }
    // In a fuel cut, or within DecelPauseMs after one.
    bool afterDecel() const { return decel || (decelEnded >= 0 && last.ms - decelEnded < limits::DecelPauseMs); }
    bool snapWithin(int64_t ms) const { return lastSnap >= 0 && last.ms - lastSnap < ms; }
    bool idling() const;
    // The MAP with the key on and the engine stopped; negative until one was taken.
    int engineOffMap() const { return offMap; }
    // Temperature at the start of this run and the highest since; -1000 when the run
    // started without a reading the sensor could give.
    double startCelsius() const { return runStartCelsius; }
    double highestCelsius() const { return runHighestCelsius; }
    // Answers that needed another attempt or failed their check in the last minute.
    int linkTrouble() const;

    // The last `ms` of polls, newest first, through f(reading); stops when f returns false.
    template <typename F>
    void back(int64_t ms, F f) const
    {
        for (size_t i = 0; i < count; ++i) {
            const Reading& r = ring[(head + Window - 1 - i) % Window];
            if (last.ms - r.ms > ms || !f(r))
                return;
        }
    }

private:
    // The parts of add(), in the order they run.
    void keep(const Reading& r, const LinkCounts& counts);
    void followRun(const Reading& r);
    void followSteady(const Reading& r);
    void followSnapAndCut(const Reading& r, bool wideband);
    void followEngineOffMap(const Reading& r);

    std::array<Reading, Window> ring{};
    std::array<uint16_t, Window> trouble{};
    size_t head = 0, count = 0;
    Reading last;
    LinkCounts lastCounts;
    bool haveCounts = false;
    int64_t linkedSince = -1, runningSince = -1, injectingSince = -1, stoppedSince = -1;
    int64_t decelEnded = -1, lastSnap = -1;
    bool decel = false, steadySpeed = false;
    double steadyMean = 0;
    int offMap = -1;
    double runStartCelsius = -1000, runHighestCelsius = -1000;
};

// What a rule says of one poll.
struct Verdict {
    enum Kind { Wait, Good, Fault } kind = Good; // a rule that finds nothing wrong just returns
    Text text{};                                 // Wait: why it cannot be judged; Fault: the values that show it
};

struct Rule {
    CheckId id;
    const char* title;       // as the window shows it
    const char* whatToCheck; // what the technician should look at
    const char* judgedWhen;  // in words, for the window's tip and the manual
    int64_t faultMs;         // how long the fault must last before it is reported
    int64_t clearMs;         // how long the good state must last before it clears
    // The verdict of the poll just added, with what the rule keeps between polls.
    void (*judge)(const Engine& engine, const Settings& settings, struct RuleMemory& memory, Verdict& out);
    // While a finding stands, a fault shorter than this is no relapse: a switching
    // probe passes through any band for a moment.
    int64_t relapseMs = 0;
};

// What a rule keeps between polls beyond the engine's shared measurements.
struct RuleMemory {
    int64_t mark = -1, mark2 = -1; // times the rule counts from
    int64_t run = -1;              // the run of the engine the rest belongs to
    int count = 0;
    int low = 0, high = 0, anchor = 0;
    int lastLow = 0, lastHigh = 0;
    unsigned shapes = 0;
};

// Every rule, in the order the window lists them (the order of CheckId).
const Rule* ruleTable();
const Rule& ruleOf(CheckId id);
// The RPM scale (1, 2, 4 or 8) that shows an idle of `rawRpm` (at scale 1) between 600
// and 1000 rpm; 0 when none does.
int idleScaleFor(double rawRpm);
// How long the rule's fault must last with these settings (the probe's follows
// tempo_ajuste).
int64_t faultPersistMs(const Rule& rule, const Settings& settings);

struct CheckStatus {
    State state = State::Waiting;
    Text reason{};        // Waiting: why
    Text values{};        // Attention: what triggered it
    int64_t sinceMs = -1; // Attention: when the fault began
};

// A finding that started or cleared on the poll just added.
struct Change {
    CheckId id;
    bool started;
};

class Monitor {
public:
    Monitor() { reset(); }
    // Everything forgotten: a new car, a new link.
    void reset();
    void setBlock(const Block& block) { settings = settingsOf(block); }
    void setSettings(const Settings& s) { settings = s; }
    const Settings& currentSettings() const { return settings; }
    // The monitor started polling at `ms` (each start counts the link from there).
    void linkUp(int64_t ms) { engine.linkUp(ms); }
    // One successful poll; returns how many findings started or cleared, listed in
    // changes() until the next poll.
    size_t add(const Reading& r, const LinkCounts& counts);

    const CheckStatus& status(CheckId id) const { return statuses[static_cast<size_t>(id)]; }
    size_t active() const;
    const Engine& measurements() const { return engine; }
    const Change* changes() const { return changed.data(); }

private:
    // Check i's state after a verdict at `ms`: 1 when its finding starts, 0 when it
    // clears, -1 for no news.
    int follow(size_t i, const Verdict& v, int64_t ms);

    Settings settings;
    Engine engine;
    std::array<CheckStatus, CheckCount> statuses{};
    std::array<RuleMemory, CheckCount> memory{};
    std::array<int64_t, CheckCount> faultSince{}, goodSince{};
    std::array<Change, CheckCount> changed{};
};

// A finding that started or cleared, as the chart, the history and the corner hear of it.
struct FindingNews {
    CheckId id = CheckId::NoRpm;
    bool started = false;
    std::string title;
    std::string values; // what triggered it (a start), or what it was (a clear)
    int64_t wallMs = 0; // since 1970
};

// One check as a printed page lists it.
struct CheckLine {
    std::string title, state, detail;
};

// "OK", "Atenção", "Aguardando": as the window and the sheet name a state.
const char* stateText(State s);

// "%s" into a Text, cut where it does not fit.
void put(Text& t, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

} // namespace tuma::checks
