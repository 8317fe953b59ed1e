#include "core/link/KalO.h"

#include "core/text/IniDocument.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdlib>

namespace veg {

namespace {

constexpr int kAnswerWaitMs = 3000;
constexpr int kTrailerWaitMs = 13333; // 1/6480 of a day
constexpr int kAdapterAnswerMs = 2500;
constexpr int kAttemptPauseMs = 100;
constexpr int kSendPauseMs = 2;
constexpr int kDrainLimit = 200;

std::uint8_t u8(char c)
{
    return static_cast<std::uint8_t>(c);
}

QString hexByte(std::uint8_t b)
{
    static const char digits[] = "0123456789ABCDEF";
    QString s(3, QLatin1Char(' '));
    s[0] = QLatin1Char(digits[b >> 4]);
    s[1] = QLatin1Char(digits[b & 0x0F]);
    return s;
}

QString hexBytes(const std::uint8_t* data, int n)
{
    QString s;
    s.reserve(n * 3);
    for (int i = 0; i < n; ++i)
        s += hexByte(data[i]);
    return s;
}

QString hexBytes(const QByteArray& data)
{
    return hexBytes(reinterpret_cast<const std::uint8_t*>(data.constData()), int(data.size()));
}

void appendWord(QByteArray& out, std::uint16_t value)
{
    out.append(char(value & 0xFF));
    out.append(char(value >> 8));
}

bool isOneOf(LinkStatus st, std::initializer_list<LinkStatus> list)
{
    return std::find(list.begin(), list.end(), st) != list.end();
}

// The access code as up to 8 hex digits, most significant first; missing digits and those
// after a non-digit count as 0.
QByteArray accessCodeBytes(const QString& code)
{
    std::uint32_t value = 0;
    bool stopped = false;
    for (int i = 0; i < 8; ++i) {
        int digit = 0;
        if (!stopped && i < code.size()) {
            const QChar c = code.at(i);
            if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                digit = c.unicode() - '0';
            else if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
                digit = c.unicode() - 'A' + 10;
            else if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
                digit = c.unicode() - 'a' + 10;
            else
                stopped = true;
        }
        value = (value << 4) | std::uint32_t(digit);
    }
    QByteArray out;
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xFF));
    return out;
}

} // namespace

int KalO::canSpeedPosition(int canSpeedIndex)
{
    static constexpr int positions[] = {0, 2, 4, 7, 12};
    if (canSpeedIndex < 0 || canSpeedIndex > 4)
        return 0;
    return positions[canSpeedIndex];
}

KalO::KalO(std::unique_ptr<SerialPort> port, LinkContext context, const QString& portName,
           int adapterKind, int speedIndex, std::array<std::uint8_t, 2> lineOptions)
    : m_port(std::move(port)), m_ctx(std::move(context)), m_lineOptions(lineOptions)
{
    m_canToggle = 0;
    m_retries = 2;
    m_ctx.shared->AbortRequested = false;
    m_portOpen = false;
    m_portName = portName;
    m_adapterKind = adapterKind;
    if (m_adapterKind == kCanBus)
        LoadAdapterConfig(Settings{}, 0);
    if (!m_portName.isEmpty())
        OpenPort(speedIndex);
    m_packetNo = 0;
}

KalO::~KalO()
{
    ClosePort();
}

QString KalO::systemPortName(const QString& portName)
{
    if (portName.startsWith(QLatin1Char('/')))
        return portName;
    bool ok = false;
    const int number = portName.mid(3).toInt(&ok);
    if (!ok || number > 9)
        return QStringLiteral("\\\\.\\") + portName;
    return portName;
}

bool KalO::OpenPort(int speedIndex)
{
    m_baudIndex = -1;
    m_speedIndex = speedIndex;
    const QString name = systemPortName(m_portName);
    const bool opened = m_port->open(name);
    if (traceLevel() > 3)
        log(QStringLiteral("Инициализация порта ") + name);
    if (!opened) {
        if (traceLevel() > 3)
            log(QStringLiteral("C_port=FFFFFFFF INVALID_HANDLE_VALUE=FFFFFFFF"));
        m_portOpen = false;
        ClosePort();
        return false;
    }
    SetBaudRate(speedIndex);
    SetLineFormat(m_adapterKind, m_lineOptions[1]);
    if (m_adapterKind == kCanBus) {
        InitAdapter(); // the exchange window runs it once more and judges it
    } else {
        m_port->setDtr(false);
        m_port->setRts(false);
    }
    if (m_adapterKind == kCanBus)
        SetTimeouts(120, 10);
    else
        SetTimeouts(120, 500);
    m_port->purgeInput();
    m_portOpen = true;
    return true;
}

