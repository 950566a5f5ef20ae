#pragma once
// "Gráfico dos Valores Instantâneos": the six live values on one time axis, a lane each
// with its unit and its own scale. Live, it follows the main window's polls (it asks the
// controller nothing) and can record them; opened on a drive log, it shows the whole
// drive. Zoom with the wheel (over a value axis: that lane alone), pan by dragging; the
// cursor reads the values under the mouse; markers are numbered.
#include "chart/drive_recorder.h"

#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class LiveHistory;
class MessageBoxes;
class WorkshopFolders;
struct LivePoll;
class QCPAxisRect;
class QCPGraph;
class QCPItemText;
class QColor;
class QComboBox;
class QHBoxLayout;
class QCustomPlot;
class QLabel;
class QMouseEvent;
class QPen;
class QPushButton;
class QWheelEvent;

// Where an installation check's finding started or cleared.
struct FindingMark {
    double seconds = 0; // since 1970
    QString text;
    bool started = false;
};

// What a live chart's recordings need: where they go, the plate that names them, the
// boxes that say a recording failed.
struct RecordingServices {
    MessageBoxes& boxes;
    const WorkshopFolders& folders;
    std::function<QString()> plate;
};

class ChartWindow : public QWidget {
    Q_OBJECT
public:
    // Live: follows `history`, drawing what it already holds too.
    ChartWindow(LiveHistory& history, char decimalSeparator, const RecordingServices& services);
    // A drive log read from `fileName`.
    ChartWindow(const tuma::DriveLog& log, const QString& fileName, char decimalSeparator);
    ~ChartWindow() override;

    // The view's span in seconds (0: all); the choices of the span box.
    void setSpan(double seconds);
    // Freezes the view while the data goes on arriving; the view can then be moved.
    void setPaused(bool paused);
    bool paused() const;
    // Drops the next numbered marker at the latest poll (or, on a file, the view's middle).
    void mark();
    // Starts or stops recording into the recordings' folder; `plate` names the file
    // when given.
    void startRecording(const QString& plate);
    // Records into `path` itself (made anew).
    void startRecordingTo(const QString& path);
    void stopRecording();
    const DriveRecorder& recorder() const { return recording; }

    // What is drawn, for tests and the bench: the times (seconds since 1970) and each
    // lane's values, NaN where a poll failed or the monitor stopped.
    const std::vector<double>& times() const { return keys; }
    const std::vector<double>& lane(int i) const { return values[static_cast<size_t>(i)]; }
    int markerCount() const { return markers; }
    // A finding's marker: a labelled line across the lanes.
    void markFinding(const FindingMark& mark);
    int findingMarkCount() const { return findingMarks; }
    // The readout of the cursor at time `t`.
    QString readoutAt(double t) const;
    // Draws the lanes now, not at the next turn of the event loop.
    void drawNow();

    QCustomPlot* plot;
    QComboBox* janela;
    QPushButton* pausar;
    QPushButton* marcar;
    QPushButton* gravar_registro;
    QPushButton* abrir_registro;
    QLabel* leitura;

signals:
    // "Abrir registro...": the main window's item, which knows where logs are.
    void openLogRequested();
    // A recording started, wrote a row, or stopped.
    void recordingChanged(bool active, qint64 rows);

private:
    void build(bool live);
    QHBoxLayout* buildBar(bool live);
    void buildLanes(bool live);
    void connectPlot();
    void add(double t, bool ok, const std::array<double, 6>& v, int marker);
    void addPoll(const LivePoll& poll);
    void follow();
    void redraw();
    void drawMarker(double t, int number);
    void lineAcrossTheLanes(double t, const QPen& pen);
    QCPItemText* labelInTheTopLane(double t, double height, Qt::Alignment alignment, const QString& text,
                                   const QColor& ink);
    void updateTitle();
    void laneMenu(int lane, const QPoint& at);
    void onMouseMove(QMouseEvent* e);

    LiveHistory* history = nullptr;
    char sep;
    bool live = false;
    QString baseTitle;
    std::vector<QCPAxisRect*> rects;
    std::vector<QCPGraph*> graphs;
    std::array<bool, 6> autoScale{};
    std::vector<double> keys;
    std::array<std::vector<double>, 6> values;
    double span = 60;
    int markers = 0;
    int findingMarks = 0;
    int pendingMarker = 0;
    DriveRecorder recording;
    std::optional<RecordingServices> recordingServices; // live only
    std::vector<QWidget*> followers;
};
