#pragma once

#include "sim/GatewayDevice.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace veg {
struct GatewayConfig;
}

namespace veg::sim {

// The gateway's upper-level side as a Modbus RTU slave over the tables the gateway holds:
// function 3 over the floating-point telemetry, function 2 over the telesignals (discrete
// inputs), functions 1 and 5 over the telecontrol commands (coils). Everything it serves is read
// from the gateway's parameters at each request, so that a configuration written over the link
// is served at once:
//   0x0101 slave address, 0x0108 CRC constant (lo, hi; 0 = no CRC), 0x010B byte inversion,
//   0x010C word swap;
//   0x0300[i] holding register of telemetry row i (lo, hi), 0x0301[i] its reference;
//   0x0302[i] discrete input of telesignal row i (lo, hi), 0x0303[i] its reference;
//   0x0304[c] coil of command c (lo, hi; 0xFFFF none), 0x0305[c] / 0x030C[c] the references
//   set for 1 / for 0, 0x0307[c] its type (bit 0: 0 pulse, 1 potential), 0x0306[c] / 0x030D[c]
//   the pulse times for 1 / for 0 in seconds.
// A telemetry or telesignal row is in use when its reference's kind is not 0xFF; a command when
// it has a coil and its reference for 1 is not empty. A telemetry row occupies its register and
// the next; its value moves with time like a live plant, and so do the telesignals. A request
// may ask for several numbers at once (up to 125 registers, 2000 items); one number of no row
// gets the whole request exception 2. A gateway that takes shorter requests only is played with
// setMaxQuantity: a longer request gets exception 3. A coil keeps
// the state last written to it (0 at start); each write is traced as the controller parameter
// the gateway would set. Numbers of no row get exception 2; while the gateway's work cycle is
// stopped (a configuration being written) every request gets exception 6.
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
    using Trace = std::function<void(const QString&)>;

    static constexpr int kRows = 64;       // telemetry rows
    static constexpr int kInputRows = 128; // telesignal rows
    static constexpr int kCoilRows = 16;   // telecontrol commands
    // Silence that ends a frame: longer than 3.5 characters at the slowest speed.
    static constexpr qint64 kFrameGapUs = 150000;

    // `paceBaud` > 0 holds each answer for the wire time of its request and itself.
    explicit ModbusSlave(const GatewayDevice& device, int paceBaud = 0);

    // At most `n` registers or items per read request (0: as many as Modbus allows); a longer
    // request gets exception 3.
    void setMaxQuantity(int n) { m_maxQuantity = n; }

    // Where each coil write is reported; nowhere without one.
    void setTrace(Trace trace) { m_trace = std::move(trace); }

    void receive(const QByteArray& bytes, qint64 nowUs);
    // The line went quiet: an unfinished request is dropped.
    void lineIdle() { m_buffer.clear(); }
    std::vector<Output> takeOutput();

    Settings settings() const;
    // The register of telemetry row `row` when the row is in use.
    std::optional<std::uint16_t> rowRegister(int row) const;
    // The discrete input of telesignal row `row` when the row is in use.
    std::optional<std::uint16_t> inputNumber(int row) const;
    // The coil of command `row` when the command is in use.
    std::optional<std::uint16_t> coilNumber(int row) const;
    // The value telemetry row `row` shows at `nowUs`.
    static float plantValue(int row, qint64 nowUs);
    // The state telesignal row `row` shows at `nowUs`.
    static bool plantInput(int row, qint64 nowUs);
    // The state of coil `coil` as last written.
    bool coilState(std::uint16_t coil) const;
    // What writing `on` to command `row` makes the gateway set, as the trace shows it: the
    // reference for 1 or for 0 ("ТУ1 00 0201 1A"), and for a pulse command its time.
    QString coilCommand(int row, bool on) const;
    int requestsServed() const { return m_served; }

    // Puts the Modbus settings and tables of `config` into the gateway's parameters, as writing
    // the configuration over the link would.
    static void preload(GatewayDevice& device, const GatewayConfig& config);

private:
    // The answer to one request (empty: none, as for another slave's request).
    QByteArray answer(const Settings& s, const QByteArray& request, qint64 nowUs);
    // Function 3 for `count` registers from `first`, function 1 or 2 for `count` items.
    QByteArray registers(const Settings& s, int first, int count, qint64 nowUs) const;
    QByteArray bits(const Settings& s, std::uint8_t function, int first, int count,
                    qint64 nowUs) const;
    QByteArray writeCoil(const Settings& s, const QByteArray& request);
    // The command row of `coil`, the first one when two rows claim it.
    std::optional<int> coilRow(int coil) const;

    const GatewayDevice& m_device;
    int m_paceBaud;
    QByteArray m_buffer;
    qint64 m_lastInputUs = -1;
    std::vector<Output> m_out;
    int m_served = 0;
    int m_maxQuantity = 0;
    std::map<std::uint16_t, bool> m_coils;
    Trace m_trace;
};

} // namespace veg::sim
