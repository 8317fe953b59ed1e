#include "core/exchange/ImageCodec.h"

#include <cstring>

namespace veg::ImageCodec {

namespace {
std::uint8_t at(const QByteArray& b, int i)
{
    return i < b.size() ? std::uint8_t(b[i]) : 0;
}
} // namespace

QByteArray wireRef(const ParamCore& ref)
{
    QByteArray out;
    out.append(char(ref.Kind));
    out.append(char(ref.ParamNumber >> 8));
    out.append(char(ref.ParamNumber & 0xFF));
    out.append(char(ref.NetNumber));
    return out;
}

void readWireRef(const QByteArray& bytes, ParamCore& ref)
{
    ref.Kind = at(bytes, 0);
    ref.ParamNumber = std::uint16_t(at(bytes, 1) << 8 | at(bytes, 2));
    ref.NetNumber = at(bytes, 3);
}

QByteArray groupWireRef(const GroupParamRef& ref)
{
    QByteArray out;
    out.append(char(ref.isUsed() ? 0x00 : 0xFF));
    out.append(char(ref.ParamNumber >> 8));
    out.append(char(ref.ParamNumber & 0xFF));
    out.append(char(ref.NetNumber));
    return out;
}

void readGroupWireRef(const QByteArray& bytes, GroupParamRef& ref, bool emptyByFirstByte)
{
    ref.ParamNumber = (emptyByFirstByte && at(bytes, 0) == 0xFF)
                          ? std::uint16_t(0xFFFF)
                          : std::uint16_t(at(bytes, 1) << 8 | at(bytes, 2));
    ref.NetNumber = at(bytes, 3);
}

QByteArray loHi(std::uint16_t value)
{
    QByteArray out;
    out.append(char(value & 0xFF));
    out.append(char(value >> 8));
    return out;
}

QByteArray hiLo(std::uint16_t value)
{
    QByteArray out;
    out.append(char(value >> 8));
    out.append(char(value & 0xFF));
    return out;
}

std::uint16_t fromLoHi(const QByteArray& bytes)
{
    return std::uint16_t(at(bytes, 0) | at(bytes, 1) << 8);
}

std::uint16_t fromHiLo(const QByteArray& bytes)
{
    return std::uint16_t(at(bytes, 0) << 8 | at(bytes, 1));
}

QByteArray floatBytes(float value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    QByteArray out;
    for (int shift = 0; shift < 32; shift += 8)
        out.append(char((bits >> shift) & 0xFF));
    return out;
}

float fromFloatBytes(const QByteArray& bytes)
{
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
        bits |= std::uint32_t(at(bytes, i)) << (8 * i);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

namespace {

std::uint8_t nibble(std::uint8_t tenBits, std::uint8_t parity)
{
    if (tenBits == 1)
        return 0;
    // A parity outside the three choices has no code of its own: its low two bits are sent.
    return std::uint8_t(0x08 | (((3 - parity) & 0x03) << 1));
}

void readNibble(std::uint8_t n, std::uint8_t& tenBits, std::uint8_t& parity)
{
    tenBits = (n & 0x08) ? 0 : 1;
    const int code = (n >> 1) & 0x03;
    parity = std::uint8_t(code == 0 ? 2 : 3 - code);
}

} // namespace

std::uint8_t characterFormat(const CommonSettings& c)
{
    return std::uint8_t(nibble(c.RBit, c.RCon) << 4 | nibble(c.TBit, c.TCon));
}

void readCharacterFormat(std::uint8_t byte, CommonSettings& c)
{
    readNibble(byte >> 4, c.RBit, c.RCon);
    readNibble(byte & 0x0F, c.TBit, c.TCon);
}

std::optional<std::uint16_t> lineTimer(std::uint8_t vExt)
{
    if (vExt >= kLineTimer.size())
        return std::nullopt;
    return kLineTimer[vExt];
}

std::optional<std::uint8_t> canCode(std::uint8_t vCan)
{
    if (vCan >= kCanCode.size())
        return std::nullopt;
    return kCanCode[vCan];
}

std::optional<std::uint8_t> lineSpeedOf(std::uint16_t timer)
{
    for (std::size_t i = 0; i < kLineTimer.size(); ++i)
        if (kLineTimer[i] == timer)
            return std::uint8_t(i);
    return std::nullopt;
}

std::optional<std::uint8_t> canSpeedOf(std::uint8_t code)
{
    for (std::size_t i = 0; i < kCanCode.size(); ++i)
        if (kCanCode[i] == code)
            return std::uint8_t(i);
    return std::nullopt;
}

} // namespace veg::ImageCodec
