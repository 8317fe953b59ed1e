#include "core/link/LinkLine.h"

#include <algorithm>

namespace veg {

namespace {
constexpr int kDrainLimit = 200;
} // namespace

LinkLine::LinkLine(std::unique_ptr<SerialPort> port, LinkContext context)
    : m_port(std::move(port)), m_context(std::move(context))
{}

void LinkLine::close()
{
    if (m_port)
        m_port->close();
    m_open = false;
}

int LinkLine::attempts() const
{
    return m_probe.attempts > 0 ? m_probe.attempts : std::max(1, m_retries);
}

int LinkLine::answerWaitMs(int lineWaitMs) const
{
    return probeWaitMs(m_context.answerWaitMs > 0 ? m_context.answerWaitMs : lineWaitMs);
}

int LinkLine::probeWaitMs(int lineWaitMs) const
{
    return m_probe.answerWaitMs > 0 ? std::min(lineWaitMs, m_probe.answerWaitMs) : lineWaitMs;
}

void LinkLine::SetTimeouts(int readTotalMs, int writeMsPerByte)
{
    m_readTimeoutMs = readTotalMs;
    m_port->setTimeouts(readTotalMs, writeMsPerByte);
}

int LinkLine::readByte(std::uint8_t& byte)
{
    const int n = m_port->read(&byte, 1);
    if (n < 0) {
        clock().sleepMs(m_readTimeoutMs);
        return 0;
    }
    return n;
}

void LinkLine::pump()
{
    if (m_context.pump)
        m_context.pump();
}

void LinkLine::log(const QString& line)
{
    if (m_context.log)
        m_context.log(line);
}

QString LinkLine::collect(int limit)
{
    QString collected;
    while (limit < 0 || collected.size() <= limit) {
        pump();
        if (abortRequested())
            break;
        std::uint8_t b = 0;
        if (readByte(b) <= 0)
            break;
        collected += hexByte(b);
    }
    return collected;
}

void LinkLine::FlushInput(int lineKind)
{
    (void)lineKind; // both line kinds flush alike
    SetTimeouts(10, 500);
    const QString flushed = collect(-1);
    if (traceLevel() > 2 && !flushed.isEmpty())
        log(QStringLiteral("Clear ") + flushed);
}

QString LinkLine::drainInput()
{
    return collect(kDrainLimit);
}

QString LinkLine::hexByte(std::uint8_t b)
{
    static const char digits[] = "0123456789ABCDEF";
    QString s(3, QLatin1Char(' '));
    s[0] = QLatin1Char(digits[b >> 4]);
    s[1] = QLatin1Char(digits[b & 0x0F]);
    return s;
}

QString LinkLine::hexBytes(const std::uint8_t* data, int n)
{
    QString s;
    s.reserve(n * 3);
    for (int i = 0; i < n; ++i)
        s += hexByte(data[i]);
    return s;
}

QString LinkLine::hexBytes(const QByteArray& data)
{
    return hexBytes(reinterpret_cast<const std::uint8_t*>(data.constData()), int(data.size()));
}

QString LinkLine::timeText(QTime t)
{
    return t.toString(QStringLiteral("hh:mm:ss:zzz"));
}

QTime LinkLine::timeAt(qint64 atMs)
{
    // The time of day is read only for a line that is written: reading it costs a system call
    // on some systems, and most trace lines are never written.
    Clock& c = clock();
    return c.timeOfDay().addMSecs(int(atMs - c.nowMs()));
}

} // namespace veg
