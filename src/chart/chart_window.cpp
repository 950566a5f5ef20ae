#include "chart/chart_window.h"

#include "chart/live_history.h"
#include "widgets/message_box.h"
#include "core/workshop_files.h"
#include "widgets/file_dialogs.h"
#include "core/live_values.h"
#include "core/number_text.h"

#include <qcustomplot.h>

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace tuma;

namespace {

const char* const Title = "Gráfico dos Valores Instantâneos";
const double NaN = std::numeric_limits<double>::quiet_NaN();
// Polls come every 0.5 s; a longer silence is a monitor that stopped: a gap, not a line.
constexpr double GapSeconds = 1.6;
// The lanes top to bottom, as indexes of the live-values table: correction, temperature,
// MAP, lambda, engine speed, injection time.
constexpr int LaneRow[6] = {3, 0, 1, 2, 4, 5};
const QColor LaneColor[6] = {QColor(200, 30, 30), QColor(220, 120, 0), QColor(30, 110, 200),
                             QColor(20, 150, 60), QColor(120, 60, 170), QColor(60, 60, 60)};

QString laneLabel(const LiveValue& v)
{
    QString caption = QString::fromUtf8(v.caption);
    caption.remove(" Atual");
    return caption + " (" + QString::fromUtf8(v.unit) + ")";
}

// A live value as the box shows it, as a number (RPM at scale 1).
double decoded(const LiveValue& v, const uint8_t* live)
{
    double d = NaN;
    return tryParseDecimal(shownText(v, live, addr::LiveFirst, "1"), '.', d) ? d : NaN;
}

// Draws the lanes straight onto the window. QCustomPlot's own path draws them into a
// transparent buffer, then clears it and blends it over the window at every replot: a
// fifth of the cost of following the polls. The chart calls update(), not replot();
// QCustomPlot's own replots (a drag) still end here.
class LanePlot : public QCustomPlot {
public:
    using QCustomPlot::QCustomPlot;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QCPPainter painter(this);
        if (!painter.isActive())
            return;
        painter.fillRect(rect(), mBackgroundBrush);
        draw(&painter);
    }
};

// A lane's caption, written upwards along its value axis. QCustomPlot lays rotated
// text out anew at every replot (an eighth of its cost here); this one is drawn once
// into a picture. Its room is the axis's padding.
class LaneCaption : public QCPLayerable {
public:
    LaneCaption(QCPAxisRect* lane, const QString& text, const QFont& font)
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

protected:
    void applyDefaultAntialiasingHint(QCPPainter*) const override {}
    void draw(QCPPainter* painter) override
    {
        const QSize size = picture.deviceIndependentSize().toSize();
        painter->drawPixmap(rect->outerRect().left() + 2, rect->center().y() - size.height() / 2, picture);
    }

private:
    QCPAxisRect* rect;
    QPixmap picture;
};

// A lane's grid, as one-pixel solid rectangles: QCustomPlot's dotted grid lines go
// through the painter's line stroker pixel by pixel, a fifth of the cost of a replot.
class LaneGrid : public QCPLayerable {
public:
    explicit LaneGrid(QCPAxisRect* lane) : QCPLayerable(lane->parentPlot(), "grid"), rect(lane)
    {
        lane->axis(QCPAxis::atBottom)->grid()->setVisible(false);
        lane->axis(QCPAxis::atLeft)->grid()->setVisible(false);
    }

protected:
    void applyDefaultAntialiasingHint(QCPPainter*) const override {}
    void draw(QCPPainter* painter) override
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

private:
    QCPAxisRect* rect;
};

} // namespace

ChartWindow::ChartWindow(LiveHistory& h, char decimalSeparator, const RecordingServices& services)
    : history(&h), sep(decimalSeparator), live(true), recordingServices(services)
{
    build(true);
    for (const LivePoll& p : h.polls())
        addPoll(p);
    connect(&h, &LiveHistory::added, this, [this](const LivePoll& p) {
        addPoll(p);
        if (isVisible())
            redraw();
    });
    redraw();
}

