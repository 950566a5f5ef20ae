// Putting a file back, as the comparison window and tuma-cli both do it: which request
// reaches the controller at each step, and that nothing is written before the user has
// approved and the controller's block is kept.
#include "core/put_back.h"

#include "core/parameters.h"
#include "sim/controller.h"
#include "sim/sim_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tuma;

namespace {

class Steps : public PutBackSteps {
public:
    explicit Steps(const sim::Controller& c) : controller(c) { }
    bool approve(const ParsedFile& file, const Block& now) override
    {
        calls.push_back("approve after " + std::to_string(controller.frames.size()) + " frames");
        approvedFile = file.ok;
        seen.assign(now.begin(), now.end());
        return approveAnswer;
    }
    bool keepBefore(const ParsedFile&, const Block& now, const Block&, std::string& where, std::string& why) override
    {
        calls.push_back("keep after " + std::to_string(controller.frames.size()) + " frames");
        kept.assign(now.begin(), now.end());
        where = "copy.tuma";
        if (!keepAnswer)
            why = "disco cheio";
        return keepAnswer;
    }
    const sim::Controller& controller;
    std::vector<bool> ticked() const override { return tick; }
    std::vector<bool> tick;
    bool approveAnswer = true, keepAnswer = true, approvedFile = false;
    std::vector<std::string> calls;
    std::vector<uint8_t> seen, kept;
};

class PutBack : public ::testing::Test {
protected:
    VirtualClock clock;
    sim::Controller controller;
    Link link{[this](const std::string&) { return std::make_unique<SimLinePort>(clock, controller); }};
    Steps steps{controller};
    std::string fileText;
    std::vector<uint8_t> before;

    void SetUp() override
    {
        ASSERT_TRUE(link.OpenPort("ttyS0"));
        controller.logFrames = true;
        Block image;
        factoryImage(image);
        image[addr::cfg(addr::MaxCorrection)] = 26;
        fileText = formatParameterFile({"2026-12-09 15:30:00", "2.5", "ttyUSB0", "2.5", "Zé", "ABC1D23", {}}, image);
        before.assign(controller.memory.begin() + 1, controller.memory.begin() + 26);
    }
    std::vector<uint8_t> commands() const
    {
        std::vector<uint8_t> c;
        for (const sim::Frame& f : controller.frames)
            c.push_back(f.command);
        return c;
    }
};

TEST_F(PutBack, ReadApproveKeepWriteReadBackInThatOrder)
{
    const PutBackResult r = putBack(link, fileText, steps, '.');
    ASSERT_EQ(r.stage, PutBackResult::Written);
    EXPECT_EQ(r.written.outcome, VerifiedWrite::Verified);
    EXPECT_TRUE(r.readBack());
    EXPECT_EQ(commands(), (std::vector<uint8_t>{cmd::ReadConfig, cmd::WriteConfig, cmd::ReadConfig}));
    EXPECT_EQ(steps.calls, (std::vector<std::string>{"approve after 1 frames", "keep after 1 frames"}));
    EXPECT_EQ(steps.seen, before);
    EXPECT_EQ(steps.kept, before);
    EXPECT_EQ(std::vector<uint8_t>(r.before.begin(), r.before.end()), before);
    EXPECT_EQ(r.copy, "copy.tuma");
    EXPECT_EQ(r.file.header.vehicle.plate, "ABC1D23");
    EXPECT_EQ(controller.memory[addr::MaxCorrection], 26);
}

TEST_F(PutBack, EachStageThatStopsSendsNothingAfterIt)
{
    const struct {
        const char* what;
        std::function<void()> arrange;
        PutBackResult::Stage stage;
        std::vector<uint8_t> commands;
    } cases[] = {
        {"a damaged file", [this] { fileText = "limite_corr = 50\n"; }, PutBackResult::FileRefused, {}},
        {"a silent controller",
         [this] { controller.setFault(sim::Fault::Silent); },
         PutBackResult::ReadFailed,
         {cmd::ReadConfig, cmd::ReadConfig, cmd::ReadConfig}},
        {"the user declines", [this] { steps.approveAnswer = false; }, PutBackResult::Declined, {cmd::ReadConfig}},
        {"the copy cannot be kept", [this] { steps.keepAnswer = false; }, PutBackResult::CopyFailed, {cmd::ReadConfig}},
    };
    const std::string goodFile = fileText;
    for (const auto& c : cases) {
        fileText = goodFile;
        controller.frames.clear();
        steps.approveAnswer = steps.keepAnswer = true;
        c.arrange();
        const PutBackResult r = putBack(link, fileText, steps, '.');
        controller.setFault(sim::Fault::None);
        EXPECT_EQ(r.stage, c.stage) << c.what;
        EXPECT_FALSE(r.readBack()) << c.what;
        EXPECT_EQ(commands(), c.commands) << c.what;
        EXPECT_EQ(std::vector<uint8_t>(controller.memory.begin() + 1, controller.memory.begin() + 26), before)
            << c.what;
    }
}

TEST_F(PutBack, AReadBackThatDiffersNamesEachField)
{
    controller.ignoreWrites = true;
    const PutBackResult r = putBack(link, fileText, steps, ',');
    ASSERT_EQ(r.stage, PutBackResult::Written);
    EXPECT_EQ(r.written.outcome, VerifiedWrite::Differs);
    EXPECT_TRUE(r.readBack()); // the form should show what the controller holds
    ASSERT_EQ(r.differing.size(), 1u);
    EXPECT_EQ(mismatchLine(r.differing[0]), "Correção / Correção Máx.: enviado 40,625 %, lido 50 %");
    BlockRow byte{BlockRow::Byte, "", "", "AB", "CD", 8, true};
    EXPECT_EQ(mismatchLine(byte), "Endereço 8: enviado AB, lido CD");
}

} // namespace

