#include "support/widget_harness.h"

using namespace tuma;
using namespace tuma::test;

namespace {

const Box Confirm = yesNo("Confirma Programação do Tuma !!!!", "Aviso");
const Box ProgOk = ok("Programação OK", "Programação");
const Box Completed = ok("Programação Completada!", "Completada");
const Box Aborted = ok("Programação Abortada!", "Cancelado");

class Programming : public Windows {
protected:
    void choose(int item, int mix = 0)
    {
        ProgramForm->setProgTypeIndex(item);
        ProgramForm->setMixIndex(mix);
    }
};

TEST_F(Programming, DialogLayoutAndSelections)
{
    EXPECT_EQ(ProgramForm->windowTitle(), QString::fromUtf8("Programação do Aparelho Tuma "));
    EXPECT_EQ(ProgramForm->size(), QSize(476, 228));
    EXPECT_EQ(ProgramForm->progTypeIndex(), 0);
    EXPECT_EQ(ProgramForm->mixIndex(), 0);
    EXPECT_TRUE(ProgramForm->mix_values->isEnabled());
    ProgramForm->setMixIndex(3);
    for (int item : {1, 2, 3}) {
        ProgramForm->setProgTypeIndex(item);
        EXPECT_FALSE(ProgramForm->mix_values->isEnabled()) << item;
    }
    ProgramForm->prog_type_0->click();
    EXPECT_TRUE(ProgramForm->mix_values->isEnabled());
    EXPECT_EQ(ProgramForm->mixIndex(), 3);
}

TEST_F(Programming, MixtureBytesReachAddressThree)
{
    connectLink();
    const std::pair<const char*, std::vector<uint8_t>> cases[] = {
        {"50", {1, 8, 16, 24, 31}},
        {"10", {1, 2, 3, 5, 6}},
        {"13.7", {1}},
    };
    for (auto& [limit, bytes] : cases) {
        MainForm->limite_corr->setText(limit);
        for (size_t i = 0; i < bytes.size(); ++i) {
            controller.frames.clear();
            boxes.shown.clear();
            programWith(0, static_cast<int>(i));
            EXPECT_EQ(boxes.shown, std::vector<Box>({Confirm, ProgOk}));
            ASSERT_EQ(controller.frames.size(), 1u);
            EXPECT_EQ(controller.frames[0].command, cmd::WriteConfig);
            EXPECT_EQ(controller.frames[0].address, 3);
            EXPECT_EQ(controller.frames[0].data, std::vector<uint8_t>({bytes[i]})) << "L " << limit << " share " << i;
            EXPECT_EQ(controller.memory[3], bytes[i]);
        }
    }
}

TEST_F(Programming, ResetAndLearningRequests)
{
    connectLink();
    const std::pair<int, uint8_t> cases[] = {{1, 0}, {2, 1}, {3, 2}};
    for (auto& [item, mode] : cases) {
        controller.frames.clear();
        programWith(item, 0, [item] {
            if (item > 1) // the progress window opens: cancel it at once
                QTimer::singleShot(0, [] { ProgramTumaForm->button_Cancel->click(); });
        });
        ASSERT_GE(controller.frames.size(), 1u);
        EXPECT_EQ(controller.frames[0].command, cmd::SetProgramMode);
        EXPECT_EQ(controller.frames[0].address, 1);
        EXPECT_EQ(controller.frames[0].data, std::vector<uint8_t>({mode}));
    }
}

TEST_F(Programming, AnswerNoSendsNothing)
{
    connectLink();
    for (int item = 0; item < 4; ++item) {
        boxes.answers = {BoxAnswer::No};
        programWith(item);
        EXPECT_FALSE(ProgramForm->isVisible());
    }
    EXPECT_TRUE(controller.frames.empty());
    EXPECT_EQ(boxes.shown.size(), 4u);
}

TEST_F(Programming, BadMaximumCorrectionBlocksEveryItem)
{
    connectLink();
    MainForm->limite_corr->setText("abc");
    for (int item = 0; item < 4; ++item) {
        boxes.shown.clear();
        bool stillOpen = false;
        whenModal([] { MainForm->progClick(); },
                  [&] {
                      choose(item);
                      ProgramForm->button_OK->click();
                      stillOpen = ProgramForm->isVisible();
                      ProgramForm->button_Cancel->click();
                  });
        EXPECT_EQ(boxes.shown, std::vector<Box>({ok("'abc' is not a valid floating point value", "Tuma Programável")}));
        EXPECT_TRUE(stillOpen);
    }
    EXPECT_TRUE(controller.frames.empty());
}

TEST_F(Programming, FailedExchangeReportsAndOpensNoProgressWindow)
{
    connectLink();
    controller.setFault(sim::Fault::Silent);
    for (int item = 0; item < 4; ++item) {
        boxes.shown.clear();
        programWith(item);
        EXPECT_EQ(boxes.shown, std::vector<Box>({Confirm, CommFailure}));
        EXPECT_FALSE(ProgramTumaForm->Timer1->isActive());
    }
}

TEST_F(Programming, SelectionsAreKeptBetweenOpenings)
{
    connectLink();
    whenModal([] { MainForm->progClick(); },
              [] {
                  ProgramForm->setProgTypeIndex(1);
                  ProgramForm->setMixIndex(4);
                  ProgramForm->button_Cancel->click();
              });
    int item = -1, mix = -1;
    bool mixEnabled = true;
    whenModal([] { MainForm->progClick(); },
              [&] {
                  item = ProgramForm->progTypeIndex();
                  mix = ProgramForm->mixIndex();
                  mixEnabled = ProgramForm->mix_values->isEnabled();
                  ProgramForm->close(); // the title-bar close box
              });
    EXPECT_EQ(item, 1);
    EXPECT_EQ(mix, 4);
    EXPECT_FALSE(mixEnabled);
    EXPECT_TRUE(controller.frames.empty());
    EXPECT_TRUE(MainForm->Timer_Read->isActive());
}

TEST_F(Programming, MonitorIsStoppedWhileTheDialogIsOpen)
{
    connectAndRead();
    ASSERT_TRUE(MainForm->Timer_Read->isActive());
    bool runningInside = true;
    whenModal([] { MainForm->progClick(); },
              [&] {
                  runningInside = MainForm->Timer_Read->isActive();
                  ProgramForm->button_Cancel->click();
              });
    EXPECT_FALSE(runningInside);
    EXPECT_TRUE(MainForm->Timer_Read->isActive());
}

// ------------------------------------------------------------------ what a later write keeps

TEST_F(Programming, WriteAfterAMixtureKeepsTheNewMixture)
{
    connectAndRead();
    ASSERT_EQ(controller.memory[3], 0x10);
    programWith(0, 3); // 75 % of 50: 24
    ASSERT_EQ(controller.memory[3], 24);
    MainForm->gravarClick();
    EXPECT_EQ(controller.memory[3], 24);
}

TEST_F(Programming, ResetOrLearningLocksTheWriteUntilTheNextRead)
{
    controller.memory[1] = bits::MapLearned | bits::LambdaIdleLearned;
    connectAndRead();
    ASSERT_TRUE(MainForm->gravar->isEnabled());
    programWith(1);
    EXPECT_FALSE(MainForm->gravar->isEnabled());
    EXPECT_EQ(controller.memory[1] & 0x03, 0);
    MainForm->lerClick();
    EXPECT_TRUE(MainForm->gravar->isEnabled());
    EXPECT_EQ(MainForm->editFlags & 0x03, 0);
}

TEST_F(Programming, FailedProgrammingAlsoLocksTheWrite)
{
    connectAndRead();
    for (int item = 0; item < 4; ++item) {
        MainForm->lerClick();
        ASSERT_TRUE(MainForm->gravar->isEnabled());
        controller.setFault(sim::Fault::BadCrc); // the request may have got through
        programWith(item);
        controller.setFault(sim::Fault::None);
        EXPECT_FALSE(MainForm->gravar->isEnabled()) << item;
    }
}

// ------------------------------------------------------------------ progress window

class Progress : public Windows {
protected:
    void start(int tag)
    {
        connectLink();
        ProgramTumaForm->Tag = tag;
        ProgramTumaForm->Timer1->start();
    }
    bool prompts() const { return !ProgramTumaForm->mensagem2->isHidden(); }
};

TEST_F(Progress, Layout)
{
    EXPECT_EQ(ProgramTumaForm->windowTitle(), QString::fromUtf8("Programação do Tuma "));
    EXPECT_EQ(ProgramTumaForm->size(), QSize(482, 225));
    EXPECT_FALSE(ProgramTumaForm->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(ProgramTumaForm->windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_TRUE(ProgramTumaForm->mensagem2->isHidden());
    EXPECT_TRUE(ProgramTumaForm->mensagem3->isHidden());
    EXPECT_EQ(ProgramTumaForm->Timer1->interval(), 500);
    EXPECT_FALSE(ProgramTumaForm->Timer1->isActive());
    EXPECT_TRUE(ProgramTumaForm->button_Cancel->isDefault() || ProgramTumaForm->button_Cancel->autoDefault());
}

TEST_F(Progress, LambdaModeEndsWhenItsBitClears)
{
    start(0);
    controller.pinnedStatus = 0x40;
    for (int i = 0; i < 3; ++i)
        ProgramTumaForm->Timer1Timer();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(ProgramTumaForm->Timer1->isActive());
    controller.pinnedStatus = 0x02; // mode 0 looks at 0x40 alone
    bool timerDuringBox = true;
    boxes.whileOpen = [&](const Box&) { timerDuringBox = ProgramTumaForm->Timer1->isActive(); };
    ProgramTumaForm->Timer1Timer();
    EXPECT_EQ(boxes.shown, std::vector<Box>({Completed}));
    EXPECT_FALSE(timerDuringBox);
    EXPECT_FALSE(ProgramTumaForm->Timer1->isActive());
    auto statusReads = 0;
    for (const auto& f : controller.frames)
        statusReads += f.command == cmd::ReadLive && f.address == 99 && f.data.size() == 2;
    EXPECT_EQ(statusReads, 4);
}

TEST_F(Progress, MapModeBlinksHoldsAndCompletes)
{
    start(1);
    controller.pinnedStatus = 0x03;
    ProgramTumaForm->Timer1Timer();
    EXPECT_TRUE(prompts());
    EXPECT_FALSE(ProgramTumaForm->mensagem3->isHidden());
    ProgramTumaForm->Timer1Timer();
    EXPECT_FALSE(prompts());
    ProgramTumaForm->Timer1Timer();
    EXPECT_TRUE(prompts());
    controller.pinnedStatus = 0x01;
    ProgramTumaForm->Timer1Timer();
    ProgramTumaForm->Timer1Timer();
    EXPECT_TRUE(prompts());
    EXPECT_TRUE(boxes.shown.empty());
    controller.pinnedStatus = 0x02; // 0x01 clear: ended, whatever else is set
    bool promptsDuringBox = true;
    boxes.whileOpen = [&](const Box&) { promptsDuringBox = prompts(); };
    ProgramTumaForm->Timer1Timer();
    EXPECT_FALSE(promptsDuringBox);
    EXPECT_EQ(boxes.shown, std::vector<Box>({Completed}));
    EXPECT_TRUE(ProgramTumaForm->mensagem3->isHidden());
}

TEST_F(Progress, MapModeCompletesOnTheFirstTick)
{
    start(1);
    controller.pinnedStatus = 0x00;
    ProgramTumaForm->Timer1Timer();
    EXPECT_EQ(boxes.shown, std::vector<Box>({Completed}));
    EXPECT_FALSE(prompts());
}

TEST_F(Progress, FieldsChangeOnlyAfterAGoodValueRead)
{
    controller.liveFrozen = true;
    controller.memory[74] = 91;
    controller.memory[75] = 255;
    controller.memory[76] = 51;
    start(1);
    controller.pinnedStatus = 0x03;
    ProgramTumaForm->Timer1Timer();
    EXPECT_EQ(text(ProgramTumaForm->atual_temp), "35");
    EXPECT_EQ(text(ProgramTumaForm->atual_map), "2.50");
    EXPECT_EQ(text(ProgramTumaForm->atual_lambda), "1000");
    controller.memory[74] = 14;
    controller.faultOnlyAddress = 72;
    controller.setFault(sim::Fault::BadCrc);
    ProgramTumaForm->Timer1Timer();
    EXPECT_EQ(text(ProgramTumaForm->atual_temp), "35");
    EXPECT_FALSE(prompts()); // the status logic still ran
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Progress, FailedStatusReadChangesNothing)
{
    start(1);
    controller.faultOnlyAddress = 99;
    controller.setFault(sim::Fault::Silent);
    ProgramTumaForm->Timer1Timer();
    EXPECT_TRUE(ProgramTumaForm->Timer1->isActive());
    EXPECT_FALSE(prompts());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Progress, StatusAnswerWithoutItsByteIsNoCompletion)
{
    controller.liveFrozen = true;
    controller.memory[72] = 0x00; // would read as "MAP finished" in place of the status
    start(1);
    controller.pinnedStatus = 0x01;
    controller.faultOnlyAddress = 99;
    controller.shortPayload = 0;
    controller.setFault(sim::Fault::Short);
    ProgramTumaForm->Timer1Timer();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(ProgramTumaForm->Timer1->isActive());
}

TEST_F(Progress, CancelWithAWorkingLink)
{
    start(1);
    controller.pinnedStatus = 0x03;
    ProgramTumaForm->Timer1Timer();
    ASSERT_TRUE(prompts());
    controller.frames.clear();
    bool timerDuringBox = true;
    boxes.whileOpen = [&](const Box&) { timerDuringBox = ProgramTumaForm->Timer1->isActive(); };
    ProgramTumaForm->button_Cancel->click();
    EXPECT_EQ(boxes.shown, std::vector<Box>({Aborted}));
    ASSERT_EQ(controller.frames.size(), 1u);
    EXPECT_EQ(controller.frames[0].command, cmd::SetProgramMode);
    EXPECT_EQ(controller.frames[0].data, std::vector<uint8_t>({0}));
    EXPECT_FALSE(ProgramTumaForm->Timer1->isActive());
    EXPECT_FALSE(timerDuringBox); // no tick can report the aborted run as completed
    EXPECT_FALSE(prompts());      // the next procedure starts clean
}

TEST_F(Progress, CancelWithADeadLink)
{
    start(0);
    controller.setFault(sim::Fault::Silent);
    controller.frames.clear();
    ProgramTumaForm->button_Cancel->click();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(controller.frames.size(), 3u); // the request went out, three times
    EXPECT_FALSE(ProgramTumaForm->Timer1->isActive());
}

TEST_F(Progress, EscapeAndCloseDoNotLeaveTheWindow)
{
    start(0);
    ProgramTumaForm->show();
    ProgramTumaForm->close();
    EXPECT_TRUE(ProgramTumaForm->isVisible());
    QTest::keyClick(ProgramTumaForm, Qt::Key_Escape);
    EXPECT_TRUE(ProgramTumaForm->isVisible());
    ProgramTumaForm->button_Cancel->click();
    EXPECT_FALSE(ProgramTumaForm->isVisible());
}

// A whole MAP learning, with the real timer, to "Programação Completada!" and the
// completion lamp after the next read.
TEST_F(Progress, FullMapLearningRun)
{
    controller.timing.mapLearnUs = 3000000;
    controller.timing.mapOperatorFromUs = 900000;
    controller.timing.mapOperatorToUs = 2100000;
    connectAndRead();
    ASSERT_EQ(MainForm->map_prg->brushColor(), QColor(255, 0, 0));
    // Let the controller's time move on with the window's ticks.
    QObject::connect(ProgramTumaForm->Timer1, &QTimer::timeout, [this] { clock.advanceMs(500); });
    int promptTicks = 0;
    QObject::connect(ProgramTumaForm->Timer1, &QTimer::timeout, [&] { promptTicks += prompts(); });
    bool progressShown = false;
    QString caption;
    whenModal([] { MainForm->progClick(); },
              [&] {
                  ProgramForm->setProgTypeIndex(3);
                  QTimer::singleShot(50, [&] {
                      progressShown = ProgramTumaForm->isVisible();
                      caption = ProgramTumaForm->mensagem->text();
                  });
                  ProgramForm->button_OK->click();
              });
    EXPECT_TRUE(progressShown);
    EXPECT_EQ(caption, "Programando Sensor MAP");
    EXPECT_EQ(ProgramTumaForm->Tag, 1);
    EXPECT_GE(promptTicks, 1);
    EXPECT_EQ(boxes.shown, std::vector<Box>({Confirm, Completed}));
    EXPECT_FALSE(ProgramForm->isVisible());
    EXPECT_FALSE(ProgramTumaForm->isVisible());
    EXPECT_FALSE(prompts());
    EXPECT_TRUE(MainForm->Timer_Read->isActive());
    EXPECT_FALSE(MainForm->gravar->isEnabled());
    MainForm->lerClick();
    EXPECT_EQ(MainForm->map_prg->brushColor(), QColor(0, 255, 0));
    EXPECT_TRUE(MainForm->gravar->isEnabled());
}

} // namespace