void KalO::ClosePort()
{
    if (m_port)
        m_port->close();
    m_portOpen = false;
}

void KalO::SetBaudRate(int speedIndex)
{
    // A speed index outside the table (a settings file that names no speed of the list) opens
    // the line at 9600 baud, and that is the speed the link then records.
    const int index = (speedIndex >= 0 && speedIndex < kSpeedTableSize) ? speedIndex : 5;
    m_port->setBaudRate(kSpeeds[std::size_t(index)]);
    m_ctx.clock->sleepMs(100);
    m_baudIndex = index;
}

void KalO::SetLineFormat(int adapterKind, std::uint8_t stopBitsOption)
{
    if (adapterKind == kCanBus) {
        m_port->setBaudRate(115200);
        m_port->setFrameFormat(false, true);
    } else {
        m_port->setFrameFormat(stopBitsOption == 2, false);
    }
}

void KalO::SetTimeouts(int readTotalMs, int writeMsPerByte)
{
    m_readTimeoutMs = readTotalMs;
    m_port->setTimeouts(readTotalMs, writeMsPerByte);
}

void KalO::pump()
{
    if (m_ctx.pump)
        m_ctx.pump();
}

void KalO::log(const QString& line)
{
    if (m_ctx.log)
        m_ctx.log(line);
}

QString KalO::timeText(QTime t) const
{
    return t.toString(QStringLiteral("hh:mm:ss:zzz"));
}

QString KalO::nowText()
{
    return timeText(m_ctx.clock->timeOfDay());
}

QString KalO::timeAtText(qint64 atMs)
{
    // The time of day is read only for a line that is written: reading it costs a system
    // call on some systems, and most trace lines are never written.
    Clock& clock = *m_ctx.clock;
    return timeText(clock.timeOfDay().addMSecs(int(atMs - clock.nowMs())));
}

int KalO::readByte(std::uint8_t& byte)
{
    const int n = m_port->read(&byte, 1);
    if (n < 0) {
        // A failed port returns at once; waiting out the read's time-out keeps every wait
        // loop at its pace instead of spinning until its deadline.
        m_ctx.clock->sleepMs(m_readTimeoutMs);
        return 0;
    }
    return n;
}

void KalO::FlushInput(int lineKind)
{
    (void)lineKind;
    SetTimeouts(10, 500);
    QString flushed;
    for (;;) {
        pump();
        if (abortRequested())
            break;
        std::uint8_t b = 0;
        if (readByte(b) <= 0)
            break;
        flushed += hexByte(b);
    }
    if (traceLevel() > 2 && !flushed.isEmpty())
        log(QStringLiteral("Clear ") + flushed);
}

