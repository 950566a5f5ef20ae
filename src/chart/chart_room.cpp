#include "chart/chart_room.h"

#include "widgets/file_dialogs.h"
#include "widgets/menu_action.h"
#include "widgets/message_box.h"
#include "widgets/screen_fit.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScreen>

ChartRoom::ChartRoom(const Services& services) : s(services)
{
    acao_grafico = menuAction(this, "acao_grafico", "Gráfico dos valores instantâneos...",
                              QKeySequence(Qt::CTRL | Qt::Key_G), [this] { graficoClick(); });
    acao_abrir_registro = menuAction(this, "acao_abrir_registro", "Abrir registro...", QKeySequence(),
                                     [this] { abrir_registroClick(); });
}

ChartRoom::~ChartRoom()
{
    delete live;
    for (const QPointer<LogViewerWindow>& v : viewers)
        delete v.data();
}

void ChartRoom::graficoClick()
{
    if (!live) {
        live = new LiveChartWindow(history, s.decimalSeparator, s.recording);
        connect(live, &LiveChartWindow::openLogRequested, this, [this] { abrir_registroClick(); });
        connect(live, &LiveChartWindow::recordingChanged, this, &ChartRoom::recordingChanged);
        for (const FindingMark& mark : findings)
            live->markFinding(mark);
        // Beside the main window where the screen has room, so that both stay in view.
        std::optional<QPoint> at;
        if (const QScreen* screen = s.window->screen()) {
            const QPoint beside(s.window->frameGeometry().right() + 8, s.window->frameGeometry().top());
            if (beside.x() + live->width() <= screen->availableGeometry().right())
                at = beside;
        }
        fitOnScreen(live, s.window, at);
    }
    live->show();
    live->raise();
    live->activateWindow();
}

void ChartRoom::finding(const tuma::checks::FindingNews& news)
{
    FindingMark mark{news.wallMs / 1000.0,
                     QString("%1 %2").arg(news.started ? "⚠" : "✓", QString::fromStdString(news.title)), news.started};
    findings.push_back(mark);
    if (live)
        live->markFinding(mark);
}

void ChartRoom::abrir_registroClick()
{
    tuma::DriveLog log;
    QString name;
    if (!openDriveLog(log, name))
        return;
    // A window of its own, so that the live chart goes on beside it.
    auto* viewer = new LogViewerWindow(log, name, s.decimalSeparator);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    connect(viewer, &LogViewerWindow::openLogRequested, this, [this] { abrir_registroClick(); });
    viewers << viewer;
    fitOnScreen(viewer, s.window);
    viewer->show();
}

bool ChartRoom::openDriveLog(tuma::DriveLog& log, QString& fileName)
{
    const QString path
        = s.dialogs.openFileName(s.window, "Abrir registro", s.recording.folders.recordings(), "Registros (*.csv)");
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        s.recording.boxes.showMessage(QString("%1:\n%2").arg(QDir::toNativeSeparators(path), file.errorString()),
                                      "Abrir registro");
        return false;
    }
    log = tuma::readDriveLog(file.readAll().toStdString());
    if (!log.ok) {
        s.recording.boxes.showMessage(
            QString("%1:\n%2").arg(QDir::toNativeSeparators(path), QString::fromStdString(log.error)),
            "Abrir registro");
        return false;
    }
    fileName = QFileInfo(path).fileName();
    return true;
}
