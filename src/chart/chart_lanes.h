#pragma once
// The six live values on one time axis, a lane each with its unit and its own scale,
// drawn onto the window by QCustomPlot. Zoom with the wheel (over a value axis: that
// lane alone), pan by dragging; markers are numbered, a finding is a labelled line.
//
// Following the polls, the view moves by whole pixels: what was drawn already is
// scrolled, the time labels with it, and only the new edge, the strip under the value
// axes, the time labels' two ends and the lanes whose scale changed are drawn again.
#include <QRegion>
#include <QSharedPointer>
#include <QString>
#include <QtGlobal>

#include <qcustomplot.h>

#include <array>
#include <vector>

// The lanes top to bottom: correction, temperature, MAP, lambda, engine speed,
// injection time.
constexpr int LaneCount = 6;
// A poll's values in the live-values table's order (a drive log's too).
using LaneValues = std::array<double, LaneCount>;

// Where an installation check's finding started or cleared.
struct FindingMark {
    double seconds = 0; // since 1970
    QString text;
    bool started = false;
};

class ChartLanes : public QCustomPlot {
    Q_OBJECT
public:
    // `clock`: how the times read (a drive log's local times are read as UTC).
    ChartLanes(QWidget* parent, Qt::TimeSpec clock);

    // One poll at `t` (seconds since 1970); a failed one (`ok` false) is a gap. A
    // silence longer than a few polls is a gap too, not a line across it.
    void add(double t, bool ok, const LaneValues& values, int marker);
    const std::vector<double>& times() const { return keys; }
    const std::vector<double>& lane(int i) const { return values[static_cast<size_t>(i)]; }

    void drawMarker(double t, int number);
    void markFinding(const FindingMark& mark);

    // The view ends at the newest poll and spans `span` seconds (0: all), moved by
    // whole pixels from where it was.
    void followTo(double span);
    // The view from `lower` to `upper`.
    void showTimes(double lower, double upper);
    // Scales the lanes that scale themselves to what the view shows, and draws what
    // changed (nothing while hidden).
    void redraw();
    // Everything, now, not at the next turn of the event loop.
    void drawNow();

    // The values at the poll nearest `t`, as the cursor's readout shows them.
    QString readoutAt(double t, char decimalSeparator) const;
    QCPAxis* timeAxis() const;

signals:
    // The view moved by hand (a drag, the wheel): following the polls should stop.
    void movedByHand();
    // The mouse is over time `t`.
    void cursorAt(double t);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildLane(int lane, const QFont& small);
    void lineAcrossTheLanes(double t, const QPen& pen);
    QCPItemText* labelInTheTopLane(double t, double height, Qt::Alignment alignment, const QString& text,
                                   const QColor& ink);
    // Each self-scaling lane's range fitted to what the view shows.
    // Tight: each lane's scale fitted to its line. Loose: kept while the line fits it well.
    enum class Fit { Tight, Loose };
    void scaleLanes(Fit fit);
    void laneMenu(int lane, const QPoint& at);
    void wheelOverLanes(QWheelEvent* e);
    // How many whole pixels to the left the view moved since it was drawn, when that
    // and the lanes' scales are all that moved; -1 otherwise.
    int scrolledSinceDrawn() const;
    bool rescaledSinceDrawn(size_t lane) const;
    // Nothing drawn would change: no lane rescaled, the new polls right of the view.
    bool nothingNewInView() const;
    // Draws only what a move of `dx` pixels to the left leaves to draw, and the lanes
    // whose scale moved.
    void drawScrolled(int dx);

    Qt::TimeSpec clock;
    std::vector<QCPAxisRect*> rects;
    std::vector<QCPGraph*> graphs;
    std::array<bool, LaneCount> autoScale{};
    std::vector<double> keys;
    std::array<std::vector<double>, LaneCount> values;

    // What the pixels on screen show: the view, the lanes' ranges, the newest poll and
    // the items when they were last painted. A paint asked for and not yet made leaves
    // them unknown.
    struct Drawn {
        QCPRange times;
        std::array<QCPRange, LaneCount> ranges;
        QSize size;
        size_t polls = 0;
        int items = 0;
    };
    Drawn drawn;
    bool paintPending = true;
    // What a paint under way paints; empty otherwise (an export draws everything).
    QRegion painting;
    QSharedPointer<QCPAxisTicker> timeTicker;
};
