// What the main window tells the rooms that listen: each flow's signal, with the exact
// bytes, in the order the flow runs, and nothing told for what did not happen.
#include "support/widget_harness.h"

#include <string>
#include <vector>

using namespace tuma;
using namespace tuma::test;

namespace {

class Told : public Windows {
protected:
    std::vector<std::string> events;
    std::vector<Block> reads;
    std::vector<WriteFacts> writes;
    std::vector<std::vector<uint8_t>> polls; // empty: a failed poll
    std::vector<ProgrammingFacts> programmings;
    std::vector<LinkFacts> links;

    void SetUp() override
    {
        Windows::SetUp();
        QObject::connect(MainForm, &TMainForm::linkChanged, [this](const LinkFacts& f) {
            events.push_back(f.checked ? "link" : "no link");
            links.push_back(f);
        });
        QObject::connect(MainForm, &TMainForm::blockRead, [this](const Block& b) {
            events.push_back("read");
            reads.push_back(b);
        });
        QObject::connect(MainForm, &TMainForm::blockReadFailed, [this] { events.push_back("read failed"); });
        QObject::connect(MainForm, &TMainForm::blockWritten, [this](const WriteFacts& f) {
            events.push_back("written");
            writes.push_back(f);
        });
        QObject::connect(MainForm, &TMainForm::polled, [this](const Poll& p) {
            events.push_back(p.ok ? "poll" : "poll failed");
            polls.push_back(p.ok ? std::vector<uint8_t>(p.live.begin(), p.live.end()) : std::vector<uint8_t>{});
        });
        QObject::connect(MainForm, &TMainForm::monitorChanged,
                         [this](bool on) { events.push_back(on ? "monitor on" : "monitor off"); });
        QObject::connect(MainForm, &TMainForm::programmed, [this](const ProgrammingFacts& f) {
            events.push_back("programmed");
            programmings.push_back(f);
        });
    }
    Block memoryBlock() const
    {
        Block b{};
        std::copy(controller.memory.begin() + 1, controller.memory.begin() + 26, b.begin());
        return b;
    }
};

TEST_F(Told, TheLinkCheckedAndLost)
{
    configWith("DEMO");
    configWith("ttyS0"); // no such port here
    EXPECT_EQ(events, (std::vector<std::string>{"link", "no link"}));
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].port, "DEMO");
    EXPECT_EQ(links[0].controllerVersion, "2.5");
    EXPECT_TRUE(links[1].port.empty());
}

TEST_F(Told, AReadItsBlockAndTheMonitor)
{
    connectLink();
    events.clear();
    MainForm->lerClick();
    EXPECT_EQ(events, (std::vector<std::string>{"read", "monitor on"}));
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0], memoryBlock());

    events.clear();
    MainForm->Timer_ReadTimer();
    ASSERT_EQ(polls.size(), 1u);
    EXPECT_EQ(polls[0], std::vector<uint8_t>(controller.memory.begin() + 67, controller.memory.begin() + 77));
    controller.setFault(sim::Fault::Silent);
    MainForm->Timer_ReadTimer();
    EXPECT_EQ(events, (std::vector<std::string>{"poll", "poll failed", "monitor off"}));
    events.clear();
    MainForm->lerClick();
    EXPECT_EQ(events, (std::vector<std::string>{"read failed"}));
}

