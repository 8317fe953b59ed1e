#pragma once

#include "sim/GatewayDevice.h"

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

namespace veg {
struct GatewayConfig;
}

namespace veg::sim {

// The gateway's upper-level side as a Modbus RTU slave: function 3 over the floating-point
// telemetry table the gateway holds. Everything it serves is read from the gateway's
// parameters at each request, so that a configuration written over the link is served at once:
//   0x0101 slave address, 0x0108 CRC constant (lo, hi; 0 = no CRC), 0x010B byte inversion,
//   0x010C word swap, 0x0300[i] holding register of row i (lo, hi), 0x0301[i] its reference
//   (a row is in use when the reference's kind is not 0xFF).
// Row i occupies its register and the next; its value moves with time like a live plant.
// Registers of no row get exception 2; while the gateway's work cycle is stopped (a
// configuration being written) every request gets exception 6.
class ModbusSlave
{
public:
    struct Output
    {
        qint64 dueUs = 0;
        QByteArray bytes;
    };
    struct Settings
    {
        std::uint8_t address = 1;
        std::uint16_t crc = 0xA001;
        bool invertBytes = false;
        bool swapWords = false;
    };

    static constexpr int kRows = 64;
    // Silence that ends a frame: longer than 3.5 characters at the slowest speed.
    static constexpr qint64 kFrameGapUs = 150000;

    // `paceBaud` > 0 holds each answer for the wire time of its request and itself.
    explicit ModbusSlave(const GatewayDevice& device, int paceBaud = 0);

    void receive(const QByteArray& bytes, qint64 nowUs);
    // The line went quiet: an unfinished request is dropped.
    void lineIdle() { m_buffer.clear(); }
    std::vector<Output> takeOutput();

    Settings settings() const;
    // The register of row `row` when the row is in use.
    std::optional<std::uint16_t> rowRegister(int row) const;
    // The value row `row` shows at `nowUs`.
    static float plantValue(int row, qint64 nowUs);
    int requestsServed() const { return m_served; }

    // Puts the Modbus settings and the telemetry table of `config` into the gateway's
    // parameters, as writing the configuration over the link would.
    static void preload(GatewayDevice& device, const GatewayConfig& config);

private:
    // The answer to one request (empty: none, as for another slave's request).
    QByteArray answer(const Settings& s, const QByteArray& request, qint64 nowUs) const;

    const GatewayDevice& m_device;
    int m_paceBaud;
    QByteArray m_buffer;
    qint64 m_lastInputUs = -1;
    std::vector<Output> m_out;
    int m_served = 0;
};

} // namespace veg::sim
