// The installation checks against the model engine, through the link and the simulated
// line on a virtual clock: a healthy engine through a whole drive raises nothing, every
// planted fault raises its own finding and only it, in time, and clears again; and each
// rule's boundaries and enabling conditions poll by poll.
#include "core/commands.h"
#include "core/installation_checks.h"
#include "core/link.h"
#include "core/memory_map.h"
#include "core/parameters.h"
#include "sim/controller.h"
#include "sim/engine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

using namespace tuma;
using namespace tuma::checks;
using sim::EngineFault;

namespace {

Block factoryWith(uint8_t options)
{
    Block image;
    factoryImage(image);
    image[0] |= options;
    return image;
}

const char* titleOf(CheckId id) { return ruleOf(id).title; }

struct Seen {
    CheckId id;
    bool started;
    int64_t ms;
};

// The controller with the model engine at the far end of the line, polled as the
// main window's monitor polls it, every 500 ms.
class Drive {
public:
    Drive(const sim::Engine::Setup& setup, uint8_t options, int scale) : engine(setup), scale(scale)
    {
        controller.engine = &engine;
        link.OpenPort("DEMO");
        const Block b = factoryWith(options);
        for (size_t i = 0; i < b.size(); ++i)
            controller.memory[addr::ConfigFirst + i] = b[i];
        monitor.setBlock(b);
        monitor.linkUp(0);
    }
    // Polls until `untilS` seconds; `plant` runs once when its time comes.
    void runUntil(double untilS)
    {
        while (next <= static_cast<int64_t>(untilS * 1000)) {
            clock.sleepUntilUs(next * 1000);
            commands::LiveImage live{};
            ASSERT_TRUE(commands::readLive(link, live)) << "poll at " << next << " ms";
            const Reading r = readingOf(next, live, scale);
            const size_t n = monitor.add(r, {link.retriedAnswers(), link.badAnswers()});
            for (size_t i = 0; i < n; ++i)
                seen.push_back({monitor.changes()[i].id, monitor.changes()[i].started, next});
            for (size_t i = 0; i < CheckCount; ++i)
                if (monitor.status(static_cast<CheckId>(i)).state == State::Ok)
                    judged[i] = true;
            next += 500;
        }
    }
    std::string seenText() const
    {
        std::string s;
        for (const Seen& e : seen)
            s += std::string(e.started ? "+" : "-") + titleOf(e.id) + " at " + std::to_string(e.ms / 1000) + " s; ";
        return s;
    }

