#pragma once

#include "core/config/ConfigRecords.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace veg {

class GatewayConfig;

// The three tables of the gateway's upper-level Modbus side, as the monitor names them: the
// floating-point telemetry as holding registers ("ТИ"), the telesignals as discrete inputs
// ("ТС"), the telecontrol commands as coils ("ТУ").
enum class MonitorTable : std::uint8_t
{
    Telemetry,
    Telesignals,
    Telecontrol,
};

QString tableText(MonitorTable table);
// The function that reads the table: 3, 2 or 1.
std::uint8_t readFunction(MonitorTable table);
// Modbus numbers a row of the table occupies: a float takes two registers, a bit one item.
int numbersPerRow(MonitorTable table);
// The most numbers one request may ask for: 125 registers, 2000 items.
int modbusQuantityLimit(MonitorTable table);

// One row in use of a configuration's Modbus tables.
struct MonitorRow
{
    MonitorTable table = MonitorTable::Telemetry;
    int number = 0;   // register, discrete input or coil
    int tableRow = 0; // the row of its table, from 0
    // The parameter as the editors show it, with its controller; a group-bit row names its group
    // parameter and bit; a command names the parameter set by 1.
    QString text;
    // A command's parameter set by 0 as the editors show it; empty when it has none.
    QString offText;
};

// The rows in use: ТИ rows whose Kind is not 255, ТС rows likewise, ТУ rows with a coil and a
// parameter to set by 1. In the order of the tables, each table by number (rows of one number in
// their table order).
std::vector<MonitorRow> MonitorRowsOf(const GatewayConfig& config);

} // namespace veg
