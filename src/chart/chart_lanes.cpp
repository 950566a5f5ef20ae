#include "chart/chart_lanes.h"

#include "chart/lane_drawing.h"
#include "core/live_values.h"
#include "core/number_text.h"

#include <QDateTime>
#include <QInputDialog>
#include <QMenu>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace tuma;

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
// Polls come every 0.5 s; a longer silence is a monitor that stopped: a gap, not a line.
constexpr double GapSeconds = 1.6;
// The newest poll stands this far from the right edge.
constexpr double EdgeSeconds = 0.25;
// Each lane's row in the live-values table, top to bottom.
constexpr int LaneRow[LaneCount] = {3, 0, 1, 2, 4, 5};
const QColor LaneColor[LaneCount] = {QColor(200, 30, 30), QColor(220, 120, 0),  QColor(30, 110, 200),
                                     QColor(20, 150, 60), QColor(120, 60, 170), QColor(60, 60, 60)};
// The value axis's line and the ticks it draws into the lane: drawn again, not scrolled.
constexpr int ValueAxisRoom = 8;

const LiveValue& valueOf(int lane) { return liveValueTable()[LaneRow[lane]]; }

QString captionOf(int lane)
{
    QString caption = QString::fromUtf8(valueOf(lane).caption);
    caption.remove(" Atual");
    return caption;
}

QString laneLabel(int lane) { return captionOf(lane) + " (" + QString::fromUtf8(valueOf(lane).unit) + ")"; }

} // namespace

ChartLanes::ChartLanes(QWidget* parent, Qt::TimeSpec clock) : QCustomPlot(parent), clock(clock)
{
    setObjectName("grafico");
    // Every pixel is painted here: what is scrolled need not be drawn again.
    setAttribute(Qt::WA_OpaquePaintEvent);
    autoScale.fill(true);
    plotLayout()->clear();
    // One time axis for all the lanes: its ticks are worked out once a paint.
    auto* ticker = new CachedTicker<QCPAxisTickerDateTime>;
    ticker->setDateTimeFormat("HH:mm:ss");
    ticker->setDateTimeSpec(clock);
    timeTicker.reset(ticker);
    QFont small = font();
    small.setPointSizeF(std::max(7.0, small.pointSizeF() - 1));
    auto* margins = new QCPMarginGroup(this);
    for (int lane = 0; lane < LaneCount; ++lane) {
        buildLane(lane, small);
        rects.back()->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
    }
    setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    // Twice a second, six lanes, up to hours of polls: thin lines drawn without
    // antialiasing cost a small fraction of wide smoothed ones in Qt's raster engine.
    setNotAntialiasedElements(QCP::aeAll);
    // QCustomPlot's "fast polylines" draw each step as a line of its own; one polyline
    // per run between gaps costs less.
    setPlottingHints(QCP::phCacheLabels);
    // Nothing is drawn above the lanes: one layer buffer less to clear and blend.
    layer("overlay")->setMode(QCPLayer::lmLogical);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QCustomPlot::customContextMenuRequested, this, [this](const QPoint& at) {
        for (int lane = 0; lane < LaneCount; ++lane)
            if (rects[static_cast<size_t>(lane)]->outerRect().contains(at))
                laneMenu(lane, mapToGlobal(at));
    });
    connect(this, &QCustomPlot::mouseMove, this,
            [this](QMouseEvent* e) { emit cursorAt(timeAxis()->pixelToCoord(e->pos().x())); });
    connect(this, &QCustomPlot::mousePress, this, [this](QMouseEvent* e) {
        if (e->button() == Qt::LeftButton)
            emit movedByHand();
    });
    connect(this, &QCustomPlot::mouseWheel, this, [this](QWheelEvent* e) { wheelOverLanes(e); });
}

void ChartLanes::buildLane(int lane, const QFont& small)
{
    const bool last = lane == LaneCount - 1;
    auto* rect = new QCPAxisRect(this);
    plotLayout()->addElement(lane, 0, rect);
    rect->setAutoMargins(QCP::msLeft | QCP::msRight | (last ? QCP::msBottom : QCP::msNone));
    rect->setMargins(QMargins(0, 4, 0, last ? 0 : 4));
    QCPAxis* x = rect->axis(QCPAxis::atBottom);
    QCPAxis* y = rect->axis(QCPAxis::atLeft);
    x->setTicker(timeTicker);
    x->setTickLabels(last);
    x->setTickLabelFont(small);
    new LaneCaption(rect, laneLabel(lane), small);
    new LaneGrid(rect);
    y->setTickLabelFont(small);
    QSharedPointer<CachedTicker<QCPAxisTicker>> valueTicker(new CachedTicker<QCPAxisTicker>);
    valueTicker->setTickCount(3);
    y->setTicker(valueTicker);
    // Short marks between the ticks: many small lines a replot for little help.
    x->setSubTicks(false);
    y->setSubTicks(false);
    rect->setRangeDrag(Qt::Horizontal);
    rect->setRangeZoom(Qt::Horizontal);
    QCPGraph* g = new LaneGraph(x, y, painting);
    g->setPen(QPen(LaneColor[lane], 1));
    g->setAdaptiveSampling(true);
    rects.push_back(rect);
    graphs.push_back(g);
    // One time axis: every lane follows the one that moved.
    connect(x, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, [this, x](const QCPRange& r) {
        for (QCPAxisRect* other : rects)
            if (other->axis(QCPAxis::atBottom) != x && other->axis(QCPAxis::atBottom)->range() != r)
                other->axis(QCPAxis::atBottom)->setRange(r);
    });
}

