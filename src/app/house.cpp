#include "app/house.h"

#include "app/app_windows.h"
#include "app/demo_port.h"
#include "app/menu_bar.h"
#include "app/system_menu.h"
#include "chart/chart_room.h"
#include "diagnosis/diagnosis_room.h"
#include "finder/port_finder.h"
#include "forms/porta_serial.h"
#include "forms/principal.h"
#include "ports/system.h"
#include "widgets/file_dialogs.h"
#include "widgets/menu_action.h"
#include "workshop/changes_window.h"
#include "workshop/history_recorder.h"
#include "workshop/workshop.h"

#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

namespace {
// The put-back's hold on the main window's form and monitor.
class MainFormAccess : public FormAccess {
public:
    bool hold() override { return MainForm->holdMonitor(); }
    void release(bool reread) override { MainForm->releaseMonitor(reread); }
    tuma::Link& link() override { return MainForm->link(); }
};

QString linkText(const tuma::LinkFacts& f)
{
    return f.checked
        ? QString("%1 · versão %2").arg(QString::fromStdString(f.port), QString::fromStdString(f.controllerVersion))
        : QString("sem conexão");
}

// The ports with their adapters' names where the system gives them.
std::function<std::vector<tuma::PortEntry>()> describedPorts(const Platform& p)
{
    if (p.describePorts)
        return p.describePorts;
    return [list = p.listPorts] {
        std::vector<tuma::PortEntry> ports;
        for (const QString& name : list ? list() : QStringList())
            ports.push_back({name.toStdString(), {}});
        return ports;
    };
}

QString dataFolderOf(const HouseServices& s)
{
    if (!s.dataFolder.isEmpty())
        return s.dataFolder;
    return s.documents.isEmpty() ? QString::fromStdString(tuma::userDataFolder()) : s.documents + "/.tuma-dados";
}
} // namespace

struct House::Parts {
    explicit Parts(const HouseServices& s) : folders(s.documents, dataFolderOf(s), tuma::replaceFile) { }
    WorkshopFolders folders;
    MainFormAccess form;
    std::unique_ptr<MainMenuBar> menuBar;
};

House::House(const Platform& platform, const HouseServices& services) : parts(std::make_unique<Parts>(services))
{
    createWindows(platform, services.boxes);
    const char sep = platform.decimalSeparator;
    workshopRoom = std::make_unique<Workshop>(
        Workshop::Services{MainForm, parts->form, services.dialogs, services.boxes, parts->folders, sep});
    Workshop* w = workshopRoom.get();
    const WorkshopFolders& folders = parts->folders;
    historyRoom = std::make_unique<HistoryRecorder>(HistoryRecorder::Services{
        MainForm, [w] { return w->details(); }, [w] { return w->canPutBack(); }, services.dialogs,
        folders.historyFile(), folders.oldHistoryFile(), folders.historyCopies(),
        QString::fromStdString(tuma::computerName()), folders.replaceFile(), sep});
    chartRoom = std::make_unique<ChartRoom>(ChartRoom::Services{
        MainForm, services.dialogs,
        RecordingServices{services.boxes, parts->folders, [w] { return QString::fromStdString(w->details().plate); }},
        sep});
    diagnosisRoom = std::make_unique<DiagnosisRoom>(
        DiagnosisRoom::Services{MainForm, MainForm->link(), services.checksClockMs, sep});
    if (demoPortEnabled()) {
        QStringList captions;
        const std::vector<tuma::sim::EngineFault> faults = tuma::sim::allEngineFaults();
        for (tuma::sim::EngineFault f : faults)
            captions << QString::fromUtf8(tuma::sim::engineFaultCaption(f));
        diagnosisRoom->offerDemoFaults({captions, [faults](int i) {
                                            if (i >= 0 && static_cast<size_t>(i) < faults.size())
                                                demoEngine().setFault(faults[static_cast<size_t>(i)]);
                                        }});
        diagnosisRoom->offerDemoWalk([](int step) { demoEngine().perform(tuma::sim::walkDrive(step)); });
        // After a walk the demo's engine goes back to its rounds.
        QObject::connect(diagnosisRoom.get(), &DiagnosisRoom::walkEnded, diagnosisRoom.get(),
                         [] { demoEngine().perform(tuma::sim::demoSetup().drive, true); });
    }
    finderRoom = std::make_unique<PortFinder>(PortFinder::Services{
        MainForm,
        PortFinderWindow::Services{
            describedPorts(platform), platform.makePort, platform.devicePath,
            [] {
                std::pair<std::string, std::string> held;
                if (MainForm->link().portOpen() && Form2->linkChecked())
                    held = {Form2->checkedPort().toStdString(), Form2->controllerVersion().toStdString()};
                return held;
            }},
        [](const QString& port) { MainForm->checkPort(port); }});
    w->useCheckLines([d = diagnosisRoom.get()] { return d->lines(); });
    listen();
    buildMenus();
    // The first start of the day leaves a copy for the workshop's backup (and moves a
    // database found where earlier versions kept it), once the window is up.
    QTimer::singleShot(0, historyRoom.get(), [h = historyRoom.get()] { h->copyOfTheDay(false); });
}

