#include "support/widget_harness.h"

#include <cstdlib>

using namespace tuma;
using namespace tuma::test;

namespace {

const Box ConfirmWrite = yesNo("Confirme Gravação dos Dados!!!!", "Aviso");
const Box WriteOk = ok("Programação OK", "Gravação");

// ------------------------------------------------------------------ option check boxes

class CheckBoxes : public Windows { };

TEST_F(CheckBoxes, EachBoxOwnsOneBitAndItsControls)
{
    struct Case {
        QCheckBox* box;
        uint8_t bit;
        std::vector<QWidget*> dependents;
    };
    TMainForm* m = MainForm;
    m->sonda_en->setChecked(true); // so that banda_larga can be ticked
    m->editFlags = 0x0F | bits::SlowLambda;
    const Case cases[] = {
        {m->acel_rapida_en,
         bits::QuickAccel,
         {m->var_inicial, m->tempo_extra, m->Label1, m->Label2, m->Label3, m->Label4}},
        {m->heat_en,
         bits::EngineHeating,
         {m->injecao_extra, m->temp_max_extra, m->Label11, m->Label12, m->Label13, m->Label14}},
        {m->banda_larga, bits::WideBand, {}},
    };
    for (const Case& c : cases) {
        const uint8_t before = m->editFlags;
        c.box->click();
        EXPECT_EQ(m->editFlags, before | c.bit) << c.box->objectName().toStdString();
        for (QWidget* w : c.dependents)
            EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
        c.box->click();
        EXPECT_EQ(m->editFlags, before);
        for (QWidget* w : c.dependents)
            EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    }
    m->sonda_en->click();
    EXPECT_EQ(m->editFlags, 0x0F);
    for (QWidget* w : std::vector<QWidget*>{m->tempo_ajuste, m->valor_lambda, m->banda_larga, m->Label17, m->Label18,
                                            m->Label19, m->Label20})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
}

TEST_F(CheckBoxes, WideBandUnitAndItsBitSurviveUntickingTheSlowProbe)
{
    TMainForm* m = MainForm;
    m->sonda_en->click();
    ASSERT_TRUE(m->banda_larga->isEnabled());
    m->banda_larga->click();
    EXPECT_EQ(m->Label20->text(), "V ");
    EXPECT_EQ(m->editFlags, bits::SlowLambda | bits::WideBand);
    m->sonda_en->click();
    EXPECT_FALSE(m->banda_larga->isEnabled());
    EXPECT_TRUE(m->banda_larga->isChecked());
    EXPECT_EQ(m->editFlags, bits::WideBand);
    EXPECT_EQ(m->Label20->text(), "V ");
    m->sonda_en->click();
    EXPECT_TRUE(m->banda_larga->isEnabled());
    EXPECT_TRUE(m->banda_larga->isChecked());
    m->banda_larga->click();
    EXPECT_EQ(m->Label20->text(), "mV ");
}

// ------------------------------------------------------------------ reading

class Reading : public Windows { };

TEST_F(Reading, FillsEveryFieldFromTheParameterBlock)
{
    uint8_t* mem = controller.memory.data();
    mem[1] = 0xF3;
    mem[4] = 24;
    mem[5] = 0x09;
    mem[6] = 0x3D; // 15625: 1200 RPM
    mem[13] = 0x00;
    mem[14] = 0x02;
    mem[15] = 13;
    mem[16] = 14;
    mem[17] = 45;
    mem[18] = 146;
    mem[19] = 251;
    mem[20] = 0;
    mem[21] = 32;
    mem[22] = 2;
    mem[23] = 26;
    mem[25] = 238;
    connectLink();
    MainForm->rpm_cal->setText("4");
    MainForm->lerClick();
    EXPECT_TRUE(boxes.shown.empty());
    const std::pair<QLineEdit*, const char*> expected[] = {
        {MainForm->tempo_partida, "420"},   {MainForm->porc_mistura, "20.3125"}, {MainForm->temp_max_cold, "15"},
        {MainForm->injecao_extra, "3.125"}, {MainForm->temp_max_extra, "60"},    {MainForm->limite_corr, "37.5"},
        {MainForm->temp_corr, "102"},       {MainForm->tempo_ajuste, "49"},      {MainForm->valor_lambda, "509"},
        {MainForm->var_inicial, "200.8"},   {MainForm->tempo_extra, "50"},       {MainForm->rpm_adj, "1200"},
    };
    for (auto& [field, t] : expected)
        EXPECT_EQ(text(field), t) << field->objectName().toStdString();
    EXPECT_EQ(MainForm->rpm_cal->text(), "1");
    EXPECT_EQ(MainForm->editFlags, 0xF3);
    EXPECT_TRUE(MainForm->sonda_en->isChecked());
    EXPECT_TRUE(MainForm->banda_larga->isChecked());
    EXPECT_TRUE(MainForm->acel_rapida_en->isChecked());
    EXPECT_TRUE(MainForm->heat_en->isChecked());
    EXPECT_TRUE(MainForm->var_inicial->isEnabled());
    EXPECT_TRUE(MainForm->injecao_extra->isEnabled());
    EXPECT_TRUE(MainForm->valor_lambda->isEnabled());
    EXPECT_EQ(MainForm->Label20->text(), "V ");
    EXPECT_EQ(MainForm->map_prg->brushColor(), QColor(0, 255, 0));
    EXPECT_EQ(MainForm->rpm_prg->brushColor(), QColor(0, 255, 0));
    EXPECT_EQ(MainForm->sync->brushColor(), QColor(0, 255, 0));
    EXPECT_TRUE(MainForm->gravar->isEnabled());
    EXPECT_TRUE(MainForm->Timer_Read->isActive());
    ASSERT_EQ(controller.frames.size(), 2u);
    EXPECT_EQ(controller.frames[0].command, cmd::ReadConfig);
    EXPECT_EQ(controller.frames[0].data.size(), 25u);
    EXPECT_EQ(controller.frames[1].command, cmd::ReadLive);
    EXPECT_EQ(controller.frames[1].address, 72);

    // A second read with everything off clears the boxes and their bits.
    mem[1] = 0x00;
    MainForm->lerClick();
    EXPECT_EQ(MainForm->editFlags, 0);
    EXPECT_FALSE(MainForm->var_inicial->isEnabled());
    EXPECT_FALSE(MainForm->banda_larga->isChecked());
    EXPECT_EQ(MainForm->Label20->text(), "mV ");
    EXPECT_EQ(MainForm->map_prg->brushColor(), QColor(255, 0, 0));
}

TEST_F(Reading, DecimalFieldsUseTheRegionalSeparator)
{
    MainForm->setDecimalSeparator(',');
    controller.memory[15] = 24;
    connectLink();
    MainForm->lerClick();
    EXPECT_EQ(text(MainForm->porc_mistura), "37,5");
    EXPECT_EQ(text(MainForm->injecao_extra), "9,375");
}

TEST_F(Reading, TheUsersRegionalSeparatorReachesTheForm)
{
    // As the program starts: the separator from the system's regional settings. The
    // Windows runs set it to each of "," and "." in wine's registry beforehand.
    tearDownHouse();
    platform.decimalSeparator = systemPlatform().decimalSeparator;
    build();
    const char sep = MainForm->decimalSeparator();
    if (const char* expected = std::getenv("TUMA_EXPECT_DECIMAL")) {
        EXPECT_EQ(sep, expected[0]);
    }
    controller.memory[15] = 24;
    connectLink();
    MainForm->lerClick();
    EXPECT_EQ(text(MainForm->porc_mistura), std::string("37") + sep + "5");
    MainForm->porc_mistura->setText(QString("12") + sep + "5");
    MainForm->gravarClick();
    ASSERT_EQ(framesOf(cmd::WriteConfig).size(), 1u);
    EXPECT_EQ(framesOf(cmd::WriteConfig)[0].data[14], 8); // 12.5 % in 64ths
}

TEST_F(Reading, ShortLiveReadFillsFourBoxes)
{
    controller.liveFrozen = true;
    controller.memory[72] = 32;
    controller.memory[74] = 91;
    controller.memory[75] = 255;
    controller.memory[76] = 255;
    connectLink();
    MainForm->atual_rpm->setText("keep");
    MainForm->lerClick();
    EXPECT_EQ(text(MainForm->atual_corr), "50");
    EXPECT_EQ(text(MainForm->atual_temp), "35");
    EXPECT_EQ(text(MainForm->atual_map), "2.50");
    EXPECT_EQ(text(MainForm->atual_lambda), "5000");
    EXPECT_EQ(text(MainForm->atual_rpm), "keep");
}

TEST_F(Reading, PeriodZeroShowsZeroAndAConfirmedWriteFailsWithNothingSent)
{
    controller.memory[5] = 0;
    controller.memory[6] = 0;
    connectAndRead();
    EXPECT_EQ(text(MainForm->rpm_adj), "0");
    EXPECT_TRUE(MainForm->gravar->isEnabled());
    MainForm->gravar->click();
    EXPECT_EQ(boxes.shown, std::vector<Box>({ConfirmWrite, ok("Floating point division by zero", "Tuma Programável")}));
    EXPECT_TRUE(framesOf(cmd::WriteConfig).empty());
    EXPECT_FALSE(MainForm->Timer_Read->isActive());
}

TEST_F(Reading, ParameterReadFailsLiveReadWorks)
{
    connectLink();
    controller.faultOnlyAddress = 1;
    controller.setFault(sim::Fault::Silent);
    MainForm->limite_corr->setText("33");
    MainForm->lerClick();
    EXPECT_EQ(boxes.shown, std::vector<Box>({CommFailure}));
    EXPECT_FALSE(MainForm->gravar->isEnabled());
    EXPECT_TRUE(MainForm->prog->isEnabled()); // left as it was
    EXPECT_EQ(text(MainForm->limite_corr), "33");
    EXPECT_EQ(MainForm->sync->brushColor(), QColor(0, 255, 0));
    EXPECT_TRUE(MainForm->Timer_Read->isActive());
    EXPECT_NE(text(MainForm->atual_temp), "0");
}

TEST_F(Reading, BothReadsFailOneBox)
{
    connectLink();
    controller.setFault(sim::Fault::BadCrc);
    MainForm->lerClick();
    EXPECT_EQ(boxes.shown, std::vector<Box>({CommFailure}));
    EXPECT_FALSE(MainForm->Timer_Read->isActive());
    EXPECT_EQ(MainForm->sync->brushColor(), QColor(255, 0, 0));
}

TEST_F(Reading, AnswerWithoutAllTwentyFiveBytesIsAFailedRead)
{
    connectAndRead();
    const Block image = MainForm->configBlock;
    controller.memory[13] = 0; // would show 0 ms if it were taken
    controller.memory[25] = 0;
    controller.faultOnlyAddress = 1;
    controller.setFault(sim::Fault::Short);
    MainForm->lerClick();
    EXPECT_EQ(boxes.shown, std::vector<Box>({CommFailure}));
    EXPECT_FALSE(MainForm->gravar->isEnabled());
    EXPECT_EQ(MainForm->configBlock, image);
    EXPECT_EQ(text(MainForm->tempo_partida), "1000");
    EXPECT_TRUE(MainForm->Timer_Read->isActive()); // the live read still worked
}

// ------------------------------------------------------------------ writing

class Writing : public Windows { };

TEST_F(Writing, AnswerNoSendsNothingAndStartsTheMonitor)
{
    connectLink();
    controller.faultOnlyAddress = 72;
    controller.setFault(sim::Fault::Silent);
    MainForm->lerClick(); // its live read fails: the monitor is not started
    ASSERT_FALSE(MainForm->Timer_Read->isActive());
    boxes.shown.clear();
    controller.frames.clear();
    boxes.answers = {BoxAnswer::No};
    MainForm->gravarClick();
    EXPECT_EQ(boxes.shown, std::vector<Box>({ConfirmWrite}));
    EXPECT_TRUE(controller.frames.empty());
    EXPECT_TRUE(MainForm->Timer_Read->isActive());
}

TEST_F(Writing, ConfirmedWriteSendsTheImageThenReadsBack)
{
    connectAndRead();
    const auto before = controller.memory;
    MainForm->limite_corr->setText("40");
    MainForm->tempo_partida->setText("2000");
    bool timerDuringQuestion = true;
    boxes.whileOpen = [&](const Box& b) {
        if (b.buttons == BoxButtons::YesNo)
            timerDuringQuestion = MainForm->Timer_Read->isActive();
    };
    MainForm->gravarClick();
    EXPECT_FALSE(timerDuringQuestion);
    EXPECT_EQ(boxes.shown, std::vector<Box>({ConfirmWrite, WriteOk}));
    auto writes = framesOf(cmd::WriteConfig);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].address, 1);
    ASSERT_EQ(writes[0].data.size(), 25u);
    EXPECT_EQ(controller.memory[4], 26); // 40 % in 64ths
    EXPECT_EQ(controller.memory[13] | controller.memory[14] << 8, 2439);
    // Every byte no field converts goes back as it was read.
    for (int a : {1, 2, 3, 7, 8, 9, 10, 11, 12, 24})
        EXPECT_EQ(controller.memory[a], before[a]) << "address " << a;
    // The read-back follows the write.
    ASSERT_GE(controller.frames.size(), 3u);
    EXPECT_EQ(controller.frames[1].command, cmd::ReadConfig);
    EXPECT_EQ(text(MainForm->limite_corr), "40.625");
    EXPECT_TRUE(MainForm->Timer_Read->isActive());
}