QString KalO::drainInput()
{
    QString collected;
    while (collected.size() <= kDrainLimit) {
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

LinkStatus KalO::Transact(const QByteArray& request, int& count, int checksumKind,
                          std::uint8_t address, int requestKind, int expectedSize, int lineKind,
                          LinkAnswer& answer)
{
    (void)requestKind;
    count = 0;
    SetTimeouts(500, 500);
    const int attempts = std::max(1, m_retries);
    const LinkFrames::SerialFrame frame =
        LinkFrames::serialFrame(request, LinkFrames::kRequestControl, address, checksumKind);
    LinkStatus status = Status::NoAnswer;
    LinkStatus previous = -1;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        pump();
        if (abortRequested())
            return Status::Aborted;
        if (attempt > 0)
            m_ctx.clock->sleepMs(kAttemptPauseMs);

        m_sendLine = QStringLiteral(">> ");
        m_ctx.clock->sleepMs(kSendPauseMs);
        FlushInput(lineKind);
        m_sendLine += hexBytes(frame.whole());
        m_receiveLine = QStringLiteral("<< ");
        if (traceLevel() > 2)
            log(m_sendLine);
        const qint64 sentAtMs = m_ctx.clock->nowMs();

        for (const QByteArray* piece : {&frame.header, &frame.body, &frame.trailer}) {
            if (piece->isEmpty())
                continue;
            if (!m_port->write(reinterpret_cast<const std::uint8_t*>(piece->constData()),
                               int(piece->size())))
                return Status::WriteFailed;
        }
        if (abortRequested())
            return Status::Aborted;

        const Received r = ReceiveFrame(checksumKind, address, expectedSize, lineKind, answer);
        status = r.status;
        count = r.count;
        if (status == Status::Ok || status == Status::PositiveReceipt ||
            status == Status::NegativeReceipt) {
            if (expectedSize > 0 && m_longAnswer && std::abs(count - expectedSize) >= 4)
                status = count > expectedSize ? Status::NoData : Status::WrongLength;
            if (r.framed && r.control != 0)
                status = Status::ControlByte;
        }

        using namespace Status;
        const bool exchangeError =
            !isOneOf(status, {Ok, ModemOff, WriteFailed, Aborted, WrongLength, PositiveReceipt,
                              NegativeReceipt});
        if (traceLevel() >= 3 || (traceLevel() == 2 && exchangeError)) {
            if (exchangeError)
                log(QStringLiteral("ошибки обмена "));
            if (traceLevel() < 3)
                log(m_sendLine);
            log(m_receiveLine);
        }

        if (isOneOf(status,
                    {Ok, ModemOff, WriteFailed, Aborted, PositiveReceipt, NegativeReceipt}) ||
            (status == Status::ControlByte && previous == Status::ControlByte))
            return status;
        previous = status;
        if (attempt + 1 < attempts) {
            const QString late = drainInput();
            if (!late.isEmpty())
                log(QStringLiteral("после того как: ") + late + timeAtText(sentAtMs) +
                    QStringLiteral("  ") + nowText());
        }
    }
    return status;
}

KalO::Received KalO::ReceiveFrame(int checksumKind, std::uint8_t address, int expectedSize,
                                  int lineKind, LinkAnswer& answer)
{
    (void)expectedSize;
    Received r;
    SetTimeouts(50, 500);
    Clock& clock = *m_ctx.clock;
    const qint64 startMs = clock.nowMs();
    qint64 deadline = startMs + kAnswerWaitMs;
    m_longAnswer = false;

    int total = 0;
    bool aborted = false;
    auto take = [&](std::uint8_t b) {
        ++total;
        m_receiveLine += hexByte(b);
        if (m_receiveLine.size() > kDrainLimit) {
            if (traceLevel() > 1)
                log(m_receiveLine + QStringLiteral(" много данных из буфера "));
            m_receiveLine = QStringLiteral("<< ");
        }
    };
    // Single-byte reads until `n` bytes or the deadline; the message pump runs between reads.
    auto readUntil = [&](std::uint8_t* out, int n, qint64 until) {
        int got = 0;
        while (got < n && clock.nowMs() < until) {
            pump();
            if (abortRequested()) {
                aborted = true;
                break;
            }
            std::uint8_t b = 0;
            if (readByte(b) <= 0)
                continue;
            take(b);
            out[got++] = b;
        }
        return got;
    };

    LinkStatus status = Status::NoAnswer;
    int bodyLength = -1;
    while (bodyLength < 0 && clock.nowMs() < deadline) {
        pump();
        if (abortRequested()) {
            aborted = true;
            break;
        }
        std::uint8_t b = 0;
        if (readByte(b) <= 0)
            continue;
        take(b);
        if (b == LinkFrames::kPositiveReceipt) {
            status = Status::PositiveReceipt;
            break;
        }
        if (b == LinkFrames::kNegativeReceipt) {
            status = Status::NegativeReceipt;
            break;
        }
        if (b == LinkFrames::kShortStart) {
            bodyLength = checksumKind == 1 ? 8 : 6;
        } else if (b == LinkFrames::kLongStart) {
            std::uint8_t head[3] = {};
            if (readUntil(head, 3, clock.nowMs() + kAnswerWaitMs) < 3) {
                if (aborted)
                    break;
                continue;
            }
            if (head[2] != LinkFrames::kLongStart) {
                status = Status::DuplicateStart;
                break;
            }
            if (head[0] != head[1]) {
                status = Status::DuplicateLength;
                break;
            }
            bodyLength = head[0];
            m_longAnswer = true;
        }
    }

    int bodyRead = 0;
    qint64 bodyAtMs = -1;
    if (bodyLength >= 0 && !aborted) {
        r.framed = true;
        std::array<std::uint8_t, 256> body{};
        bodyRead = readUntil(body.data(), bodyLength, clock.nowMs() + kAnswerWaitMs);
        bodyAtMs = clock.nowMs();
        if (aborted) {
            status = Status::Aborted;
        } else if (bodyRead < bodyLength) {
            status = Status::NoData;
        } else {
            const QByteArray bodyBytes(reinterpret_cast<const char*>(body.data()), bodyLength);
            r.control = bodyLength > 0 ? body[0] : 0;
            const bool wrongAddress = bodyLength < 2 || body[1] != address;
            r.count = std::max(0, bodyLength - 2);
            for (int i = 0; i < r.count && LinkAnswer::kDataOffset + i < LinkAnswer::kSize; ++i)
                answer.bytes[std::size_t(LinkAnswer::kDataOffset + i)] = body[std::size_t(2 + i)];

            std::uint8_t trailer[2] = {};
            const int trailerRead = readUntil(trailer, 2, clock.nowMs() + kTrailerWaitMs);
            if (aborted) {
                status = Status::Aborted;
            } else if (trailerRead < 2) {
                status = Status::NoData;
            } else if (checksumKind == 2) {
                const QByteArray all =
                    bodyBytes + QByteArray(reinterpret_cast<const char*>(trailer), 2);
                status = LinkFrames::Crc16(all) != 0 ? Status::CrcMismatch : Status::Ok;
            } else {
                status = Status::Ok;
                if (checksumKind == 1) {
                    if (LinkFrames::Crc16(bodyBytes) != 0)
                        status = Status::CrcMismatch;
                    else if (m_longAnswer)
                        r.count = std::max(0, r.count - 2);
                }
                if (status == Status::Ok) {
                    if (trailer[0] != LinkFrames::sum8(bodyBytes))
                        status = Status::Checksum;
                    else if (trailer[1] != LinkFrames::kEnd)
                        status = Status::EndByte;
                }
            }
            if (wrongAddress && status != Status::Aborted)
                status = Status::Address;
        }
    } else if (aborted) {
        status = Status::Aborted;
    }
    r.status = status;

    if (!isOneOf(status, {Status::Ok, Status::PositiveReceipt, Status::NegativeReceipt}) ||
        traceLevel() > 3) {
        const qint64 endMs = clock.nowMs();
        const QString endAt = timeAtText(endMs);
        log(QStringLiteral("Vs=") + QString::number(lineKind) + QStringLiteral(" m2=") +
            QString::number(kAnswerWaitMs / 1000) + QStringLiteral("  plus ") +
            timeText(QTime(0, 0).addMSecs(kAnswerWaitMs)) + QStringLiteral(" Now=") +
            timeAtText(startMs) + QStringLiteral(" Start=") + timeAtText(startMs + kAnswerWaitMs) +
            QStringLiteral(" kpd=") + QString::number(std::max(0, bodyLength)) + QLatin1Char(' ') +
            (bodyAtMs >= 0 ? timeAtText(bodyAtMs) : endAt) + QStringLiteral(" m1=") +
            QString::number(bodyRead) + QLatin1Char(' ') + endAt + QStringLiteral("  ") + endAt +
            QStringLiteral("  Result=") + QString::number(status) + QStringLiteral(" ish=") +
            QString::number(total));
    }
    return r;
}

LinkStatus KalO::CanTransact(LinkFrames::CanFrame frame, int lineKind, int expectedSize,
                             LinkAnswer& answer)
{
    Clock& clock = *m_ctx.clock;
    SetTimeouts(10, 10);
    const int attempts = std::max(1, m_retries);
    LinkStatus status = Status::Aborted;
    LinkFrames::CanFrame window{};
    LinkFrames::CanFrame lastFrame{};
    int windowCount = 0;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        pump();
        if (abortRequested()) {
            status = Status::Aborted;
            break;
        }
        if (!m_port->isOpen()) {
            // The reopen before this attempt failed: the adapter cannot be initialised.
            status = Status::AdapterInitFailed;
            break;
        }
        m_canToggle = LinkFrames::nextCanToggle(m_canToggle);
        frame[1] = m_canToggle;
        m_sendLine = QStringLiteral(">> ") + hexBytes(frame.data(), LinkFrames::kCanFrameSize);
        m_receiveLine = QStringLiteral("<< ");

        const LinkStatus carrier = CheckCarrier();
        if (carrier != Status::Ok)
            m_sendLine += QStringLiteral(" эти данные хотели послать, но не вышло");
        FlushInput(lineKind);
        m_port->purgeInput();
        if (traceLevel() > 2)
            log(m_sendLine);

        windowCount = 0;
        if (carrier != Status::Ok) {
            status = carrier;
        } else if (!m_port->write(frame.data(), LinkFrames::kCanFrameSize)) {
            status = Status::WriteFailed;
        } else {
            SetTimeouts(10, 10);
            const qint64 deadline = clock.nowMs() + kAdapterAnswerMs;
            status = Status::AdapterNoAnswer;
            while (clock.nowMs() < deadline) {
                pump();
                if (abortRequested()) {
                    status = Status::Aborted;
                    break;
                }
                std::uint8_t b = 0;
                if (readByte(b) <= 0)
                    continue;
                window[std::size_t(windowCount++)] = b;
                m_receiveLine += hexByte(b);
                if (windowCount < LinkFrames::kCanFrameSize)
                    continue;
                if (traceLevel() > 2)
                    log(QStringLiteral("<< ") + hexBytes(window.data(), LinkFrames::kCanFrameSize));
                lastFrame = window;
                windowCount = 0;
                // A frame for another station: the reading starts over with the next byte, and
                // the attempt's receive line keeps it for the closing trace.
                if ((window[1] & 0x60) != (frame[1] & 0x60) || window[0] != m_ownAddress ||
                    window[5] != frame[0]) {
                    status = Status::ForeignFrame;
                    continue;
                }
                status =
                    (window[4] & 0x0F) == expectedSize + 1 ? Status::Ok : Status::AdapterLength;
                break;
            }
        }
        if (status == Status::Ok || status == Status::AdapterLength || status == Status::Aborted)
            break;

        clock.sleepMs(kAttemptPauseMs);
        if (status == Status::WriteFailed)
            log(QStringLiteral("k=8  Ошибка записи в последовательный порт "));
        if (status == Status::WriteFailed || attempt == attempts - 2) {
            ClosePort();
            OpenPort(m_speedIndex);
        }
    }

    if (status == Status::Ok || status == Status::ForeignFrame || status == Status::AdapterLength) {
        std::copy(lastFrame.begin(), lastFrame.end(), answer.bytes.begin());
        answer.bytes[4] &= 0x0F;
    }
    if (((traceLevel() == 1 || traceLevel() == 2) && status != Status::Ok) ||
        (traceLevel() > 2 && windowCount > 0 && windowCount < LinkFrames::kCanFrameSize)) {
        log(m_sendLine);
        log(m_receiveLine);
    }
    if (traceLevel() > 2 && status != Status::Aborted && m_port->isOpen()) {
        const QString late = drainInput();
        if (!late.isEmpty())
            log(QStringLiteral("после того как: ") + late);
    }
    return status;
}

