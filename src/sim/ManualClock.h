#pragma once

#include "core/port/Clock.h"

namespace veg::sim {

// Virtual time for running the link against the in-process simulator: sleeping and waiting
// for a port time-out move the clock on at once, so a 13-second time-out costs nothing.
class ManualClock : public Clock
{
public:
    explicit ManualClock(QTime startOfDay = QTime(10, 0)) : m_start(startOfDay) {}
    qint64 nowMs() override { return m_now; }
    void sleepMs(int ms) override { advance(ms); }
    QTime timeOfDay() override { return m_start.addMSecs(int(m_now % 86400000)); }

    void advance(qint64 ms)
    {
        if (ms > 0)
            m_now += ms;
    }
    void advanceTo(qint64 ms)
    {
        if (ms > m_now)
            m_now = ms;
    }
    qint64 sleptMs() const { return m_now; }

private:
    QTime m_start;
    qint64 m_now = 0;
};

} // namespace veg::sim
