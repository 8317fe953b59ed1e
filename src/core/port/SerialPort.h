#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace veg {

// What the link needs of a serial port, with the semantics of the Windows comm API the link was
// built around:
// - `read` waits at most the read time-out set by `setTimeouts` for `n` bytes and returns what
//   came by then (0 when nothing came, -1 when the port failed);
// - `write` fails when the bytes are not out within `n` × the write time-out per byte;
// - the modem-line calls report failure, and on ports without modem lines (a pseudo-terminal)
//   they always fail: the link ignores those results except where it needs the carrier.
class SerialPort
{
public:
    virtual ~SerialPort() = default;

    // Modem status bits as GetCommModemStatus reports them.
    static constexpr std::uint32_t kCtsOn = 0x10;
    static constexpr std::uint32_t kDsrOn = 0x20;
    static constexpr std::uint32_t kRingOn = 0x40;
    static constexpr std::uint32_t kCarrierOn = 0x80; // MS_RLSD_ON

    virtual bool open(const QString& name) = 0;
    // Why the last `open` failed, in words for the user (empty when there is nothing to add to
    // "cannot be opened").
    virtual QString openErrorText() const { return {}; }
    // Clears the CTS flow control and closes; harmless on a closed port.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    enum class Parity
    {
        None,
        Even,
        Odd,
        Mark
    };
    enum class StopBits
    {
        One,
        OneAndHalf,
        Two
    };

    // 8 data bits; the parity stays as the last format call set it.
    virtual bool setBaudRate(int baud) = 0;
    // No parity; CTS gating of the output on request (the gateway link's formats).
    virtual bool setFrameFormat(bool twoStopBits, bool ctsFlow) = 0;
    // 8 data bits with the given parity and stop bits, no flow control (the Modbus master's
    // character formats). A port that cannot make the format reports failure.
    virtual bool setCharacterFormat(Parity parity, StopBits stopBits) = 0;
    virtual void setTimeouts(int readTotalMs, int writeMsPerByte) = 0;

    virtual int read(std::uint8_t* buffer, int n) = 0;
    virtual bool write(const std::uint8_t* data, int n) = 0;
    virtual bool purgeInput() = 0;

    virtual bool setDtr(bool on) = 0;
    virtual bool setRts(bool on) = 0;
    virtual std::optional<std::uint32_t> modemStatus() = 0;
};

} // namespace veg