    VirtualClock clock;
    sim::Engine engine;
    sim::Controller controller;
    Link link{[this](const std::string&) { return std::make_unique<SimLinePort>(clock, controller); }};
    Monitor monitor;
    int scale;
    int64_t next = 0;
    std::vector<Seen> seen;
    std::array<bool, CheckCount> judged{};
};

struct HealthyCase {
    const char* name;
    bool wideband;
    int pulses; // the scale the engine needs
    double ambient;
};

class HealthyDrive : public ::testing::TestWithParam<HealthyCase> { };

TEST_P(HealthyDrive, HalfAnHourRaisesNothingAndJudgesEveryCheckThatApplies)
{
    const HealthyCase& c = GetParam();
    sim::Engine::Setup setup;
    setup.wideband = c.wideband;
    setup.pulses = c.pulses;
    setup.ambient = c.ambient;
    Drive d(setup, static_cast<uint8_t>(bits::SlowLambda | (c.wideband ? bits::WideBand : 0)), c.pulses);
    d.runUntil(1800);
    EXPECT_TRUE(d.seen.empty()) << d.seenText();

    // Not a cycle that simply never let a rule judge: each one that applies to this
    // engine was seen in good order at some point.
    std::vector<CheckId> expected = {
        CheckId::NoRpm,      CheckId::IdleSpeed,     CheckId::NoInjection,       CheckId::TempSensor,  CheckId::NoMap,
        CheckId::MapAtLimit, CheckId::MapNotVarying, CheckId::CorrectionAtLimit, CheckId::UnstableLink};
    if (c.wideband) {
        expected.push_back(CheckId::WidebandStuck);
    } else {
        for (CheckId id : {CheckId::ProbeFlat, CheckId::ProbeLean, CheckId::ProbeRich, CheckId::ProbeWeak,
                           CheckId::ProbeHighVoltage})
            expected.push_back(id);
    }
    if (c.ambient < limits::ColdStartCelsius)
        expected.push_back(CheckId::TempNotRising);
    for (CheckId id : expected)
        EXPECT_TRUE(d.judged[static_cast<size_t>(id)]) << titleOf(id) << " was never judged";
}

INSTANTIATE_TEST_SUITE_P(Engines, HealthyDrive,
                         ::testing::Values(HealthyCase{"NarrowbandScale1Cold", false, 1, 20},
                                           HealthyCase{"NarrowbandScale2Cold", false, 2, 20},
                                           HealthyCase{"WidebandScale1Cold", true, 1, 20},
                                           HealthyCase{"WidebandScale2Cold", true, 2, 20},
                                           HealthyCase{"NarrowbandScale1Warm", false, 1, 85},
                                           HealthyCase{"WidebandScale2Warm", true, 2, 85}),
                         [](const ::testing::TestParamInfo<HealthyCase>& i) { return std::string(i.param.name); });

struct PlantedCase {
    const char* name;
    EngineFault fault;
    bool wideband;
    CheckId finding;
    double withinS;       // after the fault is planted
    double clearsWithinS; // after it is taken away
};

class PlantedFault : public ::testing::TestWithParam<PlantedCase> { };

// A warm engine idling: every rule can judge from 180 s on. The fault is planted at
// 400 s and taken away at 700 s.
TEST_P(PlantedFault, RaisesItsOwnFindingOnlyInTimeAndClears)
{
    const PlantedCase& c = GetParam();
    sim::Engine::Setup setup;
    setup.wideband = c.wideband;
    setup.ambient = 85;
    setup.drive = {{sim::Phase::Off, 10, 0}, {sim::Phase::Crank, 2, 0}, {sim::Phase::Idle, 1200, 0}};
    Drive d(setup, static_cast<uint8_t>(bits::SlowLambda | (c.wideband ? bits::WideBand : 0)), 1);
    d.runUntil(400);
    ASSERT_TRUE(d.seen.empty()) << d.seenText();
    d.engine.setFault(c.fault);
    d.runUntil(700);
    ASSERT_EQ(d.seen.size(), 1u) << d.seenText();
    EXPECT_EQ(d.seen[0].id, c.finding) << d.seenText();
    EXPECT_TRUE(d.seen[0].started);
    EXPECT_LE(d.seen[0].ms, static_cast<int64_t>((400 + c.withinS) * 1000)) << d.seenText();
    EXPECT_EQ(d.monitor.active(), 1u);
    const CheckStatus& st = d.monitor.status(c.finding);
    EXPECT_EQ(st.state, State::Attention);
    EXPECT_GT(std::strlen(st.values.data()), 0u);

    d.engine.setFault(EngineFault::None);
    d.runUntil(1000);
    ASSERT_EQ(d.seen.size(), 2u) << d.seenText();
    EXPECT_EQ(d.seen[1].id, c.finding);
    EXPECT_FALSE(d.seen[1].started);
    EXPECT_LE(d.seen[1].ms, static_cast<int64_t>((700 + c.clearsWithinS) * 1000)) << d.seenText();
    EXPECT_EQ(d.monitor.active(), 0u);
}

// The bounds: the rule's persistence plus one poll (the probe's is tempo_ajuste, 50 s
// in the factory block), and where a rule needs more than the fault itself, that too:
// a MAP that jumps looks like a throttle snap for up to 3 s; a weak probe shows only at
// the end of its second whole minute; the first healthy sample of a probe may still lie
// where the stuck one did (a switching probe's lean half, a wideband within a step).
INSTANTIATE_TEST_SUITE_P(
    Faults, PlantedFault,
    ::testing::Values(PlantedCase{"TempOpen", EngineFault::TempOpen, false, CheckId::TempSensor, 10.5, 10.5},
                      PlantedCase{"TempShort", EngineFault::TempShort, false, CheckId::TempSensor, 10.5, 10.5},
                      PlantedCase{"MapWireOff", EngineFault::MapWireOff, false, CheckId::NoMap, 5.5, 5.5},
                      PlantedCase{"MapHoseOff", EngineFault::MapHoseOff, false, CheckId::MapNotVarying, 33.5, 12.5},
                      PlantedCase{"LambdaOff", EngineFault::LambdaDisconnected, false, CheckId::ProbeFlat, 50.5, 10.5},
                      PlantedCase{"LambdaLazy", EngineFault::LambdaLazy, false, CheckId::ProbeWeak, 180.5, 120.5},
                      PlantedCase{"LambdaLean", EngineFault::LambdaLean, false, CheckId::ProbeLean, 60.5, 11},
                      PlantedCase{"LambdaRich", EngineFault::LambdaRich, false, CheckId::ProbeRich, 60.5, 11},
                      PlantedCase{"NoRpm", EngineFault::NoRpmSignal, false, CheckId::NoRpm, 3.5, 5.5},
                      PlantedCase{"NoInjector", EngineFault::NoInjectorSignal, false, CheckId::NoInjection, 5.5, 5.5},
                      PlantedCase{"NoisyLine", EngineFault::NoisyLine, false, CheckId::UnstableLink, 8.5, 120.5},
                      PlantedCase{"WidebandOff", EngineFault::LambdaDisconnected, true, CheckId::WidebandStuck, 10.5,
                                  10.5},
                      PlantedCase{"WidebandLazy", EngineFault::LambdaLazy, true, CheckId::WidebandStuck, 60.5, 11},
                      PlantedCase{"WidebandLean", EngineFault::LambdaLean, true, CheckId::WidebandStuck, 10.5, 10.5},
                      PlantedCase{"WidebandRich", EngineFault::LambdaRich, true, CheckId::WidebandStuck, 10.5, 10.5}),
    [](const ::testing::TestParamInfo<PlantedCase>& i) { return std::string(i.param.name); });

TEST(PlantedFaultTiming, EachFindingTakesItsPersistence)
{
    // The figures the closing note quotes: how long after planting each finding came.
    for (EngineFault f : sim::allEngineFaults()) {
        if (f == EngineFault::None)
            continue;
        sim::Engine::Setup setup;
        setup.ambient = 85;
        setup.drive = {{sim::Phase::Off, 10, 0}, {sim::Phase::Crank, 2, 0}, {sim::Phase::Idle, 1200, 0}};
        Drive d(setup, bits::SlowLambda, 1);
        d.runUntil(400);
        d.engine.setFault(f);
        d.runUntil(700);
        ASSERT_FALSE(d.seen.empty()) << sim::engineFaultName(f);
        std::printf("%-12s -> %-42s after %5.1f s\n", sim::engineFaultName(f), titleOf(d.seen[0].id),
                    (d.seen[0].ms - 400000) / 1000.0);
    }
}

// ---- Rule by rule, poll by poll --------------------------------------------------

// A poll made of values: speed at scale 1, injection in ms, and the raw bytes.
struct Poll {
    double rpm = 850;
    double injMs = 2.4;
    uint8_t corr = 10;
    uint8_t temp = 22; // 85 °C
    uint8_t map = 61;  // 0.60 V
    uint8_t lambda = 0;
};

class Rules : public ::testing::Test {
protected:
    Monitor m;
    int64_t now = 0;
    int scale = 1;
    LinkCounts counts;
    std::vector<Seen> seen;
    uint8_t lambdaFlip = 0;

