#pragma once

#include "core/config/ConfigRecords.h"
#include "core/config/ProtocolVariant.h"

#include <optional>
#include <utility>
#include <vector>

namespace veg {

// The tables a configuration can hold; which of them a protocol has is in its catalogue entry.
enum class TableId
{
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
enum class EditorId
{
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
enum class RefsEditorKind
{
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
    // The window of the menu through which each table is edited (a sub-block's rows through its
    // point's window; УНК ТМ's and HART's group slots through their threads' and devices').
    std::vector<std::pair<TableId, EditorId>> tableEditors;
    // Asked in this order to re-check a controller whose queue was replaced; the walk stops at
    // the first editor that fails.
    std::vector<RefsEditorKind> rebindOrder;
    // Asked in this order to drop a removed controller's rows. The group parameters come first:
    // the telesignal editors then drop the rows that pointed at bits of emptied slots.
    std::vector<RefsEditorKind> removalOrder;

    // The gateway's side of the protocol (its configuration image): the value of the
    // protocol-code parameter 0x0100 a write sends (-1: the general settings, and the code with
    // them, are not part of the image), and the values a read-back takes for the protocol.
    int gatewayCode = -1;
    std::vector<int> readCodes;
    bool imageCrcConstant = false; // Const1 (0x0108) is part of the general settings
    bool imageByteOrder = false;   // Invers and SWAP (0x010B, 0x010C) are
    // The gateway's version (0xF002) must be at least this before the image is written or read
    // back; 0: the version is not asked.
    int minimumVersion = 0;
    // The gateway's work cycle is stopped for the tables and restarted after them.
    bool stopsForTables = false;
    // The device type code (0xF000) of a gateway running the protocol.
    std::uint16_t deviceType = 0x0640;

    bool imageGeneralSettings() const { return gatewayCode >= 0; }
    bool has(TableId t) const;
    bool has(ChangedFlag f) const;
    bool has(EditorId e) const;
    std::optional<EditorId> editorOf(TableId t) const;
};

// The entry of a protocol; ProtocolVariant::None has no tables at all.
const ProtocolCatalogue& catalogueOf(ProtocolVariant protocol);

// The protocol of a gateway that reports `code` in its protocol-code parameter; None for a code
// that names no protocol.
ProtocolVariant protocolFromGatewayCode(int code);

} // namespace veg
