#include "core/link/SerialLine.h"

#include "core/link/LinkFrames.h"
#include "core/link/LinkRequests.h"
#include "core/link/SerialFrameReader.h"

#include <algorithm>
#include <cstdlib>

namespace veg {

namespace {

constexpr int kAnswerWaitMs = 3000;
constexpr int kTrailerWaitMs = 13333; // 1/6480 of a day
constexpr int kAttemptPauseMs = 100;
constexpr int kSendPauseMs = 2;
constexpr int kTraceLineLimit = 200;

bool isOneOf(LinkStatus st, std::initializer_list<LinkStatus> list)
{
    return std::find(list.begin(), list.end(), st) != list.end();
}

// The plain time of day: the trace of late bytes gives the two moments it compares so.
QString plainTime(QTime t)
{
    return t.toString(QStringLiteral("hh:mm:ss"));
}

} // namespace

SerialLine::SerialLine(LinkLine& line) : m_line(line) {}

LinkStatus SerialLine::Transact(const QByteArray& request, int& count, int checksumKind,
                                std::uint8_t address, int requestKind, int expectedSize,
                                int lineKind, LinkAnswer& answer)
{
    (void)requestKind; // requests are not numbered on this link
    using namespace Status;
    count = 0;
    m_line.SetTimeouts(500, 500);
    const int attempts = m_line.attempts();
    const LinkFrames::SerialFrame frame =
        LinkFrames::serialFrame(request, LinkFrames::kRequestControl, address, checksumKind);
    SerialPort& port = m_line.port();
    LinkStatus status = NoAnswer;
    LinkStatus previous = -1;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        m_line.pump();
        if (m_line.abortRequested())
            return Aborted;
        if (attempt > 0) {
            m_line.countRepeat();
            m_line.clock().sleepMs(kAttemptPauseMs);
        }

        m_sendLine = QStringLiteral(">> ");
        m_line.clock().sleepMs(kSendPauseMs);
        m_line.FlushInput(lineKind);
        m_sendLine += LinkLine::hexBytes(frame.whole());
        m_receiveLine = QStringLiteral("<< ");
        if (m_line.traceLevel() > 2)
            m_line.log(m_sendLine);
        const qint64 sentAtMs = m_line.clock().nowMs();

        for (const QByteArray* piece : {&frame.header, &frame.body, &frame.trailer}) {
            if (piece->isEmpty())
                continue;
            if (!port.write(reinterpret_cast<const std::uint8_t*>(piece->constData()),
                            int(piece->size())))
                return WriteFailed;
        }
        if (m_line.abortRequested())
            return Aborted;

        const Received r = ReceiveFrame(checksumKind, address, expectedSize, lineKind, answer);
        status = r.status;
        count = r.count;
        if (isOneOf(status, {Ok, PositiveReceipt, NegativeReceipt})) {
            if (expectedSize > 0 && m_longAnswer && std::abs(count - expectedSize) >= 4)
                status = count > expectedSize ? NoData : WrongLength;
            if (r.framed && r.control != 0)
                status = ControlByte;
        }

        const bool exchangeError =
            !isOneOf(status, {Ok, ModemOff, WriteFailed, Aborted, WrongLength, PositiveReceipt,
                              NegativeReceipt});
        if (m_line.traceLevel() >= 3 || (m_line.traceLevel() == 2 && exchangeError)) {
            if (exchangeError)
                m_line.log(QStringLiteral("ошибки обмена "));
            if (m_line.traceLevel() < 3)
                m_line.log(m_sendLine);
            m_line.log(m_receiveLine);
        }

        if (isOneOf(status,
                    {Ok, ModemOff, WriteFailed, Aborted, PositiveReceipt, NegativeReceipt}) ||
            (status == ControlByte && previous == ControlByte))
            return status;
        previous = status;
        if (attempt + 1 < attempts) {
            const QString late = m_line.drainInput();
            if (!late.isEmpty())
                m_line.log(QStringLiteral("после того как: ") + late +
                           plainTime(m_line.timeAt(sentAtMs)) + QStringLiteral("  ") +
                           plainTime(m_line.clock().timeOfDay()));
        }
    }
    return status;
}

