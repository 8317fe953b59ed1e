#pragma once

#include "core/port/LinkContext.h"
#include "core/port/SerialPort.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

namespace veg {

struct ModbusLinkSettings;

// The Modbus RTU master of the link test: its own serial port (not the gateway link's), the
// drain before every request, requests with the configurable CRC, attempts, answer reading with
// its deadlines, and the ">> " / "<< " trace lines. Synchronous on the caller's thread.
//
// Every wait calls the context's pump between reads and ends early when the shared abort flag is
// set, so that a window stays responsive and can be closed during a long answer time. Without a
// shared state there is no abort; without a pump nothing is pumped.
class ModbusMaster
{
public:
    // The speeds of the link test's list "Скорость по Modbus", by index.
    static constexpr std::array<int, 7> kSpeeds = {300, 600, 1200, 2400, 4800, 9600, 19200};
    // A Modbus RTU frame is at most 256 bytes: a longer answer is noise and its reading stops.
    static constexpr int kMaxAnswer = 256;
    // The same bound for the drain, so that a line that never falls silent cannot hold it.
    static constexpr int kMaxDrain = 256;
    // Read time-outs: 120 ms after opening; 500 ms per byte read in the drain and the answer.
    static constexpr int kOpenReadMs = 120;
    static constexpr int kByteReadMs = 500;
    static constexpr int kWriteMsPerByte = 500;
    // The pause before the drain of every attempt and the pause after every attempt.
    static constexpr int kPauseBeforeMs = 2;
    static constexpr int kPauseAfterMs = 100;
    // Empty reads in a row that end an answer (about 1.5 s of silence).
    static constexpr int kGapReads = 3;

    using Progress = std::function<void()>;

    ModbusMaster(std::unique_ptr<SerialPort> port, LinkContext context);
    ~ModbusMaster(); // closes the port as CloseTestPort does
    ModbusMaster(const ModbusMaster&) = delete;
    ModbusMaster& operator=(const ModbusMaster&) = delete;

    // Opens the port (always under the "\\.\" form of its name, which the port layer maps to
    // the system's) and sets it up: the speed of `speedIndex` (9600 for an index outside the
    // list), 8 data bits, parity by `parityCode` (0 even, 1 mark, 3 odd, other none), stop bits
    // by `stopBitsCode` (0 one, 1 one and a half, other two), modem lines down, input purged.
    // A port that was open is closed first. False when the port does not open; the reason
    // is then in openErrorText().
    bool OpenTestPort(const QString& portName, int speedIndex, int parityCode, int stopBitsCode);
    // The same with the port, speed, parity and character format of the link-test settings.
    bool OpenTestPort(const ModbusLinkSettings& settings);
    // Drains the input and closes; harmless when the port is closed.
    void CloseTestPort();
    bool isOpen() const;
    QString openErrorText() const;

    // One request with its attempts: up to `retries` + 1, repeated only while nothing answers.
    // With a polynomial the request gets its CRC and the answer's CRC is checked; with 0
    // neither. `expectedLength` bytes end the answer (0: only the gap or the deadline);
    // `answerSeconds` is the time allowed for the first byte and again for the rest.
    // Returns 0 (answer read), 1 (no answer), 2 (wrong CRC) or 8 (the port write failed).
    // `answer` holds the bytes read by the last attempt, `count` their number.
    int ModbusTransact(const QByteArray& request, int retries, const Progress& progress, int& count,
                       QByteArray& answer, std::uint16_t polynomial, int expectedLength,
                       int answerSeconds);

    // True when the last transaction ended because the abort flag was set.
    bool aborted() const { return m_aborted; }

private:
    // Reads until a read brings nothing; returns the number of bytes thrown away.
    int drain();
    // Reads one answer into `answer`, appending each byte to `trace`; returns its length.
    int ReceiveModbus(int expectedLength, int answerSeconds, const Progress& progress,
                      QByteArray& answer, QString& trace);
    // One byte with the current read time-out: 1, 0 (nothing came) or -1 (the port failed).
    int readByte(std::uint8_t& byte);
    bool abortRequested();
    void pump();
    void log(const QString& line);

    std::unique_ptr<SerialPort> m_port;
    LinkContext m_ctx;
    bool m_aborted = false;
};

} // namespace veg