    void SetUp() override
    {
        m.setBlock(factoryWith(bits::SlowLambda));
        m.linkUp(0);
    }
    Reading reading(const Poll& p)
    {
        uint8_t live[addr::LiveCount] = {};
        const int period = p.rpm > 0 ? static_cast<int>(60000000.0 / (3.2 * p.rpm)) : 0;
        live[0] = static_cast<uint8_t>(period & 0xFF);
        live[1] = static_cast<uint8_t>(period >> 8);
        const int inj = static_cast<int>(p.injMs / 0.0008 + 0.5);
        live[2] = static_cast<uint8_t>(inj & 0xFF);
        live[3] = static_cast<uint8_t>(inj >> 8);
        live[5] = p.corr;
        live[7] = p.temp;
        live[8] = p.map;
        // A healthy narrowband probe switching unless a value is given.
        live[9] = p.lambda ? p.lambda : ((lambdaFlip++ % 3) ? 40 : 7);
        return readingOf(now, live, scale);
    }
    // Polls `p` for `seconds`, every 500 ms.
    void feed(const Poll& p, double seconds)
    {
        for (int i = 0; i < static_cast<int>(seconds * 2); ++i) {
            now += 500;
            const size_t n = m.add(reading(p), counts);
            for (size_t k = 0; k < n; ++k)
                seen.push_back({m.changes()[k].id, m.changes()[k].started, now});
        }
    }
    State state(CheckId id) const { return m.status(id).state; }
    std::string reason(CheckId id) const { return m.status(id).reason.data(); }
    std::string values(CheckId id) const { return m.status(id).values.data(); }
    // An engine off for 5 s with the key on, then started and idling warm for `s`.
    void warmIdle(double s, const Poll& idle = {})
    {
        Poll off;
        off.rpm = 0;
        off.injMs = 0;
        off.map = 165;
        feed(off, 5);
        feed(idle, s);
    }
};

TEST_F(Rules, TheTableListsEveryCheckOnceInOrderWithTextsAndTimes)
{
    for (size_t i = 0; i < CheckCount; ++i) {
        const Rule& r = ruleTable()[i];
        EXPECT_EQ(static_cast<size_t>(r.id), i);
        EXPECT_GT(std::strlen(r.title), 5u);
        EXPECT_GT(std::strlen(r.whatToCheck), 20u);
        EXPECT_GE(r.faultMs, 0);
        EXPECT_GE(r.clearMs, 0);
    }
    EXPECT_STREQ(ruleOf(CheckId::TempSensor).title, "Sensor de temperatura aberto ou em curto");
    EXPECT_STREQ(ruleOf(CheckId::UnstableLink).title, "Comunicação instável");
}

TEST_F(Rules, EveryCheckWaitsWithItsReasonBeforeThePolls)
{
    for (size_t i = 0; i < CheckCount; ++i) {
        EXPECT_EQ(m.status(static_cast<CheckId>(i)).state, State::Waiting);
        EXPECT_EQ(std::string(m.status(static_cast<CheckId>(i)).reason.data()), "monitor parado");
    }
}

struct CodeCase {
    CheckId id;
    uint8_t Poll::*field;
    uint8_t value;
    bool fault;
    double persistS;
};

class CodeBoundaries : public Rules, public ::testing::WithParamInterface<CodeCase> { };

TEST_P(CodeBoundaries, FaultOnlyPastTheBoundAndOnlyAfterItsPersistence)
{
    const CodeCase& c = GetParam();
    Poll p;
    p.rpm = 0; // key on, engine off: the sensor rules judge anyway
    p.injMs = 0;
    feed(p, 5); // the link settles
    p.*c.field = c.value;
    feed(p, c.persistS);
    EXPECT_NE(state(c.id), State::Attention);
    feed(p, 0.5);
    EXPECT_EQ(state(c.id) == State::Attention, c.fault) << reason(c.id) << values(c.id);
}

INSTANTIATE_TEST_SUITE_P(Codes, CodeBoundaries,
                         ::testing::Values(CodeCase{CheckId::TempSensor, &Poll::temp, 252, true, 10},
                                           CodeCase{CheckId::TempSensor, &Poll::temp, 251, false, 10},
                                           CodeCase{CheckId::TempSensor, &Poll::temp, 3, true, 10},
                                           CodeCase{CheckId::TempSensor, &Poll::temp, 4, false, 10},
                                           CodeCase{CheckId::NoMap, &Poll::map, 2, true, 5},
                                           CodeCase{CheckId::NoMap, &Poll::map, 0, true, 5},
                                           CodeCase{CheckId::NoMap, &Poll::map, 3, false, 5}));

TEST_F(Rules, TheSensorRulesWaitForFiveSecondsOfLink)
{
    Poll p;
    p.temp = 255;
    p.map = 0;
    feed(p, 4.5);
    EXPECT_EQ(state(CheckId::TempSensor), State::Waiting);
    EXPECT_EQ(reason(CheckId::NoMap), "aguardando 5 s de comunicação");
    feed(p, 15);
    EXPECT_EQ(state(CheckId::TempSensor), State::Attention);
    EXPECT_EQ(values(CheckId::TempSensor), "sensor aberto: -65 °C (código 255)");
    EXPECT_EQ(values(CheckId::NoMap), "MAP 0,00 V (código 0)");
    // The finding began when the fault did (after the link settled), not when reported.
    EXPECT_EQ(m.status(CheckId::TempSensor).sinceMs, 5000);
}

TEST_F(Rules, AFindingClearsOnlyAfterItsGoodStateHasLasted)
{
    Poll p;
    feed(p, 5);
    p.map = 1;
    feed(p, 5.5); // the first poll that shows it, and 5 s more
    ASSERT_EQ(state(CheckId::NoMap), State::Attention);
    p.map = 61;
    feed(p, 4.5);
    EXPECT_EQ(state(CheckId::NoMap), State::Attention);
    p.map = 2; // a relapse starts the good state's count again
    feed(p, 0.5);
    p.map = 61;
    feed(p, 5);
    EXPECT_EQ(state(CheckId::NoMap), State::Attention);
    feed(p, 0.5);
    EXPECT_EQ(state(CheckId::NoMap), State::Ok);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[0].started);
    EXPECT_FALSE(seen[1].started);
    EXPECT_EQ(seen[1].ms, now);
}

