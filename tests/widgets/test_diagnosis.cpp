// The installation's diagnosis through the real windows: the monitor's polls of an
// engine whose temperature sensor comes loose raise one finding, which reaches the
// window, the menu bar's corner, the chart and the history, and the sheet; nothing is
// added on the line and no box is shown.
#include "support/widget_harness.h"

#include "app/menu_bar.h"
#include "chart/chart_room.h"
#include "diagnosis/diagnosis_room.h"
#include "diagnosis/diagnosis_window.h"
#include "diagnosis/guided_walk_window.h"
#include "history/history_store.h"
#include "sim/engine.h"
#include "workshop/history_recorder.h"
#include "workshop/history_window.h"

#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>

#include <gtest/gtest.h>

using namespace tuma;
using namespace tuma::test;
using tuma::checks::CheckId;

namespace {

class SheetDialogs : public CancelledDialogs {
public:
    bool askDetails(QWidget*, const QString&, const QString&, tuma::Vehicle& d) override
    {
        d = {"Auto Elétrica Silva", "QRS4E56", ""};
        return true;
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return path; }
    bool openDocument(const QString&) override { return true; }
    QString path;
};

class Diagnosis : public Windows {
protected:
    sim::Engine engine{warmIdle()};
    SheetDialogs sheets;