LinkStatus KalO::CheckCarrier()
{
    if (m_adapterVariant == 1)
        return Status::Ok;
    LinkStatus status = Status::NoCarrier;
    for (int i = 0; i < 2; ++i) {
        const std::uint32_t modem = m_port->modemStatus().value_or(0);
        if (modem & SerialPort::kCarrierOn) {
            m_port->setRts(true);
            return Status::Ok;
        }
        status = InitAdapter() ? Status::NoCarrier : Status::AdapterInitFailed;
        if (traceLevel() > 1)
            log(QStringLiteral("(") + QString::number(modem, 16).toUpper().rightJustified(4, '0') +
                QStringLiteral(" and MS_RLSD_ON)<>MS_RLSD_ON  kod_v=") + QString::number(status) +
                StatusMessage(status));
        pump();
        if (abortRequested())
            return Status::Aborted;
    }
    return status;
}

void KalO::resetPulse()
{
    m_port->purgeInput();
    SetTimeouts(1000, 10);
    m_port->setDtr(true);
    m_ctx.clock->sleepMs(100);
    m_port->setDtr(false);
    m_ctx.clock->sleepMs(100);
}

bool KalO::InitAdapter()
{
    resetPulse();
    if (!m_port->write(m_adapterConfig.data(), int(m_adapterConfig.size())))
        return false;
    std::uint8_t reply[3] = {};
    if (m_port->read(reply, 3) < 3)
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

bool KalO::ParseHexList(const QString& text, int wanted, std::vector<std::uint8_t>& out)
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

void KalO::LoadAdapterConfig(const Settings& settings, int canSpeedPos)
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
        (canSpeedPos >= 0 && canSpeedPos < int(kCanSpeedBytes.size())) ? canSpeedPos : 0;
    block[34] = kCanSpeedBytes[std::size_t(pos)];
    std::uint8_t sum = 0;
    for (int i = 0; i < 35; ++i)
        sum = std::uint8_t(sum + block[std::size_t(i)]);
    block[35] = std::uint8_t(0x100 - sum);
    m_canSpeedPos = pos;
}