TEST_F(Rules, IdleSpeedNamesTheScaleThatWouldBeRight)
{
    // A signal of two pulses a turn read at scale 1: 1700 "rpm" at idle.
    Poll idle;
    idle.rpm = 1700;
    warmIdle(60 + 19, idle); // judged from 60 s of running on
    EXPECT_NE(state(CheckId::IdleSpeed), State::Attention) << reason(CheckId::IdleSpeed);
    feed(idle, 1.5);
    ASSERT_EQ(state(CheckId::IdleSpeed), State::Attention) << reason(CheckId::IdleSpeed);
    EXPECT_EQ(values(CheckId::IdleSpeed), "marcha-lenta estável em 1700 rpm na escala 1; a escala 2 mostraria 850 rpm");
}

struct IdleCase {
    double rpmAtScale1;
    int scale;
    bool fault;
};
class IdleBounds : public Rules, public ::testing::WithParamInterface<IdleCase> { };

TEST_P(IdleBounds, LowAndHighAtTheChosenScale)
{
    scale = GetParam().scale;
    Poll idle;
    idle.rpm = GetParam().rpmAtScale1;
    warmIdle(90, idle);
    EXPECT_EQ(state(CheckId::IdleSpeed) == State::Attention, GetParam().fault)
        << reason(CheckId::IdleSpeed) << values(CheckId::IdleSpeed);
}

