#pragma once
// "Gráfico dos Valores Instantâneos", live: it follows the main window's polls (it asks
// the controller nothing), drawing what came before it opened too, and can record them.
// Pausing freezes the view while the data goes on arriving; the view can then be moved.
#include "chart/chart_window.h"
#include "chart/drive_recorder.h"

#include <functional>

class MessageBoxes;
class PollBuffer;
class WorkshopFolders;
struct LivePoll;

// What a live chart's recordings need: where they go, the plate that names them, the
// boxes that say a recording failed.
struct RecordingServices {
    MessageBoxes& boxes;
    const WorkshopFolders& folders;
    std::function<QString()> plate;
};

class LiveChartWindow : public ChartWindow {
    Q_OBJECT
public:
    LiveChartWindow(PollBuffer& polls, char decimalSeparator, const RecordingServices& services);
    ~LiveChartWindow() override;

    void setPaused(bool paused);
    bool paused() const;
    // Drops the next numbered marker at the latest poll.
    void mark();
    // Starts recording into the recordings' folder; `plate` names the file when given.
    void startRecording(const QString& plate);
    // Records into `path` itself (made anew).
    void startRecordingTo(const QString& path);
    void stopRecording();
    const DriveRecorder& recorder() const { return recording; }

    QPushButton* pausar;
    QPushButton* marcar;
    QPushButton* gravar_registro;

signals:
    // A recording started, wrote a row, or stopped.
    void recordingChanged(bool active, qint64 rows);

protected:
    void redraw() override;
    void follow() override;

private:
    void buildButtons();
    void addPoll(const LivePoll& poll);
    void updateTitle();

    RecordingServices services;
    DriveRecorder recording;
    int pendingMarker = 0;
};
