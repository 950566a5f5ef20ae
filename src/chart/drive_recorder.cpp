#include "chart/drive_recorder.h"

#include "chart/poll_buffer.h"
#include "core/texts.h"
#include "core/workshop_files.h"

bool DriveRecorder::start(const QString& path, char sep, QString& why)
{
    stop();
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        why = file.errorString();
        return false;
    }
    format = tuma::DriveLogFormat(sep);
    firstMsecs = 0;
    written = 0;
    return put(format.header(), why);
}

bool DriveRecorder::write(const LivePoll& poll, int marker, QString& why)
{
    if (!active())
        return true;
    if (written == 0)
        firstMsecs = poll.msecs;
    const std::string when = tuma::files::logStamp(tuma::files::Moment::fromEpochMs(poll.msecs));
    const std::string row = format.row((poll.msecs - firstMsecs) / 1000.0, when, poll.ok ? poll.live : nullptr, marker,
                                       tuma::texts::CommFailure);
    if (!put(row, why))
        return false;
    ++written;
    return true;
}

bool DriveRecorder::put(const std::string& text, QString& why)
{
    const auto size = static_cast<qint64>(text.size());
    if (file.write(text.data(), size) != size || !file.flush()) {
        why = file.errorString();
        file.close();
        return false;
    }
    return true;
}

void DriveRecorder::stop()
{
    if (file.isOpen())
        file.close();
}