TEST_F(Writing, ScaleTwoStoresTheSpeedAtScaleOne)
{
    connectAndRead();
    MainForm->rpm_cal->setText("2");
    MainForm->rpm_adj->setText("300");
    MainForm->gravarClick();
    EXPECT_EQ(controller.memory[5] | controller.memory[6] << 8, 31250);
    EXPECT_EQ(MainForm->rpm_cal->text(), "1");
    EXPECT_EQ(text(MainForm->rpm_adj), "600");
}

TEST_F(Writing, UntickedHeatingClearsOnlyItsBit)
{
    controller.memory[1] = 0xFF;
    connectAndRead();
    MainForm->heat_en->click();
    MainForm->gravarClick();
    EXPECT_EQ(controller.memory[1], 0x7F);
    EXPECT_FALSE(MainForm->heat_en->isChecked());
    EXPECT_FALSE(MainForm->injecao_extra->isEnabled());
}

TEST_F(Writing, FirstBadFieldInConversionOrderIsNamed)
{
    struct Case {
        QLineEdit* first;
        QLineEdit* second;
        const char* message;
    };
    connectAndRead();
    const Case cases[] = {
        {MainForm->tempo_partida, MainForm->porc_mistura, "'q1' is not a valid floating point value"},
        {MainForm->porc_mistura, MainForm->temp_corr, "'q1' is not a valid floating point value"},
        {MainForm->temp_max_cold, MainForm->tempo_extra, "'q1' is not a valid integer value"},
        {MainForm->valor_lambda, MainForm->var_inicial, "'q1' is not a valid floating point value"},
    };
    for (const Case& c : cases) {
        MainForm->lerClick();
        boxes.shown.clear();
        controller.frames.clear();
        c.first->setText("q1");
        c.second->setText("q2");
        MainForm->gravar->click();
        EXPECT_EQ(boxes.shown, std::vector<Box>({ConfirmWrite, ok(c.message, "Tuma Programável")}))
            << c.first->objectName().toStdString();
        EXPECT_TRUE(controller.frames.empty());
        EXPECT_FALSE(MainForm->Timer_Read->isActive());
    }
}