void House::listen()
{
    Workshop* w = workshopRoom.get();
    // What the main window tells, and who listens.
    QObject::connect(MainForm, &TMainForm::linkChanged, w, &Workshop::linkChanged);
    QObject::connect(MainForm, &TMainForm::blockRead, w, &Workshop::blockRead);
    QObject::connect(MainForm, &TMainForm::programmed, w, &Workshop::programmed);
    QObject::connect(MainForm, &TMainForm::formChanged, w, &Workshop::formChanged);
    QObject::connect(MainForm, &TMainForm::polled, chartRoom.get(), &ChartRoom::polled);
    // The history keeps what the main window and the workshop did, in the order they tell it.
    HistoryRecorder* h = historyRoom.get();
    QObject::connect(MainForm, &TMainForm::linkChanged, h, &HistoryRecorder::linkChanged);
    QObject::connect(MainForm, &TMainForm::formChanged, h, &HistoryRecorder::formChanged);
    QObject::connect(MainForm, &TMainForm::formReplacing, h, &HistoryRecorder::formReplacing);
    QObject::connect(MainForm, &TMainForm::blockRead, h, &HistoryRecorder::blockRead);
    QObject::connect(MainForm, &TMainForm::writing, h, &HistoryRecorder::writing);
    QObject::connect(MainForm, &TMainForm::blockWritten, h, &HistoryRecorder::blockWritten);
    QObject::connect(MainForm, &TMainForm::programmed, h, &HistoryRecorder::programmed);
    QObject::connect(w, &Workshop::putBackSending, h, &HistoryRecorder::putBackSending);
    QObject::connect(w, &Workshop::putBackDone, h, &HistoryRecorder::putBackDone);
    // The history's window asks for an entry's block; the workshop compares, saves and prints.
    QObject::connect(h, &HistoryRecorder::compareRequested, w, &Workshop::putBackBlock);
    QObject::connect(h, &HistoryRecorder::saveRequested, w, &Workshop::saveBlock);
    QObject::connect(h, &HistoryRecorder::sheetRequested, w,
                     [w](const tuma::Block& block, const tuma::LinkFacts& link, const tuma::Vehicle& details,
                         const QDateTime& when) { w->printSheet(block, link, details, when); });
    QObject::connect(h, &HistoryRecorder::walkPrintRequested, w, &Workshop::printWalkOf);
    // The installation checks judge every poll; their findings reach the chart and the history.
    DiagnosisRoom* d = diagnosisRoom.get();
    QObject::connect(MainForm, &TMainForm::linkChanged, d, &DiagnosisRoom::linkChanged);
    QObject::connect(MainForm, &TMainForm::blockRead, d, &DiagnosisRoom::blockRead);
    QObject::connect(MainForm, &TMainForm::formChanged, d, &DiagnosisRoom::formChanged);
    QObject::connect(MainForm, &TMainForm::monitorChanged, d, &DiagnosisRoom::monitorChanged);
    QObject::connect(MainForm, &TMainForm::polled, d, &DiagnosisRoom::polled);
    QObject::connect(d, &DiagnosisRoom::findingChanged, chartRoom.get(), &ChartRoom::finding);
    QObject::connect(d, &DiagnosisRoom::findingChanged, h, &HistoryRecorder::finding);
    QObject::connect(d, &DiagnosisRoom::walkEnded, h, &HistoryRecorder::guidedCheck);
    QObject::connect(d, &DiagnosisRoom::walkPrintRequested, w, [w](const tuma::checks::WalkReport& r) {
        w->printWalk(tuma::checks::reportLines(r.steps), r.cancelled);
    });
}

