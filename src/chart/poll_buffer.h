#pragma once
// Every live poll of the main window since the program started, kept as read (ten
// bytes, or a failure) with the moment it came: the chart draws from it, the recording
// writes it. Nothing here asks the controller anything.
#include "core/commands.h"

#include <QObject>

#include <vector>

struct LivePoll {
    qint64 msecs = 0; // since 1970, the wall clock's
    bool ok = false;
    tuma::commands::LiveImage live{}; // read from address 67; zeros for a failure
};

class PollBuffer : public QObject {
    Q_OBJECT
public:
    // A poll that has just ended; `live` is nullptr when it failed.
    void add(const uint8_t* live);
    const std::vector<LivePoll>& polls() const { return all; }

signals:
    void added(const LivePoll& poll);

private:
    std::vector<LivePoll> all;
};