SerialLine::Received SerialLine::ReceiveFrame(int checksumKind, std::uint8_t address,
                                              int expectedSize, int lineKind, LinkAnswer& answer)
{
    (void)expectedSize; // every data byte is kept; the transaction judges the length
    using Phase = SerialFrameReader::Phase;
    m_line.SetTimeouts(50, 500);
    Clock& clock = m_line.clock();
    const int answerWaitMs = m_line.answerWaitMs(kAnswerWaitMs);
    const int trailerWaitMs = m_line.probeWaitMs(kTrailerWaitMs);
    const qint64 startMs = clock.nowMs();
    const qint64 deadline = startMs + answerWaitMs;
    m_longAnswer = false;

    SerialFrameReader reader(checksumKind, address);
    int total = 0;
    bool aborted = false;
    qint64 lengthKnownAtMs = -1; // the body length became known
    qint64 bodyDoneAtMs = -1;    // the body was read (or its wait ran out)
    qint64 phaseUntil = deadline;

    // One byte before `until`, pumping the messages between reads; false at `until` or on the
    // operator's abort.
    auto next = [&](qint64 until, std::uint8_t& b) {
        while (clock.nowMs() < until) {
            m_line.pump();
            if (m_line.abortRequested()) {
                aborted = true;
                return false;
            }
            if (m_line.readByte(b) <= 0)
                continue;
            ++total;
            m_receiveLine += LinkLine::hexByte(b);
            if (m_receiveLine.size() > kTraceLineLimit) {
                if (m_line.traceLevel() > 1)
                    m_line.log(m_receiveLine + QStringLiteral(" много данных из буфера "));
                m_receiveLine = QStringLiteral("<< ");
            }
            return true;
        }
        return false;
    };

    LinkStatus status = Status::NoAnswer;
    for (;;) {
        const Phase before = reader.phase();
        std::uint8_t b = 0;
        if (!next(phaseUntil, b)) {
            if (aborted) {
                status = Status::Aborted;
            } else if (before == Phase::LongHeader && clock.nowMs() < deadline) {
                reader.restart(); // a header cut short: keep looking within the answer wait
                phaseUntil = deadline;
                continue;
            } else if (before == Phase::Body || before == Phase::Trailer) {
                status = Status::NoData;
            } else {
                status = Status::NoAnswer;
            }
            break;
        }
        reader.push(b);
        const Phase after = reader.phase();
        if (after == before)
            continue;
        const qint64 now = clock.nowMs();
        if (after == Phase::LongHeader)
            phaseUntil = now + answerWaitMs;
        if ((after == Phase::Body || after == Phase::Trailer) && reader.bodyLength() >= 0 &&
            lengthKnownAtMs < 0) {
            lengthKnownAtMs = now;
            m_longAnswer = reader.isLong();
            phaseUntil = now + answerWaitMs;
        }
        if (after == Phase::Trailer) {
            bodyDoneAtMs = now;
            phaseUntil = now + trailerWaitMs;
            const QByteArray data = reader.data();
            for (int i = 0; i < data.size() && LinkAnswer::kDataOffset + i < LinkAnswer::kSize; ++i)
                answer.bytes[std::size_t(LinkAnswer::kDataOffset + i)] = std::uint8_t(data[i]);
        }
        if (after == Phase::Done) {
            status = reader.status();
            break;
        }
    }

    Received r;
    r.status = status;
    r.framed = reader.bodyLength() >= 0 && !aborted;
    if (reader.framed()) {
        r.control = reader.control();
        r.count = reader.count();
    }
    if (bodyDoneAtMs < 0 && reader.bodyLength() >= 0)
        bodyDoneAtMs = clock.nowMs(); // the body's wait ran out

    if (!isOneOf(status, {Status::Ok, Status::PositiveReceipt, Status::NegativeReceipt}) ||
        m_line.traceLevel() > 3) {
        const qint64 endMs = clock.nowMs();
        auto at = [&](qint64 ms) { return m_line.timeAtText(ms >= 0 ? ms : endMs); };
        m_line.log(QStringLiteral("Vs=") + QString::number(lineKind) + QStringLiteral(" m2=") +
                   QString::number(answerWaitMs / 1000) + QStringLiteral("  plus ") +
                   LinkLine::timeText(QTime(0, 0).addMSecs(answerWaitMs)) +
                   QStringLiteral(" Now=") + at(startMs) + QStringLiteral(" Start=") +
                   at(deadline) + QStringLiteral(" kpd=") +
                   QString::number(std::max(0, reader.bodyLength())) + QLatin1Char(' ') +
                   at(lengthKnownAtMs) + QStringLiteral(" m1=") +
                   QString::number(reader.bodyRead()) + QLatin1Char(' ') + at(bodyDoneAtMs) +
                   QStringLiteral("  ") + at(endMs) + QStringLiteral("  Result=") +
                   QString::number(status) + QStringLiteral(" ish=") + QString::number(total));
    }
    return r;
}