ChartWindow::ChartWindow(const DriveLog& log, const QString& fileName, char decimalSeparator) : sep(decimalSeparator)
{
    baseTitle = QString("%1 — %2").arg(QString::fromUtf8(Title), fileName);
    build(false);
    double base = 0;
    if (!log.samples.empty())
        logTimeSeconds(log.samples.front().localTime, base);
    for (const DriveSample& s : log.samples)
        add(base + s.seconds, s.ok, s.values, s.marker);
    setSpan(0);
    setPaused(true);
}

ChartWindow::~ChartWindow() { recording.stop(); }

void ChartWindow::build(bool isLive)
{
    setObjectName("GraficoForm");
    setWindowFlags(Qt::Window);
    // Closing the main window still ends the program, with this one open or not.
    setAttribute(Qt::WA_QuitOnClose, false);
    if (baseTitle.isEmpty())
        baseTitle = QString::fromUtf8(Title);
    setWindowTitle(baseTitle);
    autoScale.fill(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buildBar(isLive));
    buildLanes(isLive);
    connectPlot();
    layout->addWidget(plot, 1);

    leitura = new QLabel(" ", this);
    leitura->setObjectName("leitura");
    leitura->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(leitura);
    resize(900, 720);
}

QHBoxLayout* ChartWindow::buildBar(bool isLive)
{
    auto* bar = new QHBoxLayout();
    bar->addWidget(new QLabel("Janela:", this));
    janela = new QComboBox(this);
    janela->setObjectName("janela");
    for (const auto& [text, seconds] : {std::pair{"30 s", 30}, std::pair{"60 s", 60}, std::pair{"2 min", 120},
                                        std::pair{"10 min", 600}, std::pair{"tudo", 0}})
        janela->addItem(text, seconds);
    janela->setCurrentIndex(isLive ? 1 : 4);
    connect(janela, qOverload<int>(&QComboBox::activated), this,
            [this](int i) { setSpan(janela->itemData(i).toDouble()); });
    bar->addWidget(janela);
    pausar = new QPushButton("&Pausar", this);
    pausar->setObjectName("pausar");
    pausar->setCheckable(true);
    connect(pausar, &QPushButton::toggled, this, [this](bool on) { setPaused(on); });
    marcar = new QPushButton("&Marcar", this);
    marcar->setObjectName("marcar");
    marcar->setToolTip("Marca o momento (tecla M)");
    connect(marcar, &QPushButton::clicked, this, [this] { mark(); });
    // M anywhere in the window, also with the span box focused (which would take the
    // letter for its own search).
    auto* m = new QShortcut(QKeySequence(Qt::Key_M), this);
    connect(m, &QShortcut::activated, this, [this] { mark(); });
    gravar_registro = new QPushButton("Gravar &registro", this);
    gravar_registro->setObjectName("gravar_registro");
    connect(gravar_registro, &QPushButton::clicked, this, [this] {
        if (recording.active())
            stopRecording();
        else
            startRecording(recordingServices->plate());
    });
    abrir_registro = new QPushButton("&Abrir registro...", this);
    abrir_registro->setObjectName("abrir_registro");
    connect(abrir_registro, &QPushButton::clicked, this, [this] { emit openLogRequested(); });
    for (QWidget* w : {static_cast<QWidget*>(pausar), static_cast<QWidget*>(marcar),
                       static_cast<QWidget*>(gravar_registro)}) {
        bar->addWidget(w);
        w->setVisible(isLive);
    }
    bar->addStretch();
    bar->addWidget(abrir_registro);
    return bar;
}

