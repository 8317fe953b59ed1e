#include "core/config/GatewayConfig.h"

#include "core/text/NumberText.h"

namespace veg {

QString refText(const ParamCore& core)
{
    return NumberText::hex(core.Kind, 2) + u' ' + NumberText::hex(core.ParamNumber, 4) + u' ' +
           NumberText::hex(core.NetNumber, 2);
}

QString refText(const GroupParamRef& ref)
{
    return NumberText::hex(ref.ParamNumber, 4) + u' ' + NumberText::hex(ref.NetNumber, 2);
}

QString threadName(const QString& text)
{
    return text.left(kThreadNameLength).leftJustified(kThreadNameLength, u' ');
}

int GatewayConfig::RowCount(TableId table) const
{
    switch (table) {
    case TableId::GroupParams:
        return int(GroupParams.size());
    case TableId::OkpSubblockTypes:
        return int(OkpSubblockTypes.size());
    case TableId::TcTuTable:
        return int(TcTuTable.size());
    case TableId::IkpTable:
        return int(IkpTable.size());
    case TableId::ModbusCoilTable:
        return int(ModbusCoilTable.size());
    case TableId::ModbusTcTable:
        return int(ModbusTcTable.size());
    case TableId::TiFloatTable:
        return int(TiFloatTable.size());
    case TableId::UnkThreads:
        return int(UnkThreads.size());
    case TableId::HartDevices:
        return int(HartDevices.size());
    case TableId::KtsGroups:
        return int(KtsGroups.size());
    case TableId::KtsSignals:
        return int(KtsSignals.size());
    }
    return 0;
}

bool GatewayConfig::RowInUse(TableId table, int index) const
{
    if (index < 0 || index >= RowCount(table))
        return false;
    const auto i = std::size_t(index);
    switch (table) {
    case TableId::GroupParams:
        return Protocol == ProtocolVariant::UnkTm ? GroupParams[i].ParamNumber < 0xFF00
                                                  : GroupParams[i].isUsed();
    case TableId::OkpSubblockTypes:
        return OkpSubblockTypes[i] != SubblockNone;
    case TableId::TcTuTable: {
        const std::size_t subblock = i / Rows::SignalsPerTcSubblock;
        const int n = int(i % Rows::SignalsPerTcSubblock);
        const int type = subblock < OkpSubblockTypes.size() ? int(OkpSubblockTypes[subblock])
                                                            : int(SubblockNone);
        const bool used =
            type == SubblockTc || (type == SubblockTu && n < Rows::OperationsPerTuSubblock);
        return used && TcTuTable[i].Kind != 255;
    }
    case TableId::IkpTable:
        return IkpTable[i].Kind != 255;
    case TableId::ModbusCoilTable:
        return ModbusCoilTable[i].TU1.Kind != 255;
    case TableId::ModbusTcTable:
        return ModbusTcTable[i].Kind != 255;
    case TableId::TiFloatTable:
        return TiFloatTable[i].Kind != 255;
    case TableId::UnkThreads:
        return UnkThreads[i].SetN != 255;
    case TableId::HartDevices:
        return HartDevices[i].SetN != 255;
    case TableId::KtsGroups:
        return KtsGroups[i].SetN != 255;
    case TableId::KtsSignals:
        return KtsSignals[i].Flags != 255;
    }
    return false;
}

int GatewayConfig::RowsInUse(TableId table) const
{
    int n = 0;
    for (int i = 0, rows = RowCount(table); i < rows; ++i)
        n += RowInUse(table, i) ? 1 : 0;
    return n;
}

void GatewayConfig::CreateFor(ProtocolVariant protocol)
{
    Protocol = protocol;
    const ProtocolCatalogue& cat = catalogueOf(protocol);
    auto make = [&](auto& table, TableId id, int rows) {
        using Row = typename std::decay_t<decltype(table)>::value_type;
        table.assign(cat.has(id) ? std::size_t(rows) : 0, Row{});
    };
    make(GroupParams, TableId::GroupParams, cat.groupSlots);
    make(OkpSubblockTypes, TableId::OkpSubblockTypes, Rows::OkpSubblocks);
    make(TcTuTable, TableId::TcTuTable, Rows::TcTu);
    make(IkpTable, TableId::IkpTable, Rows::Ikp);
    make(ModbusCoilTable, TableId::ModbusCoilTable, Rows::ModbusCoils);
    make(ModbusTcTable, TableId::ModbusTcTable, Rows::ModbusTc);
    make(TiFloatTable, TableId::TiFloatTable, Rows::TiFloat);
    make(UnkThreads, TableId::UnkThreads, Rows::UnkThreads);
    make(HartDevices, TableId::HartDevices, Rows::HartDevices);
    make(KtsGroups, TableId::KtsGroups, Rows::KtsGroups);
    make(KtsSignals, TableId::KtsSignals, Rows::KtsSignals);
    ParoleWr = Password{};
    // The flags of the tables; those of "Common" and "Config" belong to their own resets.
    const bool common = Changed.CommonChanged;
    const bool controllers = Changed.ControllersChanged;
    Changed = ChangedFlags{};
    Changed.CommonChanged = common;
    Changed.ControllersChanged = controllers;
}

void GatewayConfig::ResetCommon()
{
    const std::uint16_t previousRepeat = Common.trepeat;
    CommonSettings c;
    switch (Protocol) {
    case ProtocolVariant::Magistral1:
        c.V_Ext = 5;
        c.RBit = c.TBit = 1;
        c.RCon = c.TCon = 2;
        c.tbegin = 100;
        c.trepeat = 1;
        break;
    case ProtocolVariant::Modbus:
        c.V_Ext = 5;
        c.RBit = c.TBit = 1;
        c.RCon = c.TCon = 2;
        c.tbegin = 22;
        c.trepeat = 10;
        break;
    case ProtocolVariant::UnkTm:
        c.V_Ext = 2;
        c.RBit = c.TBit = 1;
        c.RCon = c.TCon = 2;
        c.tbegin = 22;
        c.trepeat = 0;
        break;
    case ProtocolVariant::Hart:
        c.V_Ext = 6;
        c.RBit = c.TBit = 0;
        c.RCon = c.TCon = 1;
        c.tbegin = 22;
        c.trepeat = previousRepeat;
        break;
    case ProtocolVariant::KtsEnergia:
        c.V_Ext = 5;
        c.RBit = c.TBit = 0;
        c.RCon = 1;
        c.TCon = 0;
        c.tbegin = 22;
        c.trepeat = previousRepeat;
        break;
    case ProtocolVariant::None:
        break;
    }
    Common = c;
    Changed.CommonChanged = false;
}

void GatewayConfig::ClearControllers()
{
    Controllers.clear(); // releases the database objects held only here
    Changed.ControllersChanged = false;
}

bool GatewayConfig::ResetRow(TableId table, int index)
{
    if (index < 0 || index >= RowCount(table))
        return false;
    const auto i = std::size_t(index);
    switch (table) {
    case TableId::GroupParams:
        GroupParams[i] = {};
        break;
    case TableId::OkpSubblockTypes:
        OkpSubblockTypes[i] = SubblockNone;
        break;
    case TableId::TcTuTable:
        TcTuTable[i] = {};
        break;
    case TableId::IkpTable:
        IkpTable[i] = {};
        break;
    case TableId::ModbusCoilTable:
        ModbusCoilTable[i] = {};
        break;
    case TableId::ModbusTcTable:
        ModbusTcTable[i] = {};
        break;
    case TableId::TiFloatTable:
        TiFloatTable[i] = {};
        break;
    case TableId::UnkThreads:
        UnkThreads[i] = {};
        break;
    case TableId::HartDevices:
        HartDevices[i] = {};
        break;
    case TableId::KtsGroups:
        KtsGroups[i] = {};
        break;
    case TableId::KtsSignals:
        KtsSignals[i] = {};
        break;
    }
    return true;
}

void GatewayConfig::ResetTable(TableId table)
{
    for (int i = 0, n = RowCount(table); i < n; ++i)
        ResetRow(table, i);
}

std::optional<int> GatewayConfig::ControllerIndex(std::uint8_t netNumber) const
{
    for (std::size_t i = 0; i < Controllers.size(); ++i) {
        if (Controllers[i].NetNumber == netNumber)
            return int(i);
    }
    return std::nullopt;
}

bool GatewayConfig::ControllerPresent(std::uint8_t netNumber) const
{
    const auto i = ControllerIndex(netNumber);
    return i && Controllers[std::size_t(*i)].Present;
}

bool GatewayConfig::AnyDatabaseMissing() const
{
    for (const ControllerEntry& c : Controllers) {
        if (!c.Present)
            return true;
    }
    return false;
}

} // namespace veg
