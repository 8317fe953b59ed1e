#pragma once

#include "core/config/ConfigRecords.h"

#include <QByteArray>

#include <array>
#include <cstdint>
#include <optional>

namespace veg {

// How the values of a configuration travel to the gateway and back: the reference forms, the
// byte orders of numbers, the speed tables and the character-format byte. Every encoder has its
// inverse; a decoder takes exactly the bytes its encoder makes.
namespace ImageCodec {

// The upper-line speed timer values by V_Ext (300 ... 19200 baud) and the CAN speed codes by
// V_CAN (300 ... 20 kbit/s).
inline constexpr std::array<std::uint16_t, kLineSpeedCount> kLineTimer = {
    0xA000, 0xD000, 0xE800, 0xF400, 0xFA00, 0xFD00, 0xFD80};
inline constexpr std::array<std::uint8_t, kCanSpeedCount> kCanCode = {0x41, 0x43, 0x45, 0x4B, 0x5D};
// The first byte of the CAN speed parameter (0x0005).
inline constexpr std::uint8_t kCanSpeedPrefix = 0xE0;

// Kind, ParamNumber high, ParamNumber low, NetNumber: an empty reference is FF FF FF FF.
QByteArray wireRef(const ParamCore& ref);
void readWireRef(const QByteArray& bytes, ParamCore& ref);
// A group-parameter slot: byte 0 is 0x00 for a used slot and 0xFF for an empty one. Reading
// back, `emptyByFirstByte` makes a slot whose byte 0 is 0xFF empty whatever its number bytes
// say (Магистраль-1).
QByteArray groupWireRef(const GroupParamRef& ref);
void readGroupWireRef(const QByteArray& bytes, GroupParamRef& ref, bool emptyByFirstByte);

QByteArray loHi(std::uint16_t value);
QByteArray hiLo(std::uint16_t value);
std::uint16_t fromLoHi(const QByteArray& bytes);
std::uint16_t fromHiLo(const QByteArray& bytes);
// The four bytes of a 32-bit IEEE-754 float, least significant first.
QByteArray floatBytes(float value);
float fromFloatBytes(const QByteArray& bytes);

// High nibble the receive format, low nibble the transmit format: 0 for 10 bits; for 11 bits
// bit 3 and the parity code 3 - RCon (even 3, odd 2, none 1) in bits 2-1.
std::uint8_t characterFormat(const CommonSettings& c);
// The inverse: a parity code of 0 (the 10-bit format) reads as no parity.
void readCharacterFormat(std::uint8_t byte, CommonSettings& c);

// The timer value of V_Ext and the CAN code of V_CAN; nullopt outside their tables.
std::optional<std::uint16_t> lineTimer(std::uint8_t vExt);
std::optional<std::uint8_t> canCode(std::uint8_t vCan);
// Their positions in the tables; nullopt when the value is in none of them.
std::optional<std::uint8_t> lineSpeedOf(std::uint16_t timer);
std::optional<std::uint8_t> canSpeedOf(std::uint8_t code);

} // namespace ImageCodec
} // namespace veg
