#include "sim/GatewaySimulator.h"

#include <algorithm>

#include "core/link/LinkFrames.h"
#include "core/link/SerialFrameReader.h"

namespace veg::sim {

namespace {

using namespace veg::LinkFrames;

std::uint8_t u8(char c)
{
    return static_cast<std::uint8_t>(c);
}

std::uint16_t word(const QByteArray& d, int at)
{
    if (at + 1 >= d.size())
        return 0;
    return std::uint16_t(u8(d[at]) | (u8(d[at + 1]) << 8));
}

} // namespace

GatewaySimulator::GatewaySimulator(const SimOptions& options)
    : m_options(options), m_device(options), m_random(options.faults.seed)
{}

bool GatewaySimulator::draw(double probability)
{
    if (probability <= 0)
        return false;
    return std::uniform_real_distribution<double>(0.0, 1.0)(m_random) < probability;
}

void GatewaySimulator::receive(const QByteArray& bytes, qint64 nowUs)
{
    m_buffer.append(bytes);
    if (m_options.line == SimOptions::Line::Serial)
        parseSerial(nowUs);
    else
        parseCan(nowUs);
}

void GatewaySimulator::lineIdle()
{
    m_buffer.clear();
}

void GatewaySimulator::resetAdapter()
{
    m_configured = false;
    m_buffer.clear();
}

std::vector<GatewaySimulator::Output> GatewaySimulator::takeOutput()
{
    std::vector<Output> out;
    out.swap(m_out);
    return out;
}

void GatewaySimulator::parseSerial(qint64 nowUs)
{
    for (;;) {
        // The link's own frame reader, addressed to anybody: the simulator answers for every
        // device it plays.
        SerialFrameReader reader(m_options.checksumKind);
        int used = 0;
        while (reader.phase() != SerialFrameReader::Phase::Done && used < m_buffer.size())
            reader.push(u8(m_buffer[used++]));
        if (reader.phase() != SerialFrameReader::Phase::Done) {
            m_buffer.remove(0, reader.skipped()); // noise before a start byte
            return;
        }
        if (reader.status() != Status::Ok || !reader.framed()) {
            // Not a frame after all: look for the next start byte after this one.
            m_buffer.remove(0, reader.skipped() + 1);
            continue;
        }
        m_buffer.remove(0, used);
        if (m_silent)
            continue;
        const QByteArray answer = serialAnswer(std::uint8_t(reader.address()), reader.payload());
        if (!answer.isEmpty())
            emitAnswer(answer, used - reader.skipped(), nowUs, true);
    }
}

QByteArray GatewaySimulator::dataFrame(std::uint8_t address, const QByteArray& value) const
{
    // Up to 4 bytes go in a short frame, padded with zeros; a longer value in a long frame.
    return serialFrame(value, 0, address, m_options.checksumKind).whole();
}

QByteArray GatewaySimulator::serialAnswer(std::uint8_t address, const QByteArray& data)
{
    if (data.isEmpty())
        return {};
    const std::uint8_t function = u8(data[0]);
    const QByteArray ack(1, char(kPositiveReceipt));
    const QByteArray nak(1, char(kNegativeReceipt));

    if (address == m_options.gatewayNumber) {
        switch (function) {
        case 0x01:
            return dataFrame(address, m_device.read(word(data, 1)));
        case 0x05:
            return m_device.write(word(data, 1), data.mid(3)) ? ack : nak;
        case 0x15:
            return dataFrame(address, m_device.readAt(word(data, 1), word(data, 3)));
        case 0x16:
            m_device.writeAt(word(data, 1), word(data, 3), data.mid(5));
            return ack;
        case 0x17: {
            const int level = data.size() > 1 ? u8(data[1]) : 0;
            const int inForce = m_device.setAccess(level, data.mid(2, 4));
            return dataFrame(address, QByteArray(1, char(inForce)));
        }
        default:
            return nak;
        }
    }
    if (m_options.masterModule && address == m_options.masterNumber) {
        // The master module is a device of its own: a search reads its type.
        if (function == 0x01) {
            QByteArray value(1, '\0');
            if (word(data, 1) == 0xF000) {
                value = QByteArray(1, char(SimOptions::kMasterTypeCode & 0xFF));
                value.append(char(SimOptions::kMasterTypeCode >> 8));
            }
            return dataFrame(address, value);
        }
        if (function == 0x11) {
            if (data.size() < 4 || u8(data[1]) != m_options.gatewayNumber)
                return nak;
            return dataFrame(address, m_device.read(word(data, 2)));
        }
        if (function == 0x14) {
            if (data.size() < 4 || u8(data[2]) != m_options.gatewayNumber)
                return nak;
            const int length = u8(data[1]);
            // The length counts from the destination byte: the sub-command and its bytes follow it.
            const QByteArray rest = data.mid(3, std::max(0, length - 1));
            switch (u8(rest[0])) {
            case 3:
                return m_device.write(word(rest, 1), rest.mid(3)) ? ack : nak;
            case 5:
                m_device.setAccess(rest.size() > 1 ? u8(rest[1]) : 0, rest.mid(2, 4));
                return ack;
            case 6:
                m_device.select(word(rest, 1));
                return ack;
            case 7:
                m_device.writeSelected(word(rest, 1), rest.mid(3));
                return ack;
            case 8:
                return dataFrame(address, m_device.readAt(word(rest, 1), word(rest, 3)));
            default:
                return nak;
            }
        }
        return nak;
    }
    return {}; // another device's frame
}

void GatewaySimulator::parseCan(qint64 nowUs)
{
    for (;;) {
        if (!m_configured) {
            if (m_buffer.size() < kAdapterConfigSize)
                return;
            const QByteArray block = m_buffer.left(kAdapterConfigSize);
            m_buffer.remove(0, kAdapterConfigSize);
            if (sum8(block) != 0)
                continue; // a broken block: the adapter stays unconfigured
            m_configured = true;
            const char name = m_options.adapterVariant == 1 ? '@' : '0';
            emitAnswer(QByteArray(1, name) + QByteArray("\r\n"), kAdapterConfigSize, nowUs, false);
            continue;
        }
        if (m_buffer.size() < kCanFrameSize)
            return;
        // A request carries a sequence byte with its top bit and two zero bytes; anything else
        // is the configuration block of a link that reset the adapter without a pulse.
        const bool looksLikeFrame =
            (u8(m_buffer[1]) & 0x80) && m_buffer[2] == 0 && m_buffer[3] == 0;
        if (!looksLikeFrame) {
            if (m_buffer.size() < kAdapterConfigSize)
                return;
            m_configured = false;
            continue;
        }
        const QByteArray frame = m_buffer.left(kCanFrameSize);
        m_buffer.remove(0, kCanFrameSize);
        if (m_silent)
            continue;
        const QByteArray answer = canAnswer(frame);
        if (!answer.isEmpty())
            emitAnswer(answer, kCanFrameSize, nowUs, false);
    }
}

QByteArray GatewaySimulator::canAnswer(const QByteArray& f)
{
    if (u8(f[0]) != m_options.gatewayNumber)
        return {}; // nobody at that number
    const int length = u8(f[4]) & 0x0F;
    const std::uint8_t command = u8(f[6]);
    const std::uint16_t w7 = word(f, 7);
    const QByteArray data = f.mid(9, std::max(0, length - 4));
    QByteArray value;
    switch (command) {
    case 2:
        value = m_device.read(w7);
        break;
    case 3:
        // A refused write is answered without its value byte: the link sees the wrong length.
        value = m_device.write(w7, data) ? QByteArray(1, '\0') : QByteArray();
        break;
    case 5:
        value = QByteArray(
            1, char(m_device.setAccess(u8(f[7]), length >= 7 ? f.mid(8, 4) : QByteArray())));
        break;
    case 6:
        m_device.select(w7);
        value = QByteArray(1, '\0');
        break;
    case 7:
        m_device.writeSelected(w7, data);
        value = QByteArray(1, '\0');
        break;
    case 8:
        value = m_device.readAt(w7, word(f, 9));
        break;
    default:
        return {};
    }
    value = value.left(kCanFrameSize - 6);
    QByteArray answer(kCanFrameSize, '\0');
    answer[0] = f[5];
    answer[1] = f[1];
    answer[4] = char(1 + value.size());
    answer[5] = char(m_options.gatewayNumber);
    for (int i = 0; i < value.size(); ++i)
        answer[6 + i] = value[i];
    return answer;
}

void GatewaySimulator::emitAnswer(QByteArray answer, int requestBytes, qint64 nowUs, bool serial)
{
    const FaultOptions& faults = m_options.faults;
    ++m_served;
    if (draw(faults.drop))
        return;
    qint64 due = nowUs;
    if (m_options.paceBaud > 0)
        due += qint64(requestBytes + answer.size()) * 10 * 1000000 / m_options.paceBaud;
    if (draw(faults.delay))
        due += qint64(faults.delayMs) * 1000;
    if (serial) {
        if (draw(faults.nak)) {
            answer = QByteArray(1, char(kNegativeReceipt));
        } else if (answer.size() > 1 && draw(faults.corrupt)) {
            // The checksum byte (or the CRC's high byte): the one before the end byte, else
            // the last one.
            const int at =
                u8(answer.back()) == kEnd ? int(answer.size()) - 2 : int(answer.size()) - 1;
            answer[at] = char(u8(answer[at]) ^ 0x5A);
        }
        if (draw(faults.garbage)) {
            const int n = std::uniform_int_distribution<int>(1, 5)(m_random);
            QByteArray noise;
            for (int i = 0; i < n; ++i) {
                std::uint8_t b = 0;
                do {
                    b = std::uint8_t(std::uniform_int_distribution<int>(0, 255)(m_random));
                } while (b == kShortStart || b == kLongStart || b == kPositiveReceipt ||
                         b == kNegativeReceipt);
                noise.append(char(b));
            }
            answer.prepend(noise);
        }
    } else if (answer.size() == kCanFrameSize && draw(faults.corrupt)) {
        QByteArray foreign = answer;
        foreign[5] = char(u8(answer[5]) ^ 0x01);
        answer.prepend(foreign);
    }
    m_out.push_back({due, answer});
}

} // namespace veg::sim
