#pragma once

#include "core/monitor/MonitorRows.h"

#include <array>
#include <set>
#include <utility>
#include <vector>

namespace veg {

// One read request of a monitoring cycle: `count` numbers of one table from `first`, and the
// monitor rows its answer serves.
struct MonitorRequest
{
    MonitorTable table = MonitorTable::Telemetry;
    int first = 0;
    int count = 0;
    std::vector<int> rows; // indices into the row list

    // True when the request asks for more than the numbers of one row.
    bool isRun() const { return count > numbersPerRow(table); }
};

// How many numbers a request of each table may ask for, by MonitorTable.
using MonitorLimits = std::array<int, 3>;
MonitorLimits modbusLimits(); // what Modbus allows: 125 registers, 2000 items

// A number of a table that is read alone.
using MonitorSingle = std::pair<MonitorTable, int>;

// The requests of one cycle over `rows`: the numbers of one table that follow each other without
// a gap (a float's two registers included) in one request, as long as it stays within the
// table's limit and never splits a row's registers; the numbers in `singles` each in a request of
// their own. In the order of the rows' tables and numbers.
std::vector<MonitorRequest> PlanRequests(const std::vector<MonitorRow>& rows,
                                         const MonitorLimits& limits,
                                         const std::set<MonitorSingle>& singles = {});

} // namespace veg
