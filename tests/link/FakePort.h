#pragma once

#include "core/port/SerialPort.h"
#include "sim/ManualClock.h"
#include "sim/TimedBytes.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <deque>
#include <functional>
#include <utility>

// A scripted serial port in virtual time. Bytes are queued with the time they arrive; a read
// that waits moves the clock to the next byte or to the end of its time-out, exactly as long
// as the real port would have blocked. `onWrite` answers what the link sends.
class FakePort : public veg::SerialPort
{
public:
    explicit FakePort(veg::sim::ManualClock& clock) : m_clock(clock) {}

    // Bytes arriving `afterMs` from now.
    void arrive(const QByteArray& bytes, qint64 afterMs = 0)
    {
        for (char c : bytes)
            m_incoming.push(m_clock.nowMs() + afterMs, std::uint8_t(c));
    }

    std::function<void(FakePort&, const QByteArray&)> onWrite;
    bool openFails = false;
    bool writeFails = false;
    bool carrier = true;
    bool modemFails = false;
    bool readFails = false; // reads fail at once, as on a port that went away
    // A write for which this returns true fails (in addition to `writeFails`).
    std::function<bool(const QByteArray&)> failWrite;

    QList<QByteArray> writes; // every write call
    QByteArray allWritten() const { return writes.join(); }
    QStringList events; // open/close/baud/format/dtr/rts/purge in order
    QString openedName;
    int readCalls = 0;
    int baud = 0;
    bool cts = false;
    int readTimeoutMs = 0;
    int writeMsPerByte = 0;

    bool open(const QString& name) override
    {
        events << QStringLiteral("open ") + name;
        openedName = name;
        if (openFails)
            return false;
        m_open = true;
        return true;
    }
    void close() override
    {
        if (m_open)
            events << QStringLiteral("close");
        m_open = false;
    }
    bool isOpen() const override { return m_open; }
    bool setBaudRate(int b) override
    {
        baud = b;
        events << QStringLiteral("baud %1").arg(b);
        return true;
    }
    bool setFrameFormat(bool twoStop, bool ctsFlow) override
    {
        cts = ctsFlow;
        events << QStringLiteral("format %1 %2").arg(twoStop ? 2 : 1).arg(ctsFlow ? "cts" : "-");
        return true;
    }
    bool setCharacterFormat(Parity parity, StopBits stopBits) override
    {
        static const char* const parities[] = {"none", "even", "odd", "mark"};
        static const char* const stops[] = {"1", "1.5", "2"};
        cts = false;
        events << QStringLiteral("format %1 %2")
                      .arg(QString::fromLatin1(parities[int(parity)]),
                           QString::fromLatin1(stops[int(stopBits)]));
        return true;
    }
    void setTimeouts(int readMs, int writeMs) override
    {
        readTimeoutMs = readMs;
        writeMsPerByte = writeMs;
    }
    int read(std::uint8_t* buffer, int n) override
    {
        ++readCalls;
        if (!m_open || readFails)
            return -1;
        return m_incoming.read(buffer, n, readTimeoutMs);
    }
    bool write(const std::uint8_t* data, int n) override
    {
        const QByteArray bytes(reinterpret_cast<const char*>(data), n);
        if (!m_open || writeFails || (failWrite && failWrite(bytes)))
            return false;
        writes << bytes;
        m_pending += bytes;
        if (onWrite)
            onWrite(*this, bytes);
        return true;
    }
    bool purgeInput() override
    {
        events << QStringLiteral("purge");
        m_incoming.dropArrived();
        return true;
    }
    bool setDtr(bool on) override
    {
        events << QStringLiteral("dtr %1").arg(on);
        return !modemFails;
    }
    bool setRts(bool on) override
    {
        events << QStringLiteral("rts %1").arg(on);
        return !modemFails;
    }
    std::optional<std::uint32_t> modemStatus() override
    {
        if (modemFails)
            return std::nullopt;
        return carrier ? kCarrierOn : 0u;
    }

    // The bytes written since the last call, for answering whole frames.
    QByteArray takePending()
    {
        QByteArray out;
        out.swap(m_pending);
        return out;
    }

private:
    veg::sim::ManualClock& m_clock;
    veg::sim::TimedBytes m_incoming{m_clock};
    QByteArray m_pending;
    bool m_open = false;
};
