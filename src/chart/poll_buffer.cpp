#include "chart/poll_buffer.h"

#include <QDateTime>

#include <algorithm>

void PollBuffer::add(const uint8_t* live)
{
    LivePoll p;
    p.msecs = QDateTime::currentMSecsSinceEpoch();
    p.ok = live != nullptr;
    if (live)
        std::copy(live, live + tuma::addr::LiveCount, p.live);
    all.push_back(p);
    emit added(all.back());
}
