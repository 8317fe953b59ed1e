#include "core/check/ConfigReferences.h"

#include "core/config/GatewayConfig.h"
#include "core/editors/HartDevicesForm.h"
#include "core/editors/TelesignalRows.h"
#include "core/editors/UnkThreadsForm.h"

namespace veg {

namespace {

using K = ConfigReference::Kind;

QString numbered(const char* what, int n)
{
    return QString::fromUtf8(what) + u' ' + QString::number(n);
}

QString tableRow(int index)
{
    return numbered("строка", index + 1);
}

class Collector
{
public:
    explicit Collector(const GatewayConfig& config) : m_config(config) {}

    std::vector<ConfigReference> run()
    {
        for (TableId t : m_config.catalogue().tables) {
            for (int i = 0, n = m_config.RowCount(t); i < n; ++i) {
                if (m_config.RowInUse(t, i))
                    row(t, i);
            }
        }
        return std::move(m_out);
    }

private:
    void add(K kind, EditorId editor, const QString& row, const QString& field, std::uint8_t net,
             std::uint16_t param = 0xFFFF)
    {
        m_out.push_back({kind, editor, row, field, net, param, m_tableRow});
    }
    // A reference of a telesignal table: a bit of a group slot, or a controller parameter.
    void signal(const TcTuEntry& e, SignalTable table, EditorId editor, const QString& row)
    {
        if (isGroupBitRow(e, table))
            add(K::GroupBit, editor, row, {}, 255, e.ParamNumber);
        else if (e.ParamNumber != 0xFFFF)
            add(K::Parameter, editor, row, {}, e.NetNumber, e.ParamNumber);
    }

    void row(TableId table, int i)
    {
        const auto at = std::size_t(i);
        // The grids of these tables show row i of the table as their row i.
        switch (table) {
        case TableId::ModbusCoilTable:
        case TableId::ModbusTcTable:
        case TableId::TiFloatTable:
        case TableId::KtsGroups:
        case TableId::KtsSignals:
            m_tableRow = i;
            break;
        default:
            m_tableRow = -1;
        }
        switch (table) {
        case TableId::GroupParams:
            groupSlot(i);
            return;
        case TableId::OkpSubblockTypes:
            return;
        case TableId::TcTuTable:
            signal(m_config.TcTuTable[at], SignalTable::Magistral, EditorId::Okp,
                   rowPlace(m_config, table, i));
            return;
        case TableId::IkpTable: {
            const TiEntry& e = m_config.IkpTable[at];
            if (e.ParamNumber != 0xFFFF)
                add(K::Parameter, EditorId::Ikp, rowPlace(m_config, table, i), {}, e.NetNumber,
                    e.ParamNumber);
            return;
        }
        case TableId::ModbusCoilTable:
            coil(i);
            return;
        case TableId::ModbusTcTable:
            signal(m_config.ModbusTcTable[at], SignalTable::Modbus, EditorId::ModbusTc,
                   tableRow(i));
            return;
        case TableId::TiFloatTable: {
            const TcTuEntry& e = m_config.TiFloatTable[at];
            if (e.ParamNumber != 0xFFFF)
                add(K::Parameter, EditorId::TiFloat, tableRow(i), {}, e.NetNumber, e.ParamNumber);
            return;
        }
        case TableId::UnkThreads: {
            const std::uint8_t net = m_config.UnkThreads[at].SetN;
            const QString place = rowPlace(m_config, table, i);
            add(K::Controller, EditorId::Unk, place,
                UnkThreadsForm::rowTitle(UnkThreadsForm::ControllerRow), net);
            for (int n = 0; n < Rows::ParamsPerUnkThread; ++n) {
                const GroupParamRef& g = m_config.GroupParams[std::size_t(unkGroupRow(i, n))];
                if (g.ParamNumber < 0xFF00)
                    add(K::Parameter, EditorId::Unk, place,
                        UnkThreadsForm::rowTitle(UnkThreadsForm::FirstSlotRow + n), net,
                        g.ParamNumber);
            }
            return;
        }
        case TableId::HartDevices: {
            const std::uint8_t net = m_config.HartDevices[at].SetN;
            const QString place = rowPlace(m_config, table, i);
            add(K::Controller, EditorId::Hart, place,
                HartDevicesForm::rowTitle(HartDevicesForm::ControllerRow), net);
            for (int n = 0; n < Rows::ParamsPerHartDevice; ++n) {
                const GroupParamRef& g = m_config.GroupParams[std::size_t(hartGroupRow(i, n))];
                if (g.isUsed())
                    add(K::Parameter, EditorId::Hart, place,
                        HartDevicesForm::rowTitle(HartDevicesForm::FirstSlotRow + n), net,
                        g.ParamNumber);
            }
            return;
        }
        case TableId::KtsGroups: {
            const KtsGroup& g = m_config.KtsGroups[at];
            add(K::Controller, EditorId::KtsGroups, tableRow(i), QStringLiteral("CAN-адрес модуля"),
                g.SetN);
            if (g.ParamNumber != 0xFFFF)
                add(K::Parameter, EditorId::KtsGroups, tableRow(i),
                    QStringLiteral("Параметр гребёнки"), g.SetN, g.ParamNumber);
            return;
        }
        case TableId::KtsSignals: {
            const KtsSignal& k = m_config.KtsSignals[at];
            if (k.Flags & 0x01) {
                add(K::GroupBit, EditorId::KtsSignals, tableRow(i), {}, 255, k.ParamNumber);
                return;
            }
            if (k.SetN == 255)
                return;
            add(K::Controller, EditorId::KtsSignals, tableRow(i),
                QStringLiteral("CAN-адрес модуля"), k.SetN);
            if (k.ParamNumber != 0xFFFF)
                add(K::Parameter, EditorId::KtsSignals, tableRow(i), QStringLiteral("Параметр ТС"),
                    k.SetN, k.ParamNumber);
            return;
        }
        }
    }

