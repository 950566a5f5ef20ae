#pragma once
// The recording of a drive: one CSV row per poll from the moment it starts, each row
// flushed as it is written, so that killing the program loses at most the row under way.
#include "core/drive_log.h"

#include <QFile>
#include <QString>

struct LivePoll;

class DriveRecorder {
public:
    // Opens `path` (made anew) and writes the header; false with `why` when it cannot.
    bool start(const QString& path, char decimalSeparator, QString& why);
    // The poll's row, with the marker dropped since the last row; false with `why` when
    // the row could not be written (a full disk, a removed stick): then it has stopped.
    bool write(const LivePoll& poll, int marker, QString& why);
    void stop();

    bool active() const { return file.isOpen(); }
    qint64 rows() const { return written; }
    QString path() const { return file.fileName(); }

private:
    bool put(const std::string& text, QString& why);
    QFile file;
    tuma::DriveLogFormat format{'.'};
    qint64 firstMsecs = 0;
    qint64 written = 0;
};
