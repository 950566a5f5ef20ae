// The comparison of two blocks and the write that counts only when read back, on the
// simulated line: what each fault of the controller makes of it.
#include "core/block_compare.h"
#include "core/parameters.h"
#include "sim/controller.h"
#include "sim/sim_line.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tuma;

namespace {

TEST(CompareBlocks, EveryFieldOptionAndLampThenTheBytesNoFieldShows)
{
    Block a, b;
    factoryImage(a);
    std::copy(std::begin(a), std::end(a), std::begin(b));
    b[addr::cfg(addr::MaxCorrection)] = 26; // 40.625 %
    b[0] = static_cast<uint8_t>(a[0] | bits::EngineHeating | bits::MapLearned | 0x04);
    b[addr::cfg(7)] = 0xEE; // no field shows it
    const std::vector<BlockRow> rows = compareBlocks(a, b, ',');
    ASSERT_EQ(rows.size(), parameterCount() + std::size(Options) + 2 + 2);
    std::vector<std::string> differing;
    for (const BlockRow& r : rows)
        if (r.differs)
            differing.push_back(r.caption + ": " + r.before + " -> " + r.after + (r.unit.empty() ? "" : " " + r.unit));
    EXPECT_EQ(differing,
              (std::vector<std::string>{"Correção / Correção Máx.: 50 -> 40,625 %", "Engine Heating: não -> sim",
                                        "MAP Progr.: não aprendido -> aprendido", ": 00 -> 85", ": 01 -> EE"}));
    EXPECT_EQ(rows[rows.size() - 2].address, 1);
    EXPECT_EQ(rows.back().address, 7);
}

class WriteVerified : public ::testing::Test {
protected:
    VirtualClock clock;
    sim::Controller controller;
    Link link{[this](const std::string&) { return std::make_unique<SimLinePort>(clock, controller); }};
    Block image{};
    void SetUp() override
    {
        ASSERT_TRUE(link.OpenPort("ttyS0"));
        factoryImage(image);
        image[addr::cfg(addr::MaxCorrection)] = 26;
    }
};

TEST_F(WriteVerified, OutcomeOfEachController)
{
    EXPECT_EQ(writeVerified(link, image).outcome, VerifiedWrite::Verified);
    EXPECT_EQ(controller.memory[addr::MaxCorrection], 26);

    image[addr::cfg(addr::MaxCorrection)] = 20;
    controller.ignoreWrites = true;
    const VerifiedWrite ignored = writeVerified(link, image);
    EXPECT_EQ(ignored.outcome, VerifiedWrite::Differs);
    ASSERT_EQ(ignored.mismatches.size(), 1u);
    EXPECT_EQ(ignored.mismatches[0].address, addr::MaxCorrection);
    EXPECT_EQ(ignored.mismatches[0].sent, 20);
    EXPECT_EQ(ignored.mismatches[0].read, 26);
    controller.ignoreWrites = false;

    controller.setFault(sim::Fault::Silent);
    EXPECT_EQ(writeVerified(link, image).outcome, VerifiedWrite::WriteFailed);
    controller.setFault(sim::Fault::DropOnce); // a lost answer is asked again
    EXPECT_EQ(writeVerified(link, image).outcome, VerifiedWrite::Verified);
}

} // namespace
