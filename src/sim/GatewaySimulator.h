#pragma once

#include "sim/GatewayDevice.h"
#include "sim/SimOptions.h"

#include <QByteArray>

#include <cstdint>
#include <random>
#include <vector>

namespace veg::sim {

// The far end of the link: the gateway on the serial line, the master module at its own
// network number passing transit requests on to the gateway, or the CAN-BUS adapter with the
// gateway behind it. Bytes go in as they arrive; answers come out with the time they are due.
class GatewaySimulator
{
public:
    struct Output
    {
        qint64 dueUs = 0;
        QByteArray bytes;
    };

    explicit GatewaySimulator(const SimOptions& options);

    void receive(const QByteArray& bytes, qint64 nowUs);
    // The line went quiet: an unfinished frame is dropped.
    void lineIdle();
    // The DTR pulse of the CAN-BUS adapter: it waits for its configuration block again.
    void resetAdapter();
    std::vector<Output> takeOutput();

    GatewayDevice& device() { return m_device; }
    const GatewayDevice& device() const { return m_device; }
    const SimOptions& options() const { return m_options; }
    int requestsServed() const { return m_served; }
    bool adapterConfigured() const { return m_configured; }
    // The line beyond the port is cut: requests are neither served nor answered (the CAN-BUS
    // adapter itself still takes its configuration).
    void setSilent(bool on) { m_silent = on; }

private:
    void parseSerial(qint64 nowUs);
    void parseCan(qint64 nowUs);
    // Handles a checked serial frame; returns the answer (empty: none).
    QByteArray serialAnswer(std::uint8_t address, const QByteArray& data);
    QByteArray dataFrame(std::uint8_t address, const QByteArray& value) const;
    QByteArray canAnswer(const QByteArray& frame);
    void emitAnswer(QByteArray answer, int requestBytes, qint64 nowUs, bool serial);
    bool draw(double probability);

    SimOptions m_options;
    GatewayDevice m_device;
    QByteArray m_buffer;
    std::vector<Output> m_out;
    std::mt19937 m_random;
    bool m_configured = false;
    int m_served = 0;
    bool m_silent = false;
};

} // namespace veg::sim
