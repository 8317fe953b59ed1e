#pragma once

#include <array>
#include <cstdint>

namespace veg {

// The addressing the exchange window passes with every request.
struct LinkTarget
{
    static constexpr int kTransit = 0;
    static constexpr int kDirect = 1;
    static constexpr int kSerialRequest = 1;
    static constexpr int kCanRequest = 10;

    int Route = kDirect;          // 1 direct (RS-232 or CAN-BUS adapter), 0 through the adapter
    int LineKind = 0;             // 0 RS-232, 12 CAN-BUS adapter
    std::uint8_t Address = 0;     // the frame's address: gateway when direct, adapter in transit
    std::uint8_t Destination = 0; // the gateway's network number
    int ChecksumKind = 0;         // 0 sum, 1 CRC in the data plus the sum, 2 CRC instead of the sum
    int RequestKind = kSerialRequest;
    int ExpectedSize = 0; // data bytes the answer should carry
};

// The answer record, one layout for all routes: byte 4 is the number of data bytes, the data
// starts at byte 6. Large enough for the longest serial answer a length byte can announce.
struct LinkAnswer
{
    static constexpr int kSize = 6 + 256;
    static constexpr int kDataOffset = 6;
    std::array<std::uint8_t, kSize> bytes{};

    int count() const { return bytes[4]; }
    std::uint8_t data(int i) const { return bytes[std::size_t(kDataOffset + i)]; }
};

} // namespace veg
