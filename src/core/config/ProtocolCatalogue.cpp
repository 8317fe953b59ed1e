#include "core/config/ProtocolCatalogue.h"

#include "core/config/GatewayConfig.h"

#include <algorithm>
#include <array>

namespace veg {
namespace {

template <typename C, typename T> bool contains(const C& c, const T& v)
{
    return std::find(c.begin(), c.end(), v) != c.end();
}

using T = TableId;
using E = EditorId;
using K = RefsEditorKind;
using F = ChangedFlags;

std::array<ProtocolCatalogue, kProtocolCount> makeCatalogue()
{
    ProtocolCatalogue m1;
    m1.tables = {T::GroupParams, T::OkpSubblockTypes, T::TcTuTable, T::IkpTable};
    m1.groupSlots = 4;
    m1.tableFlags = {&F::GroupChanged, &F::OkpTypesChanged, &F::TcChanged, &F::TuChanged,
                     &F::IkpChanged};
    m1.editors = {E::GatewayCommon, E::Controllers, E::Group, E::Okp, E::Ikp};
    m1.tableEditors = {{T::GroupParams, E::Group},
                       {T::OkpSubblockTypes, E::Okp},
                       {T::TcTuTable, E::Okp},
                       {T::IkpTable, E::Ikp}};
    m1.rebindOrder = {K::GroupParams, K::Telesignals, K::IkpSubblocks};
    m1.removalOrder = m1.rebindOrder;
    m1.gatewayCode = 1;
    m1.readCodes = {1};
    m1.stopsForTables = true;
    m1.deviceType = 0x0641;

    ProtocolCatalogue mb;
    mb.tables = {T::GroupParams, T::ModbusCoilTable, T::ModbusTcTable, T::TiFloatTable};
    mb.groupSlots = 4;
    mb.tableFlags = {&F::GroupChanged, &F::ModbusCoilChanged, &F::ModbusTcChanged,
                     &F::TiFloatChanged};
    mb.editors = {E::GatewayCommon, E::Controllers, E::Group, E::ModbusTu, E::ModbusTc, E::TiFloat};
    mb.tableEditors = {{T::GroupParams, E::Group},
                       {T::ModbusCoilTable, E::ModbusTu},
                       {T::ModbusTcTable, E::ModbusTc},
                       {T::TiFloatTable, E::TiFloat}};
    // The discrete inputs are re-checked by the telesignal rows' editor, whose rows they share.
    mb.rebindOrder = {K::GroupParams, K::Telesignals, K::ModbusTelecontrol, K::TiFloat};
    mb.removalOrder = {K::GroupParams, K::ModbusTelesignals, K::ModbusTelecontrol, K::TiFloat};
    mb.gatewayCode = 2;
    mb.readCodes = {2};
    mb.imageCrcConstant = true;
    mb.imageByteOrder = true;
    mb.minimumVersion = 4;
    mb.stopsForTables = true;
    mb.deviceType = 0x0642;

    ProtocolCatalogue unk;
    unk.tables = {T::GroupParams, T::UnkThreads};
    unk.groupSlots = Rows::UnkThreads * Rows::ParamsPerUnkThread;
    unk.tableFlags = {&F::UnkChanged};
    unk.editors = {E::GatewayCommon, E::Controllers, E::Unk};
    unk.tableEditors = {{T::GroupParams, E::Unk}, {T::UnkThreads, E::Unk}};
    unk.rebindOrder = unk.removalOrder = {K::UnkThreads};
    unk.gatewayCode = 3;
    unk.readCodes = {3};
    unk.stopsForTables = true;
    unk.deviceType = 0x0643;

    ProtocolCatalogue hart;
    hart.tables = {T::GroupParams, T::HartDevices};
    hart.groupSlots = Rows::HartDevices * Rows::ParamsPerHartDevice;
    hart.tableFlags = {&F::HartChanged};
    hart.editors = {E::GatewayCommon, E::Controllers, E::Hart};
    hart.tableEditors = {{T::GroupParams, E::Hart}, {T::HartDevices, E::Hart}};
    hart.rebindOrder = hart.removalOrder = {K::Hart};
    hart.gatewayCode = 5;
    hart.readCodes = {4, 5};
    hart.imageByteOrder = true;
    hart.stopsForTables = true;
    hart.deviceType = 0x0645;

    ProtocolCatalogue kts;
    kts.tables = {T::GroupParams, T::KtsGroups, T::KtsSignals};
    kts.groupSlots = 4;
    kts.tableFlags = {&F::GroupChanged, &F::KtsGroupChanged, &F::KtsSignalChanged};
    kts.editors = {E::GatewayCommon, E::Controllers, E::Group, E::KtsGroups, E::KtsSignals};
    kts.tableEditors = {
        {T::GroupParams, E::Group}, {T::KtsGroups, E::KtsGroups}, {T::KtsSignals, E::KtsSignals}};
    kts.rebindOrder = kts.removalOrder = {K::GroupParams, K::KtsGroups, K::KtsSignals};
    // КТС Энергия keeps no general settings in the gateway and is written while it runs; a
    // gateway that never had a protocol code reads back as КТС Энергия.
    kts.readCodes = {0, 6};
    kts.deviceType = 0x0646;

    return {m1, mb, unk, hart, kts};
}

} // namespace

bool ProtocolCatalogue::has(TableId t) const
{
    return contains(tables, t);
}
bool ProtocolCatalogue::has(ChangedFlag f) const
{
    return contains(tableFlags, f);
}
bool ProtocolCatalogue::has(EditorId e) const
{
    return contains(editors, e);
}

std::optional<EditorId> ProtocolCatalogue::editorOf(TableId t) const
{
    for (const auto& [table, editor] : tableEditors) {
        if (table == t)
            return editor;
    }
    return std::nullopt;
}

const ProtocolCatalogue& catalogueOf(ProtocolVariant protocol)
{
    static const std::array<ProtocolCatalogue, kProtocolCount> entries = makeCatalogue();
    static const ProtocolCatalogue none;
    const auto i = static_cast<int>(protocol);
    return i < kProtocolCount ? entries[std::size_t(i)] : none;
}

ProtocolVariant protocolFromGatewayCode(int code)
{
    for (int i = 0; i < kProtocolCount; ++i)
        if (contains(catalogueOf(ProtocolVariant(i)).readCodes, code))
            return ProtocolVariant(i);
    return ProtocolVariant::None;
}

} // namespace veg