QCPAxis* ChartLanes::timeAxis() const { return rects[0]->axis(QCPAxis::atBottom); }

void ChartLanes::add(double t, bool ok, const LaneValues& v, int marker)
{
    if (!keys.empty() && !std::isnan(values[0].back()) && t - keys.back() > GapSeconds) {
        keys.push_back(keys.back() + 0.5);
        for (int lane = 0; lane < LaneCount; ++lane) {
            values[static_cast<size_t>(lane)].push_back(NaN);
            graphs[static_cast<size_t>(lane)]->addData(keys.back(), NaN);
        }
    }
    keys.push_back(t);
    for (int lane = 0; lane < LaneCount; ++lane) {
        const double value = ok ? v[static_cast<size_t>(LaneRow[lane])] : NaN;
        values[static_cast<size_t>(lane)].push_back(value);
        graphs[static_cast<size_t>(lane)]->addData(t, value);
    }
    if (marker > 0)
        drawMarker(t, marker);
}

void ChartLanes::lineAcrossTheLanes(double t, const QPen& pen)
{
    for (QCPAxisRect* rect : rects) {
        auto* line = new QCPItemStraightLine(this);
        line->setClipAxisRect(rect);
        for (QCPItemPosition* p : {line->point1, line->point2})
            p->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        line->point1->setTypeY(QCPItemPosition::ptAxisRectRatio);
        line->point2->setTypeY(QCPItemPosition::ptAxisRectRatio);
        line->point1->setCoords(t, 0);
        line->point2->setCoords(t, 1);
        line->setPen(pen);
    }
}

void ChartLanes::drawMarker(double t, int number)
{
    lineAcrossTheLanes(t, QPen(QColor(0, 0, 0, 140), 1, Qt::DashLine));
    labelInTheTopLane(t, 0, Qt::AlignLeft | Qt::AlignTop, QString(" %1").arg(number), Qt::black);
}

QCPItemText* ChartLanes::labelInTheTopLane(double t, double height, Qt::Alignment alignment, const QString& text,
                                           const QColor& ink)
{
    auto* label = new QCPItemText(this);
    label->setClipAxisRect(rects[0]);
    label->position->setAxes(rects[0]->axis(QCPAxis::atBottom), rects[0]->axis(QCPAxis::atLeft));
    label->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
    label->position->setCoords(t, height);
    label->setPositionAlignment(alignment);
    label->setText(text);
    label->setColor(ink);
    return label;
}

void ChartLanes::markFinding(const FindingMark& mark)
{
    const QColor ink = mark.started ? QColor(190, 30, 30) : QColor(30, 140, 60);
    lineAcrossTheLanes(mark.seconds, QPen(ink, 1, Qt::SolidLine));
    // Its words end at its line, in the top lane: the newest finding stands at the right edge.
    labelInTheTopLane(mark.seconds, 0.02, Qt::AlignRight | Qt::AlignTop, mark.text + " ", ink)
        ->setBrush(QBrush(QColor(255, 255, 255, 220)));
}

void ChartLanes::followTo(double span)
{
    if (keys.empty())
        return;
    const QCPRange want(span > 0 ? keys.back() - span : keys.front(), keys.back() + EdgeSeconds);
    const QCPRange now = timeAxis()->range();
    const int width = rects[0]->width();
    // Moved by whole pixels, what is on screen moves as it is; the newest poll stays
    // within a pixel of where it would be.
    if (span > 0 && width > 0 && qFuzzyCompare(now.size(), want.size()) && want.lower > now.lower) {
        const double perPixel = now.size() / width;
        const double dx = std::round((want.lower - now.lower) / perPixel);
        timeAxis()->setRange(now.lower + dx * perPixel, now.upper + dx * perPixel);
    } else {
        timeAxis()->setRange(want);
    }
}

