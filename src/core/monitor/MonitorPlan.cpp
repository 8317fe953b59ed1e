#include "core/monitor/MonitorPlan.h"

#include <algorithm>
#include <numeric>

namespace veg {

MonitorLimits modbusLimits()
{
    return {modbusQuantityLimit(MonitorTable::Telemetry),
            modbusQuantityLimit(MonitorTable::Telesignals),
            modbusQuantityLimit(MonitorTable::Telecontrol)};
}

std::vector<MonitorRequest> PlanRequests(const std::vector<MonitorRow>& rows,
                                         const MonitorLimits& limits,
                                         const std::set<MonitorSingle>& singles)
{
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&rows](int a, int b) {
        const MonitorRow& x = rows[std::size_t(a)];
        const MonitorRow& y = rows[std::size_t(b)];
        return std::pair(x.table, x.number) < std::pair(y.table, y.number);
    });

    std::vector<MonitorRequest> plan;
    bool openRun = false; // the last request may still grow
    for (int index : order) {
        const MonitorRow& row = rows[std::size_t(index)];
        const int span = numbersPerRow(row.table);
        const bool single = singles.count({row.table, row.number}) != 0;
        if (!plan.empty()) {
            MonitorRequest& last = plan.back();
            const int lastEnd = last.first + last.count; // one past its last number
            // Another row of a number read alone (two rows claiming one number); within a run
            // such a row joins by the rule below.
            if (!openRun && single && last.table == row.table && last.first == row.number) {
                last.rows.push_back(index);
                continue;
            }
            const int end = std::max(lastEnd, row.number + span);
            const int limit = std::max(span, limits[std::size_t(row.table)]);
            if (openRun && !single && last.table == row.table && row.number <= lastEnd &&
                end - last.first <= limit) {
                last.count = end - last.first;
                last.rows.push_back(index);
                continue;
            }
        }
        plan.push_back({row.table, row.number, span, {index}});
        openRun = !single;
    }
    return plan;
}

} // namespace veg