INSTANTIATE_TEST_SUITE_P(Speeds, IdleBounds,
                         ::testing::Values(IdleCase{850, 1, false}, IdleCase{1700, 2, false}, IdleCase{440, 1, true},
                                           IdleCase{460, 1, false}, IdleCase{1590, 1, false}, IdleCase{1650, 1, true},
                                           IdleCase{850, 2, true}, IdleCase{3400, 4, false}));

TEST_F(Rules, ASteadyCruiseAbove1600WithTheThrottleOpenIsNoIdle)
{
    warmIdle(70); // the closed throttle's MAP: 0.60 V
    Poll cruise;
    cruise.rpm = 1800;
    cruise.map = 90; // 0.88 V
    feed(cruise, 120);
    EXPECT_NE(state(CheckId::IdleSpeed), State::Attention);
    EXPECT_EQ(reason(CheckId::IdleSpeed), "acelerador aberto");
}

TEST_F(Rules, NoInjectionPausesForAFuelCutAndTwoSecondsAfter)
{
    warmIdle(10);
    Poll cut;
    cut.rpm = 1400;
    cut.injMs = 0;
    cut.lambda = 2; // 39 mV: lean, a fuel cut
    feed(cut, 20);
    EXPECT_NE(state(CheckId::NoInjection), State::Attention);
    EXPECT_TRUE(m.measurements().decelerating());
    Poll noSignal;
    noSignal.rpm = 1400;
    noSignal.injMs = 0;
    noSignal.lambda = 40; // the probe rich: no fuel cut
    feed(noSignal, 1.5);
    EXPECT_EQ(reason(CheckId::NoInjection), "desaceleração (corte de combustível)");
    feed(noSignal, 5.5); // the pause, then the persistence from the first poll judged
    EXPECT_NE(state(CheckId::NoInjection), State::Attention);
    feed(noSignal, 0.5);
    EXPECT_EQ(state(CheckId::NoInjection), State::Attention);
    EXPECT_EQ(values(CheckId::NoInjection), "injeção 0,0 ms a 1400 rpm");
}