    static sim::Engine::Setup warmIdle()
    {
        sim::Engine::Setup s;
        s.ambient = 85;
        s.drive = {{sim::Phase::Off, 10, 0}, {sim::Phase::Crank, 2, 0}, {sim::Phase::Idle, 3600, 0}};
        return s;
    }
    void beforeCreate() override
    {
        controller.engine = &engine;
        dialogsInUse = &sheets;
    }
    // The monitor's ticks, 500 ms apart on the line's clock.
    void poll(double seconds)
    {
        for (int i = 0; i < static_cast<int>(seconds * 2); ++i) {
            clock.advanceMs(500);
            MainForm->Timer_ReadTimer();
        }
    }
    DiagnosisRoom& room() { return house->diagnosis(); }
    QLabel* corner() { return house->menuBar().avisos; }
    std::vector<history::Entry> findings()
    {
        std::vector<history::Entry> out;
        history::Filter all;
        for (const history::Entry& e : house->history().store().list(all))
            if (e.kind == history::Kind::Finding)
                out.push_back(e);
        return out;
    }
    QString cell(int row, int column) { return room().window()->verificacoes->item(row, column)->text(); }
};

TEST_F(Diagnosis, AFindingReachesTheWindowTheCornerTheChartAndTheHistoryAndClears)
{
    connectAndRead();
    action("acao_grafico")->trigger();
    action("acao_diagnostico")->trigger();
    ASSERT_NE(room().window(), nullptr);
    EXPECT_EQ(room().window()->windowTitle(), QString::fromUtf8("Diagnóstico da instalação"));
    poll(20);
    EXPECT_TRUE(corner()->isHidden());
    for (size_t i = 0; i < checks::CheckCount; ++i)
        EXPECT_NE(room().checks().status(static_cast<CheckId>(i)).state, checks::State::Attention)
            << checks::ruleTable()[i].title << ": " << room().checks().status(static_cast<CheckId>(i)).values.data();
    const int row = static_cast<int>(CheckId::TempSensor);
    EXPECT_EQ(cell(row, 1), "OK");

    engine.setFault(sim::EngineFault::TempOpen);
    poll(9); // each exchange takes its own time on the line's clock too: about 517 ms a tick
    EXPECT_TRUE(corner()->isHidden());
    poll(2);
    EXPECT_FALSE(corner()->isHidden());
    EXPECT_EQ(corner()->accessibleName(), "1 aviso");
    EXPECT_EQ(cell(row, 1), QString::fromUtf8("Atenção"));
    EXPECT_FALSE(cell(row, 2).isEmpty());
    EXPECT_TRUE(cell(row, 3).startsWith(QString::fromUtf8("sensor aberto: -65 °C (código 255). Confira o conector")))
        << cell(row, 3).toStdString();
    EXPECT_EQ(room().window()->situacao->text(),
              QString::fromUtf8("1 aviso: veja \"O que conferir\" na linha em vermelho."));
    ASSERT_EQ(findings().size(), 1u);
    EXPECT_EQ(findings()[0].detail,
              "Atenção: Sensor de temperatura aberto ou em curto — sensor aberto: -65 °C (código 255)");
    EXPECT_EQ(house->chart().chart()->findingMarkCount(), 1);

    // A click on the corner's words opens the window.
    room().window()->hide();
    QMetaObject::invokeMethod(corner(), "linkActivated", Q_ARG(QString, "#"));
    EXPECT_TRUE(room().window()->isVisible());

    engine.setFault(sim::EngineFault::None);
    poll(11);
    EXPECT_TRUE(corner()->isHidden());
    EXPECT_EQ(cell(row, 1), "OK");
    ASSERT_EQ(findings().size(), 2u);
    EXPECT_EQ(findings()[0].detail.rfind("Resolvido: Sensor de temperatura aberto ou em curto", 0), 0u);
    EXPECT_EQ(house->chart().chart()->findingMarkCount(), 2);

    // Nothing but the monitor's own reads went out, and nothing was said in a box.
    for (const sim::Frame& f : controller.frames) {
        EXPECT_EQ(f.command, cmd::ReadLive);
        EXPECT_EQ(f.address, addr::LiveFirst);
        EXPECT_EQ(f.data.size(), addr::LiveCount);
    }
    EXPECT_EQ(controller.frames.size(), 84u); // 42 ticks
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Diagnosis, TheChecksWaitWithTheirReasonsWhileTheMonitorIsStopped)
{
    action("acao_diagnostico")->trigger();
    EXPECT_EQ(cell(static_cast<int>(CheckId::NoMap), 1), "Aguardando: monitor parado");
    EXPECT_TRUE(room().window()->situacao->text().startsWith(QString::fromUtf8("O monitor está parado")));
    connectAndRead();
    poll(2);
    EXPECT_EQ(cell(static_cast<int>(CheckId::NoMap), 1),
              QString::fromUtf8("Aguardando: aguardando 5 s de comunicação"));
    EXPECT_EQ(cell(static_cast<int>(CheckId::ProbeFlat), 1), "Aguardando: Lambda Lenta desligada");
}

TEST_F(Diagnosis, RecomecarForgetsTheFindingsAndAnotherLinkToo)
{
    connectAndRead();
    engine.setFault(sim::EngineFault::MapWireOff);
    poll(12);
    ASSERT_EQ(room().checks().active(), 1u);
    action("acao_diagnostico")->trigger();
    room().window()->recomecar->click();
    EXPECT_EQ(room().checks().active(), 0u);
    EXPECT_TRUE(corner()->isHidden());
    poll(12);
    ASSERT_EQ(room().checks().active(), 1u);
    configWith("DEMO");
    EXPECT_EQ(room().checks().active(), 0u);
}

TEST_F(Diagnosis, TheSheetCarriesEveryCheckAsItStood)
{
    connectAndRead();
    engine.setFault(sim::EngineFault::MapWireOff);
    poll(12);
    sheets.path = documents.filePath("ficha.pdf");
    action("acao_ficha")->trigger();
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed: the sheet's text cannot be read back";
    QProcess p;
    p.start(pdftotext, {"-layout", sheets.path, "-"});
    ASSERT_TRUE(p.waitForFinished(20000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QString::fromUtf8("Verificação da instalação"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("Sem sinal do sensor MAP"))) << text.toStdString();
    EXPECT_TRUE(text.contains("MAP 0,00 V")) << text.toStdString();
    for (size_t i = 0; i < checks::CheckCount; ++i)
        EXPECT_TRUE(text.contains(QString::fromUtf8(checks::ruleTable()[i].title))) << checks::ruleTable()[i].title;
}

} // namespace

namespace {

// The guided check through its window: the engine does what each step asks, as the
// demo port's does.
class GuidedCheck : public Diagnosis {
protected:
    GuidedWalkWindow* open()
    {
        room().offerDemoWalk([this](int step) { engine.perform(sim::walkDrive(step)); });
        connectAndRead();
        MainForm->Timer_ReadTimer();
        for (QAction* a : MainForm->actions())
            if (a->objectName() == "acao_verificacao")
                a->trigger();
        return room().walkWindow();
    }
    // Polls until the walk is at `step` (0 to 5, 5: done), at most `seconds`.
    bool pollUntil(GuidedWalkWindow* w, size_t step, double seconds)
    {
        for (int i = 0; i < static_cast<int>(seconds * 2) && w->walk()->results().size() < step; ++i)
            poll(0.5);
        return w->walk()->results().size() >= step;
    }
    std::vector<history::Entry> of(history::Kind kind)
    {
        std::vector<history::Entry> out;
        for (const history::Entry& e : house->history().store().list(history::Filter{}))
            if (e.kind == kind)
                out.push_back(e);
        return out;
    }
};

} // namespace

TEST_F(GuidedCheck, AWholeWalkEndsInTheHistoryAndInPrintWithNothingAddedOnTheLine)
{
    GuidedWalkWindow* w = open();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("Verificação guiada da instalação"));
    EXPECT_EQ(w->etapa->text(), QString::fromUtf8("Etapa 1 de 5: Chave ligada, motor desligado"));
    controller.frames.clear();
    ASSERT_TRUE(pollUntil(w, 5, 900)) << w->situacao->text().toStdString();
    for (const sim::Frame& f : controller.frames)
        ASSERT_TRUE(f.command == cmd::ReadLive && f.address == 67) << "only the monitor's polls on the line";
    EXPECT_EQ(w->etapa->text(), QString::fromUtf8("Verificação concluída"));
    EXPECT_EQ(w->resumo->text(), QString::fromUtf8("Nenhum problema encontrado na instalação."));
    EXPECT_GE(w->resultados->rowCount(), 14);
    EXPECT_TRUE(w->imprimir->isEnabled());
    EXPECT_FALSE(w->pular->isEnabled());

