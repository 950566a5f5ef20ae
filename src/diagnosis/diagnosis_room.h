#pragma once
// The installation checks beside the main window: they hear every poll the monitor
// makes and the block last read, judge them (core/installation_checks.h) and tell who
// listens when a finding starts or clears. They ask the controller nothing: the only
// thing they read of the link is its count of retried and bad answers.
#include "core/events.h"
#include "core/guided_walk.h"
#include "core/installation_checks.h"
#include "core/pending_changes.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class DiagnosisWindow;
class GuidedWalkWindow;
class QAction;
class QWidget;
namespace tuma {
class Link;
}

class DiagnosisRoom : public QObject {
    Q_OBJECT
public:
    struct Services {
        QWidget* window; // the main window: the diagnosis opens beside it
        const tuma::Link& link;
        // The monitor's clock in ms (never the wall clock's); empty: a steady timer.
        std::function<qint64()> clockMs;
        char decimalSeparator = '.';
    };
    // The demo port's engine: its faults by name, and how to switch one on.
    struct DemoFaults {
        QStringList captions;
        std::function<void(int)> choose;
    };
    explicit DiagnosisRoom(const Services& services);
    ~DiagnosisRoom() override;

    QAction* acao_diagnostico;
    void diagnosticoClick();
    DiagnosisWindow* window() const { return shown.get(); }
    void offerDemoFaults(const DemoFaults& faults) { demo = faults; }
    // The demo's engine does what each step of the guided check asks.
    void offerDemoWalk(std::function<void(int step)> perform) { demoWalk = std::move(perform); }

    QAction* acao_verificacao;
    void verificacaoClick();
    GuidedWalkWindow* walkWindow() const { return walkShown.get(); }
    const DemoFaults& demoFaults() const { return demo; }

    const tuma::checks::Monitor& checks() const { return monitor; }
    bool monitoring() const { return running; }
    // Starts every check afresh (a new car on the same link).
    void restart();
    // Each check as it stands, for the sheet.
    std::vector<tuma::checks::CheckLine> lines() const;
    // When a moment of the monitor's clock happened, by the wall clock.
    QDateTime wallTimeOf(qint64 ms) const;

    // The main window's news.
    void linkChanged(const tuma::LinkFacts& facts);
    void blockRead(const tuma::Block& block);
    void formChanged(const tuma::FormState& form);
    void monitorChanged(bool running);
    void polled(const tuma::Poll& poll);

signals:
    void findingChanged(const tuma::checks::FindingNews& news);
    void activeCountChanged(int count);
    // A poll was judged (the window follows it).
    void judged();
    // The guided check ended (completed or cancelled), and its result asked in print.
    void walkEnded(const tuma::checks::WalkReport& report);
    void walkPrintRequested(const tuma::checks::WalkReport& report);

private:
    qint64 now() const { return s.clockMs ? s.clockMs() : steady.elapsed(); }

    Services s;
    QElapsedTimer steady;
    tuma::checks::Monitor monitor;
    int scale = 1;
    bool running = false;
    int lastActive = 0;
    DemoFaults demo;
    std::unique_ptr<DiagnosisWindow> shown;
    std::function<void(int)> demoWalk;
    std::unique_ptr<GuidedWalkWindow> walkShown;
};

// "1 aviso", "3 avisos"; empty for none.
QString warningsText(int count);
