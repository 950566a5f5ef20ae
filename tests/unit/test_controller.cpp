#include "core/commands.h"
#include "core/link.h"
#include "core/memory_map.h"
#include "sim/controller.h"

#include <gtest/gtest.h>

using namespace tuma;
using tuma::sim::Controller;
using tuma::sim::Fault;

namespace {

class ControllerTest : public ::testing::Test {
protected:
    VirtualClock clock;
    Controller controller;
    Link link{[this](const std::string&) { return std::make_unique<SimLinePort>(clock, controller); }};
    void SetUp() override
    {
        controller.logFrames = true;
        ASSERT_TRUE(link.OpenPort("DEMO"));
    }
    uint8_t status()
    {
        uint8_t s[2] = {};
        EXPECT_TRUE(link.Exchange(cmd::ReadLive, addr::Status, 2, s));
        return s[0];
    }
    void mode(uint8_t m)
    {
        uint8_t d[1] = {m};
        ASSERT_TRUE(link.Exchange(cmd::SetProgramMode, 1, 1, d));
    }
    uint8_t flags()
    {
        uint8_t cfg[25] = {};
        EXPECT_TRUE(link.Exchange(cmd::ReadConfig, 1, 25, cfg));
        return cfg[0];
    }
};

TEST_F(ControllerTest, VersionAndDefaults)
{
    uint8_t v[2] = {};
    ASSERT_TRUE(link.Exchange(cmd::GetVersion, 1, 1, v));
    EXPECT_EQ(v[0], 2);
    EXPECT_EQ(v[1], 5);
    uint8_t cfg[25] = {};
    ASSERT_TRUE(link.Exchange(cmd::ReadConfig, 1, 25, cfg));
    EXPECT_EQ(coldStartDecode(get16(cfg, addr::cfg(addr::ColdStartTime))), "1000");
    EXPECT_EQ(idleSpeedDecode(get16(cfg, addr::cfg(addr::IdlePeriod)), "1"), "600");
    EXPECT_EQ(percentDecode(cfg[addr::cfg(addr::MaxCorrection)], '.'), "50");
    EXPECT_EQ(temperatureDecode(cfg[addr::cfg(addr::ColdStartMaxTemp)]), "20");
    EXPECT_EQ(temperatureDecode(cfg[addr::cfg(addr::HeatingMaxTemp)]), "35");
    EXPECT_EQ(temperatureDecode(cfg[addr::cfg(addr::CorrectionTemp)]), "35");
    EXPECT_EQ(minVariationDecode(get16(cfg, addr::cfg(addr::MinVariation)), '.'), "200");
    EXPECT_EQ(adjustTimeDecode(cfg[addr::cfg(addr::AdjustTime)]), "50");
    EXPECT_EQ(millivoltDecode(cfg[addr::cfg(addr::LambdaTarget)]), 0);
}

TEST_F(ControllerTest, WriteConfigStoresOnlyTheParameterBlock)
{
    uint8_t block[25];
    for (int i = 0; i < 25; ++i)
        block[i] = static_cast<uint8_t>(200 + i);
    ASSERT_TRUE(link.Exchange(cmd::WriteConfig, 1, 25, block));
    EXPECT_EQ(block[0], 200); // the answer carries no payload
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(controller.memory[1 + i], 200 + i);
    uint8_t live[2] = {1, 2};
    ASSERT_TRUE(link.Exchange(cmd::WriteConfig, 99, 2, live));
    EXPECT_EQ(controller.memory[100], 0);
}

TEST_F(ControllerTest, LiveValuesMoveLikeAWarmingEngine)
{
    uint8_t first[10] = {}, later[10] = {};
    ASSERT_TRUE(link.Exchange(cmd::ReadLive, 67, 10, first));
    clock.advanceMs(120000);
    ASSERT_TRUE(link.Exchange(cmd::ReadLive, 67, 10, later));
    EXPECT_GT(adcToCelsius(later[7]), adcToCelsius(first[7]));
    const double rpm = engineSpeed(get16(later, 0), 1);
    EXPECT_GT(rpm, 780);
    EXPECT_LT(rpm, 920);
    // The lambda probe switches between lean and rich.
    bool lean = false, rich = false;
    for (int i = 0; i < 10; ++i) {
        clock.advanceMs(400);
        ASSERT_TRUE(link.Exchange(cmd::ReadLive, 67, 10, later));
        int mv = millivoltDecode(later[9]);
        lean |= mv < 300;
        rich |= mv > 600;
    }
    EXPECT_TRUE(lean && rich);
}

TEST_F(ControllerTest, LambdaIdleLearningSetsItsCompletionBit)
{
    mode(programMode::LambdaIdle);
    EXPECT_EQ(status() & 0x40, 0x40);
    clock.advanceMs(2000);
    EXPECT_EQ(status() & 0x40, 0x40);
    clock.advanceMs(2500);
    EXPECT_EQ(status(), 0);
    EXPECT_EQ(flags() & 0x03, 0x02);
    mode(programMode::Reset);
    EXPECT_EQ(flags() & 0x03, 0);
}

TEST_F(ControllerTest, MapLearningAsksForTheOperator)
{
    mode(programMode::Map);
    EXPECT_EQ(status(), 0x01);
    clock.advanceMs(2000);
    EXPECT_EQ(status(), 0x03);
    clock.advanceMs(2500);
    EXPECT_EQ(status(), 0x01);
    clock.advanceMs(2000);
    EXPECT_EQ(status(), 0x00);
    EXPECT_EQ(flags() & 0x03, 0x01);
}

TEST_F(ControllerTest, ResetAbortsARunningProcedure)
{
    mode(programMode::Map);
    clock.advanceMs(1000);
    mode(programMode::Reset);
    EXPECT_EQ(status(), 0);
    clock.advanceMs(10000);
    EXPECT_EQ(flags() & 0x03, 0);
}

TEST_F(ControllerTest, FaultModes)
{
    uint8_t buf[10] = {};
    controller.setFault(Fault::Silent);
    EXPECT_FALSE(link.Exchange(cmd::ReadLive, 67, 10, buf));
    controller.setFault(Fault::BadCrc);
    EXPECT_FALSE(link.Exchange(cmd::ReadLive, 67, 10, buf));
    controller.setFault(Fault::Split);
    EXPECT_FALSE(link.Exchange(cmd::ReadLive, 67, 10, buf));
    controller.setFault(Fault::Short);
    uint8_t cfg[25] = {};
    EXPECT_TRUE(link.Exchange(cmd::ReadConfig, 1, 25, cfg));
    EXPECT_EQ(link.transferCount(), 12u + 3u);
    EXPECT_EQ(cfg[11], 0x06);
    EXPECT_EQ(cfg[12], 0);
    controller.setFault(Fault::DropOnce);
    controller.frames.clear();
    EXPECT_TRUE(link.Exchange(cmd::ReadLive, 67, 10, buf));
    EXPECT_EQ(controller.frames.size(), 2u);
    controller.setFault(Fault::Gone);
    EXPECT_FALSE(link.Exchange(cmd::ReadLive, 67, 10, buf));
    EXPECT_FALSE(link.portOpen());
    controller.setFault(Fault::None);
    EXPECT_TRUE(link.OpenPort("DEMO"));
    EXPECT_TRUE(link.Exchange(cmd::ReadLive, 67, 10, buf));
}

TEST_F(ControllerTest, GarbledRequestIsNotAnswered)
{
    // Raw bytes through the port: a request with a wrong check byte.
    SerialPort* port = link.port();
    const uint8_t bad[] = {0xF3, 0x03, 0x00, 0x01, 0x01, 0x00, 0x00};
    uint32_t moved = 0;
    ASSERT_TRUE(port->write(bad, sizeof bad, moved));
    uint8_t in[100];
    ASSERT_TRUE(port->read(in, 100, moved));
    EXPECT_EQ(moved, 0u);
    ASSERT_EQ(controller.frames.size(), 1u);
    EXPECT_FALSE(controller.frames[0].crcOk);
}

} // namespace