void ChartLanes::showTimes(double lower, double upper) { timeAxis()->setRange(lower, upper); }

void ChartLanes::scaleLanes(Fit fit)
{
    for (int lane = 0; lane < LaneCount; ++lane) {
        if (!autoScale[static_cast<size_t>(lane)])
            continue;
        bool found = false;
        QCPGraph* g = graphs[static_cast<size_t>(lane)];
        const QCPRange r = g->getValueRange(found, QCP::sdBoth, g->keyAxis()->range());
        if (!found)
            continue;
        const double pad = r.size() > 0 ? r.size() * 0.08 : std::max(1.0, std::abs(r.center()) * 0.05);
        const QCPRange tight(r.lower - pad, r.upper + pad);
        if (fit == Fit::Tight) {
            g->valueAxis()->setRange(tight);
            continue;
        }
        // Following the polls, a lane keeps its scale while its line stays inside and
        // fills more than half of it: a noisy line would otherwise rescale, and so
        // redraw, its whole lane at every poll.
        const QCPRange now = g->valueAxis()->range();
        if (r.lower >= now.lower && r.upper <= now.upper && tight.size() > now.size() / 2)
            continue;
        // Past its scale, a lane takes a quarter more room on that side, so that a line
        // that climbs (a warming engine, a correction learning) is not refitted at every
        // poll.
        QCPRange loose = tight;
        if (r.upper > now.upper)
            loose.upper += tight.size() / 4;
        if (r.lower < now.lower)
            loose.lower -= tight.size() / 4;
        g->valueAxis()->setRange(loose);
    }
}

void ChartLanes::redraw()
{
    scaleLanes(Fit::Loose);
    const int dx = scrolledSinceDrawn();
    if (dx == 0 && nothingNewInView())
        return; // paused, or looking back: the polls land past the right edge
    if (dx >= 0)
        drawScrolled(dx);
    else
        update(); // nothing while hidden
    paintPending = true;
}

void ChartLanes::drawNow()
{
    scaleLanes(Fit::Tight);
    repaint();
}

int ChartLanes::scrolledSinceDrawn() const
{
    if (paintPending || !isVisible() || drawn.size != size() || drawn.items != itemCount() || keys.size() < drawn.polls)
        return -1;
    const QCPRange now = timeAxis()->range();
    const int width = rects[0]->width();
    if (width <= 0 || !qFuzzyCompare(now.size(), drawn.times.size()))
        return -1;
    const double moved = (now.lower - drawn.times.lower) / (drawn.times.size() / width);
    const double dx = std::round(moved);
    // Times near 1.8e9 s hold a few tenths of a microsecond: a thousandth of a pixel
    // is a whole move.
    if (std::abs(moved - dx) > 1e-3 || dx < 0 || dx >= width - ValueAxisRoom)
        return -1;
    return static_cast<int>(dx);
}

bool ChartLanes::rescaledSinceDrawn(size_t lane) const
{
    return rects[lane]->axis(QCPAxis::atLeft)->range() != drawn.ranges[lane];
}

bool ChartLanes::nothingNewInView() const
{
    for (size_t lane = 0; lane < rects.size(); ++lane)
        if (rescaledSinceDrawn(lane))
            return false;
    // The line to a new poll starts at the newest one drawn: that one out of view too.
    return drawn.polls > 0 && keys[drawn.polls - 1] > timeAxis()->range().upper;
}

void ChartLanes::drawScrolled(int dx)
{
    // The lanes' areas, what lies between them and the time labels under the last one:
    // nothing there but what moves with time.
    const QRect band(rects.front()->rect().topLeft(), rects.back()->rect().bottomRight());
    // A line across the lanes (a marker, a finding) stands a pixel above the top one.
    const QRect moving(QPoint(band.left() + ValueAxisRoom, band.top() - std::min(2, band.top())),
                       QPoint(band.right(), height() - 1));
    if (dx > 0)
        scroll(-dx, 0, moving);
    // The value axes' lines and ticks, left of what moved (their labels stay).
    update(QRect(band.left() - 2, 0, moving.left() - band.left() + 2, height()));
    // The new edge: from the newest poll already drawn, whose line goes on to the new one.
    int from = moving.right() - dx;
    if (drawn.polls > 0)
        from = std::min(from, static_cast<int>(std::floor(timeAxis()->coordToPixel(keys[drawn.polls - 1]))) - 2);
    from = std::max(from, moving.left());
    update(QRect(from, 0, width() - from, height()));
    // A time label stands half out of its time: one whose time left the view is gone
    // from the left. One entering at the right shows once the window holds it whole,
    // up to a move's width left of there.
    const QCPAxis* times = rects.back()->axis(QCPAxis::atBottom);
    const int label = QFontMetrics(times->tickLabelFont()).horizontalAdvance("00:00:00") + 8;
    const int labelsTop = band.bottom() + 1;
    update(QRect(0, labelsTop, band.left() + label / 2, height() - labelsTop));
    const int labelsFrom = std::min(from, width() - label - dx);
    update(QRect(labelsFrom, labelsTop, width() - labelsFrom, height() - labelsTop));
    // The lanes whose scale moved, whole, with their value labels, which stand out of
    // the lane by up to half a line at its top and bottom.
    for (size_t lane = 0; lane < rects.size(); ++lane)
        if (rescaledSinceDrawn(lane)) {
            const int overhang = QFontMetrics(rects[lane]->axis(QCPAxis::atLeft)->tickLabelFont()).height() / 2 + 2;
            update(rects[lane]->outerRect().adjusted(0, -overhang, 0, overhang));
        }
}