void KalO::LoadAdapterConfig(const IniDocument& settingsFile, int canSpeedPos)
{
    Settings settings;
    for (const auto& entry : settingsFile.entries(QStringLiteral("Parametr")))
        settings.push_back(entry);
    LoadAdapterConfig(settings, canSpeedPos);
}

void KalO::LoadAdapterConfig(const QString& settingsPath, int canSpeedPos)
{
    IniDocument::FileStatus fileStatus = IniDocument::FileStatus::Ok;
    QString error;
    const IniDocument doc = IniDocument::fromFile(settingsPath, &fileStatus, &error);
    if (fileStatus != IniDocument::FileStatus::Ok)
        LoadAdapterConfig(Settings{}, canSpeedPos);
    else
        LoadAdapterConfig(doc, canSpeedPos);
}

LinkStatus KalO::SendRequest(const QByteArray& request, const LinkTarget& target,
                             LinkAnswer& answer)
{
    m_ctx.shared->AbortRequested = false;
    if (!m_portOpen)
        return Status::Aborted;
    LinkStatus status = Status::Aborted;
    if (target.RequestKind == LinkTarget::kCanRequest) {
        if (request.size() != LinkFrames::kCanFrameSize)
            return Status::AdapterLength;
        LinkFrames::CanFrame frame{};
        std::copy(request.begin(), request.end(), frame.begin());
        status = CanTransact(frame, target.LineKind, target.ExpectedSize, answer);
    } else {
        if (request.size() > LinkFrames::kMaxLongData)
            return Status::AdapterLength;
        int count = 0;
        status = Transact(request, count, target.ChecksumKind, target.Address, target.RequestKind,
                          target.ExpectedSize, target.LineKind, answer);
        m_lastCount = count;
        if (target.ExpectedSize == 0 && status == Status::PositiveReceipt)
            status = Status::Ok;
    }
    if (status == Status::WriteFailed)
        ClosePort();
    return status;
}