TEST_F(PutBack, OnlyTheTickedRowsAreWrittenAndTheRestStaysAsTheControllerHasIt)
{
    Block image;
    factoryImage(image);
    image[addr::cfg(addr::MaxCorrection)] = 26;
    image[addr::cfg(addr::ColdStartTime)] = 0x87;
    image[addr::cfg(addr::ColdStartTime) + 1] = 0x09;
    image[addr::cfg(addr::OptionFlags)] ^= bits::QuickAccel;
    const std::string text = formatParameterFile({"2026-12-09 15:30:00", "2.5", "COM5", "2.5", {}}, image);
    const ParsedFile file = parseParameterFile(text);
    ASSERT_TRUE(file.ok);
    Block held{};
    std::copy(before.begin(), before.end(), held.begin());
    const std::vector<BlockRow> rows = compareBlocks(held, file.image, '.');
    struct Case {
        const char* name;
        std::vector<std::string> tickedCaptions; // by caption; empty: every row
    };
    for (const Case& c :
         {Case{"one field", {"Correção / Correção Máx."}},
          Case{"a 16-bit field and an option", {"Partida à Frio / Tempo Injec.", "Aceleração Rápida"}}}) {
        SCOPED_TRACE(c.name);
        controller.memory = {};
        std::copy(before.begin(), before.end(), controller.memory.begin() + 1);
        steps.tick.assign(rows.size(), false);
        Block expected = held;
        size_t found = 0;
        for (size_t r = 0; r < rows.size(); ++r)
            for (const std::string& caption : c.tickedCaptions)
                if (rows[r].caption == caption) {
                    steps.tick[r] = true;
                    ++found;
                    for (size_t k = 0; k < rows[r].width; ++k) {
                        const size_t i = addr::cfg(rows[r].address) + k;
                        expected[i]
                            = static_cast<uint8_t>((expected[i] & ~rows[r].mask) | (file.image[i] & rows[r].mask));
                    }
                }
        ASSERT_EQ(found, c.tickedCaptions.size());
        const PutBackResult r = putBack(link, file, steps, '.');
        ASSERT_EQ(r.stage, PutBackResult::Written);
        EXPECT_EQ(r.written.outcome, VerifiedWrite::Verified);
        EXPECT_EQ(r.sent, expected);
        EXPECT_EQ(std::vector<uint8_t>(controller.memory.begin() + 1, controller.memory.begin() + 26),
                  std::vector<uint8_t>(expected.begin(), expected.end()));
        EXPECT_NE(r.sent, file.image);
    }
}
