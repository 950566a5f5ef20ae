#include "support/widget_harness.h"

#include <QMessageBox>

using namespace tuma;
using namespace tuma::test;

namespace {

class Fields : public Windows {
protected:
    void SetUp() override
    {
        Windows::SetUp();
        // Every option on, so that every field can take the focus.
        MainForm->heat_en->setChecked(true);
        MainForm->acel_rapida_en->setChecked(true);
        MainForm->sonda_en->setChecked(true);
        MainForm->show();
        MainForm->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(MainForm));
    }
    void TearDown() override
    {
        MainForm->hide();
        Windows::TearDown();
    }
    // Focus the field from the keyboard, type, and leave it with Tab (or by a click
    // on another control).
    void type(QLineEdit* field, const QString& typed, bool leaveByMouse = false)
    {
        field->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, typed);
        if (leaveByMouse) {
            QLineEdit* other = field == MainForm->tempo_partida ? MainForm->temp_max_cold : MainForm->tempo_partida;
            QTest::mouseClick(other, Qt::LeftButton);
        } else {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QApplication::processEvents();
    }
    void leave(QLineEdit* field)
    {
        field->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        QTest::keyClick(field, Qt::Key_Tab);
        QApplication::processEvents();
    }
};

struct Bounds {
    const char* field;
    const char* good[2];
    const char* bad[2];
    const char* range;
};

QLineEdit* fieldNamed(const char* name) { return MainForm->findChild<QLineEdit*>(name); }

TEST_F(Fields, IntegerBoundsAreInclusive)
{
    const Bounds cases[] = {
        {"var_inicial", {"200", "15000"}, {"199", "15001"}, "Os valores devem estar entre 200 e 15000!"},
        {"temp_max_cold", {"15", "35"}, {"14", "36"}, "Os valores devem estar entre 15 e 35!"},
        {"tempo_partida", {"0", "4000"}, {"-1", "4001"}, "Os valores devem estar entre 0 e 4000!"},
        {"temp_corr", {"0", "100"}, {"-1", "101"}, "Os valores devem estar entre 0 e 100!"},
        {"temp_max_extra", {"35", "60"}, {"34", "61"}, "Os valores devem estar entre 35 e 60!"},
        {"tempo_ajuste", {"10", "50"}, {"9", "51"}, "Os valores devem estar entre 10 e 50!"},
        {"valor_lambda", {"0", "1000"}, {"-1", "1001"}, "Os valores devem estar entre 0 e 1000!"},
        {"tempo_extra", {"0", "20"}, {"-0.5", "20.5"}, "Os valores devem estar entre 0 e 20!"},
        {"injecao_extra", {"0", "10"}, {"-1", "10.01"}, "Os valores devem estar entre 0 e 10!"},
        {"limite_corr", {"10", "50"}, {"9.99", "51"}, "Os valores devem estar entre 10 e 50!"},
    };
    for (const Bounds& c : cases) {
        QLineEdit* f = fieldNamed(c.field);
        ASSERT_NE(f, nullptr) << c.field;
        for (const char* g : c.good) {
            boxes.shown.clear();
            type(f, g);
            EXPECT_TRUE(boxes.shown.empty()) << c.field << " " << g;
            EXPECT_EQ(text(f), g);
        }
        for (const char* b : c.bad) {
            boxes.shown.clear();
            const QString before = f->text();
            type(f, b, true);
            EXPECT_EQ(boxes.shown, std::vector<Box>({ok(c.range, "Aviso!")})) << c.field << " " << b;
            EXPECT_EQ(f->text(), before);
        }
    }
}

TEST_F(Fields, DecimalBoundsInSinglePrecision)
{
    const std::pair<const char*, bool> cases[] = {
        {"50.000001", true}, {"9.9999999", true}, {"50.000002", false}, {"1e-50", false}, {"1e1", true},
    };
    for (auto& [t, accepted] : cases) {
        MainForm->limite_corr->setText("40");
        MainForm->porc_mistura->setText("10");
        boxes.shown.clear();
        type(MainForm->limite_corr, t);
        EXPECT_EQ(boxes.shown.empty(), accepted) << t;
        EXPECT_EQ(text(MainForm->limite_corr), accepted ? t : "40");
    }
}

TEST_F(Fields, BeyondSinglePrecisionIsOutOfBounds)
{
    type(MainForm->limite_corr, "1e39");
    EXPECT_EQ(boxes.shown, std::vector<Box>({ok("Os valores devem estar entre 10 e 50!", "Aviso!")}));
    EXPECT_EQ(text(MainForm->limite_corr), "50");
}

