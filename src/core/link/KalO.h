#pragma once

#include "core/link/CanAdapterLine.h"
#include "core/link/LinkFrames.h"
#include "core/link/LinkLine.h"
#include "core/link/LinkStatus.h"
#include "core/link/LinkTarget.h"
#include "core/link/SerialLine.h"
#include "core/port/LinkContext.h"
#include "core/port/SerialPort.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace veg {

class IniDocument;

// The device link: owns one serial port and exchanges parameter requests with the gateway and
// the КАЛИМ-19 controllers over it, directly on RS-232, in transit through the master module,
// or through the CAN-BUS adapter. Every operation ends with a LinkStatus; nothing throws.
//
// All work is synchronous on the caller's thread. Every wait reads with short port time-outs
// and calls the context's pump between reads, so that the shared abort flag can end it with
// status 9.
//
// Inside, the port handling (open, speed, line format) is here; the RS-232 line and the CAN-BUS
// adapter are transports of their own, and every parameter operation picks one of them once, by
// the request kind of its target.
class KalO
{
public:
    static constexpr int kRs232 = 0;
    static constexpr int kCanBus = 12;
    static constexpr int kSpeedTableSize = 13;
    static constexpr std::array<int, kSpeedTableSize> kSpeeds = {
        300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 56000, 57600, 115200, 300, 14400};
    static constexpr std::array<std::uint8_t, 16> kCanSpeedBytes = {
        0x41, 0x42, 0x43, 0x44, 0x45, 0x47, 0x49, 0x4B,
        0x4E, 0x4F, 0x53, 0x57, 0x5D, 0x67, 0x7B, 0x90};
    // Positions of 300, 150, 100, 50 and 20 kbit/s in kCanSpeedBytes.
    static int canSpeedPosition(int canSpeedIndex);

    using Settings = CanAdapterLine::Settings;

    // `lineOptions[1]` = 2 selects two stop bits on RS-232. With a port name the port is
    // opened at once (for the CAN-BUS adapter, with the default configuration block).
    KalO(std::unique_ptr<SerialPort> port, LinkContext context, const QString& portName,
         int adapterKind, int speedIndex, std::array<std::uint8_t, 2> lineOptions = {0, 0});
    ~KalO();
    KalO(const KalO&) = delete;
    KalO& operator=(const KalO&) = delete;

    bool OpenPort(int speedIndex);
    void ClosePort();
    void SetRetries(int n) { m_line.setRetries(n); }

    // While it lives, the requests of the link make `attempts` attempts and wait `answerWaitMs`
    // at most for every part of an answer, in place of the retries and the line's fixed waits;
    // the link's own timing comes back when it goes. For probes that must be quick; every other
    // exchange keeps the link's timing.
    class ProbeTimingScope
    {
    public:
        ProbeTimingScope(KalO& link, int attempts, int answerWaitMs)
            : m_line(link.m_line), m_before(m_line.probeTiming())
        {
            m_line.setProbeTiming(LinkLine::ProbeTiming{attempts, answerWaitMs});
        }
        ~ProbeTimingScope() { m_line.setProbeTiming(m_before); }
        ProbeTimingScope(const ProbeTimingScope&) = delete;
        ProbeTimingScope& operator=(const ProbeTimingScope&) = delete;

    private:
        LinkLine& m_line;
        LinkLine::ProbeTiming m_before;
    };

    // --- parameter operations (the route comes from the target) ---
    LinkStatus ReadParam(std::uint16_t paramNo, int expectedSize, LinkTarget target,
                         LinkAnswer& answer);
    LinkStatus WriteParam(std::uint16_t paramNo, const QByteArray& data, LinkTarget target);
    LinkStatus WriteParamAt(std::uint16_t paramNo, std::uint16_t index, const QByteArray& data,
                            bool selectFirst, LinkTarget target);
    LinkStatus ReadParamAt(std::uint16_t paramNo, std::uint16_t index, int bytes, int elementSize,
                           LinkTarget target, LinkAnswer& answer, int& got);
    LinkStatus SetAccessLevel(int level, const QString& accessCode, LinkTarget target);
    LinkStatus SetAccessLevelTransit(int level, const QString& accessCode, LinkTarget target);

