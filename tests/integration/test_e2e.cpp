// The program as a technician uses it, through Qt SerialPort, against the simulated
// controller behind a real pseudo-terminal.
#include "app/menu_bar.h"
#include "core/installation_checks.h"
#include "diagnosis/diagnosis_room.h"
#include "sim/engine.h"
#include "sim/pty_server.h"
#include "support/widget_harness.h"

#include <QLabel>

using namespace tuma;
using namespace tuma::test;

namespace {

class OverPty : public ::testing::Test {
protected:
    sim::Controller controller;
    sim::PtyServer server{controller};
    ScriptedBoxes boxes;
    CancelledDialogs dialogs;
    QTemporaryDir documents;
    std::unique_ptr<House> house;

    void SetUp() override
    {
        controller.logFrames = true;
        controller.timing.mapLearnUs = 3000000;
        controller.timing.mapOperatorFromUs = 800000;
        controller.timing.mapOperatorToUs = 2000000;
        ASSERT_TRUE(server.start());
        server.startThread();
        static_cast<TumaApplication*>(QCoreApplication::instance())->useBoxes(&boxes);
        Platform platform = systemPlatform();
        platform.decimalSeparator = '.';
        house = std::make_unique<House>(platform, HouseServices{boxes, dialogs, documents.path()});
        MainForm->show();
        MainForm->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(MainForm));
    }
    void TearDown() override
    {
        house.reset();
        static_cast<TumaApplication*>(QCoreApplication::instance())->useBoxes(nullptr);
        server.stop();
    }
    template <class F>
    auto locked(F f)
    {
        std::lock_guard<std::mutex> g(server.mutex());
        return f();
    }
    std::vector<sim::Frame> takeFrames()
    {
        return locked([this] {
            auto out = controller.frames;
            controller.frames.clear();
            return out;
        });
    }
    void config()
    {
        QTimer::singleShot(0, [this] {
            QLineEdit* edit = Form2->combo_porta->lineEdit();
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Delete);
            QTest::keyClicks(edit, QString::fromStdString(server.portName()));
            QTest::keyClick(Form2->button_OK, Qt::Key_Space);
        });
        MainForm->config->click();
    }
    void retype(QLineEdit* field, const char* value)
    {
        field->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        field->selectAll();
        QTest::keyClicks(field, value);
        QTest::keyClick(field, Qt::Key_Tab);
        QApplication::processEvents();
    }
};

TEST_F(OverPty, PortTypedByHandThenVersion)
{
    config();
    EXPECT_EQ(boxes.shown, std::vector<Box>({ok("2.5", "Versão")}));
    EXPECT_TRUE(MainForm->ler->isEnabled());
    EXPECT_TRUE(MainForm->prog->isEnabled());
    EXPECT_FALSE(MainForm->gravar->isEnabled());
    auto frames = takeFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].command, cmd::GetVersion);
}

