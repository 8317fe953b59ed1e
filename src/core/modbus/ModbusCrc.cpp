#include "core/modbus/ModbusCrc.h"

namespace veg {

std::uint16_t ModbusCrc(std::uint16_t polynomial, const std::uint8_t* data, int length)
{
    std::uint16_t crc = 0xFFFF;
    for (int i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? std::uint16_t((crc >> 1) ^ polynomial) : std::uint16_t(crc >> 1);
    }
    return crc;
}

std::uint16_t ModbusCrc(std::uint16_t polynomial, const QByteArray& data)
{
    return ModbusCrc(polynomial, reinterpret_cast<const std::uint8_t*>(data.constData()),
                     int(data.size()));
}

QByteArray withModbusCrc(std::uint16_t polynomial, const QByteArray& frame)
{
    const std::uint16_t crc = ModbusCrc(polynomial, frame);
    QByteArray out = frame;
    out.append(char(crc & 0xFF));
    out.append(char(crc >> 8));
    return out;
}

bool hasModbusCrc(std::uint16_t polynomial, const QByteArray& frame)
{
    if (frame.size() < 3)
        return false;
    const std::uint16_t crc = ModbusCrc(polynomial, frame.left(frame.size() - 2));
    return std::uint8_t(frame[frame.size() - 2]) == (crc & 0xFF) &&
           std::uint8_t(frame[frame.size() - 1]) == (crc >> 8);
}

} // namespace veg
