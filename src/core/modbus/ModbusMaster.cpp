#include "core/modbus/ModbusMaster.h"

#include "core/modbus/ModbusCrc.h"
#include "core/settings/ModbusLinkSettings.h"

#include <algorithm>

namespace veg {

namespace {

void appendHex(QString& line, std::uint8_t byte)
{
    static const char digits[] = "0123456789ABCDEF";
    line += QChar(digits[byte >> 4]);
    line += QChar(digits[byte & 0x0F]);
    line += u' ';
}

SerialPort::Parity parityOf(int code)
{
    switch (code) {
    case 0:
        return SerialPort::Parity::Even;
    case 1:
        return SerialPort::Parity::Mark;
    case 3:
        return SerialPort::Parity::Odd;
    default:
        return SerialPort::Parity::None;
    }
}

SerialPort::StopBits stopBitsOf(int code)
{
    switch (code) {
    case 0:
        return SerialPort::StopBits::One;
    case 1:
        return SerialPort::StopBits::OneAndHalf;
    default:
        return SerialPort::StopBits::Two;
    }
}

} // namespace

ModbusMaster::ModbusMaster(std::unique_ptr<SerialPort> port, LinkContext context)
    : m_port(std::move(port)), m_ctx(std::move(context))
{}

ModbusMaster::~ModbusMaster()
{
    CloseTestPort();
}

bool ModbusMaster::isOpen() const
{
    return m_port && m_port->isOpen();
}

QString ModbusMaster::openErrorText() const
{
    return m_port ? m_port->openErrorText() : QString();
}

bool ModbusMaster::OpenTestPort(const ModbusLinkSettings& s)
{
    // The settings' parity choice 1 (odd) is parity code 3; the 10-bit format has one stop bit.
    const int parityCode = s.ParityChoice == 1 ? 3 : s.ParityChoice;
    const int stopBitsCode = s.CharFormat == 1 ? 0 : 2;
    return OpenTestPort(s.TestPortName, s.ModbusSpeedIndex, parityCode, stopBitsCode);
}

bool ModbusMaster::OpenTestPort(const QString& portName, int speedIndex, int parityCode,
                                int stopBitsCode)
{
    if (!m_port)
        return false;
    m_port->close();
    if (!m_port->open(QStringLiteral("\\\\.\\") + portName))
        return false;
    const bool known = speedIndex >= 0 && speedIndex < int(kSpeeds.size());
    m_port->setBaudRate(kSpeeds[std::size_t(known ? speedIndex : 5)]);
    m_port->setCharacterFormat(parityOf(parityCode), stopBitsOf(stopBitsCode));
    // Modem lines are not part of the test; ports without them (a pseudo-terminal) refuse.
    m_port->setDtr(false);
    m_port->setRts(false);
    m_port->purgeInput();
    m_port->setTimeouts(kOpenReadMs, kWriteMsPerByte);
    return true;
}

void ModbusMaster::CloseTestPort()
{
    if (!isOpen())
        return;
    drain();
    m_port->close();
}

bool ModbusMaster::abortRequested()
{
    return m_ctx.shared && m_ctx.shared->AbortRequested;
}

void ModbusMaster::pump()
{
    if (m_ctx.pump)
        m_ctx.pump();
}

void ModbusMaster::log(const QString& line)
{
    if (m_ctx.log)
        m_ctx.log(line);
}

int ModbusMaster::readByte(std::uint8_t& byte)
{
    return m_port->read(&byte, 1);
}

int ModbusMaster::drain()
{
    m_port->setTimeouts(kByteReadMs, kWriteMsPerByte);
    int thrown = 0;
    std::uint8_t byte = 0;
    while (thrown < kMaxDrain && !abortRequested() && readByte(byte) == 1)
        ++thrown;
    pump();
    return thrown;
}

int ModbusMaster::ModbusTransact(const QByteArray& request, int retries, const Progress& progress,
                                 int& count, QByteArray& answer, std::uint16_t polynomial,
                                 int expectedLength, int answerSeconds)
{
    m_aborted = false;
    count = 0;
    answer.clear();
    const QByteArray frame = polynomial != 0 ? withModbusCrc(polynomial, request) : request;
    QString sendLine = QStringLiteral(">> ");
    for (char c : frame)
        appendHex(sendLine, std::uint8_t(c));

    int result = 1;
    for (int attempt = 0; attempt <= retries && result == 1; ++attempt) {
        log(sendLine);
        m_ctx.clock->sleepMs(kPauseBeforeMs);
        if (!isOpen()) {
            result = 8;
            break;
        }
        drain();
        if (abortRequested()) {
            m_aborted = true;
            break;
        }
        if (!m_port->write(reinterpret_cast<const std::uint8_t*>(frame.constData()),
                           int(frame.size()))) {
            result = 8;
            break;
        }
        QString receiveLine = QStringLiteral("<< ");
        if (progress)
            progress();
        answer.clear();
        count = ReceiveModbus(expectedLength, answerSeconds, progress, answer, receiveLine);
        log(receiveLine);
        if (count > 0)
            result = polynomial != 0 && !hasModbusCrc(polynomial, answer) ? 2 : 0;
        m_ctx.clock->sleepMs(kPauseAfterMs);
        if (abortRequested()) {
            m_aborted = true;
            break;
        }
    }
    return result;
}

int ModbusMaster::ReceiveModbus(int expectedLength, int answerSeconds, const Progress& progress,
                                QByteArray& answer, QString& trace)
{
    Clock& clock = *m_ctx.clock;
    const int limit = expectedLength > 0 ? std::min(expectedLength, kMaxAnswer) : kMaxAnswer;
    const qint64 allowedMs = qint64(std::max(answerSeconds, 0)) * 1000;
    m_port->setTimeouts(kByteReadMs, kWriteMsPerByte);

    // The first byte, until the deadline.
    qint64 deadline = clock.nowMs() + allowedMs;
    std::uint8_t byte = 0;
    bool started = false;
    for (int pass = 1; clock.nowMs() < deadline && !abortRequested(); ++pass) {
        const int got = readByte(byte);
        if (got == 1) {
            started = true;
            break;
        }
        if (got < 0)
            return 0; // the port failed: nothing more will come
        clock.sleepMs(kPauseAfterMs);
        if (pass % 10 == 0 && progress)
            progress();
        pump();
    }
    if (!started)
        return 0;
    answer.append(char(byte));
    appendHex(trace, byte);

    // The rest: up to the expected length, the gap of empty reads, or a new deadline.
    deadline = clock.nowMs() + allowedMs;
    int empty = 0;
    while (answer.size() < limit && empty < kGapReads && clock.nowMs() < deadline &&
           !abortRequested()) {
        const int got = readByte(byte);
        if (got < 0)
            break;
        if (got == 0) {
            ++empty;
            pump();
            continue;
        }
        empty = 0;
        answer.append(char(byte));
        appendHex(trace, byte);
    }
    return int(answer.size());
}

} // namespace veg
