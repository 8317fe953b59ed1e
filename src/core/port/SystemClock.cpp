#include "core/port/SystemClock.h"

#include <QThread>

namespace veg {

SystemClock::SystemClock()
{
    m_timer.start();
}

qint64 SystemClock::nowMs()
{
    return m_timer.elapsed();
}

void SystemClock::sleepMs(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

QTime SystemClock::timeOfDay()
{
    return QTime::currentTime();
}

} // namespace veg