    // The group slots of Магистраль-1, Modbus and КТС Энергия; УНК ТМ's and HART's are their
    // threads' and devices' parameters, collected with them.
    void groupSlot(int i)
    {
        if (!m_config.catalogue().has(EditorId::Group))
            return;
        const GroupParamRef& g = m_config.GroupParams[std::size_t(i)];
        add(K::Parameter, EditorId::Group, rowPlace(m_config, TableId::GroupParams, i), {},
            g.NetNumber, g.ParamNumber);
    }

    void coil(int i)
    {
        const ModbusCoilEntry& e = m_config.ModbusCoilTable[std::size_t(i)];
        const std::pair<const ParamCore*, const char*> refs[] = {
            {&e.TU1, "Установка в 1"},
            {&e.TU0, "Установка в 0"},
            {&e.OC1, "ОС при установке в 1"},
            {&e.OC0, "ОС при установке в 0"},
            {&e.READY1, "Готовность при установке в 1"},
            {&e.READY0, "Готовность при установке в 0"},
        };
        for (const auto& [core, field] : refs) {
            if (core->Kind != 255 && core->ParamNumber != 0xFFFF)
                add(K::Parameter, EditorId::ModbusTu, tableRow(i), QString::fromUtf8(field),
                    core->NetNumber, core->ParamNumber);
        }
    }

    const GatewayConfig& m_config;
    std::vector<ConfigReference> m_out;
    int m_tableRow = -1; // of the row being collected
};

} // namespace

std::vector<ConfigReference> collectReferences(const GatewayConfig& config)
{
    return Collector(config).run();
}

QString rowPlace(const GatewayConfig& config, TableId table, int i)
{
    switch (table) {
    case TableId::OkpSubblockTypes:
        return numbered("субблок", i);
    case TableId::TcTuTable: {
        const int s = i / Rows::SignalsPerTcSubblock, n = i % Rows::SignalsPerTcSubblock;
        const QString place = numbered("субблок", s) + QStringLiteral(", ");
        if (config.OkpSubblockTypes[std::size_t(s)] == SubblockTc)
            return place + numbered("телеоперация", n / 8 + 1) + QStringLiteral(", ") +
                   numbered("разряд", n % 8 + 1);
        return place + numbered("операция", n + 1);
    }
    case TableId::IkpTable:
        return numbered("субблок", i / Rows::MeasurementsPerIkpSubblock) + QStringLiteral(", ") +
               numbered("телеизмерение", i % Rows::MeasurementsPerIkpSubblock + 1);
    case TableId::UnkThreads:
        return numbered("нитка", i + 1);
    case TableId::HartDevices:
        return numbered("устройство", i + 1);
    case TableId::GroupParams:
        return QString::number(i + 1) + QStringLiteral(" параметр");
    case TableId::ModbusCoilTable:
    case TableId::ModbusTcTable:
    case TableId::TiFloatTable:
    case TableId::KtsGroups:
    case TableId::KtsSignals:
        break;
    }
    return tableRow(i);
}

} // namespace veg
