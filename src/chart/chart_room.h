#pragma once
// The chart's room: every poll of the main window since the start, the live chart that
// draws them and records them, and the viewers of drive logs opened from files. It
// learns of each poll from the main window's signal and asks the controller nothing.
#include "chart/live_chart_window.h"
#include "chart/log_viewer_window.h"
#include "chart/poll_buffer.h"
#include "core/installation_checks.h"

#include <QList>
#include <QObject>
#include <QPointer>

class FileDialogs;
class QAction;

class ChartRoom : public QObject {
    Q_OBJECT
public:
    struct Services {
        QWidget* window; // the main window: the chart opens beside it, dialogs over it
        FileDialogs& dialogs;
        RecordingServices recording;
        char decimalSeparator;
    };
    explicit ChartRoom(const Services& services);
    ~ChartRoom() override;

    QAction* acao_grafico;
    QAction* acao_abrir_registro;
    QList<QAction*> actions() const { return {acao_grafico, acao_abrir_registro}; }

    void graficoClick();
    void abrir_registroClick();

    // A poll that has just ended; nullptr when it failed.
    void polled(const tuma::Poll& poll) { history.add(poll.ok ? poll.live.data() : nullptr); }

    // An installation check's finding started or cleared: a marker on the chart.
    void finding(const tuma::checks::FindingNews& news);

    const PollBuffer& polls() const { return history; }
    // The live chart once opened, else nullptr.
    LiveChartWindow* chart() const { return live; }

signals:
    // The live chart's recording started, wrote a row, or stopped.
    void recordingChanged(bool active, qint64 rows);

private:
    // Asks for a drive log and reads it; false when cancelled or refused (the box names
    // the line).
    bool openDriveLog(tuma::DriveLog& log, QString& fileName);

    Services s;
    PollBuffer history;
    LiveChartWindow* live = nullptr;
    std::vector<FindingMark> findings;
    QList<QPointer<LogViewerWindow>> viewers;
};