TEST_F(Fields, EqualPercentagesAndSinglePrecision)
{
    MainForm->limite_corr->setText("37.2");
    type(MainForm->porc_mistura, "37.2");
    EXPECT_EQ(boxes.shown,
              std::vector<Box>({ok("Os valores devem estar entre 10 e a Correção Máxima em %!", "Aviso!")}));
    EXPECT_EQ(text(MainForm->porc_mistura), "37");
    boxes.shown.clear();
    MainForm->limite_corr->setText("37.1");
    type(MainForm->porc_mistura, "37.1");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(text(MainForm->porc_mistura), "37.1");
}

TEST_F(Fields, MixtureBelowTenOrAboveTheMaximum)
{
    type(MainForm->porc_mistura, "9");
    MainForm->limite_corr->setText("40");
    type(MainForm->porc_mistura, "45");
    const Box range = ok("Os valores devem estar entre 10 e a Correção Máxima em %!", "Aviso!");
    EXPECT_EQ(boxes.shown, std::vector<Box>({range, range}));
    EXPECT_EQ(text(MainForm->porc_mistura), "37");
}

TEST_F(Fields, LoweringTheMaximumCopiesItIntoTheMixture)
{
    MainForm->porc_mistura->setText("37");
    type(MainForm->limite_corr, "30");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(text(MainForm->porc_mistura), "30");
    type(MainForm->limite_corr, "30.00");
    EXPECT_EQ(text(MainForm->porc_mistura), "30"); // equal values change nothing
}

TEST_F(Fields, ConversionMessages)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"temp_corr", "abc", "Valores Incorretos!"},  {"valor_lambda", "abc", "Valor Incorreto"},
        {"tempo_partida", "12a", "Valor Incorreto!"}, {"temp_max_cold", "20.5", "Valor Incorreto!"},
        {"limite_corr", "", "Valor Incorreto!"},      {"limite_corr", "37,5", "Valor Incorreto!"},
        {"tempo_extra", "1.2.3", "Valor Incorreto!"},
    };
    for (auto& [name, typed, message] : cases) {
        QLineEdit* f = fieldNamed(name);
        const QString before = f->text();
        boxes.shown.clear();
        type(f, typed);
        EXPECT_EQ(boxes.shown, std::vector<Box>({ok(message, "Erro!")})) << name << " '" << typed << "'";
        EXPECT_EQ(f->text(), before);
    }
}

TEST_F(Fields, CommaSeparatorRejectsAFullStop)
{
    MainForm->setDecimalSeparator(',');
    type(MainForm->limite_corr, "37.5");
    EXPECT_EQ(boxes.shown, std::vector<Box>({ok("Valor Incorreto!", "Erro!")}));
    boxes.shown.clear();
    MainForm->porc_mistura->setText("10");
    type(MainForm->limite_corr, "37,5");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(text(MainForm->limite_corr), "37,5");
}

TEST_F(Fields, FractionalValueFromAReadIsReportedEveryTime)
{
    controller.memory[19] = 251; // 200.8 us
    controller.memory[1] = bits::QuickAccel;
    connectAndRead();
    MainForm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(MainForm));
    ASSERT_EQ(text(MainForm->var_inicial), "200.8");
    leave(MainForm->var_inicial);
    leave(MainForm->var_inicial);
    EXPECT_EQ(boxes.shown, std::vector<Box>({ok("Valor Incorreto!", "Erro!"), ok("Valor Incorreto!", "Erro!")}));
    EXPECT_EQ(text(MainForm->var_inicial), "200.8");
}

TEST_F(Fields, UnchangedValidTextPassesSilently)
{
    for (const char* name : {"tempo_partida", "temp_max_cold", "porc_mistura", "limite_corr", "temp_corr"})
        leave(fieldNamed(name));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Fields, BrokenOtherPercentageGoesToTheErrorDisplay)
{
    MainForm->porc_mistura->setText("zz");
    type(MainForm->limite_corr, "30");
    EXPECT_EQ(boxes.shown, std::vector<Box>({ok("'zz' is not a valid floating point value", "Tuma Programável")}));
    EXPECT_EQ(text(MainForm->limite_corr), "30");
}