TEST_F(Told, AWriteWhatWasSentAndWhatCameBack)
{
    connectAndRead();
    events.clear();
    MainForm->tempo_partida->setText("2000");
    MainForm->gravarClick();
    EXPECT_EQ(events, (std::vector<std::string>{"monitor off", "read", "monitor on", "written"}));
    ASSERT_EQ(writes.size(), 1u);
    const std::vector<sim::Frame> sent = framesOf(cmd::WriteConfig);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(std::vector<uint8_t>(writes[0].sent.begin(), writes[0].sent.end()), sent[0].data);
    EXPECT_TRUE(writes[0].written);
    EXPECT_TRUE(writes[0].readBack);
    EXPECT_EQ(writes[0].back, memoryBlock());
    EXPECT_TRUE(writes[0].matches());

    // A controller that keeps its old values: told as a write that does not match.
    controller.ignoreWrites = true;
    MainForm->tempo_partida->setText("3000");
    MainForm->gravarClick();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_TRUE(writes[1].written && writes[1].readBack);
    EXPECT_FALSE(writes[1].matches());
    EXPECT_EQ(writes[1].back, memoryBlock());

    // No answer to the write: nothing read back, nothing of the form refilled.
    controller.ignoreWrites = false;
    controller.setFault(sim::Fault::Silent);
    events.clear();
    MainForm->gravarClick();
    EXPECT_EQ(events, (std::vector<std::string>{"monitor off", "written", "monitor on"}));
    EXPECT_FALSE(writes[2].written);
    EXPECT_FALSE(writes[2].readBack);

    // Answered No: nothing is told but the monitor's pause.
    controller.setFault(sim::Fault::None);
    boxes.answers = {BoxAnswer::No};
    events.clear();
    MainForm->gravarClick();
    EXPECT_EQ(events, (std::vector<std::string>{"monitor off", "monitor on"}));
}

TEST_F(Told, EachProgrammingAction)
{
    connectAndRead();
    programWith(0, 2); // the mixture for the third share
    ASSERT_EQ(programmings.size(), 1u);
    EXPECT_EQ(programmings[0].action, ProgrammingFacts::Mixture);
    EXPECT_TRUE(programmings[0].sent);
    EXPECT_EQ(programmings[0].share, 2);
    EXPECT_EQ(programmings[0].mixture, controller.memory[3]);

    programWith(1);
    EXPECT_EQ(programmings.back().action, ProgrammingFacts::Reset);
    EXPECT_TRUE(programmings.back().sent);

    // A learning procedure cancelled, then one followed to its end.
    programWith(2, 0, [] { QTimer::singleShot(0, [] { ProgramTumaForm->button_Cancel->click(); }); });
    EXPECT_EQ(programmings.back().action, ProgrammingFacts::LambdaIdle);
    EXPECT_FALSE(programmings.back().finished);
    controller.timing.lambdaIdleLearnUs = 1000000;
    QObject::connect(ProgramTumaForm->Timer1, &QTimer::timeout, [this] { clock.advanceMs(500); });
    programWith(2);
    EXPECT_EQ(programmings.back().action, ProgrammingFacts::LambdaIdle);
    EXPECT_TRUE(programmings.back().finished);

    // Answered No: nothing happened, nothing is told.
    const size_t before = programmings.size();
    programWith(1, 0, [this] { boxes.answers = {BoxAnswer::No}; });
    EXPECT_EQ(programmings.size(), before);

    // No answer from the controller: told as not sent.
    controller.setFault(sim::Fault::Silent);
    programWith(3);
    EXPECT_EQ(programmings.back().action, ProgrammingFacts::Map);
    EXPECT_FALSE(programmings.back().sent);
    EXPECT_FALSE(programmings.back().finished);
}

} // namespace

TEST_F(Told, APollIsCarriedWholeEvenToAListenerThatHearsItLater)
{
    // A listener in another thread, or queued, hears a poll after the next one has
    // filled the window's buffer again: each must still hold its own ten bytes.
    std::vector<std::vector<uint8_t>> late;
    QObject receiver;
    QObject::connect(
        MainForm, &TMainForm::polled, &receiver,
        [&late](const Poll& p) { late.push_back(std::vector<uint8_t>(p.live.begin(), p.live.end())); },
        Qt::QueuedConnection);
    connectAndRead();
    std::vector<std::vector<uint8_t>> sent;
    for (uint8_t rpm : {0x10, 0x20}) {
        controller.memory[67] = rpm;
        MainForm->Timer_ReadTimer();
        sent.push_back(std::vector<uint8_t>(controller.memory.begin() + 67, controller.memory.begin() + 77));
    }
    ASSERT_TRUE(late.empty()) << "nothing heard before the event loop turns";
    QCoreApplication::processEvents();
    EXPECT_EQ(late, sent);
}
