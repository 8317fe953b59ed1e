#pragma once

#include "core/link/LinkFrames.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace veg {

// The requests of the parameter operations as each route puts them: the function code and data
// of a serial frame to the gateway itself, the transit request to the master module that carries
// the gateway's network number, and the 13-byte frame of the CAN-BUS adapter. Numbers go low
// byte first.
namespace LinkRequests {

// Direct to the gateway.
QByteArray read(std::uint16_t param);
QByteArray write(std::uint16_t param, const QByteArray& data);
QByteArray readAt(std::uint16_t param, std::uint16_t index);
QByteArray writeAt(std::uint16_t param, std::uint16_t index, const QByteArray& data);
QByteArray access(int level, const QByteArray& code);

// To the master module, for the gateway at `destination`.
QByteArray transitRead(std::uint8_t destination, std::uint16_t param);
QByteArray transitWrite(std::uint8_t destination, std::uint16_t param, const QByteArray& data);
// The parameter the following element writes go to.
QByteArray transitSelect(std::uint8_t destination, std::uint16_t param);
QByteArray transitWriteElement(std::uint8_t destination, std::uint16_t index,
                               const QByteArray& data);
QByteArray transitReadAt(std::uint8_t destination, std::uint16_t param, std::uint16_t index);
QByteArray transitAccess(std::uint8_t destination, int level, const QByteArray& code);

// Adapter frames: the command in byte 6, a parameter number or element index in bytes 7-8,
// the data from byte 9 (at most 4 bytes), `length` in the low four bits of byte 4. Byte 1 (the
// sequence byte) is set by the exchange itself.
namespace Can {
constexpr std::uint8_t kRead = 2;
constexpr std::uint8_t kWrite = 3;
constexpr std::uint8_t kAccess = 5;
constexpr std::uint8_t kSelect = 6;
constexpr std::uint8_t kWriteElement = 7;
constexpr std::uint8_t kReadAt = 8;
} // namespace Can
LinkFrames::CanFrame canFrame(std::uint8_t destination, std::uint8_t source, std::uint8_t command,
                              std::uint16_t word, const QByteArray& data, int length);
// The access level in byte 7 and its code in bytes 8..11.
LinkFrames::CanFrame canAccess(std::uint8_t destination, std::uint8_t source, int level,
                               const QByteArray& code);

// The access code of levels 2 and 3: up to 8 hexadecimal digits, most significant first, as 4
// bytes; missing digits, and those after a character that is not a digit, count as 0.
QByteArray accessCodeBytes(const QString& code);

} // namespace LinkRequests
} // namespace veg
