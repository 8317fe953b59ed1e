#pragma once

#include "core/config/ConfigRecords.h"

#include <vector>

namespace veg {

class GatewayConfig;

// The group slot of a group-bit row is one of the configuration's slots and holds a parameter.
bool groupSlotUsed(const GatewayConfig& config, const TcTuEntry& row);

// After controller `controller` got a new database: a group-bit row whose slot belongs to that
// controller needs the slot's parameter in the new database, every other row of that controller
// its own parameter; the first one missing gives false and nothing changes. Then the rows of that
// controller (not the group-bit rows, whose names are their slots') get their task numbers and
// names re-described.
bool rebindSignalRows(const GatewayConfig& config, int controller, std::vector<TcTuEntry>& rows,
                      SignalTable table);

// After the group parameters have dropped the controller's slots: every row of the controller and
// every group-bit row whose slot is no longer used is emptied where it stands. Every row of the
// table is examined; rows never move.
void removeSignalRows(const GatewayConfig& config, int controller, std::vector<TcTuEntry>& rows,
                      SignalTable table);

} // namespace veg