TEST_F(Rules, NoRpmNeedsThreeSecondsOfInjectionThenThreeOfSilence)
{
    Poll p;
    p.rpm = 0;
    p.injMs = 2.5;
    feed(p, 5.5);
    EXPECT_EQ(state(CheckId::NoRpm), State::Ok); // 3 s of injection judged, 2 s of fault
    feed(p, 1);
    EXPECT_EQ(state(CheckId::NoRpm), State::Attention);
    p.injMs = 0.5; // not above 0.5 ms: nothing to judge by
    Monitor fresh;
    fresh.linkUp(0);
    int64_t t = 0;
    for (int i = 0; i < 20; ++i) {
        uint8_t live[10] = {0, 0, 0x71, 0x02, 0, 0, 0, 40, 61, 20}; // 625 × 0.8 µs = 0.5 ms
        fresh.add(readingOf(t += 500, live, 1), {});
    }
    EXPECT_EQ(fresh.status(CheckId::NoRpm).state, State::Waiting);
}

TEST_F(Rules, TheProbeRulesWaitForTheOptionTheBlockAndTheHeatedProbe)
{
    Monitor noBlock;
    noBlock.linkUp(0);
    uint8_t live[10] = {0x12, 0x7A, 0xB8, 0x0B, 10, 0, 10, 22, 61, 23};
    noBlock.add(readingOf(500, live, 1), {});
    EXPECT_EQ(std::string(noBlock.status(CheckId::ProbeFlat).reason.data()), "parâmetros não lidos (use Ler)");

    m.setBlock(factoryWith(0));
    warmIdle(10);
    EXPECT_EQ(reason(CheckId::ProbeFlat), "Lambda Lenta desligada");
    m.setBlock(factoryWith(bits::SlowLambda | bits::WideBand));
    feed(Poll{}, 1);
    EXPECT_EQ(reason(CheckId::ProbeLean), "WideBand Sensor selecionado");
    EXPECT_EQ(reason(CheckId::WidebandStuck), "sonda ainda aquecendo (10 s de 90 s)");
    m.setBlock(factoryWith(bits::SlowLambda));
    feed(Poll{}, 1);
    EXPECT_EQ(reason(CheckId::ProbeFlat), "sonda ainda aquecendo (11 s de 180 s)");
}

