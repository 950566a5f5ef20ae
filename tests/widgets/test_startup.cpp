#include "support/widget_harness.h"

#include "app/demo_port.h"
#include "app/menu_bar.h"
#include "forms/link_trace.h"

#include <QLoggingCategory>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSignalSpy>

using namespace tuma;
using namespace tuma::test;

namespace {

class Startup : public Windows { };

TEST_F(Startup, InitialStateOfTheMainWindow)
{
    EXPECT_EQ(MainForm->windowTitle(), QString::fromUtf8("Marvolan - Tuma Programável v 2.5"));
    // The form, directly under the menu bar; the window taller by the bar.
    const int bar = house->menuBar().bar()->height();
    EXPECT_GT(bar, 10);
    EXPECT_EQ(house->formArea()->geometry(), QRect(0, bar, 794, 576));
    EXPECT_EQ(MainForm->size(), QSize(794, 576 + bar));
    EXPECT_EQ(MainForm->minimumSize(), MainForm->maximumSize());
    EXPECT_TRUE(MainForm->config->isEnabled());
    EXPECT_TRUE(MainForm->sair->isEnabled());
    EXPECT_FALSE(MainForm->prog->isEnabled());
    EXPECT_FALSE(MainForm->ler->isEnabled());
    EXPECT_FALSE(MainForm->gravar->isEnabled());
    EXPECT_FALSE(MainForm->Timer_Read->isActive());
    EXPECT_EQ(MainForm->Timer_Read->interval(), 500);
    for (Lamp* l : {MainForm->rpm_prg, MainForm->map_prg, MainForm->sync})
        EXPECT_EQ(l->brushColor(), QColor(255, 0, 0));
    const std::pair<QLineEdit*, const char*> defaults[] = {
        {MainForm->tempo_partida, "1000"}, {MainForm->temp_max_cold, "20"},  {MainForm->porc_mistura, "37"},
        {MainForm->injecao_extra, "10"},   {MainForm->temp_max_extra, "35"}, {MainForm->limite_corr, "50"},
        {MainForm->temp_corr, "35"},       {MainForm->var_inicial, "200"},   {MainForm->tempo_extra, "0"},
        {MainForm->tempo_ajuste, "50"},    {MainForm->valor_lambda, "0"},    {MainForm->rpm_adj, "600"},
        {MainForm->atual_corr, "0"},       {MainForm->atual_rpm, "0"},       {MainForm->atual_inj, "0"},
    };
    for (auto& [field, text] : defaults)
        EXPECT_EQ(field->text(), text) << field->objectName().toStdString();
    for (QWidget* w :
         {(QWidget*)MainForm->injecao_extra, (QWidget*)MainForm->temp_max_extra, (QWidget*)MainForm->var_inicial,
          (QWidget*)MainForm->tempo_extra, (QWidget*)MainForm->tempo_ajuste, (QWidget*)MainForm->valor_lambda,
          (QWidget*)MainForm->banda_larga, (QWidget*)MainForm->Label11, (QWidget*)MainForm->Label20})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(MainForm->rpm_adj->isReadOnly());
    EXPECT_EQ(MainForm->rpm_cal->text(), "1");
    EXPECT_EQ(MainForm->editFlags, 0);
    EXPECT_EQ(MainForm->config->text(), "&Config.");
    EXPECT_EQ(MainForm->gravar->toolTip(), QString::fromUtf8("Grava valores da tela na memória do Tuma"));
    EXPECT_EQ(MainForm->Label31->text(),
              QString::fromUtf8("OBS. ALGUNS VALORES PODEM MUDAR APÓS SEREM GRAVADOS DEVIDO A PRECISÃO DECIMAL"));
    EXPECT_EQ(MainForm->partida_frio->geometry(), QRect(8, 7, 249, 145));
    EXPECT_EQ(MainForm->botoes->geometry(), QRect(8, 399, 778, 170));
    EXPECT_EQ(MainForm->val_atuais->geometry(), QRect(263, 207, 523, 186));
}

TEST_F(Startup, PortDialogListsThePortsOnceFirstSelected)
{
    EXPECT_EQ(Form2->windowTitle(), QString::fromUtf8("Configuração Porta Serial"));
    ASSERT_EQ(Form2->combo_porta->count(), 2);
    EXPECT_EQ(Form2->combo_porta->itemText(0), "ttyS0");
    EXPECT_EQ(Form2->combo_porta->itemText(1), "DEMO");
    EXPECT_EQ(Form2->combo_porta->currentText(), "ttyS0");
    EXPECT_EQ(Form2->combo_porta->lineEdit()->maxLength(), 10);
    EXPECT_TRUE(Form2->button_OK->isDefault());
    EXPECT_FALSE(Form2->linkChecked());
    EXPECT_FALSE(Form2->link().portOpen());
    ports << "ttyUSB0"; // a port that appears later is not offered
    EXPECT_EQ(Form2->combo_porta->count(), 2);
}

TEST_F(Startup, GoodCheckEnablesReadAndProgramOnly)
{
    configWith("DEMO");
    EXPECT_EQ(boxes.shown, std::vector<Box>({ok("2.5", "Versão")}));
    EXPECT_TRUE(MainForm->ler->isEnabled());
    EXPECT_TRUE(MainForm->prog->isEnabled());
    EXPECT_FALSE(MainForm->gravar->isEnabled());
    EXPECT_TRUE(Form2->link().portOpen());
    EXPECT_FALSE(Form2->isVisible());
    ASSERT_EQ(controller.frames.size(), 1u);
    EXPECT_EQ(controller.frames[0].command, cmd::GetVersion);
    EXPECT_EQ(controller.frames[0].address, 1);
    EXPECT_EQ(controller.frames[0].data.size(), 1u);
}

TEST_F(Startup, VersionTextFromTheTwoBytes)
{
    const std::tuple<uint8_t, uint8_t, const char*> cases[]
        = {{0, 0, "0.0"}, {255, 255, "255.255"}, {2, 5, "2.5"}, {10, 0, "10.0"}};
    for (auto& [major, minor, textOut] : cases) {
        controller.versionMajor = major;
        controller.versionMinor = minor;
        boxes.shown.clear();
        configWith("DEMO");
        EXPECT_EQ(boxes.shown, std::vector<Box>({ok(textOut, "Versão")}));
    }
}

TEST_F(Startup, UnopenablePortGivesTwoMessagesInOrder)
{
    // Both messages show over the dialog; it closes after the second.
    std::vector<bool> overTheDialog;
    boxes.whileOpen = [&](const Box&) { overTheDialog.push_back(Form2->isVisible()); };
    configWith("ttyNONE");
    EXPECT_EQ(boxes.shown, std::vector<Box>({ok("Invalid COMM Port", "Fail"), ok("Erro ao abrir a Serial", "Falha")}));
    EXPECT_EQ(overTheDialog, std::vector<bool>({true, true}));
    EXPECT_FALSE(Form2->linkChecked());
    EXPECT_FALSE(MainForm->ler->isEnabled());
    EXPECT_FALSE(Form2->isVisible());
}

TEST_F(Startup, SilentControllerFailsTheCheckAndClosesThePort)
{
    controller.setFault(sim::Fault::Silent);
    configWith("DEMO");
    EXPECT_EQ(boxes.shown, std::vector<Box>({CommFailure}));
    EXPECT_FALSE(Form2->linkChecked());
    EXPECT_FALSE(Form2->link().portOpen());
    EXPECT_FALSE(MainForm->ler->isEnabled());
    EXPECT_FALSE(MainForm->prog->isEnabled());
}

TEST_F(Startup, FailedOkAfterAGoodOneDisablesEverythingAndStopsTheMonitor)
{
    connectAndRead();
    ASSERT_TRUE(MainForm->Timer_Read->isActive());
    ASSERT_TRUE(MainForm->gravar->isEnabled());
    const QColor syncBefore = MainForm->sync->brushColor();
    configWith("ttyNONE");
    EXPECT_FALSE(MainForm->ler->isEnabled());
    EXPECT_FALSE(MainForm->prog->isEnabled());
    EXPECT_FALSE(MainForm->gravar->isEnabled());
    EXPECT_FALSE(MainForm->Timer_Read->isActive());
    EXPECT_FALSE(Form2->link().portOpen());
    EXPECT_EQ(MainForm->sync->brushColor(), syncBefore); // lamps untouched
}

TEST_F(Startup, CancelKeepsTheEarlierOutcome)
{
    // Before any OK: buttons stay disabled and the monitor stopped.
    whenModal([] { MainForm->configClick(); }, [] { Form2->button_Cancel->click(); });
    EXPECT_FALSE(MainForm->ler->isEnabled());
    EXPECT_TRUE(boxes.shown.empty());

    connectLink();
    MainForm->ler->setEnabled(false);
    whenModal([] { MainForm->configClick(); },
              [] {
                  Form2->combo_porta->setEditText("ttyS0");
                  Form2->button_Cancel->click();
              });
    EXPECT_TRUE(MainForm->ler->isEnabled());
    EXPECT_TRUE(MainForm->prog->isEnabled());
    EXPECT_TRUE(Form2->link().portOpen());
    EXPECT_EQ(Form2->combo_porta->currentText(), "ttyS0"); // the text stays as typed
}

TEST_F(Startup, TitleBarCloseActsLikeCancel)
{
    connectLink();
    whenModal([] { MainForm->configClick(); }, [] { Form2->close(); });
    EXPECT_TRUE(MainForm->ler->isEnabled());
    EXPECT_TRUE(Form2->linkChecked());
}

TEST_F(Startup, SecondOkReopensThePort)
{
    connectLink();
    const int before = portsMade;
    configWith("DEMO");
    EXPECT_EQ(portsMade, before + 1);
    EXPECT_TRUE(Form2->link().portOpen());
}

TEST_F(Startup, ProgrammingDialogRestartsTheMonitorEvenWithoutARead)
{
    connectLink();
    ASSERT_FALSE(MainForm->Timer_Read->isActive());
    whenModal([] { MainForm->progClick(); }, [] { ProgramForm->button_Cancel->click(); });
    EXPECT_TRUE(MainForm->Timer_Read->isActive());
    MainForm->Timer_ReadTimer();
    EXPECT_NE(MainForm->atual_rpm->text(), "0");
}

TEST_F(Startup, SairClosesTheMainWindowWithoutTalkingToTheController)
{
    connectLink();
    MainForm->show();
    controller.frames.clear();
    QSignalSpy destroyedSpy(MainForm, &QObject::destroyed);
    MainForm->sair->click();
    EXPECT_FALSE(MainForm->isVisible());
    EXPECT_TRUE(controller.frames.empty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Startup, UncaughtErrorsReachTheErrorDisplay)
{
    MainForm->rpm_adj->setText("abc");
    MainForm->rpmup->click();
    EXPECT_EQ(boxes.shown, std::vector<Box>({ok("'abc' is not a valid integer value", "Tuma Programável")}));
    EXPECT_EQ(MainForm->rpm_adj->text(), "abc");
}

class NoPorts : public Windows {
    void beforeCreate() override { ports.clear(); }
};

TEST_F(NoPorts, EmptyListThenTheTwoOpeningMessages)
{
    EXPECT_EQ(Form2->combo_porta->count(), 0);
    EXPECT_EQ(Form2->combo_porta->currentText(), "");
    whenModal([] { MainForm->configClick(); }, [] { Form2->button_OK->click(); });
    EXPECT_EQ(boxes.shown, std::vector<Box>({ok("Invalid COMM Port", "Fail"), ok("Erro ao abrir a Serial", "Falha")}));
    EXPECT_FALSE(Form2->linkChecked());
}

} // namespace

namespace {

TEST_F(Startup, DemoPortIsPreselectedAndReadsWhole)
{
    qputenv("TUMA_SIMULATOR", "1");
    const QStringList listed = systemPlatform().listPorts();
    qunsetenv("TUMA_SIMULATOR");
    ASSERT_FALSE(listed.isEmpty());
    EXPECT_EQ(listed.first(), DemoPortName);
    Form2->combo_porta->setEditText(DemoPortName);
    Form2->show();
    QApplication::processEvents();
    const QLineEdit* field = Form2->combo_porta->lineEdit();
    EXPECT_LE(field->fontMetrics().horizontalAdvance(DemoPortName), field->contentsRect().width());
    Form2->hide();
}

TEST_F(Startup, FrameTraceOnlyWhenItsCategoryIsEnabled)
{
    EXPECT_EQ(Form2->link().tracer(), nullptr);
    static QStringList lines;
    lines.clear();
    QLoggingCategory::setFilterRules("tuma.link.debug=true");
    installLinkTrace(Form2->link());
    const QtMessageHandler previous
        = qInstallMessageHandler([](QtMsgType, const QMessageLogContext& c, const QString& m) {
              if (QLatin1String(c.category) == QLatin1String("tuma.link"))
                  lines << m;
          });
    configWith("DEMO");
    uint8_t live[10] = {};
    controller.setFault(sim::Fault::Silent);
    Form2->link().Exchange(cmd::ReadLive, 99, 2, live);
    controller.setFault(sim::Fault::BadCrc);
    Form2->link().Exchange(cmd::ReadLive, 99, 2, live);
    controller.setFault(sim::Fault::Gone);
    Form2->link().Exchange(cmd::ReadLive, 99, 2, live);
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules("tuma.link.debug=false");

    const char* expected[] = {
        "request  F3 03 00 01 01 00 9C",
        "answer   F3 03 02 05 B5  accepted",
        "request  F3 00 00 63 02 00 00 [0-9A-F]{2}",
        "request  F3 00 00 63 02 00 00 [0-9A-F]{2}",
        "request  F3 00 00 63 02 00 00 [0-9A-F]{2}",
        "no answer after 3 attempts",
        "drained 0 bytes",
        "request  F3 00 00 63 02 00 00 [0-9A-F]{2}",
        "answer   F3 00( [0-9A-F]{2}){3}  failed CRC",
        "drained 0 bytes",
        "request  F3 00 00 63 02 00 00 [0-9A-F]{2}",
        "request  F3 00 00 63 02 00 00 [0-9A-F]{2}",
        "request  F3 00 00 63 02 00 00 [0-9A-F]{2}",
        "port gone",
    };
    ASSERT_EQ(lines.size(), static_cast<int>(std::size(expected))) << lines.join("\n").toStdString();
    for (int i = 0; i < lines.size(); ++i) {
        const QRegularExpression line(QString("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d ") + expected[i] + "$");
        EXPECT_TRUE(line.match(lines[i]).hasMatch()) << lines[i].toStdString();
    }
}

} // namespace
