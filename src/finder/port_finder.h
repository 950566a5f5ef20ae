#pragma once
// "Procurar controlador...": a window that asks each serial port in turn for the
// controller's version (core/port_search.h), one port per turn of the event loop so
// that it stays responsive, and lists each with its adapter's name and the answer.
// The port chosen goes back to the main window, which checks it as the port dialog's
// OK does; the search itself leaves no port open.
#include "core/link.h"
#include "core/port_search.h"

#include <QDialog>
#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

class PortFinderWindow : public QDialog {
    Q_OBJECT
public:
    struct Services {
        std::function<std::vector<tuma::PortEntry>()> listPorts; // with the adapters' names
        tuma::Link::PortFactory makePort;
        tuma::Link::DevicePathRule devicePath;
        // The port this program's link holds, checked, and its version; empty: none.
        std::function<std::pair<std::string, std::string>()> connected;
    };
    PortFinderWindow(const Services& services, QWidget* parent);
    ~PortFinderWindow() override;

    // Starts again from the first port.
    void search();
    // The search ran to its end.
    bool finished() const { return !running; }
    // The port of the row chosen that answered; empty: none.
    QString chosenPort() const;

    QLabel* explicacao;
    QCheckBox* todas_portas;
    QTableWidget* portas;
    QLabel* andamento;
    QPushButton* procurar;
    QPushButton* usar;
    QPushButton* fechar;

signals:
    void portChosen(const QString& port);

private:
    void connectControls();
    void step();
    void showProbes();
    void updateButtons();

    Services s;
    std::unique_ptr<tuma::PortSearch> searching;
    QTimer* turn;
    bool running = false;
};

class PortFinder : public QObject {
    Q_OBJECT
public:
    struct Services {
        QWidget* window; // the main window
        PortFinderWindow::Services search;
        // Checks the port chosen as the port dialog's OK does.
        std::function<void(const QString&)> use;
    };
    explicit PortFinder(const Services& services);
    ~PortFinder() override;

    QAction* acao_procurar;
    void procurarClick();
    PortFinderWindow* window() const { return shown.get(); }

private:
    Services s;
    std::unique_ptr<PortFinderWindow> shown;
};
