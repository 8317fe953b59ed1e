#pragma once

#include "core/port/Clock.h"

#include <QElapsedTimer>

namespace veg {

// The real clock: monotonic time for deadlines, a blocking sleep for the link's fixed pauses.
class SystemClock : public Clock
{
public:
    SystemClock();
    qint64 nowMs() override;
    void sleepMs(int ms) override;
    QTime timeOfDay() override;

private:
    QElapsedTimer m_timer;
};

} // namespace veg
