#include "core/monitor/MonitorRows.h"

#include "core/config/GatewayConfig.h"
#include "core/config/ReferenceText.h"
#include "core/text/NumberText.h"

#include <algorithm>

namespace veg {

namespace {

constexpr std::uint8_t kEmpty = 255;
constexpr std::uint16_t kNoCoil = 0xFFFF;

QString controllerText(std::uint8_t net)
{
    return QStringLiteral("контроллер ") + NumberText::hex(net, 2);
}

// As the table editors show a parameter: the stored name; in a configuration read back from a
// gateway the name re-derived, "Параметр NNNN (модуль NN)" for a controller it lacks.
QString parameterText(const GatewayConfig& config, const ParamCore& ref, const QString& name)
{
    if (config.IsReadBack && !config.ControllerPresent(ref.NetNumber))
        return DescribeReference(config, ref.NetNumber, ref.ParamNumber, false, name);
    return name + QStringLiteral(" (") + controllerText(ref.NetNumber) + u')';
}

QString groupBitText(const GatewayConfig& config, const TcTuEntry& row)
{
    const int slot = row.ParamNumber >> 8;
    const int bit = row.ParamNumber & 0xFF;
    const QString group = config.IsReadBack
                              ? DescribeReference(config, 0, row.ParamNumber, true, row.Name)
                              : row.Name;
    QString text = group + QStringLiteral(", бит %1 (групповой параметр %2").arg(bit).arg(slot + 1);
    if (slot < int(config.GroupParams.size()) && config.GroupParams[std::size_t(slot)].isUsed())
        text +=
            QStringLiteral(", ") + controllerText(config.GroupParams[std::size_t(slot)].NetNumber);
    return text + u')';
}

} // namespace

QString tableText(MonitorTable table)
{
    switch (table) {
    case MonitorTable::Telemetry:
        return QStringLiteral("ТИ");
    case MonitorTable::Telesignals:
        return QStringLiteral("ТС");
    case MonitorTable::Telecontrol:
        return QStringLiteral("ТУ");
    }
    return {};
}

std::uint8_t readFunction(MonitorTable table)
{
    switch (table) {
    case MonitorTable::Telemetry:
        return 3;
    case MonitorTable::Telesignals:
        return 2;
    case MonitorTable::Telecontrol:
        return 1;
    }
    return 0;
}

int numbersPerRow(MonitorTable table)
{
    return table == MonitorTable::Telemetry ? 2 : 1;
}

int modbusQuantityLimit(MonitorTable table)
{
    return table == MonitorTable::Telemetry ? 125 : 2000;
}

std::vector<MonitorRow> MonitorRowsOf(const GatewayConfig& config)
{
    std::vector<MonitorRow> rows;
    auto sortFrom = [&rows](std::size_t from) {
        std::stable_sort(
            rows.begin() + std::ptrdiff_t(from), rows.end(),
            [](const MonitorRow& a, const MonitorRow& b) { return a.number < b.number; });
    };
    for (std::size_t i = 0; i < config.TiFloatTable.size(); ++i) {
        const TcTuEntry& e = config.TiFloatTable[i];
        if (e.Kind == kEmpty)
            continue;
        rows.push_back({MonitorTable::Telemetry,
                        int(std::uint16_t(e.Extra)),
                        int(i),
                        parameterText(config, e, e.Name),
                        {}});
    }
    sortFrom(0);
    std::size_t from = rows.size();
    for (std::size_t i = 0; i < config.ModbusTcTable.size(); ++i) {
        const TcTuEntry& e = config.ModbusTcTable[i];
        if (e.Kind == kEmpty)
            continue;
        rows.push_back({MonitorTable::Telesignals,
                        int(std::uint16_t(e.Extra)),
                        int(i),
                        isGroupBitRow(e, SignalTable::Modbus) ? groupBitText(config, e)
                                                              : parameterText(config, e, e.Name),
                        {}});
    }
    sortFrom(from);
    from = rows.size();
    for (std::size_t i = 0; i < config.ModbusCoilTable.size(); ++i) {
        const ModbusCoilEntry& e = config.ModbusCoilTable[i];
        if (e.Coil == kNoCoil || e.TU1.Kind == kEmpty)
            continue;
        rows.push_back(
            {MonitorTable::Telecontrol, int(e.Coil), int(i),
             parameterText(config, e.TU1, e.NameTU1),
             e.TU0.Kind == kEmpty ? QString() : parameterText(config, e.TU0, e.NameTU0)});
    }
    sortFrom(from);
    return rows;
}

} // namespace veg
