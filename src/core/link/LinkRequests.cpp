#include "core/link/LinkRequests.h"

namespace veg::LinkRequests {

namespace {

void word(QByteArray& out, std::uint16_t value)
{
    out.append(char(value & 0xFF));
    out.append(char(value >> 8));
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

} // namespace

QByteArray read(std::uint16_t param)
{
    QByteArray r = bytes({0x01});
    word(r, param);
    return r;
}

QByteArray write(std::uint16_t param, const QByteArray& data)
{
    QByteArray r = bytes({0x05});
    word(r, param);
    return r + data;
}

QByteArray readAt(std::uint16_t param, std::uint16_t index)
{
    QByteArray r = bytes({0x15});
    word(r, param);
    word(r, index);
    return r;
}

QByteArray writeAt(std::uint16_t param, std::uint16_t index, const QByteArray& data)
{
    QByteArray r = bytes({0x16});
    word(r, param);
    word(r, index);
    return r + data;
}

QByteArray access(int level, const QByteArray& code)
{
    return bytes({0x17, level}) + code;
}

QByteArray transitRead(std::uint8_t destination, std::uint16_t param)
{
    QByteArray r = bytes({0x11, destination});
    word(r, param);
    return r;
}

QByteArray transitWrite(std::uint8_t destination, std::uint16_t param, const QByteArray& data)
{
    QByteArray r = bytes({0x14, int(data.size()) + 4, destination, 3});
    word(r, param);
    return r + data;
}

QByteArray transitSelect(std::uint8_t destination, std::uint16_t param)
{
    QByteArray r = bytes({0x14, 4, destination, 6});
    word(r, param);
    return r;
}

QByteArray transitWriteElement(std::uint8_t destination, std::uint16_t index,
                               const QByteArray& data)
{
    QByteArray r = bytes({0x14, int(data.size()) + 4, destination, 7});
    word(r, index);
    return r + data;
}

QByteArray transitReadAt(std::uint8_t destination, std::uint16_t param, std::uint16_t index)
{
    QByteArray r = bytes({0x14, 6, destination, 8});
    word(r, param);
    word(r, index);
    return r;
}

QByteArray transitAccess(std::uint8_t destination, int level, const QByteArray& code)
{
    // The length counts the destination, the sub-command, the level and the code.
    return bytes({0x14, 3 + int(code.size()), destination, 5, level}) + code;
}

LinkFrames::CanFrame canFrame(std::uint8_t destination, std::uint8_t source, std::uint8_t command,
                              std::uint16_t word, const QByteArray& data, int length)
{
    LinkFrames::CanFrame f{};
    f[0] = destination;
    f[4] = std::uint8_t(length & 0x0F);
    f[5] = source;
    f[6] = command;
    f[7] = std::uint8_t(word & 0xFF);
    f[8] = std::uint8_t(word >> 8);
    for (int i = 0; i < data.size() && 9 + i < LinkFrames::kCanFrameSize; ++i)
        f[std::size_t(9 + i)] = std::uint8_t(data[i]);
    return f;
}

LinkFrames::CanFrame canAccess(std::uint8_t destination, std::uint8_t source, int level,
                               const QByteArray& code)
{
    LinkFrames::CanFrame f{};
    f[0] = destination;
    f[4] = std::uint8_t(3 + code.size());
    f[5] = source;
    f[6] = Can::kAccess;
    f[7] = std::uint8_t(level);
    for (int i = 0; i < code.size() && 8 + i < LinkFrames::kCanFrameSize; ++i)
        f[std::size_t(8 + i)] = std::uint8_t(code[i]);
    return f;
}

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

} // namespace veg::LinkRequests
