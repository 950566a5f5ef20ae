#pragma once
// A drive log read from a file, the whole drive in view: the lanes can be zoomed and
// moved, the cursor reads the values, the markers stand where they were dropped.
#include "chart/chart_window.h"
#include "core/drive_log.h"

class LogViewerWindow : public ChartWindow {
    Q_OBJECT
public:
    LogViewerWindow(const tuma::DriveLog& log, const QString& fileName, char decimalSeparator);

protected:
    void showSpan() override;
};
