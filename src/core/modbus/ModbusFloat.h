#pragma once

#include <array>
#include <cstdint>

namespace veg {

// How the gateway puts a 32-bit float into two holding registers. D0..D3 are the data bytes in
// the order they travel (the first register's high and low byte, then the second's); the two
// options of the gateway and of the link test ("Инвертировать порядок байт ...", "Поменять
// местами старшие и младшие части в числе") give the four orders, most to least significant:
//   neither: D3 D2 D1 D0    invert: D0 D1 D2 D3    swap: D2 D3 D0 D1    both: D1 D0 D3 D2
float DecodeFloat(std::uint8_t d0, std::uint8_t d1, std::uint8_t d2, std::uint8_t d3,
                  bool invertBytes, bool swapWords);
// The inverse: the data bytes D0..D3 that decode to `value` under the same options.
std::array<std::uint8_t, 4> EncodeFloat(float value, bool invertBytes, bool swapWords);

} // namespace veg
