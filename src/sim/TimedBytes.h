#pragma once

#include "sim/ManualClock.h"

#include <cstdint>
#include <deque>
#include <utility>

namespace veg::sim {

// Bytes that reach a port at given moments of a ManualClock, read the way a port with a read
// time-out would deliver them: a read that waits moves the clock to the next byte's arrival or
// to the end of its time-out, exactly as long as the real port would have blocked.
class TimedBytes
{
public:
    explicit TimedBytes(ManualClock& clock) : m_clock(clock) {}

    void push(qint64 dueMs, std::uint8_t byte) { m_bytes.emplace_back(dueMs, byte); }
    void clear() { m_bytes.clear(); }

    int read(std::uint8_t* buffer, int n, int timeoutMs)
    {
        const qint64 deadline = m_clock.nowMs() + timeoutMs;
        int got = 0;
        while (got < n) {
            if (!m_bytes.empty() && m_bytes.front().first <= m_clock.nowMs()) {
                buffer[got++] = m_bytes.front().second;
                m_bytes.pop_front();
            } else if (!m_bytes.empty() && m_bytes.front().first <= deadline) {
                m_clock.advanceTo(m_bytes.front().first);
            } else {
                m_clock.advanceTo(deadline);
                break;
            }
        }
        return got;
    }

    // Purging the input drops what has arrived; what is still on its way comes later.
    void dropArrived()
    {
        while (!m_bytes.empty() && m_bytes.front().first <= m_clock.nowMs())
            m_bytes.pop_front();
    }

private:
    ManualClock& m_clock;
    std::deque<std::pair<qint64, std::uint8_t>> m_bytes; // due time in ms, byte
};

} // namespace veg::sim