TEST_F(Writing, FailedWriteAndFailedReadBack)
{
    connectAndRead();
    controller.setFault(sim::Fault::Silent);
    MainForm->gravarClick();
    EXPECT_EQ(boxes.shown, std::vector<Box>({ConfirmWrite, CommFailure}));
    EXPECT_TRUE(MainForm->Timer_Read->isActive());

    controller.setFault(sim::Fault::None);
    MainForm->lerClick();
    boxes.shown.clear();
    boxes.whileOpen = [&](const Box& b) {
        if (b == WriteOk)
            controller.setFault(sim::Fault::Silent);
    };
    MainForm->gravarClick();
    EXPECT_EQ(boxes.shown, std::vector<Box>({ConfirmWrite, WriteOk, CommFailure}));
    EXPECT_FALSE(MainForm->gravar->isEnabled());
    EXPECT_TRUE(MainForm->Timer_Read->isActive());
}

TEST_F(Writing, BoundaryValuesRoundTrip)
{
    struct Case {
        QLineEdit* field;
        const char* written;
        const char* readBack;
    };
    connectAndRead();
    MainForm->heat_en->click();
    MainForm->acel_rapida_en->click();
    MainForm->sonda_en->click();
    const std::vector<std::vector<Case>> rounds = {
        {{MainForm->tempo_partida, "0", "0"},
         {MainForm->temp_max_cold, "15", "15"},
         {MainForm->porc_mistura, "10", "9.375"},
         {MainForm->injecao_extra, "0", "0"},
         {MainForm->temp_max_extra, "35", "35"},
         {MainForm->limite_corr, "10", "9.375"},
         {MainForm->temp_corr, "0", "0"},
         {MainForm->tempo_ajuste, "10", "10"},
         {MainForm->valor_lambda, "0", "0"},
         {MainForm->var_inicial, "200", "200"},
         {MainForm->tempo_extra, "0", "0"},
         {MainForm->rpm_adj, "600", "600"}},
        {{MainForm->tempo_partida, "4000", "4000"},
         {MainForm->temp_max_cold, "35", "35"},
         {MainForm->porc_mistura, "50", "50"},
         {MainForm->injecao_extra, "10", "9.375"},
         {MainForm->temp_max_extra, "60", "60"},
         {MainForm->limite_corr, "50", "50"},
         {MainForm->temp_corr, "100", "102"},
         {MainForm->tempo_ajuste, "50", "49"},
         {MainForm->valor_lambda, "1000", "1000"},
         {MainForm->var_inicial, "15000", "15000"},
         {MainForm->tempo_extra, "20", "20.3125"},
         {MainForm->rpm_adj, "1500", "1500"}},
    };
    for (const auto& round : rounds) {
        for (const Case& c : round)
            c.field->setText(c.written);
        MainForm->gravarClick();
        for (const Case& c : round)
            EXPECT_EQ(text(c.field), c.readBack) << c.field->objectName().toStdString() << " = " << c.written;
    }
    EXPECT_EQ(controller.memory[1] & 0xF0, 0xD0);
}

