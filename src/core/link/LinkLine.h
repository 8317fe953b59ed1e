#pragma once

#include "core/port/LinkContext.h"
#include "core/port/SerialPort.h"

#include <QByteArray>
#include <QString>
#include <QTime>

#include <cstdint>
#include <memory>

namespace veg {

// The serial port as both line kinds of the link use it: whether it is open, its read time-out,
// single-byte reads that wait that long, the flush before a request, the drain of late bytes,
// and the context's pump, abort flag, trace level and trace sink.
class LinkLine
{
public:
    LinkLine(std::unique_ptr<SerialPort> port, LinkContext context);

    SerialPort& port() { return *m_port; }
    Clock& clock() { return *m_context.clock; }
    const LinkContext& context() const { return m_context; }

    // Open: after a successful set-up of the port; closed after `close` or a failed open.
    bool isOpen() const { return m_open; }
    void markOpen() { m_open = true; }
    void close();

    // Attempts per transaction.
    int retries() const { return m_retries; }
    void setRetries(int n) { m_retries = n; }

    // The timing of one probe in place of the line's: its attempts, and the longest wait for an
    // answer (every wait of the answer, from its first byte to its trailer, is cut to it). Zero
    // leaves the line's own value; `ProbeTiming{}` is the line's timing throughout.
    struct ProbeTiming
    {
        int attempts = 0;
        int answerWaitMs = 0;
    };
    void setProbeTiming(ProbeTiming t) { m_probe = t; }
    ProbeTiming probeTiming() const { return m_probe; }
    // The attempts of a transaction: the probe's, else the retries (one at least).
    int attempts() const;
    // The wait for an answer: the line's own `lineWaitMs` unless the context gives another, cut
    // to the probe's answer wait.
    int answerWaitMs(int lineWaitMs) const;
    // Any other wait of an answer (its trailer): `lineWaitMs`, cut to the probe's answer wait.
    int probeWaitMs(int lineWaitMs) const;

    void SetTimeouts(int readTotalMs, int writeMsPerByte);
    // One byte within the read time-out: 1, or 0 when nothing came. A failing port waits out
    // the time-out, so that every wait loop keeps its pace instead of spinning to its deadline.
    int readByte(std::uint8_t& byte);
    // Reads and drops what is waiting on the line before a request; traced at level > 2.
    void FlushInput(int lineKind);
    // Reads whatever still arrives (one byte per read, until a read brings nothing or more than
    // 200 characters are collected); the bytes as trace text.
    QString drainInput();

    bool abortRequested() const { return m_context.shared->AbortRequested; }
    void clearAbort() { m_context.shared->AbortRequested = false; }
    void countRepeat() { ++m_context.shared->RepeatedRequests; }
    int traceLevel() const { return m_context.shared->TraceLevel; }
    void pump();
    void log(const QString& line);

    // Trace texts: bytes as two upper-case hexadecimal digits and a blank each; times of day as
    // "hh:mm:ss:zzz" or, where the link writes the plain time, "hh:mm:ss".
    static QString hexByte(std::uint8_t b);
    static QString hexBytes(const std::uint8_t* data, int n);
    static QString hexBytes(const QByteArray& data);
    static QString timeText(QTime t);
    // The time of day at monotonic moment `atMs` of the clock.
    QTime timeAt(qint64 atMs);
    QString timeAtText(qint64 atMs) { return timeText(timeAt(atMs)); }
    QString nowText() { return timeText(clock().timeOfDay()); }

private:
    // Reads single bytes until a read brings nothing, the abort, or more than `limit` characters
    // of trace text (-1: no limit); the bytes as trace text.
    QString collect(int limit);

    std::unique_ptr<SerialPort> m_port;
    LinkContext m_context;
    bool m_open = false;
    int m_retries = 2;
    ProbeTiming m_probe;
    int m_readTimeoutMs = 0;
};

} // namespace veg