LinkStatus SerialLine::send(const QByteArray& request, const LinkTarget& target, LinkAnswer& answer)
{
    m_line.clearAbort();
    if (!m_line.isOpen())
        return Status::Aborted;
    if (request.size() > LinkFrames::kMaxLongData)
        return Status::AdapterLength;
    int count = 0;
    LinkStatus status = Transact(request, count, target.ChecksumKind, target.Address,
                                 target.RequestKind, target.ExpectedSize, target.LineKind, answer);
    m_lastCount = count;
    if (target.ExpectedSize == 0 && status == Status::PositiveReceipt)
        status = Status::Ok;
    if (status == Status::WriteFailed)
        m_line.close();
    return status;
}

LinkStatus SerialLine::direct(const QByteArray& request, const LinkTarget& target, int expectedSize,
                              LinkAnswer& answer, int& count)
{
    count = 0;
    if (!m_line.isOpen())
        return Status::Aborted;
    if (request.size() > LinkFrames::kMaxLongData)
        return Status::AdapterLength;
    const LinkStatus status =
        Transact(request, count, target.ChecksumKind, target.Address, LinkTarget::kSerialRequest,
                 expectedSize, target.LineKind, answer);
    m_lastCount = count;
    if (status == Status::WriteFailed)
        m_line.close();
    return status;
}

void SerialLine::fillReadAnswer(LinkAnswer& answer, int count)
{
    for (int i = count; i < 4; ++i)
        if (count < 3)
            answer.bytes[std::size_t(LinkAnswer::kDataOffset + i)] = 0;
    answer.bytes[4] = std::uint8_t(std::min(count, 255));
}

LinkStatus SerialLine::readParam(std::uint16_t paramNo, int expectedSize, const LinkTarget& target,
                                 LinkAnswer& answer)
{
    int count = 0;
    LinkStatus status;
    if (target.Route == LinkTarget::kDirect) {
        status = direct(LinkRequests::read(paramNo), target, expectedSize, answer, count);
    } else {
        LinkTarget t = target;
        t.ExpectedSize = expectedSize;
        status = send(LinkRequests::transitRead(target.Destination, paramNo), t, answer);
        count = m_lastCount;
    }
    if (status == Status::Ok)
        fillReadAnswer(answer, count);
    return status;
}

LinkStatus SerialLine::writeParam(std::uint16_t paramNo, const QByteArray& data,
                                  const LinkTarget& target)
{
    LinkAnswer answer;
    if (target.Route == LinkTarget::kDirect) {
        int count = 0;
        const LinkStatus status =
            direct(LinkRequests::write(paramNo, data), target, 0, answer, count);
        return status == Status::PositiveReceipt ? Status::Ok : status;
    }
    LinkTarget t = target;
    t.ExpectedSize = 0;
    return send(LinkRequests::transitWrite(target.Destination, paramNo, data), t, answer);
}

LinkStatus SerialLine::writeParamAt(std::uint16_t paramNo, std::uint16_t index,
                                    const QByteArray& data, bool selectFirst,
                                    const LinkTarget& target)
{
    LinkAnswer answer;
    if (target.Route == LinkTarget::kDirect) {
        int count = 0;
        const LinkStatus status =
            direct(LinkRequests::writeAt(paramNo, index, data), target, 0, answer, count);
        return status == Status::PositiveReceipt ? Status::Ok : status;
    }
    LinkTarget t = target;
    t.ExpectedSize = 0;
    if (selectFirst) {
        const LinkStatus st =
            send(LinkRequests::transitSelect(target.Destination, paramNo), t, answer);
        if (st != Status::Ok)
            return st;
    }
    return send(LinkRequests::transitWriteElement(target.Destination, index, data), t, answer);
}

LinkStatus SerialLine::readParamAt(std::uint16_t paramNo, std::uint16_t index, int bytes,
                                   int elementSize, const LinkTarget& target, LinkAnswer& answer,
                                   int& got)
{
    got = 0;
    int count = 0;
    LinkStatus status;
    if (target.Route == LinkTarget::kDirect) {
        status = direct(LinkRequests::readAt(paramNo, index), target, bytes, answer, count);
    } else {
        const QByteArray request = LinkRequests::transitReadAt(target.Destination, paramNo, index);
        LinkTarget t = target;
        t.ExpectedSize = bytes;
        status = send(request, t, answer);
        for (int again = 0; status == Status::NegativeReceipt && again < m_line.retries(); ++again)
            status = send(request, t, answer);
        count = m_lastCount;
    }
    if (status == Status::Ok) {
        got = m_longAnswer ? count / std::max(1, elementSize) : 1;
        fillReadAnswer(answer, count);
    }
    return status;
}

LinkStatus SerialLine::accessLevel(int level, const QByteArray& code, const LinkTarget& target,
                                   LinkAnswer& answer)
{
    int count = 0;
    return direct(LinkRequests::access(level, code), target, 1, answer, count);
}

} // namespace veg
