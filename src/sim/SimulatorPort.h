#pragma once

#include "core/port/SerialPort.h"
#include "sim/GatewaySimulator.h"
#include "sim/ManualClock.h"
#include "sim/TimedBytes.h"

#include <deque>
#include <utility>

namespace veg::sim {

// The link's serial port wired straight to an in-process simulator, in virtual time: a read
// that waits moves the clock to the next answer byte or to the end of its time-out.
class SimulatorPort : public SerialPort
{
public:
    SimulatorPort(GatewaySimulator& simulator, ManualClock& clock);

    // What the modem lines report: with `carrier` false the adapter seems to have no carrier;
    // with `modemFails` the call fails as on a pseudo-terminal.
    void setCarrier(bool on) { m_carrier = on; }
    void setModemFails(bool fails) { m_modemFails = fails; }
    void setOpenFails(bool fails) { m_openFails = fails; }
    void setWriteFails(bool fails) { m_writeFails = fails; }

    int openCount() const { return m_openCount; }
    int baudRate() const { return m_baud; }
    bool ctsFlow() const { return m_cts; }
    const QByteArray& written() const { return m_written; }

    bool open(const QString& name) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool setBaudRate(int baud) override;
    bool setFrameFormat(bool twoStopBits, bool ctsFlow) override;
    bool setCharacterFormat(Parity parity, StopBits stopBits) override;
    void setTimeouts(int readTotalMs, int writeMsPerByte) override;
    int read(std::uint8_t* buffer, int n) override;
    bool write(const std::uint8_t* data, int n) override;
    bool purgeInput() override;
    bool setDtr(bool on) override;
    bool setRts(bool on) override;
    std::optional<std::uint32_t> modemStatus() override;

private:
    void collect();

    GatewaySimulator& m_sim;
    ManualClock& m_clock;
    TimedBytes m_incoming{m_clock};
    QByteArray m_written;
    bool m_open = false;
    bool m_dtr = false;
    bool m_carrier = true;
    bool m_modemFails = false;
    bool m_openFails = false;
    bool m_writeFails = false;
    bool m_cts = false;
    int m_baud = 0;
    int m_readTimeoutMs = 0;
    int m_openCount = 0;
};

} // namespace veg::sim
