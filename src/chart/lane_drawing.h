#pragma once
// What the chart's lanes are drawn with, where QCustomPlot's own way costs too much for
// a chart that follows the polls twice a second: each part draws the same pixels as
// QCustomPlot would, only less often or only where the window is being painted.
#include <QHash>
#include <QLocale>
#include <QPixmap>
#include <QRegion>
#include <QString>
#include <QVector>

#include <qcustomplot.h>

// A lane's caption, written upwards along its value axis. QCustomPlot lays rotated
// text out anew at every replot (an eighth of its cost here); this one is drawn once
// into a picture. Its room is the axis's padding.
class LaneCaption : public QCPLayerable {
public:
    LaneCaption(QCPAxisRect* lane, const QString& text, const QFont& font);

protected:
    void applyDefaultAntialiasingHint(QCPPainter*) const override { }
    void draw(QCPPainter* painter) override;

private:
    QCPAxisRect* rect;
    QPixmap picture;
};

// A lane's grid, as one-pixel solid rectangles: QCustomPlot's dotted grid lines go
// through the painter's line stroker pixel by pixel, a fifth of the cost of a replot.
class LaneGrid : public QCPLayerable {
public:
    explicit LaneGrid(QCPAxisRect* lane);

protected:
    void applyDefaultAntialiasingHint(QCPPainter*) const override { }
    void draw(QCPPainter* painter) override;

private:
    QCPAxisRect* rect;
};

// A lane's line. When only strips of the window are painted (the new edge, the strip
// under the value axis), only the steps of the line that reach them are stroked: Qt's
// stroker otherwise walks every step of the view for a few columns of pixels, a third
// of the cost of following the polls. The steps are QCustomPlot's own, so the pixels
// are too.
class LaneGraph : public QCPGraph {
public:
    // `painting`: the part of the window being painted, empty when not known.
    LaneGraph(QCPAxis* time, QCPAxis* value, const QRegion& painting);

protected:
    void draw(QCPPainter* painter) override;

private:
    const QRegion& painting;
};

// Ticks and their labels worked out again only when the range they are for changed,
// and a tick's label only once: QCustomPlot works them out, numbers and times
// formatted to text, for every axis at every paint, though a lane's scale rarely moves
// and the lanes share one time axis. A ticker's own settings are made before it is
// first used.
template <class Ticker>
class CachedTicker : public Ticker {
public:
    void generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision, QVector<double>& ticks,
                  QVector<double>* subTicks, QVector<QString>* tickLabels) override
    {
        const bool sameText
            = cached && locale == last.locale && formatChar == last.formatChar && precision == last.precision;
        if (!sameText)
            texts.clear();
        if (!(sameText && range == last.range)) {
            // Labels always: an axis that shows none shares this with one that does.
            Ticker::generate(range, locale, formatChar, precision, last.ticks, &last.subTicks, &last.labels);
            last.range = range;
            last.locale = locale;
            last.formatChar = formatChar;
            last.precision = precision;
            cached = true;
        }
        ticks = last.ticks;
        if (subTicks)
            *subTicks = last.subTicks;
        if (tickLabels)
            *tickLabels = last.labels;
    }

protected:
    // A time keeps its words while the view moves past it: worked out once.
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override
    {
        const auto known = texts.constFind(tick);
        if (known != texts.cend())
            return *known;
        if (texts.size() >= 256)
            texts.clear();
        return *texts.insert(tick, Ticker::getTickLabel(tick, locale, formatChar, precision));
    }

private:
    struct Generated {
        QCPRange range;
        QLocale locale;
        QChar formatChar;
        int precision = 0;
        QVector<double> ticks;
        QVector<double> subTicks;
        QVector<QString> labels;
    };
    Generated last;
    bool cached = false;
    QHash<double, QString> texts;
};