TEST_F(Rules, AColdEngineWaitsWithItsTemperature)
{
    Poll cold;
    cold.temp = 123; // 23 °C
    warmIdle(200, cold);
    EXPECT_EQ(reason(CheckId::ProbeFlat), "motor frio: 23 °C de 70 °C");
    // temp_corr above 70 °C is the threshold then.
    Block b = factoryWith(bits::SlowLambda);
    b[addr::cfg(addr::CorrectionTemp)] = static_cast<uint8_t>(celsiusToAdc(80));
    m.setBlock(b);
    Poll at75;
    at75.temp = static_cast<uint8_t>(celsiusToAdc(75));
    feed(at75, 1);
    EXPECT_EQ(reason(CheckId::ProbeFlat), "motor frio: 75 °C de 80 °C");
}

TEST_F(Rules, AFlatProbeWaitsForTempoAjusteOrThirtySeconds)
{
    for (int adjust : {10, 50}) {
        m.reset();
        Block b = factoryWith(bits::SlowLambda);
        b[addr::cfg(addr::AdjustTime)] = adjustTimeEncode(std::to_string(adjust), '.');
        m.setBlock(b);
        m.linkUp(now);
        warmIdle(181);
        Poll flat;
        flat.lambda = 23; // 450 mV
        const double persist = std::max(30, m.currentSettings().adjustSeconds);
        feed(flat, persist);
        EXPECT_NE(state(CheckId::ProbeFlat), State::Attention) << adjust;
        feed(flat, 0.5);
        EXPECT_EQ(state(CheckId::ProbeFlat), State::Attention) << adjust;
        EXPECT_EQ(values(CheckId::ProbeFlat), "sonda parada em 450 mV (entre 350 e 550 mV)");
    }
}

TEST_F(Rules, LeanAndRichAreNotJudgedWithinTenSecondsOfASnap)
{
    warmIdle(185);
    Poll snap;
    snap.map = 150; // the MAP jumps by 0.9 V: a throttle snap
    snap.rpm = 2500;
    feed(snap, 0.5);
    Poll lean;
    lean.lambda = 5; // 98 mV
    feed(lean, 9.5);
    EXPECT_EQ(reason(CheckId::ProbeLean), "aceleração rápida nos últimos 10 s");
    feed(lean, 60);
    EXPECT_NE(state(CheckId::ProbeLean), State::Attention);
    feed(lean, 1);
    EXPECT_EQ(state(CheckId::ProbeLean), State::Attention);
}

TEST_F(Rules, HighVoltageAtTheConvertersSteps)
{
    warmIdle(10);
    Poll p;
    p.lambda = 56; // 1098 mV
    feed(p, 10);
    EXPECT_NE(state(CheckId::ProbeHighVoltage), State::Attention);
    p.lambda = 57; // 1117 mV
    feed(p, 5.5);
    EXPECT_EQ(state(CheckId::ProbeHighVoltage), State::Attention);
    // A voltage no narrowband probe gives is not "always rich".
    EXPECT_NE(state(CheckId::ProbeRich), State::Attention);
}

TEST_F(Rules, CorrectionAtItsLimitForAMinute)
{
    const uint8_t limit = factoryWith(0)[addr::cfg(addr::MaxCorrection)];
    Poll p;
    p.corr = static_cast<uint8_t>(limit - 1);
    warmIdle(120, p);
    EXPECT_EQ(state(CheckId::CorrectionAtLimit), State::Ok) << reason(CheckId::CorrectionAtLimit);
    p.corr = limit;
    feed(p, 60);
    EXPECT_EQ(state(CheckId::CorrectionAtLimit), State::Ok);
    feed(p, 0.5);
    EXPECT_EQ(state(CheckId::CorrectionAtLimit), State::Attention);
    EXPECT_EQ(values(CheckId::CorrectionAtLimit), "correção 50 % no limite de 50,0 %");
}

