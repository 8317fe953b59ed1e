#pragma once

#include <QString>

#include <cstdint>

namespace veg {

// The result of every link operation and of every exchange step: 0 is success, any other value
// is an index into the fixed message table (0..60). No other error channel leaves the link.
// Entries 61..67 of the table are not statuses: they name the devices a search finds.
using LinkStatus = int;

namespace Status {
constexpr LinkStatus Ok = 0;
constexpr LinkStatus NoAnswer = 1;
constexpr LinkStatus NoData = 5;
constexpr LinkStatus ModemOff = 6;
constexpr LinkStatus WriteFailed = 8;
constexpr LinkStatus Aborted = 9;
constexpr LinkStatus CrcMismatch = 11;
constexpr LinkStatus ArchiveContinues = 27;
constexpr LinkStatus WrongLength = 29;
constexpr LinkStatus ControlByte = 30;
constexpr LinkStatus Address = 31;
constexpr LinkStatus DuplicateLength = 33;
constexpr LinkStatus DuplicateStart = 34;
constexpr LinkStatus EndByte = 35;
constexpr LinkStatus Checksum = 36;
constexpr LinkStatus PositiveReceipt = 37;
constexpr LinkStatus NegativeReceipt = 38;
constexpr LinkStatus AdapterNoAnswer = 41;
constexpr LinkStatus ForeignFrame = 42;
constexpr LinkStatus AdapterLength = 43;
constexpr LinkStatus AdapterInitFailed = 45;
constexpr LinkStatus NoCarrier = 46;
constexpr LinkStatus AccessDenied = 51;
constexpr LinkStatus NotStopped = 54;
constexpr LinkStatus NoMasterModule = 57;
constexpr LinkStatus NoGateways = 58;
constexpr LinkStatus OldVersion = 60;

constexpr int kCount = 61;     // the statuses 0..60
constexpr int kTableSize = 68; // with the device names 61..67
} // namespace Status

// The message of a status, as the operator sees it and as the exchange log records it. A code
// outside the table gives its own number as text, so that a stray value still shows.
QString StatusMessage(LinkStatus code);

// The name of a ВЕГ-78 by the device type code it reports in parameter 0xF000: entry (low byte
// - 3) of the table for 0x0640..0x0646. Empty for 0x0644 and every other code: not a gateway.
QString GatewayDeviceName(std::uint16_t deviceTypeCode);

} // namespace veg
