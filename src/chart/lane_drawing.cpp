#include "chart/lane_drawing.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

LaneCaption::LaneCaption(QCPAxisRect* lane, const QString& text, const QFont& font)
    : QCPLayerable(lane->parentPlot(), "axes"), rect(lane)
{
    const QFontMetrics metrics(font);
    const QSize size(metrics.height(), metrics.horizontalAdvance(text) + 2);
    const qreal ratio = lane->parentPlot()->devicePixelRatioF();
    picture = QPixmap(size * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setFont(font);
    p.translate(0, size.height());
    p.rotate(-90);
    p.drawText(QRect(0, 0, size.height(), size.width()), Qt::AlignCenter, text);
    lane->axis(QCPAxis::atLeft)->setPadding(size.width() + 4);
}

void LaneCaption::draw(QCPPainter* painter)
{
    const QSize size = picture.deviceIndependentSize().toSize();
    painter->drawPixmap(rect->outerRect().left() + 2, rect->center().y() - size.height() / 2, picture);
}

LaneGrid::LaneGrid(QCPAxisRect* lane) : QCPLayerable(lane->parentPlot(), "grid"), rect(lane)
{
    lane->axis(QCPAxis::atBottom)->grid()->setVisible(false);
    lane->axis(QCPAxis::atLeft)->grid()->setVisible(false);
}

void LaneGrid::draw(QCPPainter* painter)
{
    const QColor line(228, 228, 228);
    const QRect area = rect->rect();
    const QCPAxis* x = rect->axis(QCPAxis::atBottom);
    const QCPAxis* y = rect->axis(QCPAxis::atLeft);
    for (const double t : x->tickVector()) {
        const int at = qRound(x->coordToPixel(t));
        if (at > area.left() && at < area.right())
            painter->fillRect(QRect(at, area.top(), 1, area.height()), line);
    }
    for (const double v : y->tickVector()) {
        const int at = qRound(y->coordToPixel(v));
        if (at > area.top() && at < area.bottom())
            painter->fillRect(QRect(area.left(), at, area.width(), 1), line);
    }
}

namespace {

// Columns [first, last] of pixels, left to right.
using Columns = std::vector<std::pair<int, int>>;

// The columns of `area` that `painting` reaches, joined where they touch; `whole` when
// one part of it spans the area's full width.
Columns columnsPainted(const QRegion& painting, const QRect& area, bool& whole)
{
    Columns columns;
    whole = false;
    for (const QRect& r : painting) {
        const QRect part = r & area;
        if (part.isEmpty())
            continue;
        if (part.left() == area.left() && part.right() == area.right())
            whole = true;
        columns.emplace_back(part.left(), part.right());
    }
    std::sort(columns.begin(), columns.end());
    Columns joined;
    for (const auto& c : columns) {
        if (!joined.empty() && c.first <= joined.back().second + 1)
            joined.back().second = std::max(joined.back().second, c.second);
        else
            joined.push_back(c);
    }
    return joined;
}

// A step from `a` to `b` may put pixels in these columns: a pen's end stands out of a
// point by a pixel at most; two more keep clear of any rounding.
bool reaches(const QPointF& a, const QPointF& b, const Columns& columns)
{
    constexpr double Reach = 3;
    const double left = std::min(a.x(), b.x()) - Reach;
    const double right = std::max(a.x(), b.x()) + Reach;
    return std::any_of(columns.begin(), columns.end(),
                       [&](const auto& c) { return right >= c.first && left <= c.second + 1; });
}

bool isPoint(const QPointF& p) { return !std::isnan(p.x()) && !std::isnan(p.y()) && !std::isinf(p.y()); }

} // namespace

LaneGraph::LaneGraph(QCPAxis* time, QCPAxis* value, const QRegion& painting) : QCPGraph(time, value), painting(painting)
{
}

void LaneGraph::draw(QCPPainter* painter)
{
    bool whole = true;
    const Columns columns
        = painting.isEmpty() ? Columns() : columnsPainted(painting, keyAxis()->axisRect()->rect(), whole);
    const bool plainLine = lineStyle() == lsLine && scatterStyle().isNone() && brush().style() == Qt::NoBrush
        && selection().isEmpty() && !channelFillGraph();
    if (whole || !plainLine || mKeyAxis->range().size() <= 0) {
        QCPGraph::draw(painter);
        return;
    }
    QVector<QPointF> lines;
    getLines(&lines, QCPDataRange(0, dataCount()));
    painter->setPen(pen());
    painter->setBrush(Qt::NoBrush);
    // Runs of the steps that reach the columns painted. A run ends where the whole line
    // ends too (a gap, the last poll) or at a point out of every column painted, where
    // its pen's end cannot show.
    QVector<QPointF> run;
    const auto drawRun = [&] {
        if (!run.isEmpty())
            drawLinePlot(painter, run);
        run.clear();
    };
    for (int i = 0; i < lines.size(); ++i) {
        const QPointF& a = lines[i];
        if (!isPoint(a))
            continue;
        // A point alone between gaps, drawn alone as the whole line draws it.
        const bool alone = (i == 0 || !isPoint(lines[i - 1])) && (i + 1 == lines.size() || !isPoint(lines[i + 1]));
        if (alone && reaches(a, a, columns)) {
            run.push_back(a);
            drawRun();
            continue;
        }
        if (i + 1 == lines.size() || !isPoint(lines[i + 1]) || !reaches(a, lines[i + 1], columns)) {
            drawRun();
            continue;
        }
        if (run.isEmpty())
            run.push_back(a);
        run.push_back(lines[i + 1]);
    }
    drawRun();
}
