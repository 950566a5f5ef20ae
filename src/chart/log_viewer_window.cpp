#include "chart/log_viewer_window.h"

LogViewerWindow::LogViewerWindow(const tuma::DriveLog& log, const QString& fileName, char decimalSeparator)
    // A file's times were written as local times and are read as UTC: shown as written.
    : ChartWindow(QString("%1 — %2").arg(QString::fromUtf8(ChartTitle), fileName), Qt::UTC, 0, decimalSeparator)
{
    double base = 0;
    if (!log.samples.empty())
        tuma::logTimeSeconds(log.samples.front().localTime, base);
    for (const tuma::DriveSample& s : log.samples)
        add(base + s.seconds, s.ok, s.values, s.marker);
    setSpan(0);
}

void LogViewerWindow::showSpan()
{
    if (times().empty())
        return;
    const double end = times().back();
    plot->showTimes(span > 0 ? end - span : times().front(), end);
}
