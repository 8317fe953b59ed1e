#include "core/link/CanAdapterLine.h"

#include "core/link/KalO.h"
#include "core/link/LinkRequests.h"

#include <algorithm>

namespace veg {

namespace {
constexpr int kAdapterAnswerMs = 2500;
constexpr int kAttemptPauseMs = 100;
constexpr int kResetPulseMs = 100;
} // namespace

CanAdapterLine::CanAdapterLine(LinkLine& line, std::function<void()> reopen)
    : m_line(line), m_reopen(std::move(reopen))
{}

LinkStatus CanAdapterLine::CanTransact(LinkFrames::CanFrame frame, int lineKind, int expectedSize,
                                       LinkAnswer& answer)
{
    Clock& clock = m_line.clock();
    SerialPort& port = m_line.port();
    m_line.SetTimeouts(10, 10);
    const int attempts = m_line.attempts();
    const int answerWaitMs = m_line.answerWaitMs(kAdapterAnswerMs);
    LinkStatus status = Status::Aborted;
    LinkFrames::CanFrame window{};
    LinkFrames::CanFrame lastFrame{};
    int windowCount = 0;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        m_line.pump();
        if (m_line.abortRequested()) {
            status = Status::Aborted;
            break;
        }
        if (attempt > 0)
            m_line.countRepeat();
        if (!port.isOpen()) {
            // The reopen before this attempt failed: the adapter cannot be initialised.
            status = Status::AdapterInitFailed;
            break;
        }
        m_canToggle = LinkFrames::nextCanToggle(m_canToggle);
        frame[1] = m_canToggle;
        m_sendLine =
            QStringLiteral(">> ") + LinkLine::hexBytes(frame.data(), LinkFrames::kCanFrameSize);
        m_receiveLine = QStringLiteral("<< ");

        const LinkStatus carrier = CheckCarrier();
        if (carrier != Status::Ok)
            m_sendLine += QStringLiteral(" эти данные хотели послать, но не вышло");
        m_line.FlushInput(lineKind);
        port.purgeInput();
        if (m_line.traceLevel() > 2)
            m_line.log(m_sendLine);

        windowCount = 0;
        if (carrier != Status::Ok) {
            status = carrier;
        } else if (!port.write(frame.data(), LinkFrames::kCanFrameSize)) {
            status = Status::WriteFailed;
        } else {
            m_line.SetTimeouts(10, 10);
            const qint64 deadline = clock.nowMs() + answerWaitMs;
            status = Status::AdapterNoAnswer;
            while (clock.nowMs() < deadline) {
                m_line.pump();
                if (m_line.abortRequested()) {
                    status = Status::Aborted;
                    break;
                }
                std::uint8_t b = 0;
                if (m_line.readByte(b) <= 0)
                    continue;
                window[std::size_t(windowCount++)] = b;
                m_receiveLine += LinkLine::hexByte(b);
                if (windowCount < LinkFrames::kCanFrameSize)
                    continue;
                if (m_line.traceLevel() > 2)
                    m_line.log(QStringLiteral("<< ") +
                               LinkLine::hexBytes(window.data(), LinkFrames::kCanFrameSize));
                lastFrame = window;
                windowCount = 0;
                status = LinkFrames::judgeCanAnswer(window, frame, m_ownAddress, expectedSize);
                // A frame for another station: the reading starts over with the next byte, and
                // the attempt's receive line keeps it for the closing trace.
                if (status == Status::ForeignFrame)
                    continue;
                break;
            }
        }
        if (status == Status::Ok || status == Status::AdapterLength || status == Status::Aborted)
            break;

        clock.sleepMs(kAttemptPauseMs);
        if (status == Status::WriteFailed)
            m_line.log(QStringLiteral("k=8  Ошибка записи в последовательный порт "));
        if (status == Status::WriteFailed || attempt == attempts - 2)
            m_reopen();
    }

    if (status == Status::Ok || status == Status::ForeignFrame || status == Status::AdapterLength) {
        std::copy(lastFrame.begin(), lastFrame.end(), answer.bytes.begin());
        answer.bytes[4] &= 0x0F;
    }
    const int level = m_line.traceLevel();
    if (((level == 1 || level == 2) && status != Status::Ok) ||
        (level > 2 && windowCount > 0 && windowCount < LinkFrames::kCanFrameSize)) {
        m_line.log(m_sendLine);
        m_line.log(m_receiveLine);
    }
    // What still arrives after the exchange, at level 3 and above whether anything came or
    // not: the log then shows that the line was quiet.
    if (level > 2)
        m_line.log(QStringLiteral("после того как: ") + m_line.drainInput());
    return status;
}

