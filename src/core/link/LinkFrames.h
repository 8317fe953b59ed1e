#pragma once

#include "core/link/LinkStatus.h"

#include <QByteArray>

#include <array>
#include <cstdint>

namespace veg {

// Byte layouts shared by both ends of the link: the serial frames of the RS-232 line, their
// checksums, and the 13-byte frames of the CAN-BUS adapter.
namespace LinkFrames {

constexpr std::uint8_t kShortStart = 0x10;
constexpr std::uint8_t kLongStart = 0x68;
constexpr std::uint8_t kEnd = 0x16;
constexpr std::uint8_t kPositiveReceipt = 0xA2;
constexpr std::uint8_t kNegativeReceipt = 0xE5;
constexpr std::uint8_t kRequestControl = 0x40; // requests are not numbered on this link
constexpr int kCanFrameSize = 13;
constexpr int kAdapterConfigSize = 36;

// CRC-16 with register 0xFFFF, reflected, polynomial 0x8408 (the link's) or 0xA001. An input
// that includes its own CRC, low byte first, gives 0.
std::uint16_t Crc16(const std::uint8_t* data, int n, bool reflectedA001 = false);
std::uint16_t Crc16(const QByteArray& data, bool reflectedA001 = false);
// Low byte of the arithmetic sum.
std::uint8_t sum8(const QByteArray& data);

// A serial frame in the three pieces the link writes: header (start, and L L 0x68 of a long
// frame), body (control byte, address, data, and the CRC of checksum kind 1) and trailer.
// `data` is the function code and its bytes; fewer than 5 go in a short frame padded to 4.
struct SerialFrame
{
    QByteArray header;
    QByteArray body;
    QByteArray trailer;
    QByteArray whole() const { return header + body + trailer; }
};
SerialFrame serialFrame(const QByteArray& data, std::uint8_t control, std::uint8_t address,
                        int checksumKind);
// The longest data a long frame can carry: its length byte counts control, address, data and
// the CRC of checksum kind 1.
constexpr int kMaxLongData = 255 - 4;

// The sequence byte of the adapter frames: 0x80 -> 0xA0 -> 0xC0 -> 0xE0 -> 0x80; any other
// value goes to 0x80.
std::uint8_t nextCanToggle(std::uint8_t toggle);

using CanFrame = std::array<std::uint8_t, kCanFrameSize>;

// The verdict on a 13-byte adapter answer to `request`: 42 when it belongs to another exchange
// (other sequence bits, another addressee, or another sender than the request's destination),
// 43 when its length (low four bits of byte 4) is not `expectedSize` + 1, else 0.
LinkStatus judgeCanAnswer(const CanFrame& answer, const CanFrame& request, std::uint8_t ownAddress,
                          int expectedSize);

} // namespace LinkFrames
} // namespace veg
