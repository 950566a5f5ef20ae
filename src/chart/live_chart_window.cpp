#include "chart/live_chart_window.h"

#include "chart/poll_buffer.h"
#include "core/live_values.h"
#include "core/workshop_files.h"
#include "widgets/file_dialogs.h"
#include "widgets/message_box.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>

using namespace tuma;

LiveChartWindow::LiveChartWindow(PollBuffer& polls, char decimalSeparator, const RecordingServices& recordingServices)
    : ChartWindow(QString::fromUtf8(ChartTitle), Qt::LocalTime, 60, decimalSeparator), services(recordingServices)
{
    buildButtons();
    // Moving the view by hand stops it following the polls.
    connect(plot, &ChartLanes::movedByHand, this, [this] { setPaused(true); });
    for (const LivePoll& p : polls.polls())
        addPoll(p);
    connect(&polls, &PollBuffer::added, this, [this](const LivePoll& p) {
        addPoll(p);
        if (isVisible())
            redraw();
    });
    redraw();
}

LiveChartWindow::~LiveChartWindow() { recording.stop(); }

void LiveChartWindow::buildButtons()
{
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
            startRecording(services.plate());
    });
    // After the span box, in the bar and in the tab order.
    int at = bar->indexOf(janela);
    QWidget* before = janela;
    for (QWidget* w :
         {static_cast<QWidget*>(pausar), static_cast<QWidget*>(marcar), static_cast<QWidget*>(gravar_registro)}) {
        bar->insertWidget(++at, w);
        setTabOrder(before, w);
        before = w;
    }
    setTabOrder(before, abrir_registro);
}

void LiveChartWindow::addPoll(const LivePoll& poll)
{
    LaneValues v{};
    if (poll.ok)
        for (size_t i = 0; i < liveValueCount(); ++i)
            v[i] = shownNumber(liveValueTable()[i], poll.live, addr::LiveFirst, "1");
    add(poll.msecs / 1000.0, poll.ok, v, 0);
    // A marker goes into the row of the poll after it was dropped.
    const int marker = pendingMarker;
    pendingMarker = 0;
    if (!recording.active())
        return;
    QString why;
    if (!recording.write(poll, marker, why)) {
        services.boxes.showMessage(QString("Não foi possível gravar o registro em\n%1:\n%2\n\nA gravação parou; o "
                                           "monitoramento continua.")
                                       .arg(QDir::toNativeSeparators(recording.path()), why),
                                   "Gravar registro");
    }
    updateTitle();
}

void LiveChartWindow::setPaused(bool on)
{
    if (pausar->isChecked() != on)
        pausar->setChecked(on);
    pausar->setText(on ? "&Continuar" : "&Pausar");
    redraw();
}

bool LiveChartWindow::paused() const { return pausar->isChecked(); }

void LiveChartWindow::mark()
{
    if (times().empty())
        return;
    ++markers;
    pendingMarker = markers;
    plot->drawMarker(QDateTime::currentMSecsSinceEpoch() / 1000.0, markers);
    redraw();
}

void LiveChartWindow::follow()
{
    if (!paused())
        plot->followTo(span);
}

void LiveChartWindow::redraw()
{
    ChartWindow::redraw();
    updateTitle();
}

void LiveChartWindow::updateTitle()
{
    QString title = QString::fromUtf8(ChartTitle);
    if (recording.active())
        title
            += QString(" — gravando %1 (%2 linhas)").arg(QFileInfo(recording.path()).fileName()).arg(recording.rows());
    if (windowTitle() != title)
        setWindowTitle(title);
    gravar_registro->setText(recording.active() ? "Pa&rar registro" : "Gravar &registro");
    emit recordingChanged(recording.active(), recording.rows());
}

void LiveChartWindow::startRecording(const QString& plate)
{
    using namespace tuma::files;
    startRecordingTo(WorkshopFolders::unusedPath(
        services.folders.recordings(),
        fileName(plate.toStdString(), nameStamp(Moment::now()), LogExtension, "", NoPlateLog)));
}

void LiveChartWindow::startRecordingTo(const QString& path)
{
    QString why;
    if (!recording.start(path, sep, why))
        services.boxes.showMessage(
            QString("Não foi possível gravar o registro em\n%1:\n%2").arg(QDir::toNativeSeparators(path), why),
            "Gravar registro");
    updateTitle();
}

void LiveChartWindow::stopRecording()
{
    recording.stop();
    updateTitle();
}
