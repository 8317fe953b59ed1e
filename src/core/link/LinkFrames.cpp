#include "core/link/LinkFrames.h"

namespace veg::LinkFrames {

std::uint16_t Crc16(const std::uint8_t* data, int n, bool reflectedA001)
{
    const std::uint16_t poly = reflectedA001 ? 0xA001 : 0x8408;
    std::uint16_t crc = 0xFFFF;
    for (int i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? std::uint16_t((crc >> 1) ^ poly) : std::uint16_t(crc >> 1);
    }
    return crc;
}

std::uint16_t Crc16(const QByteArray& data, bool reflectedA001)
{
    return Crc16(reinterpret_cast<const std::uint8_t*>(data.constData()), int(data.size()),
                 reflectedA001);
}

std::uint8_t sum8(const QByteArray& data)
{
    std::uint8_t s = 0;
    for (char c : data)
        s = std::uint8_t(s + std::uint8_t(c));
    return s;
}

SerialFrame serialFrame(const QByteArray& data, std::uint8_t control, std::uint8_t address,
                        int checksumKind)
{
    SerialFrame f;
    QByteArray payload = data;
    const bool isLong = data.size() >= 5;
    if (!isLong)
        payload.append(QByteArray(4 - int(data.size()), '\0'));

    f.body.append(char(control));
    f.body.append(char(address));
    f.body.append(payload);
    if (checksumKind == 1 || checksumKind == 2) {
        const std::uint16_t crc = Crc16(f.body);
        QByteArray crcBytes;
        crcBytes.append(char(crc & 0xFF));
        crcBytes.append(char(crc >> 8));
        if (checksumKind == 1)
            f.body.append(crcBytes);
        else
            f.trailer = crcBytes;
    }
    if (checksumKind != 2) {
        f.trailer.append(char(sum8(f.body)));
        f.trailer.append(char(kEnd));
    }

    if (isLong) {
        const int l = int(data.size()) + (checksumKind == 1 ? 4 : 2);
        f.header.append(char(kLongStart));
        f.header.append(char(l));
        f.header.append(char(l));
        f.header.append(char(kLongStart));
    } else {
        f.header.append(char(kShortStart));
    }
    return f;
}

std::uint8_t nextCanToggle(std::uint8_t toggle)
{
    switch (toggle) {
    case 0x80:
        return 0xA0;
    case 0xA0:
        return 0xC0;
    case 0xC0:
        return 0xE0;
    default:
        return 0x80;
    }
}

LinkStatus judgeCanAnswer(const CanFrame& answer, const CanFrame& request, std::uint8_t ownAddress,
                          int expectedSize)
{
    if ((answer[1] & 0x60) != (request[1] & 0x60) || answer[0] != ownAddress ||
        answer[5] != request[0])
        return Status::ForeignFrame;
    return (answer[4] & 0x0F) == expectedSize + 1 ? Status::Ok : Status::AdapterLength;
}

} // namespace veg::LinkFrames