namespace {

// The link counts the answers that needed another attempt and those that failed their
// check, for the installation checks, and sends the same bytes whether or not anyone
// reads the counts.
TEST_F(ControllerTest, TheLinkCountsRetriedAndBadAnswers)
{
    uint8_t live[10] = {};
    ASSERT_TRUE(link.Exchange(cmd::ReadLive, 67, 10, live));
    EXPECT_EQ(link.retriedAnswers(), 0u);
    EXPECT_EQ(link.badAnswers(), 0u);
    controller.setFault(Fault::DropOnce);
    controller.frames.clear();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(link.Exchange(cmd::ReadLive, 67, 10, live));
    EXPECT_EQ(link.retriedAnswers(), 3u);
    EXPECT_EQ(controller.frames.size(), 6u); // each request twice, as before
    controller.setFault(Fault::BadCrc);
    EXPECT_FALSE(link.Exchange(cmd::ReadLive, 67, 10, live));
    EXPECT_EQ(link.badAnswers(), 1u);
    controller.setFault(Fault::Silent);
    EXPECT_FALSE(link.Exchange(cmd::ReadLive, 67, 10, live));
    EXPECT_EQ(link.retriedAnswers(), 3u); // no answer at all is no retried answer
    EXPECT_EQ(link.badAnswers(), 1u);
}

// The engine model through the controller: a noisy line loses one answer in four and
// the link's retry gets it, with the same bytes on the line each time.
TEST_F(ControllerTest, ANoisyLineLosesOneAnswerInFourAndTheRetryGetsIt)
{
    sim::Engine engine;
    controller.engine = &engine;
    engine.setFault(sim::EngineFault::NoisyLine);
    uint8_t live[10] = {};
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(link.Exchange(cmd::ReadLive, 67, 10, live));
    // Answers 4, 8 and 12 are lost; each loss costs one request more.
    EXPECT_EQ(link.retriedAnswers(), 3u);
    EXPECT_EQ(controller.frames.size(), 15u);
    controller.engine = nullptr;
}

} // namespace