// ------------------------------------------------------------------ live values

class LiveValues : public Windows {
protected:
    void pin(uint16_t period, uint16_t injection)
    {
        controller.liveFrozen = true;
        controller.memory[67] = period & 0xFF;
        controller.memory[68] = period >> 8;
        controller.memory[69] = injection & 0xFF;
        controller.memory[70] = injection >> 8;
        controller.memory[72] = 32;
        controller.memory[74] = 91;
        controller.memory[75] = 0;
        controller.memory[76] = 1;
    }
};

TEST_F(LiveValues, OneTickFillsTheSixBoxes)
{
    pin(15625, 5000);
    connectAndRead();
    MainForm->Timer_ReadTimer();
    EXPECT_EQ(text(MainForm->atual_temp), "35");
    EXPECT_EQ(text(MainForm->atual_map), "0.00");
    EXPECT_EQ(text(MainForm->atual_lambda), "19");
    EXPECT_EQ(text(MainForm->atual_corr), "50");
    EXPECT_EQ(text(MainForm->atual_rpm), "1200");
    EXPECT_EQ(text(MainForm->atual_inj), "4.0");
    ASSERT_EQ(controller.frames.size(), 1u);
    EXPECT_EQ(controller.frames[0].address, 67);
    EXPECT_EQ(controller.frames[0].data.size(), 10u);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LiveValues, EngineSpeedFollowsTheScale)
{
    const std::tuple<uint16_t, const char*, const char*> cases[] = {
        {15625, "1", "1200"}, {15625, "2", "600"}, {15625, "8", "150"}, {1, "1", "18750000"},
        {0, "1", "0"},        {15625, "0", "0"},   {15625, "x", "0"},
    };
    connectAndRead();
    for (auto& [period, scale, shown] : cases) {
        pin(period, 65535);
        MainForm->rpm_cal->setText(scale);
        MainForm->atual_inj->setText("");
        MainForm->Timer_ReadTimer();
        EXPECT_EQ(text(MainForm->atual_rpm), shown) << period << " at " << scale;
        EXPECT_EQ(text(MainForm->atual_inj), "52.4");
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LiveValues, ShortAnswerLeavesTheOlderBytes)
{
    pin(15625, 5000);
    connectAndRead();
    MainForm->Timer_ReadTimer();
    controller.memory[67] = 0x12; // 31250 if all came
    controller.memory[68] = 0x7A;
    controller.memory[74] = 14;
    controller.setFault(sim::Fault::Short);
    MainForm->Timer_ReadTimer();
    EXPECT_EQ(text(MainForm->atual_rpm), "600");
    EXPECT_EQ(text(MainForm->atual_temp), "35"); // byte 7 did not come
}

TEST_F(LiveValues, ControllerStopsAnsweringOneBoxAndNoMorePolls)
{
    connectAndRead();
    MainForm->Timer_ReadTimer();
    const QString lastTemp = MainForm->atual_temp->text();
    controller.setFault(sim::Fault::Silent);
    MainForm->Timer_ReadTimer();
    EXPECT_EQ(boxes.shown, std::vector<Box>({CommFailure}));
    EXPECT_FALSE(MainForm->Timer_Read->isActive());
    EXPECT_EQ(MainForm->sync->brushColor(), QColor(255, 0, 0));
    EXPECT_FALSE(MainForm->gravar->isEnabled());
    EXPECT_FALSE(MainForm->prog->isEnabled());
    EXPECT_TRUE(MainForm->ler->isEnabled());
    EXPECT_EQ(MainForm->atual_temp->text(), lastTemp);
}

TEST_F(LiveValues, UnpluggedControllerThroughTheRealTimer)
{
    connectAndRead();
    ASSERT_TRUE(MainForm->Timer_Read->isActive());
    controller.setFault(sim::Fault::Gone);
    QTest::qWait(1300); // two or more intervals
    EXPECT_EQ(boxes.shown, std::vector<Box>({CommFailure}));
    EXPECT_FALSE(Form2->link().portOpen());
    EXPECT_FALSE(MainForm->Timer_Read->isActive());
    // Plugged back in: a new check and read bring it all back.
    controller.setFault(sim::Fault::None);
    connectAndRead();
    EXPECT_TRUE(MainForm->Timer_Read->isActive());
    EXPECT_TRUE(MainForm->gravar->isEnabled());
    EXPECT_EQ(MainForm->sync->brushColor(), QColor(0, 255, 0));
}

} // namespace
