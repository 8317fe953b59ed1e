#pragma once

#include "core/config/ConfigRecords.h"
#include "core/config/ProtocolVariant.h"

#include <vector>

namespace veg {

// The tables a configuration can hold; which of them a protocol has is in its catalogue entry.
enum class TableId {
    GroupParams,
    OkpSubblockTypes,
    TcTuTable,
    IkpTable,
    ModbusCoilTable,
    ModbusTcTable,
    TiFloatTable,
    UnkThreads,
    HartDevices,
    KtsGroups,
    KtsSignals,
};

// The windows of the menu "Настройки ВЕГ".
enum class EditorId {
    GatewayCommon, // "Общие настройки"
    Controllers,   // "Список контроллеров"
    Group,         // "Групповые параметры"
    Okp,           // "Обычное КП"
    Ikp,           // "Интеллектуальное КП"
    ModbusTu,      // Modbus "ТУ"
    ModbusTc,      // Modbus "ТС"
    TiFloat,       // "ТИ с плавающей точкой"
    Unk,           // "Вычислитель"
    Hart,          // "Настройка параметров"
    KtsGroups,     // "Гребёнка"
    KtsSignals,    // КТС Энергия "ТС"
};

// The editors that hold references to controllers, by the table they edit.
enum class RefsEditorKind {
    GroupParams, // group-parameter slots
    // The ordinary controlled point's telesignal/telecontrol rows. Its re-check also covers the
    // Modbus discrete inputs, which are laid out as the same rows.
    Telesignals,
    IkpSubblocks,      // the intelligent controlled point's sub-blocks
    ModbusTelesignals, // discrete inputs
    ModbusTelecontrol, // coils
    TiFloat,           // floating-point telemetry in holding registers
    UnkThreads,
    Hart,
    KtsGroups,
    KtsSignals,
};

using ChangedFlag = bool ChangedFlags::*;

// What one protocol's configuration is made of: its tables, the file sections they are saved in
// (by their changed flags), the editor windows of its menu, and the order in which the controller
// list asks its editors to follow a controller. Every per-protocol decision about tables is taken
// from here: the model, the file writer, the menus, the controller list and the gateway image.
struct ProtocolCatalogue
{
    // In the order File -> New makes them.
    std::vector<TableId> tables;
    int groupSlots = 0; // rows of GroupParams
    // The changed flags of the protocol's table sections. "Common" and "Config" belong to every
    // protocol and are not listed. GroupChanged is listed where the slots have a section of
    // their own ("GROUP"); УНК ТМ and HART keep them in their threads' and devices' sections.
    std::vector<ChangedFlag> tableFlags;
    std::vector<EditorId> editors;
    // Asked in this order to re-check a controller whose queue was replaced; the walk stops at
    // the first editor that fails.
    std::vector<RefsEditorKind> rebindOrder;
    // Asked in this order to drop a removed controller's rows. The group parameters come first:
    // the telesignal editors then drop the rows that pointed at bits of emptied slots.
    std::vector<RefsEditorKind> removalOrder;

    bool has(TableId t) const;
    bool has(ChangedFlag f) const;
    bool has(EditorId e) const;
};

// The entry of a protocol; ProtocolVariant::None has no tables at all.
const ProtocolCatalogue& catalogueOf(ProtocolVariant protocol);

} // namespace veg
