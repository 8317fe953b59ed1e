#include "sim/SimulatorPort.h"

namespace veg::sim {

SimulatorPort::SimulatorPort(GatewaySimulator& simulator, ManualClock& clock)
    : m_sim(simulator), m_clock(clock)
{}

bool SimulatorPort::open(const QString& name)
{
    (void)name;
    if (m_openFails)
        return false;
    m_open = true;
    ++m_openCount;
    return true;
}

void SimulatorPort::close()
{
    m_open = false;
    m_cts = false;
    m_incoming.clear();
}

bool SimulatorPort::setBaudRate(int baud)
{
    m_baud = baud;
    return m_open;
}

bool SimulatorPort::setFrameFormat(bool twoStopBits, bool ctsFlow)
{
    (void)twoStopBits;
    m_cts = ctsFlow;
    return m_open;
}

bool SimulatorPort::setCharacterFormat(Parity parity, StopBits stopBits)
{
    (void)parity;
    (void)stopBits;
    m_cts = false;
    return m_open;
}

void SimulatorPort::setTimeouts(int readTotalMs, int writeMsPerByte)
{
    (void)writeMsPerByte;
    m_readTimeoutMs = readTotalMs;
}

void SimulatorPort::collect()
{
    for (const auto& out : m_sim.takeOutput()) {
        const qint64 dueMs = (out.dueUs + 999) / 1000;
        for (char c : out.bytes)
            m_incoming.push(dueMs, std::uint8_t(c));
    }
}

int SimulatorPort::read(std::uint8_t* buffer, int n)
{
    if (!m_open)
        return -1;
    return m_incoming.read(buffer, n, m_readTimeoutMs);
}

bool SimulatorPort::write(const std::uint8_t* data, int n)
{
    if (!m_open || m_writeFails)
        return false;
    const QByteArray bytes(reinterpret_cast<const char*>(data), n);
    m_written.append(bytes);
    m_sim.receive(bytes, m_clock.nowMs() * 1000);
    collect();
    return true;
}

bool SimulatorPort::purgeInput()
{
    m_incoming.dropArrived();
    return m_open;
}

bool SimulatorPort::setDtr(bool on)
{
    if (m_dtr && !on)
        m_sim.resetAdapter(); // the falling edge of the reset pulse
    m_dtr = on;
    return m_open && !m_modemFails;
}

bool SimulatorPort::setRts(bool on)
{
    (void)on;
    return m_open && !m_modemFails;
}

std::optional<std::uint32_t> SimulatorPort::modemStatus()
{
    if (!m_open || m_modemFails)
        return std::nullopt;
    return m_carrier ? (kCarrierOn | kCtsOn | kDsrOn) : (kCtsOn | kDsrOn);
}

} // namespace veg::sim