LinkStatus CanAdapterLine::CheckCarrier()
{
    if (m_adapterVariant == 1)
        return Status::Ok;
    SerialPort& port = m_line.port();
    LinkStatus status = Status::NoCarrier;
    for (int i = 0; i < 2; ++i) {
        const std::uint32_t modem = port.modemStatus().value_or(0);
        if (modem & SerialPort::kCarrierOn) {
            port.setRts(true);
            return Status::Ok;
        }
        status = InitAdapter() ? Status::NoCarrier : Status::AdapterInitFailed;
        if (m_line.traceLevel() > 1)
            m_line.log(QStringLiteral("(") +
                       QString::number(modem, 16).toUpper().rightJustified(4, '0') +
                       QStringLiteral(" and MS_RLSD_ON)<>MS_RLSD_ON  kod_v=") +
                       QString::number(status) + StatusMessage(status));
        m_line.pump();
        if (m_line.abortRequested())
            return Status::Aborted;
    }
    return status;
}

void CanAdapterLine::resetPulse()
{
    SerialPort& port = m_line.port();
    port.purgeInput();
    m_line.SetTimeouts(1000, 10);
    port.setDtr(true);
    m_line.clock().sleepMs(kResetPulseMs);
    port.setDtr(false);
    m_line.clock().sleepMs(kResetPulseMs);
}

bool CanAdapterLine::InitAdapter()
{
    SerialPort& port = m_line.port();
    resetPulse();
    if (!port.write(m_adapterConfig.data(), int(m_adapterConfig.size())))
        return false;
    std::uint8_t reply[3] = {};
    if (port.read(reply, 3) < 3)
        return false;
    if (reply[1] != 0x0D || reply[2] != 0x0A)
        return false;
    if (reply[0] == 0x30)
        m_adapterVariant = 0;
    else if (reply[0] == 0x40)
        m_adapterVariant = 1;
    else
        return false;
    return true;
}

bool CanAdapterLine::ParseHexList(const QString& text, int wanted, std::vector<std::uint8_t>& out)
{
    std::vector<std::uint8_t> values;
    bool inToken = false;
    std::uint8_t value = 0;
    auto digitOf = [](QChar c) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            return c.unicode() - '0';
        if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
            return c.unicode() - 'A' + 10;
        if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            return c.unicode() - 'a' + 10;
        return -1;
    };
    for (QChar c : text) {
        const int d = digitOf(c);
        if (d >= 0) {
            value = std::uint8_t((value << 4) | d); // the low byte of the token's value
            inToken = true;
        } else if (inToken) {
            values.push_back(value);
            value = 0;
            inToken = false;
        }
    }
    if (inToken)
        values.push_back(value);
    if (int(values.size()) < wanted)
        return false;
    out.assign(values.begin(), values.begin() + wanted);
    return true;
}

void CanAdapterLine::LoadAdapterConfig(const Settings& settings, int canSpeedPos)
{
    auto find = [&](const QString& key) -> QString {
        for (const auto& [k, v] : settings)
            if (k.compare(key, Qt::CaseInsensitive) == 0)
                return v;
        return {};
    };
    std::vector<std::uint8_t> values;
    auto& block = m_adapterConfig;
    if (ParseHexList(find(QStringLiteral("Acceptance Filter")), 24, values)) {
        std::copy(values.begin(), values.end(), block.begin());
    } else {
        std::fill(block.begin(), block.begin() + 24, 0);
        for (int i = 0; i < 24; i += 4)
            block[std::size_t(i)] = m_ownAddress;
    }
    if (ParseHexList(find(QStringLiteral("Acceptance Mask")), 8, values)) {
        std::copy(values.begin(), values.end(), block.begin() + 24);
    } else {
        std::fill(block.begin() + 24, block.begin() + 32, 0);
        block[24] = 0xFF;
        block[28] = 0xFF;
    }
    if (ParseHexList(find(QStringLiteral("CNF 321")), 3, values)) {
        std::copy(values.begin(), values.end(), block.begin() + 32);
    } else {
        block[32] = 0x02;
        block[33] = 0xE0;
        block[34] = 0x41;
    }
    // A position outside the table would read past it: it falls back to the first speed.
    const int pos =
        (canSpeedPos >= 0 && canSpeedPos < int(KalO::kCanSpeedBytes.size())) ? canSpeedPos : 0;
    block[34] = KalO::kCanSpeedBytes[std::size_t(pos)];
    std::uint8_t sum = 0;
    for (int i = 0; i < 35; ++i)
        sum = std::uint8_t(sum + block[std::size_t(i)]);
    block[35] = std::uint8_t(0x100 - sum);
    m_canSpeedPos = pos;
}