LinkStatus KalO::serialRequest(const QByteArray& request, const LinkTarget& target,
                               int expectedSize, LinkAnswer& answer, int& count)
{
    count = 0;
    if (!m_portOpen)
        return Status::Aborted;
    if (request.size() > LinkFrames::kMaxLongData)
        return Status::AdapterLength;
    const LinkStatus status =
        Transact(request, count, target.ChecksumKind, target.Address, LinkTarget::kSerialRequest,
                 expectedSize, target.LineKind, answer);
    m_lastCount = count;
    if (status == Status::WriteFailed)
        ClosePort();
    return status;
}

LinkStatus KalO::canRequest(std::uint8_t command, std::uint16_t word7, const QByteArray& data,
                            int length, const LinkTarget& target, int expectedSize,
                            LinkAnswer& answer)
{
    if (!m_portOpen)
        return Status::Aborted;
    LinkFrames::CanFrame frame{};
    frame[0] = target.Destination;
    frame[4] = std::uint8_t(length & 0x0F);
    frame[5] = m_ownAddress;
    frame[6] = command;
    frame[7] = std::uint8_t(word7 & 0xFF);
    frame[8] = std::uint8_t(word7 >> 8);
    for (int i = 0; i < data.size() && 9 + i < LinkFrames::kCanFrameSize; ++i)
        frame[std::size_t(9 + i)] = u8(data[i]);
    return CanTransact(frame, target.LineKind, expectedSize, answer);
}