    // --- frame level ---
    // One serial request (function code and data) with its retries. The answer's data bytes
    // go to bytes 6 onward of `answer`; `count` is the number the answer carried.
    LinkStatus Transact(const QByteArray& request, int& count, int checksumKind,
                        std::uint8_t address, int requestKind, int expectedSize, int lineKind,
                        LinkAnswer& answer);
    // One adapter exchange with its retries; byte 1 of `frame` gets the sequence byte.
    LinkStatus CanTransact(LinkFrames::CanFrame frame, int lineKind, int expectedSize,
                           LinkAnswer& answer);
    // The dispatcher of transit requests; clears the abort flag first.
    LinkStatus SendRequest(const QByteArray& request, const LinkTarget& target, LinkAnswer& answer);

    // --- CAN-BUS adapter ---
    // Builds the 36-byte configuration block from the adapter keys of section "Parametr"
    // ("Acceptance Filter", "Acceptance Mask", "CNF 321"), defaults for missing keys.
    void LoadAdapterConfig(const Settings& settings, int canSpeedPos);
    void LoadAdapterConfig(const IniDocument& settingsFile, int canSpeedPos);
    // A missing or unreadable file gives the defaults.
    void LoadAdapterConfig(const QString& settingsPath, int canSpeedPos);
    bool InitAdapter();
    LinkStatus CheckCarrier();
    // Hexadecimal byte values separated by anything that is not a hex digit; true when at
    // least `wanted` were found, and then the first `wanted` are in `out`.
    static bool ParseHexList(const QString& text, int wanted, std::vector<std::uint8_t>& out)
    {
        return CanAdapterLine::ParseHexList(text, wanted, out);
    }

    // The name the port is opened under: a Windows port number above 9 (or a name that does not
    // end in a number) takes the "\\.\" prefix; device paths are opened as they stand.
    static QString systemPortName(const QString& portName);

    // --- state ---
    bool PortOpen() const { return m_line.isOpen(); }
    // Why the port did not open, in words for the user; empty when there is nothing to add.
    QString OpenErrorText() { return m_line.port().openErrorText(); }
    const QString& PortName() const { return m_portName; }
    int AdapterKind() const { return m_adapterKind; }
    int SpeedIndex() const { return m_speedIndex; }
    int BaudIndex() const { return m_baudIndex; }
    int Retries() const { return m_line.retries(); }
    std::uint8_t OwnAddress() const { return m_can.OwnAddress(); }
    std::uint8_t PacketNo() const { return m_serial.PacketNo(); }
    std::uint8_t CanToggle() const { return m_can.CanToggle(); }
    const std::array<std::uint8_t, LinkFrames::kAdapterConfigSize>& AdapterConfig() const
    {
        return m_can.AdapterConfig();
    }
    int CanSpeedPos() const { return m_can.CanSpeedPos(); }
    int AdapterVariant() const { return m_can.AdapterVariant(); }
    int LastCount() const { return m_serial.LastCount(); }
    bool LongAnswer() const { return m_serial.LongAnswer(); }

private:
    void SetBaudRate(int speedIndex);
    void SetLineFormat(int adapterKind, std::uint8_t stopBitsOption);
    LinkTransport& transport(const LinkTarget& target);

    LinkLine m_line;
    SerialLine m_serial{m_line};
    CanAdapterLine m_can;

    QString m_portName;
    int m_adapterKind = kRs232;
    int m_speedIndex = 0;
    int m_baudIndex = -1;
    std::array<std::uint8_t, 2> m_lineOptions{};
};

} // namespace veg