void ChartLanes::paintEvent(QPaintEvent* event)
{
    // Straight onto the window. QCustomPlot's own path draws into a transparent
    // buffer, then clears it and blends it over the window at every replot: a fifth of
    // the cost of following the polls. QCustomPlot's own replots (a drag) end here too.
    QCPPainter painter(this);
    if (!painter.isActive())
        return;
    painter.fillRect(rect(), mBackgroundBrush);
    painting = event->region();
    draw(&painter);
    painting = QRegion();
    drawn.times = timeAxis()->range();
    for (int lane = 0; lane < LaneCount; ++lane)
        drawn.ranges[static_cast<size_t>(lane)] = rects[static_cast<size_t>(lane)]->axis(QCPAxis::atLeft)->range();
    drawn.size = size();
    drawn.polls = keys.size();
    drawn.items = itemCount();
    paintPending = false;
}

void ChartLanes::resizeEvent(QResizeEvent* event)
{
    QCustomPlot::resizeEvent(event);
    paintPending = true;
}

void ChartLanes::wheelOverLanes(QWheelEvent* e)
{
    emit movedByHand();
    // Over a lane's value axis the wheel zooms that lane alone; over the lanes, time.
    const QPoint at = e->position().toPoint();
    for (size_t lane = 0; lane < rects.size(); ++lane) {
        QCPAxisRect* rect = rects[lane];
        if (rect->outerRect().contains(at) && at.x() < rect->left()) {
            QCPAxis* y = rect->axis(QCPAxis::atLeft);
            y->scaleRange(std::pow(0.85, e->angleDelta().y() / 120.0), y->pixelToCoord(at.y()));
            autoScale[lane] = false;
            update();
        }
    }
}

QString ChartLanes::readoutAt(double t, char sep) const
{
    if (keys.empty())
        return QString();
    auto it = std::lower_bound(keys.begin(), keys.end(), t);
    size_t i = it == keys.end() ? keys.size() - 1 : static_cast<size_t>(it - keys.begin());
    if (i > 0 && (it == keys.end() || std::abs(keys[i - 1] - t) < std::abs(keys[i] - t)))
        --i;
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(keys[i] * 1000)), clock);
    QString text = when.toString("HH:mm:ss.zzz") + " —";
    if (std::isnan(values[0][i]))
        return text + " sem leitura";
    for (int lane = 0; lane < LaneCount; ++lane) {
        QString number = QString::fromStdString(formatGeneral(values[static_cast<size_t>(lane)][i], sep));
        text += QString("  %1 %2 %3").arg(captionOf(lane), number, QString::fromUtf8(valueOf(lane).unit));
    }
    return text;
}

void ChartLanes::laneMenu(int lane, const QPoint& at)
{
    QMenu menu(this);
    QAction* automatic = menu.addAction("Escala automática");
    automatic->setCheckable(true);
    automatic->setChecked(autoScale[static_cast<size_t>(lane)]);
    QAction* fixed = menu.addAction("Faixa fixa...");
    QAction* chosen = menu.exec(at);
    QCPAxis* y = rects[static_cast<size_t>(lane)]->axis(QCPAxis::atLeft);
    const QString caption = laneLabel(lane);
    if (chosen == automatic) {
        autoScale[static_cast<size_t>(lane)] = automatic->isChecked();
    } else if (chosen == fixed) {
        bool ok = false;
        const double low
            = QInputDialog::getDouble(this, "Faixa fixa", caption + ": mínimo", y->range().lower, -1e9, 1e9, 2, &ok);
        if (!ok)
            return;
        const double high
            = QInputDialog::getDouble(this, "Faixa fixa", caption + ": máximo", y->range().upper, -1e9, 1e9, 2, &ok);
        if (!ok || high <= low)
            return;
        autoScale[static_cast<size_t>(lane)] = false;
        y->setRange(low, high);
    }
    redraw();
}
