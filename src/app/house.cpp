#include "app/house.h"

#include "app/app_windows.h"
#include "app/system_menu.h"
#include "chart/chart_room.h"
#include "widgets/file_dialogs.h"
#include "windows/principal.h"
#include "workshop/workshop.h"

#include <QMenu>

namespace {
// The put-back's hold on the main window's form and monitor.
class MainFormAccess : public FormAccess {
public:
    bool hold() override { return MainForm->holdMonitor(); }
    void release(bool reread) override { MainForm->releaseMonitor(reread); }
    tuma::Link& link() override { return MainForm->link(); }
};
} // namespace

struct House::Parts {
    explicit Parts(const QString& documents) : folders(documents) {}
    WorkshopFolders folders;
    MainFormAccess form;
};

House::House(const Platform& platform, const HouseServices& services)
    : parts(std::make_unique<Parts>(services.documents))
{
    createWindows(platform, services.boxes);
    const char sep = platform.decimalSeparator;
    workshopRoom = std::make_unique<Workshop>(
        Workshop::Services{MainForm, parts->form, services.dialogs, services.boxes, parts->folders, sep});
    Workshop* w = workshopRoom.get();
    chartRoom = std::make_unique<ChartRoom>(ChartRoom::Services{
        MainForm, services.dialogs,
        RecordingServices{services.boxes, parts->folders, [w] { return w->details().plate; }}, sep});

    // What the main window tells, and who listens.
    QObject::connect(MainForm, &TMainForm::linkChanged, w, &Workshop::linkChanged);
    QObject::connect(MainForm, &TMainForm::blockRead, w, &Workshop::blockRead);
    QObject::connect(MainForm, &TMainForm::programmed, w, &Workshop::programmed);
    QObject::connect(MainForm, &TMainForm::polled, chartRoom.get(), &ChartRoom::polled);

    // One set of actions: their shortcuts on the main window, the context menu, the
    // system menu.
    menu_oficina = new QMenu(MainForm);
    menu_oficina->setObjectName("menu_oficina");
    const QList<QAction*> files = {w->acao_salvar, w->acao_abrir, w->acao_ficha};
    menu_oficina->addActions(files);
    menu_oficina->addSeparator();
    menu_oficina->addActions(chartRoom->actions());
    menu_oficina->addSeparator();
    menu_oficina->addAction(w->acao_sobre);
    MainForm->addActions(w->actions());
    MainForm->addActions(chartRoom->actions());
    // The edit fields keep their own menus: their right-clicks never reach the window.
    MainForm->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(MainForm, &QWidget::customContextMenuRequested, menu_oficina,
                     [menu = menu_oficina](const QPoint& at) { menu->exec(MainForm->mapToGlobal(at)); });
    addToSystemMenu(MainForm, files + chartRoom->actions() + QList<QAction*>{w->acao_sobre});
}

House::~House()
{
    // The rooms' windows and actions go first: the main window outlives its listeners.
    chartRoom.reset();
    workshopRoom.reset();
    destroyWindows();
}