TEST_F(Rules, UnstableLinkCountsRetriesAndBadAnswersOfTheLastMinute)
{
    Poll p;
    feed(p, 10);
    counts.retries += 1;
    feed(p, 20);
    counts.badAnswers += 1;
    feed(p, 20);
    EXPECT_EQ(state(CheckId::UnstableLink), State::Ok); // 2 in the minute
    counts.retries += 1;
    feed(p, 0.5);
    EXPECT_EQ(state(CheckId::UnstableLink), State::Attention);
    EXPECT_EQ(values(CheckId::UnstableLink), "3 respostas repetidas ou inválidas no último minuto");
    // The first of the three leaves the minute at 70.5 s; then a minute of good order.
    feed(p, 79.5);
    EXPECT_EQ(state(CheckId::UnstableLink), State::Attention);
    feed(p, 1);
    EXPECT_EQ(state(CheckId::UnstableLink), State::Ok);
}

TEST_F(Rules, TemperatureThatDoesNotRiseInTenMinutesOfAColdStart)
{
    Poll cold;
    cold.temp = 128; // 21 °C
    warmIdle(599, cold);
    EXPECT_EQ(reason(CheckId::TempNotRising), "medindo: 21 °C na partida, 21 °C agora (9 de 10 min)");
    feed(cold, 1.5);
    EXPECT_EQ(state(CheckId::TempNotRising), State::Attention);
    EXPECT_EQ(values(CheckId::TempNotRising), "21 °C na partida, no máximo 21 °C após 10 min");
    cold.temp = 120; // 24 °C: it rises after all
    feed(cold, 0.5);
    EXPECT_EQ(state(CheckId::TempNotRising), State::Ok);
}

TEST_F(Rules, TheEngineOffReadingIsTakenOnlyFromASteadyMap)
{
    Poll off;
    off.rpm = 0;
    off.injMs = 0;
    off.map = 165;
    feed(off, 1.5);
    EXPECT_EQ(m.measurements().engineOffMap(), -1); // not two seconds yet
    feed(off, 1);
    EXPECT_EQ(m.measurements().engineOffMap(), 165);
    // A wire coming loose with the key on: the blend of both is no atmosphere.
    for (int i = 0; i < 3; ++i) {
        off.map = 0;
        feed(off, 0.5);
        off.map = 165;
        feed(off, 0.5);
    }
    EXPECT_EQ(m.measurements().engineOffMap(), 165);
}

TEST_F(Rules, MapThatDoesNotMoveFromItsEngineOffReading)
{
    Poll idle;
    idle.map = 160; // 1.57 V against 1.62 V stopped
    // Steady from 5 s of running, no longer a start's speed jump from 2.5 s; then 30 s.
    warmIdle(35, idle);
    EXPECT_NE(state(CheckId::MapNotVarying), State::Attention);
    feed(idle, 0.5);
    EXPECT_EQ(state(CheckId::MapNotVarying), State::Attention);
    EXPECT_EQ(values(CheckId::MapNotVarying), "desligado 1,62 V, marcha-lenta 1,57 V");
    Monitor never;
    never.setBlock(factoryWith(0));
    uint8_t live[10] = {0x12, 0x7A, 0xB8, 0x0B, 10, 0, 10, 22, 160, 23};
    for (int i = 1; i < 100; ++i)
        never.add(readingOf(i * 500, live, 1), {});
    EXPECT_EQ(std::string(never.status(CheckId::MapNotVarying).reason.data()),
              "sem leitura com a chave ligada e o motor desligado");
}

} // namespace
