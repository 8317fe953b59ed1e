#pragma once

#include <QString>

#include <cstdint>

namespace veg {

class GatewayConfig;

// The text of a reference in a configuration read back from a gateway. Without group source: the
// stored name when the controller with `netNumber` exists and its database was read, else
// "Параметр " + four hex digits + " (модуль " + two hex digits + ")". With group source
// (`paramNumber` holds slot × 256 + bit): the same rule applied to that group slot.
// The table editors show a row's parameter so, and so does the Modbus monitor.
QString DescribeReference(const GatewayConfig& config, std::uint8_t netNumber,
                          std::uint16_t paramNumber, bool group, const QString& storedName);

} // namespace veg
