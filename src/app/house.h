#pragma once
// The program put together: the four windows (created here, reached through their
// global instances), the workshop's and the chart's rooms beside them, the menu that
// reaches the rooms from the main window, and who listens to whose signals. Every
// object the rooms share (the message boxes, the dialogs, the documents folder, what
// the technician typed) is owned here or handed in, never kept in a global.
#include "forms/platform.h"

#include <QString>

#include <functional>
#include <memory>

class ChartRoom;
class DiagnosisRoom;
class PortFinder;
class HistoryRecorder;
class MainMenuBar;
class QWidget;
class MessageBoxes;
class QMenu;
class Workshop;
class WorkshopDialogs;

struct HouseServices {
    MessageBoxes& boxes;
    WorkshopDialogs& dialogs;
    QString documents; // the documents folder; empty: the user's
    // The monitor's clock for the installation checks, in ms; empty: a steady timer.
    std::function<qint64()> checksClockMs = {};
    // The program's own data (the live history); empty: the user's, or, when a
    // documents folder is given, one inside it, so that a test touches nothing else.
    QString dataFolder = {};
};

class House {
public:
    House(const Platform& platform, const HouseServices& services);
    ~House();
    House(const House&) = delete;
    House& operator=(const House&) = delete;

    Workshop& workshop() { return *workshopRoom; }
    ChartRoom& chart() { return *chartRoom; }
    HistoryRecorder& history() { return *historyRoom; }
    DiagnosisRoom& diagnosis() { return *diagnosisRoom; }
    PortFinder& finder() { return *finderRoom; }
    // The main window's context menu (a right-click outside the edit fields).
    QMenu* contextMenu() const { return menu_oficina; }
    MainMenuBar& menuBar();
    // The widget that holds the form, directly under the menu bar.
    QWidget* formArea() const;

private:
    void listen();
    void buildMenus();
    struct Parts;
    std::unique_ptr<Parts> parts;
    std::unique_ptr<Workshop> workshopRoom;
    std::unique_ptr<ChartRoom> chartRoom;
    std::unique_ptr<HistoryRecorder> historyRoom;
    std::unique_ptr<DiagnosisRoom> diagnosisRoom;
    std::unique_ptr<PortFinder> finderRoom;
    QMenu* menu_oficina = nullptr;
};
