#pragma once

#include <QByteArray>

#include <cstdint>

namespace veg {

// The CRC-16 of Modbus RTU frames with a configurable constant: 0xA001 gives the standard
// Modbus CRC; the gateway lets its CRC constant be set, and the link test must follow it.
// The register starts at 0xFFFF, so an empty block gives 0xFFFF. A frame carries the value low
// byte first.
std::uint16_t ModbusCrc(std::uint16_t polynomial, const std::uint8_t* data, int length);
std::uint16_t ModbusCrc(std::uint16_t polynomial, const QByteArray& data);

// `frame` followed by its CRC, low byte first.
QByteArray withModbusCrc(std::uint16_t polynomial, const QByteArray& frame);
// True when the last two bytes of `frame` are the CRC of the bytes before them; a frame too
// short to hold a CRC and anything before it is not.
bool hasModbusCrc(std::uint16_t polynomial, const QByteArray& frame);

} // namespace veg
