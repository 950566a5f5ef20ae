#pragma once
// What the live chart and a drive log's viewer share: the span box, "Abrir registro...",
// the lanes and the cursor's readout under them.
#include "chart/chart_lanes.h"

#include <QWidget>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;

// The title both windows start from.
extern const char* const ChartTitle;

class ChartWindow : public QWidget {
    Q_OBJECT
public:
    // The view's span in seconds (0: all); the choices of the span box.
    void setSpan(double seconds);

    // What is drawn, for tests and the bench: the times (seconds since 1970) and each
    // lane's values, NaN where a poll failed or the monitor stopped.
    const std::vector<double>& times() const { return plot->times(); }
    const std::vector<double>& lane(int i) const { return plot->lane(i); }
    int markerCount() const { return markers; }
    // A finding's marker: a labelled line across the lanes.
    void markFinding(const FindingMark& mark);
    int findingMarkCount() const { return findingMarks; }
    // The readout of the cursor at time `t`.
    QString readoutAt(double t) const { return plot->readoutAt(t, sep); }
    // Draws the lanes now, not at the next turn of the event loop.
    void drawNow();

    ChartLanes* plot;
    QComboBox* janela;
    QPushButton* abrir_registro;
    QLabel* leitura;

signals:
    // "Abrir registro...": the main window's item, which knows where logs are.
    void openLogRequested();

protected:
    ChartWindow(const QString& title, Qt::TimeSpec clock, double span, char decimalSeparator);

    void add(double t, bool ok, const LaneValues& values, int marker);
    // Brings the view up to date and draws what changed.
    virtual void redraw();
    // Where the view goes when the span changes, and as polls come.
    virtual void showSpan() { }
    virtual void follow() { }

    // The bar above the lanes, for the live chart's own buttons after the span box.
    QHBoxLayout* bar;
    char sep;
    double span;
    int markers = 0;

private:
    int findingMarks = 0;
};