void KalO::fillReadAnswer(LinkAnswer& answer, int count)
{
    for (int i = count; i < 4; ++i)
        if (count < 3)
            answer.bytes[std::size_t(LinkAnswer::kDataOffset + i)] = 0;
    answer.bytes[4] = std::uint8_t(std::min(count, 255));
}

LinkStatus KalO::ReadParam(std::uint16_t paramNo, int expectedSize, LinkTarget target,
                           LinkAnswer& answer)
{
    if (target.RequestKind == LinkTarget::kCanRequest)
        return canRequest(2, paramNo, {}, 4, target, expectedSize, answer);
    QByteArray request;
    int count = 0;
    LinkStatus status;
    if (target.Route == LinkTarget::kDirect) {
        request.append(char(0x01));
        appendWord(request, paramNo);
        status = serialRequest(request, target, expectedSize, answer, count);
    } else {
        request.append(char(0x11));
        request.append(char(target.Destination));
        appendWord(request, paramNo);
        target.ExpectedSize = expectedSize;
        status = SendRequest(request, target, answer);
        count = m_lastCount;
    }
    if (status == Status::Ok)
        fillReadAnswer(answer, count);
    return status;
}

LinkStatus KalO::WriteParam(std::uint16_t paramNo, const QByteArray& data, LinkTarget target)
{
    LinkAnswer answer;
    if (target.RequestKind == LinkTarget::kCanRequest) {
        if (data.size() > 4) // bytes 9..12 of the adapter frame
            return Status::AdapterLength;
        return canRequest(3, paramNo, data, int(data.size()) + 4, target, 1, answer);
    }
    QByteArray request;
    if (target.Route == LinkTarget::kDirect) {
        request.append(char(0x05));
        appendWord(request, paramNo);
        request.append(data);
        int count = 0;
        const LinkStatus status = serialRequest(request, target, 0, answer, count);
        return status == Status::PositiveReceipt ? Status::Ok : status;
    }
    request.append(char(0x14));
    request.append(char(data.size() + 4));
    request.append(char(target.Destination));
    request.append(char(3));
    appendWord(request, paramNo);
    request.append(data);
    target.ExpectedSize = 0;
    return SendRequest(request, target, answer);
}

LinkStatus KalO::WriteParamAt(std::uint16_t paramNo, std::uint16_t index, const QByteArray& data,
                              bool selectFirst, LinkTarget target)
{
    LinkAnswer answer;
    if (target.RequestKind == LinkTarget::kCanRequest) {
        if (data.size() > 4) // index in bytes 7-8, data in bytes 9..12
            return Status::AdapterLength;
        if (selectFirst) {
            const LinkStatus st = canRequest(6, paramNo, {}, 4, target, 1, answer);
            if (st != Status::Ok)
                return st;
        }
        return canRequest(7, index, data, int(data.size()) + 4, target, 1, answer);
    }
    if (target.Route == LinkTarget::kDirect) {
        QByteArray request;
        request.append(char(0x16));
        appendWord(request, paramNo);
        appendWord(request, index);
        request.append(data);
        int count = 0;
        const LinkStatus status = serialRequest(request, target, 0, answer, count);
        return status == Status::PositiveReceipt ? Status::Ok : status;
    }
    target.ExpectedSize = 0;
    if (selectFirst) {
        QByteArray select;
        select.append(char(0x14));
        select.append(char(4));
        select.append(char(target.Destination));
        select.append(char(6));
        appendWord(select, paramNo);
        const LinkStatus st = SendRequest(select, target, answer);
        if (st != Status::Ok)
            return st;
    }
    QByteArray request;
    request.append(char(0x14));
    request.append(char(data.size() + 4));
    request.append(char(target.Destination));
    request.append(char(7));
    appendWord(request, index);
    request.append(data);
    return SendRequest(request, target, answer);
}