LinkStatus CanAdapterLine::send(const QByteArray& request, const LinkTarget& target,
                                LinkAnswer& answer)
{
    m_line.clearAbort();
    if (!m_line.isOpen())
        return Status::Aborted;
    if (request.size() != LinkFrames::kCanFrameSize)
        return Status::AdapterLength;
    LinkFrames::CanFrame frame{};
    std::copy(request.begin(), request.end(), frame.begin());
    const LinkStatus status = CanTransact(frame, target.LineKind, target.ExpectedSize, answer);
    if (status == Status::WriteFailed)
        m_line.close();
    return status;
}

LinkStatus CanAdapterLine::request(std::uint8_t command, std::uint16_t word, const QByteArray& data,
                                   int length, const LinkTarget& target, int expectedSize,
                                   LinkAnswer& answer)
{
    if (!m_line.isOpen())
        return Status::Aborted;
    return CanTransact(
        LinkRequests::canFrame(target.Destination, m_ownAddress, command, word, data, length),
        target.LineKind, expectedSize, answer);
}

LinkStatus CanAdapterLine::readParam(std::uint16_t paramNo, int expectedSize,
                                     const LinkTarget& target, LinkAnswer& answer)
{
    return request(LinkRequests::Can::kRead, paramNo, {}, 4, target, expectedSize, answer);
}

LinkStatus CanAdapterLine::writeParam(std::uint16_t paramNo, const QByteArray& data,
                                      const LinkTarget& target)
{
    if (data.size() > 4) // bytes 9..12 of the frame
        return Status::AdapterLength;
    LinkAnswer answer;
    return request(LinkRequests::Can::kWrite, paramNo, data, int(data.size()) + 4, target, 1,
                   answer);
}

LinkStatus CanAdapterLine::writeParamAt(std::uint16_t paramNo, std::uint16_t index,
                                        const QByteArray& data, bool selectFirst,
                                        const LinkTarget& target)
{
    if (data.size() > 4) // the index in bytes 7-8, the data in bytes 9..12
        return Status::AdapterLength;
    LinkAnswer answer;
    if (selectFirst) {
        const LinkStatus st =
            request(LinkRequests::Can::kSelect, paramNo, {}, 4, target, 1, answer);
        if (st != Status::Ok)
            return st;
    }
    return request(LinkRequests::Can::kWriteElement, index, data, int(data.size()) + 4, target, 1,
                   answer);
}

LinkStatus CanAdapterLine::readParamAt(std::uint16_t paramNo, std::uint16_t index, int bytes,
                                       int elementSize, const LinkTarget& target,
                                       LinkAnswer& answer, int& got)
{
    (void)bytes; // one element per frame
    QByteArray indexBytes;
    indexBytes.append(char(index & 0xFF));
    indexBytes.append(char(index >> 8));
    const LinkStatus status =
        request(LinkRequests::Can::kReadAt, paramNo, indexBytes, 6, target, elementSize, answer);
    got = status == Status::Ok ? 1 : 0;
    return status;
}

LinkStatus CanAdapterLine::accessLevel(int level, const QByteArray& code, const LinkTarget& target,
                                       LinkAnswer& answer)
{
    if (!m_line.isOpen())
        return Status::Aborted;
    const LinkStatus status =
        CanTransact(LinkRequests::canAccess(target.Destination, m_ownAddress, level, code),
                    target.LineKind, 1, answer);
    // The adapter's answer to the access request has another length than a value's.
    return status == Status::AdapterLength ? Status::Ok : status;
}

} // namespace veg
