#include "core/editors/TelesignalRows.h"

#include "core/config/GatewayConfig.h"
#include "core/editors/ReferenceRules.h"

namespace veg {

bool groupSlotUsed(const GatewayConfig& config, const TcTuEntry& row)
{
    const std::size_t slot = row.ParamNumber >> 8;
    return slot < config.GroupParams.size() && config.GroupParams[slot].isUsed();
}

bool rebindSignalRows(const GatewayConfig& config, int controller, std::vector<TcTuEntry>& rows,
                      SignalTable table)
{
    if (controller < 0 || controller >= int(config.Controllers.size()))
        return false;
    const std::uint8_t net = config.Controllers[std::size_t(controller)].NetNumber;
    std::vector<RefSlot> refs;
    for (TcTuEntry& row : rows) {
        if (isGroupBitRow(row, table)) {
            // Checked through its slot's parameter; nothing of the row is re-described.
            if (groupSlotUsed(config, row)) {
                const GroupParamRef& g = config.GroupParams[std::size_t(row.ParamNumber >> 8)];
                if (g.NetNumber == net)
                    refs.push_back({g.NetNumber, g.ParamNumber, nullptr, nullptr});
            }
            continue;
        }
        refs.push_back({row.NetNumber, row.ParamNumber, &row.TaskNumber, &row.Name});
    }
    return RebindReferences(config, controller, refs);
}

void removeSignalRows(const GatewayConfig& config, int controller, std::vector<TcTuEntry>& rows,
                      SignalTable table)
{
    if (controller < 0 || controller >= int(config.Controllers.size()))
        return;
    const std::uint8_t net = config.Controllers[std::size_t(controller)].NetNumber;
    for (TcTuEntry& row : rows) {
        const bool drop = isGroupBitRow(row, table)
                              ? !groupSlotUsed(config, row)
                              : row.Kind != 255 && row.NetNumber == net;
        if (drop)
            row = TcTuEntry{};
    }
}

} // namespace veg
