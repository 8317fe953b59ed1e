#include "core/modbus/ModbusFloat.h"

#include <bit>

namespace veg {

namespace {

// For each order: which data byte holds the value's byte 3 (most significant), 2, 1, 0.
using Order = std::array<int, 4>;

Order orderOf(bool invertBytes, bool swapWords)
{
    if (invertBytes)
        return swapWords ? Order{1, 0, 3, 2} : Order{0, 1, 2, 3};
    return swapWords ? Order{2, 3, 0, 1} : Order{3, 2, 1, 0};
}

} // namespace

float DecodeFloat(std::uint8_t d0, std::uint8_t d1, std::uint8_t d2, std::uint8_t d3,
                  bool invertBytes, bool swapWords)
{
    const std::array<std::uint8_t, 4> d{d0, d1, d2, d3};
    const Order order = orderOf(invertBytes, swapWords);
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
        bits = (bits << 8) | d[std::size_t(order[std::size_t(i)])];
    return std::bit_cast<float>(bits);
}

std::array<std::uint8_t, 4> EncodeFloat(float value, bool invertBytes, bool swapWords)
{
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    const Order order = orderOf(invertBytes, swapWords);
    std::array<std::uint8_t, 4> d{};
    for (int i = 0; i < 4; ++i)
        d[std::size_t(order[std::size_t(i)])] = std::uint8_t(bits >> (24 - 8 * i));
    return d;
}

} // namespace veg