// With the real message boxes, which take the focus and give it back: the rejected
// field gets its own earlier text, and the next field's entry is recorded once.
TEST_F(Fields, RealMessageBoxKeepsTheRightSavedText)
{
    QtMessageBoxes real;
    boxes.passTo = &real;
    QStringList seen;
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen << box->windowTitle() + ": " + box->text();
            box->accept();
        }
    });
    closer.start();
    MainForm->tempo_partida->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    MainForm->tempo_partida->selectAll();
    QTest::keyClicks(MainForm->tempo_partida, "9999");
    QTest::keyClick(MainForm->tempo_partida, Qt::Key_Tab); // to temp_max_cold
    ASSERT_TRUE(waitUntil([&] { return seen.size() == 1; }));
    EXPECT_EQ(seen[0], QString::fromUtf8("Aviso!: Os valores devem estar entre 0 e 4000!"));
    EXPECT_EQ(MainForm->tempo_partida->text(), "1000");
    // What the window manager does when the box has gone.
    MainForm->activateWindow();
    EXPECT_TRUE(waitUntil([] { return QApplication::focusWidget() == MainForm->temp_max_cold; }));
    EXPECT_EQ(MainForm->savedText, "20");
    // And the next field still checks against its own text.
    MainForm->temp_max_cold->selectAll();
    QTest::keyClicks(MainForm->temp_max_cold, "99");
    QTest::keyClick(MainForm->temp_max_cold, Qt::Key_Tab);
    ASSERT_TRUE(waitUntil([&] { return seen.size() == 2; }));
    EXPECT_EQ(MainForm->temp_max_cold->text(), "20");
    closer.stop();
}

// ------------------------------------------------------------------ idle speed and scale

class IdleSpeed : public Windows { };

TEST_F(IdleSpeed, StepsOfTwentyFiveWithinTheBounds)
{
    const Box minimum = ok("O valor mínimo é 600RPM!", "Aviso!");
    const Box maximum = ok("O valor máximo é 1500RPM!", "Aviso!");
    struct Case {
        const char* start;
        bool up;
        const char* result;
        bool message;
    };
    const Case cases[] = {
        {"600", false, "600", true},  {"625", false, "600", false},  {"610", false, "600", true},
        {"1500", true, "1500", true}, {"1475", true, "1500", false}, {"1490", true, "1500", true},
        {"0", true, "25", false},     {"0", false, "600", true},     {"1600", false, "1575", false},
        {"100", true, "125", false},
    };
    for (const Case& c : cases) {
        MainForm->rpm_adj->setText(c.start);
        boxes.shown.clear();
        QString whileOpen;
        boxes.whileOpen = [&](const Box&) { whileOpen = MainForm->rpm_adj->text(); };
        (c.up ? MainForm->rpmup : MainForm->rpmdown)->click();
        EXPECT_EQ(text(MainForm->rpm_adj), c.result) << c.start << (c.up ? " +" : " -");
        if (c.message) {
            EXPECT_EQ(boxes.shown, std::vector<Box>({c.up ? maximum : minimum}));
            EXPECT_EQ(whileOpen, c.start); // the field changes when the box has closed
        } else {
            EXPECT_TRUE(boxes.shown.empty());
        }
    }
}

TEST_F(IdleSpeed, ScaleCycleRescalesTheReference)
{
    const std::pair<const char*, std::vector<const char*>> cycles[] = {
        {"600", {"300", "150", "75", "600"}},
        {"625", {"312", "156", "78", "624"}},
    };
    for (auto& [start, values] : cycles) {
        MainForm->rpm_cal->setText("1");
        MainForm->rpm_adj->setText(start);
        const char* scales[] = {"2", "4", "8", "1"};
        for (int i = 0; i < 4; ++i) {
            MainForm->rpm_cal_button->click();
            EXPECT_EQ(MainForm->rpm_cal->text(), scales[i]);
            EXPECT_EQ(text(MainForm->rpm_adj), values[i]) << start << " step " << i;
        }
    }
    MainForm->rpm_cal->setText("3");
    MainForm->rpm_cal_button->click();
    EXPECT_EQ(MainForm->rpm_cal->text(), "3");
    EXPECT_EQ(text(MainForm->rpm_adj), "624");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(IdleSpeed, ZeroAfterAReadThenTheButtons)
{
    controller.memory[5] = 0;
    controller.memory[6] = 0;
    connectAndRead();
    ASSERT_EQ(text(MainForm->rpm_adj), "0");
    MainForm->rpmup->click();
    EXPECT_EQ(text(MainForm->rpm_adj), "25");
}

TEST_F(IdleSpeed, HalvedScaleMinimumStandsForDoubleTheSpeed)
{
    connectAndRead();
    MainForm->rpm_cal_button->click(); // scale 2, 300
    MainForm->rpmdown->click();        // minimum message, 600 at scale 2
    EXPECT_EQ(text(MainForm->rpm_adj), "600");
    MainForm->gravarClick();
    EXPECT_EQ(controller.memory[5] | controller.memory[6] << 8, 15625);
    EXPECT_EQ(text(MainForm->rpm_adj), "1200");
    EXPECT_EQ(MainForm->rpm_cal->text(), "1");
}

} // namespace