void ChartWindow::buildLanes(bool isLive)
{
    plot = new LanePlot(this);
    plot->setObjectName("grafico");
    plot->plotLayout()->clear();
    auto* margins = new QCPMarginGroup(plot);
    QSharedPointer<QCPAxisTickerDateTime> clock(new QCPAxisTickerDateTime);
    clock->setDateTimeFormat("HH:mm:ss");
    // A file's times were written as local times and are read as UTC: shown as written.
    clock->setDateTimeSpec(isLive ? Qt::LocalTime : Qt::UTC);
    QFont small = font();
    small.setPointSizeF(std::max(7.0, small.pointSizeF() - 1));
    for (int lane = 0; lane < 6; ++lane) {
        auto* rect = new QCPAxisRect(plot);
        plot->plotLayout()->addElement(lane, 0, rect);
        rect->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
        rect->setAutoMargins(QCP::msLeft | QCP::msRight | (lane == 5 ? QCP::msBottom : QCP::msNone));
        rect->setMargins(QMargins(0, 4, 0, lane == 5 ? 0 : 4));
        QCPAxis* x = rect->axis(QCPAxis::atBottom);
        QCPAxis* y = rect->axis(QCPAxis::atLeft);
        x->setTicker(clock);
        x->setTickLabels(lane == 5);
        x->setTickLabelFont(small);
        new LaneCaption(rect, laneLabel(liveValueTable()[LaneRow[lane]]), small);
        new LaneGrid(rect);
        y->setTickLabelFont(small);
        y->ticker()->setTickCount(3);
        // Short marks between the ticks: many small lines a replot for little help.
        x->setSubTicks(false);
        y->setSubTicks(false);
        rect->setRangeDrag(Qt::Horizontal);
        rect->setRangeZoom(Qt::Horizontal);
        QCPGraph* g = plot->addGraph(x, y);
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
}

void ChartWindow::connectPlot()
{
    plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    // Twice a second, six lanes, up to hours of polls: thin lines drawn without
    // antialiasing cost a small fraction of wide smoothed ones in Qt's raster engine.
    plot->setNotAntialiasedElements(QCP::aeAll);
    // QCustomPlot's "fast polylines" draw each step as a line of its own; one polyline
    // per run between gaps costs less.
    plot->setPlottingHints(QCP::phCacheLabels);
    // Nothing is drawn above the lanes: one layer buffer less to clear and blend.
    plot->layer("overlay")->setMode(QCPLayer::lmLogical);
    plot->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(plot, &QCustomPlot::customContextMenuRequested, this, [this](const QPoint& at) {
        for (int lane = 0; lane < 6; ++lane)
            if (rects[static_cast<size_t>(lane)]->outerRect().contains(at))
                laneMenu(lane, plot->mapToGlobal(at));
    });
    connect(plot, &QCustomPlot::mouseMove, this, [this](QMouseEvent* e) { onMouseMove(e); });
    // Moving the view by hand stops it following the polls.
    connect(plot, &QCustomPlot::mousePress, this, [this](QMouseEvent* e) {
        if (live && e->button() == Qt::LeftButton)
            setPaused(true);
    });
    connect(plot, &QCustomPlot::mouseWheel, this, [this](QWheelEvent* e) {
        if (live)
            setPaused(true);
        // Over a lane's value axis the wheel zooms that lane alone; over the lanes, time.
        const QPoint at = e->position().toPoint();
        for (size_t lane = 0; lane < rects.size(); ++lane) {
            QCPAxisRect* rect = rects[lane];
            if (rect->outerRect().contains(at) && at.x() < rect->left()) {
                QCPAxis* y = rect->axis(QCPAxis::atLeft);
                y->scaleRange(std::pow(0.85, e->angleDelta().y() / 120.0), y->pixelToCoord(at.y()));
                autoScale[lane] = false;
                plot->update();
            }
        }
    });
}

void ChartWindow::add(double t, bool ok, const std::array<double, 6>& v, int marker)
{
    if (!keys.empty() && !std::isnan(values[0].back()) && t - keys.back() > GapSeconds) {
        keys.push_back(keys.back() + 0.5);
        for (int lane = 0; lane < 6; ++lane) {
            values[static_cast<size_t>(lane)].push_back(NaN);
            graphs[static_cast<size_t>(lane)]->addData(keys.back(), NaN);
        }
    }
    keys.push_back(t);
    for (int lane = 0; lane < 6; ++lane) {
        const double value = ok ? v[static_cast<size_t>(LaneRow[lane])] : NaN;
        values[static_cast<size_t>(lane)].push_back(value);
        graphs[static_cast<size_t>(lane)]->addData(t, value);
    }
    if (marker > 0) {
        markers = std::max(markers, marker);
        drawMarker(t, marker);
    }
}

void ChartWindow::addPoll(const LivePoll& poll)
{
    std::array<double, 6> v{};
    if (poll.ok)
        for (size_t i = 0; i < liveValueCount(); ++i)
            v[i] = decoded(liveValueTable()[i], poll.live);
    add(poll.msecs / 1000.0, poll.ok, v, 0);
    // A marker goes into the row of the poll after it was dropped.
    const int marker = pendingMarker;
    pendingMarker = 0;
    if (!recording.active())
        return;
    QString why;
    if (!recording.write(poll, marker, why)) {
        recordingServices->boxes.showMessage(QString("Não foi possível gravar o registro em\n%1:\n%2\n\nA gravação parou; o monitoramento continua.")
                        .arg(QDir::toNativeSeparators(recording.path()), why),
                    "Gravar registro");
    }
    updateTitle();
}

void ChartWindow::setSpan(double seconds)
{
    span = seconds;
    for (int i = 0; i < janela->count(); ++i)
        if (janela->itemData(i).toDouble() == seconds)
            janela->setCurrentIndex(i);
    if (!live && !keys.empty()) {
        const double end = keys.back();
        rects[0]->axis(QCPAxis::atBottom)->setRange(seconds > 0 ? end - seconds : keys.front(), end);
    }
    redraw();
}

void ChartWindow::setPaused(bool on)
{
    if (pausar->isChecked() != on)
        pausar->setChecked(on);
    pausar->setText(on ? "&Continuar" : "&Pausar");
    redraw();
}

bool ChartWindow::paused() const { return !live || pausar->isChecked(); }

void ChartWindow::mark()
{
    if (!live || keys.empty())
        return;
    ++markers;
    pendingMarker = markers;
    drawMarker(QDateTime::currentMSecsSinceEpoch() / 1000.0, markers);
    redraw();
}

void ChartWindow::lineAcrossTheLanes(double t, const QPen& pen)
{
    for (QCPAxisRect* rect : rects) {
        auto* line = new QCPItemStraightLine(plot);
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

void ChartWindow::drawMarker(double t, int number)
{
    lineAcrossTheLanes(t, QPen(QColor(0, 0, 0, 140), 1, Qt::DashLine));
    labelInTheTopLane(t, 0, Qt::AlignLeft | Qt::AlignTop, QString(" %1").arg(number), Qt::black);
}

QCPItemText* ChartWindow::labelInTheTopLane(double t, double height, Qt::Alignment alignment, const QString& text,
                                            const QColor& ink)
{
    auto* label = new QCPItemText(plot);
    label->setClipAxisRect(rects[0]);
    label->position->setAxes(rects[0]->axis(QCPAxis::atBottom), rects[0]->axis(QCPAxis::atLeft));
    label->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
    label->position->setCoords(t, height);
    label->setPositionAlignment(alignment);
    label->setText(text);
    label->setColor(ink);
    return label;
}

void ChartWindow::markFinding(const FindingMark& mark)
{
    const QColor ink = mark.started ? QColor(190, 30, 30) : QColor(30, 140, 60);
    lineAcrossTheLanes(mark.seconds, QPen(ink, 1, Qt::SolidLine));
    // Its words end at its line, in the top lane: the newest finding stands at the right edge.
    labelInTheTopLane(mark.seconds, 0.02, Qt::AlignRight | Qt::AlignTop, mark.text + " ", ink)
        ->setBrush(QBrush(QColor(255, 255, 255, 220)));
    ++findingMarks;
    redraw();
}

void ChartWindow::follow()
{
    if (keys.empty())
        return;
    if (live && !paused()) {
        const double end = keys.back();
        rects[0]->axis(QCPAxis::atBottom)->setRange(span > 0 ? end - span : keys.front(), end + 0.25);
    }
    for (int lane = 0; lane < 6; ++lane) {
        if (!autoScale[static_cast<size_t>(lane)])
            continue;
        bool found = false;
        QCPGraph* g = graphs[static_cast<size_t>(lane)];
        const QCPRange r = g->getValueRange(found, QCP::sdBoth, g->keyAxis()->range());
        if (!found)
            continue;
        const double pad = r.size() > 0 ? r.size() * 0.08 : std::max(1.0, std::abs(r.center()) * 0.05);
        g->valueAxis()->setRange(r.lower - pad, r.upper + pad);
    }
}

void ChartWindow::redraw()
{
    follow();
    updateTitle();
    plot->update(); // nothing while the window is hidden
}

void ChartWindow::drawNow()
{
    follow();
    plot->repaint();
}

void ChartWindow::updateTitle()
{
    QString title = baseTitle;
    if (recording.active())
        title += QString(" — gravando %1 (%2 linhas)").arg(QFileInfo(recording.path()).fileName()).arg(recording.rows());
    if (windowTitle() != title)
        setWindowTitle(title);
    gravar_registro->setText(recording.active() ? "Pa&rar registro" : "Gravar &registro");
    emit recordingChanged(recording.active(), recording.rows());
}

void ChartWindow::startRecording(const QString& plate)
{
    using namespace tuma::files;
    startRecordingTo(WorkshopFolders::unusedPath(
        recordingServices->folders.recordings(),
        fileName(plate.toStdString(), nameStamp(Moment::now()), LogExtension, "", NoPlateLog)));
}

void ChartWindow::startRecordingTo(const QString& path)
{
    QString why;
    if (!recording.start(path, sep, why))
        recordingServices->boxes.showMessage(QString("Não foi possível gravar o registro em\n%1:\n%2").arg(QDir::toNativeSeparators(path), why),
                    "Gravar registro");
    updateTitle();
}

void ChartWindow::stopRecording()
{
    recording.stop();
    updateTitle();
}

QString ChartWindow::readoutAt(double t) const
{
    if (keys.empty())
        return QString();
    auto it = std::lower_bound(keys.begin(), keys.end(), t);
    size_t i = it == keys.end() ? keys.size() - 1 : static_cast<size_t>(it - keys.begin());
    if (i > 0 && (it == keys.end() || std::abs(keys[i - 1] - t) < std::abs(keys[i] - t)))
        --i;
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(keys[i] * 1000)),
                                                          live ? Qt::LocalTime : Qt::UTC);
    QString text = when.toString("HH:mm:ss.zzz") + " —";
    if (std::isnan(values[0][i]))
        return text + " sem leitura";
    for (int lane = 0; lane < 6; ++lane) {
        const LiveValue& v = liveValueTable()[LaneRow[lane]];
        QString caption = QString::fromUtf8(v.caption);
        caption.remove(" Atual");
        QString number = QString::fromStdString(formatGeneral(values[static_cast<size_t>(lane)][i], sep));
        text += QString("  %1 %2 %3").arg(caption, number, QString::fromUtf8(v.unit));
    }
    return text;
}

void ChartWindow::onMouseMove(QMouseEvent* e)
{
    const double t = rects[0]->axis(QCPAxis::atBottom)->pixelToCoord(e->pos().x());
    leitura->setText(readoutAt(t));
}

void ChartWindow::laneMenu(int lane, const QPoint& at)
{
    QMenu menu(this);
    QAction* automatic = menu.addAction("Escala automática");
    automatic->setCheckable(true);
    automatic->setChecked(autoScale[static_cast<size_t>(lane)]);
    QAction* fixed = menu.addAction("Faixa fixa...");
    QAction* chosen = menu.exec(at);
    QCPAxis* y = rects[static_cast<size_t>(lane)]->axis(QCPAxis::atLeft);
    const QString caption = laneLabel(liveValueTable()[LaneRow[lane]]);
    if (chosen == automatic) {
        autoScale[static_cast<size_t>(lane)] = automatic->isChecked();
    } else if (chosen == fixed) {
        bool ok = false;
        const double low = QInputDialog::getDouble(this, "Faixa fixa", caption + ": mínimo", y->range().lower,
                                                   -1e9, 1e9, 2, &ok);
        if (!ok)
            return;
        const double high = QInputDialog::getDouble(this, "Faixa fixa", caption + ": máximo", y->range().upper,
                                                    -1e9, 1e9, 2, &ok);
        if (!ok || high <= low)
            return;
        autoScale[static_cast<size_t>(lane)] = false;
        y->setRange(low, high);
    }
    redraw();
}