TEST_F(OverPty, TheTypicalRoad)
{
    // 1. The link check.
    config();
    ASSERT_TRUE(Form2->linkChecked());
    boxes.shown.clear();
    takeFrames();

    // 2. Read the parameters; the monitor starts.
    MainForm->ler->click();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(MainForm->tempo_partida->text(), "1000");
    EXPECT_EQ(MainForm->limite_corr->text(), "50");
    EXPECT_TRUE(MainForm->Timer_Read->isActive());
    EXPECT_EQ(MainForm->sync->brushColor(), QColor(0, 255, 0));

    // 3. Live values tick twice a second.
    MainForm->atual_rpm->setText("0");
    ASSERT_TRUE(waitUntil([] { return MainForm->atual_rpm->text() != "0"; }, 2000));
    const int rpm = MainForm->atual_rpm->text().toInt();
    EXPECT_GT(rpm, 700);
    EXPECT_LT(rpm, 1000);

    // 4. Edit with the keyboard and write.
    MainForm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(MainForm));
    retype(MainForm->tempo_partida, "2000");
    retype(MainForm->limite_corr, "40");
    retype(MainForm->porc_mistura, "45"); // above the maximum: rejected
    EXPECT_EQ(boxes.shown,
              std::vector<Box>({ok("Os valores devem estar entre 10 e a Correção Máxima em %!", "Aviso!")}));
    boxes.shown.clear();
    takeFrames();
    MainForm->gravar->click();
    EXPECT_EQ(boxes.shown,
              std::vector<Box>({yesNo("Confirme Gravação dos Dados!!!!", "Aviso"), ok("Programação OK", "Gravação")}));
    auto frames = takeFrames();
    ASSERT_GE(frames.size(), 3u);
    EXPECT_EQ(frames[0].command, cmd::WriteConfig);
    ASSERT_EQ(frames[0].data.size(), 25u);
    EXPECT_EQ(frames[0].data[12] | frames[0].data[13] << 8, 2439);
    EXPECT_EQ(frames[0].data[3], 26);
    EXPECT_EQ(frames[1].command, cmd::ReadConfig);
    EXPECT_EQ(frames[2].command, cmd::ReadLive);
    EXPECT_EQ(MainForm->tempo_partida->text(), "2000");
    EXPECT_EQ(MainForm->limite_corr->text(), "40.625");
    EXPECT_EQ(locked([this] { return controller.memory[13] | controller.memory[14] << 8; }), 2439);

    // 5. A mixture programming and a MAP learning.
    boxes.shown.clear();
    QTimer::singleShot(0, [] {
        ProgramForm->setProgTypeIndex(0);
        ProgramForm->setMixIndex(2);
        ProgramForm->button_OK->click();
    });
    MainForm->prog->click();
    EXPECT_EQ(
        boxes.shown,
        std::vector<Box>({yesNo("Confirma Programação do Tuma !!!!", "Aviso"), ok("Programação OK", "Programação")}));
    EXPECT_EQ(locked([this] { return controller.memory[3]; }), mixtureByte(2, 40.625));

    boxes.shown.clear();
    int promptTicks = 0;
    auto counter = QObject::connect(ProgramTumaForm->Timer1, &QTimer::timeout,
                                    [&] { promptTicks += !ProgramTumaForm->mensagem2->isHidden(); });
    QTimer::singleShot(0, [] {
        ProgramForm->setProgTypeIndex(3);
        ProgramForm->button_OK->click();
    });
    MainForm->prog->click();
    QObject::disconnect(counter);
    EXPECT_EQ(boxes.shown,
              std::vector<Box>(
                  {yesNo("Confirma Programação do Tuma !!!!", "Aviso"), ok("Programação Completada!", "Completada")}));
    EXPECT_GE(promptTicks, 1);
    EXPECT_TRUE(MainForm->Timer_Read->isActive());
    MainForm->ler->click();
    EXPECT_EQ(MainForm->map_prg->brushColor(), QColor(0, 255, 0));

    // 6. Leave.
    takeFrames();
    MainForm->sair->click();
    EXPECT_FALSE(MainForm->isVisible());
    EXPECT_TRUE(takeFrames().empty());
}

TEST_F(OverPty, UnpluggedWhileMonitoring)
{
    config();
    MainForm->ler->click();
    boxes.shown.clear();
    locked([this] {
        controller.setFault(sim::Fault::Gone);
        return 0;
    });
    ASSERT_TRUE(waitUntil([this] { return !boxes.shown.empty(); }, 5000));
    QTest::qWait(1200);
    EXPECT_EQ(boxes.shown, std::vector<Box>({CommFailure}));
    EXPECT_FALSE(Form2->link().portOpen());
    EXPECT_FALSE(MainForm->Timer_Read->isActive());
    EXPECT_EQ(MainForm->sync->brushColor(), QColor(255, 0, 0));
}

} // namespace

namespace {

// An engine whose MAP signal wire is loose, behind the real port: its finding appears
// in the diagnosis, and the line carries exactly the monitor's requests.
class EngineOverPty : public OverPty {
protected:
    sim::Engine engine{warm()};
    static sim::Engine::Setup warm()
    {
        sim::Engine::Setup s;
        s.ambient = 85;
        s.drive = {{sim::Phase::Idle, 3600, 0}};
        return s;
    }
};

TEST_F(EngineOverPty, ALooseMapWireIsFoundWithNothingAddedOnTheLine)
{
    locked([this] {
        controller.engine = &engine;
        engine.setFault(sim::EngineFault::MapWireOff);
        return 0;
    });
    config();
    ASSERT_TRUE(Form2->linkChecked());
    boxes.shown.clear();
    MainForm->ler->click();
    takeFrames();
    // The link settles for 5 s, then the fault must last 5 s: wait up to 20 s on a
    // loaded machine, for the finding and nothing else.
    DiagnosisRoom& diagnosis = house->diagnosis();
    ASSERT_TRUE(waitUntil([&] { return diagnosis.checks().active() > 0; }, 20000))
        << "no finding within 20 s of real polls";
    EXPECT_EQ(diagnosis.checks().status(checks::CheckId::NoMap).state, checks::State::Attention);
    EXPECT_EQ(diagnosis.checks().active(), 1u);
    EXPECT_EQ(std::string(diagnosis.checks().status(checks::CheckId::NoMap).values.data()), "MAP 0,00 V (código 0)");
    EXPECT_EQ(house->menuBar().avisos->accessibleName(), "1 aviso");
    const auto frames = takeFrames();
    ASSERT_GE(frames.size(), 18u); // at least 9 s of polls
    for (const sim::Frame& f : frames) {
        EXPECT_EQ(f.command, cmd::ReadLive);
        EXPECT_EQ(f.address, addr::LiveFirst);
        EXPECT_EQ(f.data.size(), addr::LiveCount);
    }
    EXPECT_TRUE(boxes.shown.empty());
}

} // namespace
