#pragma once

#include "core/settings/ExchangeSettings.h"

namespace veg {

// How long the quick search waits for a gateway's answer to its probe (the device type,
// parameter 0xF000, two data bytes), worked out from the line the settings describe:
//
//   total = max(kFloorMs, kMarginFactor × (serial wire + CAN wire + turnaround))
//
// - serial wire: the request and the longest answer the probe accepts (a long frame with three
//   data bytes more than asked for, and the CRC of checksum kind 1), kBitsPerCharacter bits a
//   character, at the line's speed; over the CAN-BUS adapter its own 13-byte frames at its own
//   115200 baud;
// - CAN wire: the request and the answer on the CAN bus, kCanFrameBits each: through the master
//   module at the slowest CAN speed of the list (the PC does not know the bus behind the module),
//   through the CAN-BUS adapter at the speed of the settings;
// - turnaround: kGatewayTurnaroundMs for the gateway, and kRelayTurnaroundMs more for the master
//   module or the CAN-BUS adapter that passes the request on.
//
// The route is the settings': the master module when `ViaAdapter` is set on RS-232, the CAN-BUS
// adapter by `AdapterKind`, else straight to the gateway.
struct QuickAnswerTime
{
    static constexpr int kFloorMs = 200;
    static constexpr int kMarginFactor = 2;
    static constexpr int kBitsPerCharacter = 11; // start, 8 data, parity or a second stop bit, stop
    static constexpr int kCanFrameBits = 160;    // an extended frame of 8 bytes, stuff bits included
    static constexpr int kSlowestCanKbit = 20;
    static constexpr int kAdapterBaud = 115200;
    static constexpr int kGatewayTurnaroundMs = 50;
    static constexpr int kRelayTurnaroundMs = 50;

    double serialWireMs = 0;
    double canWireMs = 0;
    int turnaroundMs = 0;
    int totalMs = 0; // whole milliseconds, rounded up

    static QuickAnswerTime of(const ExchangeSettings& settings);
};

} // namespace veg