void House::buildMenus()
{
    Workshop* w = workshopRoom.get();
    QAction* quit = menuAction(w, "acao_sair", "Sair", QKeySequence(), [] { MainForm->sairClick(); });
    const QList<QAction*> files
        = {w->acao_salvar, w->acao_abrir, w->acao_ficha, historyRoom->acao_historico, finderRoom->acao_procurar};
    const QList<QAction*> view = {chartRoom->acao_grafico, diagnosisRoom->acao_diagnostico,
                                  diagnosisRoom->acao_verificacao, chartRoom->acao_abrir_registro, w->acao_alteracoes};
    const QList<QAction*> help = {w->acao_manual, w->acao_sobre};

    // One set of actions: their shortcuts on the main window, the menu bar, the context
    // menu and the system menu.
    MainForm->addActions(files + view + help + QList<QAction*>{quit});
    parts->menuBar = std::make_unique<MainMenuBar>(
        MainForm,
        QList<MenuSpec>{{"&Arquivo", "menu_arquivo", files + QList<QAction*>{nullptr, quit}},
                        {"&Exibir", "menu_exibir", view},
                        {"Aj&uda", "menu_ajuda", help}});
    MainMenuBar* bar = parts->menuBar.get();
    bar->showLink(linkText({}));
    bar->onChangesClicked([w] { w->alteracoesClick(); });
    QObject::connect(MainForm, &TMainForm::linkChanged, bar->bar(),
                     [bar](const tuma::LinkFacts& f) { bar->showLink(linkText(f)); });
    bar->onWarningsClicked([d = diagnosisRoom.get()] { d->diagnosticoClick(); });
    QObject::connect(diagnosisRoom.get(), &DiagnosisRoom::activeCountChanged, bar->bar(),
                     [bar](int n) { bar->showWarnings(warningsText(n)); });
    QObject::connect(w, &Workshop::pendingCountChanged, bar->bar(), [bar](int changes, int rounded) {
        bar->showChanges(pendingCornerText(static_cast<size_t>(changes), static_cast<size_t>(rounded)));
    });
    QObject::connect(chartRoom.get(), &ChartRoom::recordingChanged, bar->bar(), [bar](bool active, qint64 rows) {
        bar->showRecording(active ? QString("Gravando registro · %1 linhas")
                                        .arg(QLocale(QLocale::Portuguese, QLocale::Brazil).toString(rows))
                                  : QString());
    });

    menu_oficina = new QMenu(MainForm);
    menu_oficina->setObjectName("menu_oficina");
    menu_oficina->addActions(files);
    menu_oficina->addSeparator();
    menu_oficina->addActions(view);
    menu_oficina->addSeparator();
    menu_oficina->addActions(help);
    // The edit fields keep their own menus: their right-clicks never reach the window.
    MainForm->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(MainForm, &QWidget::customContextMenuRequested, menu_oficina,
                     [menu = menu_oficina](const QPoint& at) { menu->exec(MainForm->mapToGlobal(at)); });
    addToSystemMenu(MainForm, files + view + help);
}

QWidget* House::formArea() const { return parts->menuBar->form(); }
MainMenuBar& House::menuBar() { return *parts->menuBar; }

House::~House()
{
    // The form's edits that no write took are kept before anything goes.
    historyRoom->leaving();
    historyRoom->copyOfTheDay(true);
    // The rooms' windows and actions go first: the main window outlives its listeners.
    historyRoom.reset();
    finderRoom.reset();
    diagnosisRoom.reset();
    chartRoom.reset();
    workshopRoom.reset();
    parts.reset();
    destroyWindows();
}
