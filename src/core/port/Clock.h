#pragma once

#include <QTime>
#include <QtGlobal>

namespace veg {

// Time as the link sees it: a monotonic millisecond count for its deadlines, the fixed pauses
// between frames, and the time of day written into the trace lines. Injected so that every
// answer time-out can be run in tests without waiting for it.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual qint64 nowMs() = 0;
    virtual void sleepMs(int ms) = 0;
    virtual QTime timeOfDay() = 0;
};

} // namespace veg