    const std::vector<history::Entry> kept = of(history::Kind::GuidedCheck);
    ASSERT_EQ(kept.size(), 1u);
    const std::string sep(1, platform.decimalSeparator);
    EXPECT_NE(kept[0].detail.find("2. MAP: 1" + sep + "62 V desligado → 0" + sep + "6"), std::string::npos)
        << kept[0].detail;
    EXPECT_TRUE(kept[0].block.has_value()) << "the parameters as read go with it";
    EXPECT_TRUE(boxes.shown.empty());

    sheets.path = documents.filePath("verificacao.pdf");
    w->imprimir->click();
    QProcess text;
    text.start("pdftotext", {"-layout", sheets.path, "-"});
    ASSERT_TRUE(text.waitForFinished(20000));
    const QString pdf = QString::fromUtf8(text.readAllStandardOutput());
    for (const char* expected : {"Verificação guiada da instalação", "QRS4E56", "Auto Elétrica Silva",
                                 "MAP com o motor desligado: 1", "Rotação mantida", "Assinatura"})
        EXPECT_TRUE(pdf.contains(QString::fromUtf8(expected))) << expected << "\n" << pdf.toStdString();

    // Printed again later from the history's entry.
    action("acao_historico")->trigger();
    HistoryWindow* h = house->history().window();
    ASSERT_NE(h, nullptr);
    h->lista->selectRow(0);
    ASSERT_EQ(h->selected()->kind, history::Kind::GuidedCheck);
    sheets.path = documents.filePath("de-novo.pdf");
    h->ficha->click();
    QProcess again;
    again.start("pdftotext", {"-layout", sheets.path, "-"});
    ASSERT_TRUE(again.waitForFinished(20000));
    const QString reprinted = QString::fromUtf8(again.readAllStandardOutput());
    EXPECT_TRUE(reprinted.contains(QString::fromUtf8("Verificação guiada da instalação"))) << reprinted.toStdString();
    EXPECT_TRUE(reprinted.contains(QString::fromUtf8("Rotação mantida"))) << reprinted.toStdString();
}

TEST_F(GuidedCheck, CancelledAtTheThirdStepTheHistoryKeepsTheFirstTwo)
{
    GuidedWalkWindow* w = open();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(pollUntil(w, 2, 200));
    poll(2);
    EXPECT_EQ(w->etapa->text(), QString::fromUtf8("Etapa 3 de 5: Marcha-lenta com o motor aquecido"));
    w->cancelar->click();
    EXPECT_EQ(w->etapa->text(), QString::fromUtf8("Verificação interrompida"));
    const std::vector<history::Entry> kept = of(history::Kind::GuidedCheckInterrupted);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_NE(kept[0].detail.find("1. "), std::string::npos);
    EXPECT_NE(kept[0].detail.find("2. "), std::string::npos);
    EXPECT_EQ(kept[0].detail.find("3. "), std::string::npos) << kept[0].detail;
    EXPECT_TRUE(of(history::Kind::GuidedCheck).empty());
    // Closing the window after the cancel keeps nothing more.
    w->close();
    EXPECT_EQ(of(history::Kind::GuidedCheckInterrupted).size(), 1u);
}
