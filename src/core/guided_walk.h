#pragma once
// The guided installation check: five steps in which the technician makes the engine do
// something (key on, start, warm idle, three throttle snaps, 2500 rpm held) and the
// readings of each are compared with the others (engine off against idle against a
// snap). It reads what the monitor polls and nothing else, and judges with the
// installation checks' own thresholds and texts (installation_checks.h).
#include "core/installation_checks.h"

#include <string>
#include <vector>

namespace tuma::checks {

enum class StepId { KeyOn, Start, WarmIdle, Snaps, Cruise };
constexpr size_t StepCount = 5;

struct StepInfo {
    const char* title;       // "Chave ligada, motor desligado"
    const char* instruction; // the one line the technician follows
    int64_t timeoutMs;       // the step ends then, saying what was missing
};
const StepInfo& stepInfo(StepId id);

// One line of a step's result, with the figures measured.
struct WalkResult {
    enum Mark { Ok, Attention, NotChecked } mark = Ok;
    std::string text;        // "MAP: 1,62 V desligado → 0,58 V em marcha-lenta (caiu 1,04 V)"
    std::string whatToCheck; // Attention: the check's own text; NotChecked: why
};
const char* markText(WalkResult::Mark mark); // "OK", "Atenção", "Não verificado"

struct StepResult {
    StepId id;
    std::vector<WalkResult> lines;
};

// A walk as it ended: completed, or cancelled with the steps done by then.
struct WalkReport {
    bool cancelled = false;
    std::vector<StepResult> steps;
};
// One printed or listed line per result: "2. MAP: 1,62 V desligado → ...", its mark, and
// what to check (or why it was not checked).
std::vector<CheckLine> reportLines(const std::vector<StepResult>& steps);
// The lines kept in the history's entry (one per line, fields split by tabs), and back.
std::string reportText(const std::vector<CheckLine>& lines);
std::vector<CheckLine> reportFromText(const std::string& text);

class Walk {
public:
    // `settings`: the block as last read; `sep`: the decimal separator of the figures.
    Walk(const Settings& settings, char sep);

    // One poll; a step that completes (or times out) moves the walk to the next.
    void add(const Reading& r);
    // "Pular": the current step is kept as not checked, with what it had measured.
    void skip();
    void cancel();

    bool finished() const { return done.size() == StepCount; }
    bool cancelled() const { return stopped; }
    StepId current() const { return static_cast<StepId>(done.size() < StepCount ? done.size() : StepCount - 1); }
    // The current step's progress, 0 to 1, and what it waits for or measures now.
    double progress() const { return share; }
    const std::string& status() const { return now; }
    // The steps completed, in order.
    const std::vector<StepResult>& results() const { return done; }
    // Any line of any step marked Attention.
    bool anyAttention() const;
    WalkReport report() const { return {stopped, done}; }

private:
    void finish(std::vector<WalkResult> lines);
    void keyOn(const Reading& r);
    void start(const Reading& r);
    void warmIdle(const Reading& r);
    void snaps(const Reading& r);
    void cruise(const Reading& r);
    // The probe and the correction over a stretch that began at `mark` (or begins now).
    void watch(const Reading& r);
    WalkResult probeLine(const char* where) const;
    WalkResult correctionLine() const;
    std::string fixed(double value, int decimals) const;
    // The idle speed on the scale set; out of the normal range, the scale that would
    // show a plausible idle.
    WalkResult idleSpeedResult(double idleRpm, int scale) const;
    // The MAP's drop from the engine-off reading (none yet: offMap < 0) to the idle.
    WalkResult idleMapResult() const;
    // The MAP, the speed and the probe over the three snaps.
    std::vector<WalkResult> snapResults() const;
    std::vector<WalkResult> timedOut(const char* missing) const;

    Settings settings;
    char sep;
    Engine engine;
    std::vector<StepResult> done;
    bool stopped = false;
    double share = 0;
    std::string now;
    int64_t stepStart = -1; // ms of the step's first poll
    int64_t mark = -1;      // when the part being measured began
    // What the steps keep, compared across them.
    double offMap = -1, offCelsius = 0, idleMap = -1, idleRpm = 0;
    int offLambda = 0;
    uint8_t offTempCode = 0, offMapCode = 0;
    double sum = 0;
    int n = 0;
    // A stretch of probe and correction readings.
    int lowMv = 0, highMv = 0, lowCorr = 0, highCorr = 0, polls = 0;
    bool atLimit = false;
    // The snaps: how many began, the highest MAP and speed, the lowest MAP on closing, the
    // probe at its richest and leanest.
    int snapCount = 0;
    bool inSnap = false;
    int64_t lastSnapMs = -1;
    double peakMap = 0, peakRpm = 0, closedMap = 99;
};

} // namespace tuma::checks