namespace {

// A field left by an accelerator: Alt+G and Alt+P press their button while the focus
// stays in the field, so its check runs before the button acts.
TEST_F(Fields, AcceleratorChecksTheFieldStillBeingTypedIn)
{
    struct Case {
        QLineEdit* field;
        const char* typed;
        const char* before;
        Qt::Key key;
        Box report;
    };
    connectAndRead();
    const Case cases[] = {
        {MainForm->tempo_partida, "9999", "1000", Qt::Key_G, ok("Os valores devem estar entre 0 e 4000!", "Aviso!")},
        {MainForm->limite_corr, "80", "50", Qt::Key_G, ok("Os valores devem estar entre 10 e 50!", "Aviso!")},
        {MainForm->temp_corr, "3.5", "35", Qt::Key_G, ok("Valores Incorretos!", "Erro!")},
        {MainForm->limite_corr, "80", "50", Qt::Key_P, ok("Os valores devem estar entre 10 e 50!", "Aviso!")},
    };
    // Accelerators act in the active window only.
    MainForm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(MainForm));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field->objectName().toStdString() + " " + c.typed);
        boxes.shown.clear();
        controller.frames.clear();
        c.field->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        c.field->selectAll();
        QTest::keyClicks(c.field, QString::fromUtf8(c.typed));
        bool dialogOpened = false;
        QTimer::singleShot(300, [&] {
            if (ProgramForm->isVisible()) {
                dialogOpened = true;
                ProgramForm->reject();
            }
        });
        QTest::keyClick(c.field, c.key, Qt::AltModifier);
        ASSERT_TRUE(waitUntil([&] { return !boxes.shown.empty(); }, 1000));
        QTest::qWait(400);
        EXPECT_EQ(boxes.shown, std::vector<Box>({c.report})); // no question, no dialog
        EXPECT_EQ(text(c.field), c.before);
        EXPECT_TRUE(framesOf(cmd::WriteConfig).empty());
        EXPECT_FALSE(dialogOpened);
    }
    // A good entry stands and the write goes on with it.
    boxes.shown.clear();
    MainForm->tempo_partida->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    MainForm->tempo_partida->selectAll();
    QTest::keyClicks(MainForm->tempo_partida, "2000");
    boxes.answers = {BoxAnswer::No};
    QTest::keyClick(MainForm->tempo_partida, Qt::Key_G, Qt::AltModifier);
    ASSERT_TRUE(waitUntil([&] { return !boxes.shown.empty(); }, 1000));
    EXPECT_EQ(boxes.shown, std::vector<Box>({yesNo("Confirme Gravação dos Dados!!!!", "Aviso")}));
    EXPECT_EQ(text(MainForm->tempo_partida), "2000");
}

// An accelerator's click lands 100 ms after the key; a poll that fails meanwhile
// disables the button, which then must do nothing.
TEST_F(Fields, ButtonDisabledBeforeItsAnimatedClickLandsDoesNothing)
{
    connectAndRead();
    for (QToolButton* button : {MainForm->gravar, MainForm->prog}) {
        SCOPED_TRACE(button->objectName().toStdString());
        button->setEnabled(true);
        boxes.shown.clear();
        bool dialogOpened = false;
        QTimer::singleShot(200, [&] {
            if (ProgramForm->isVisible()) {
                dialogOpened = true;
                ProgramForm->reject();
            }
        });
        button->animateClick();
        button->setEnabled(false);
        QTest::qWait(250);
        EXPECT_TRUE(boxes.shown.empty());
        EXPECT_FALSE(dialogOpened);
        EXPECT_TRUE(framesOf(cmd::WriteConfig).empty());
    }
}

} // namespace