LinkStatus KalO::ReadParamAt(std::uint16_t paramNo, std::uint16_t index, int bytes, int elementSize,
                             LinkTarget target, LinkAnswer& answer, int& got)
{
    got = 0;
    const int element = elementSize > 0 ? elementSize : 1;
    const int repeats = std::max(1, m_retries);
    LinkStatus status = Status::NoAnswer;
    for (int round = 0; round < repeats; ++round) {
        if (target.RequestKind == LinkTarget::kCanRequest) {
            QByteArray idx;
            appendWord(idx, index);
            status = canRequest(8, paramNo, idx, 6, target, elementSize, answer);
            if (status == Status::Ok)
                got = 1;
        } else {
            int count = 0;
            if (target.Route == LinkTarget::kDirect) {
                QByteArray request;
                request.append(char(0x15));
                appendWord(request, paramNo);
                appendWord(request, index);
                status = serialRequest(request, target, bytes, answer, count);
            } else {
                QByteArray request;
                request.append(char(0x14));
                request.append(char(6));
                request.append(char(target.Destination));
                request.append(char(8));
                appendWord(request, paramNo);
                appendWord(request, index);
                LinkTarget t = target;
                t.ExpectedSize = bytes;
                status = SendRequest(request, t, answer);
                for (int again = 0; status == Status::NegativeReceipt && again < m_retries; ++again)
                    status = SendRequest(request, t, answer);
                count = m_lastCount;
            }
            if (status == Status::Ok) {
                got = m_longAnswer ? count / element : 1;
                fillReadAnswer(answer, count);
            }
        }
        // The operator's abort and a closed port end the operation at once; after a failed
        // write on the adapter the port is open again and the repetitions go on.
        if (status == Status::Ok || status == Status::NoAnswer || status == Status::ModemOff ||
            status == Status::ArchiveContinues || status == Status::Aborted ||
            (status == Status::WriteFailed && !m_port->isOpen()))
            break;
    }
    return status;
}

LinkStatus KalO::SetAccessLevel(int level, const QString& accessCode, LinkTarget target)
{
    if (target.Route == LinkTarget::kTransit && target.RequestKind != LinkTarget::kCanRequest)
        return SetAccessLevelTransit(level, accessCode, target);
    const QByteArray code = ((level == 2 || level == 3) && !accessCode.isEmpty())
                                ? accessCodeBytes(accessCode)
                                : QByteArray();
    LinkAnswer answer;
    LinkStatus status;
    if (target.RequestKind == LinkTarget::kCanRequest) {
        // Level in byte 7, the code in bytes 8..11.
        LinkFrames::CanFrame frame{};
        frame[0] = target.Destination;
        frame[4] = std::uint8_t(3 + code.size());
        frame[5] = m_ownAddress;
        frame[6] = 5;
        frame[7] = std::uint8_t(level);
        for (int i = 0; i < code.size(); ++i)
            frame[std::size_t(8 + i)] = u8(code[i]);
        if (!m_portOpen)
            return Status::Aborted;
        status = CanTransact(frame, target.LineKind, 1, answer);
        if (status == Status::AdapterLength)
            status = Status::Ok;
    } else {
        QByteArray request;
        request.append(char(0x17));
        request.append(char(level));
        request.append(code);
        int count = 0;
        status = serialRequest(request, target, 1, answer, count);
    }
    if (status == Status::Ok && answer.data(0) != std::uint8_t(level))
        status = Status::AccessDenied;
    return status;
}

LinkStatus KalO::SetAccessLevelTransit(int level, const QString& accessCode, LinkTarget target)
{
    const QByteArray code = ((level == 2 || level == 3) && !accessCode.isEmpty())
                                ? accessCodeBytes(accessCode)
                                : QByteArray();
    QByteArray request;
    request.append(char(0x14));
    request.append(char(3 + code.size()));
    request.append(char(target.Destination));
    request.append(char(5));
    request.append(char(level));
    request.append(code);
    LinkAnswer answer;
    target.ExpectedSize = 0;
    LinkStatus status = SendRequest(request, target, answer);
    if (status == Status::Ok) {
        status = ReadParam(0xF01C, 1, target, answer);
        if (status == Status::Ok && (answer.data(0) & 0x0F) != (level & 0x0F))
            status = Status::AccessDenied;
    }
    return status == Status::NegativeReceipt ? Status::Ok : status;
}

} // namespace veg
