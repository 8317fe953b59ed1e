#pragma once

#include "core/config/ConfigRecords.h"
#include "core/config/ProtocolCatalogue.h"
#include "core/config/ProtocolVariant.h"

#include <optional>
#include <vector>

namespace veg {

// Row counts of the tables: constants of the gateway.
namespace Rows {
inline constexpr int OkpSubblocks = 14;
inline constexpr int SignalsPerTcSubblock = 32;
inline constexpr int OperationsPerTuSubblock = 6;
inline constexpr int IkpSubblocks = 12;
inline constexpr int MeasurementsPerIkpSubblock = 4;
inline constexpr int TcTu = OkpSubblocks * SignalsPerTcSubblock; // 448
inline constexpr int Ikp = IkpSubblocks * MeasurementsPerIkpSubblock; // 48
inline constexpr int ModbusCoils = 16;
inline constexpr int ModbusTc = 128;
inline constexpr int TiFloat = 64;
inline constexpr int UnkThreads = 3;
inline constexpr int ParamsPerUnkThread = 19;
inline constexpr int HartDevices = 16;
inline constexpr int ParamsPerHartDevice = 5;
inline constexpr int KtsGroups = 16;
inline constexpr int KtsSignals = 16;
inline constexpr int GroupSlots = 4;
} // namespace Rows

// Sub-block types of the ordinary controlled point.
enum OkpSubblockType : std::uint8_t { SubblockNone = 0, SubblockTc = 1, SubblockTu = 2 };

// Row addressing shared by the editors, the file and the gateway image.
inline int tcTuRow(int subblock, int n) { return subblock * Rows::SignalsPerTcSubblock + n; }
inline int ikpRow(int subblock, int n) { return subblock * Rows::MeasurementsPerIkpSubblock + n; }
inline int unkGroupRow(int thread, int n) { return thread * Rows::ParamsPerUnkThread + n; }
inline int hartGroupRow(int device, int n) { return device * Rows::ParamsPerHartDevice + n; }

// The one gateway configuration of the program. Only the tables of `Protocol` hold rows; every
// table has a fixed number of rows, which are reset, never added or removed.
class GatewayConfig
{
public:
    ProtocolVariant Protocol = ProtocolVariant::None;
    CommonSettings Common;
    std::vector<ControllerEntry> Controllers;

    std::vector<GroupParamRef> GroupParams;
    std::vector<std::uint8_t> OkpSubblockTypes;
    std::vector<TcTuEntry> TcTuTable;
    std::vector<TiEntry> IkpTable;
    std::vector<ModbusCoilEntry> ModbusCoilTable;
    std::vector<TcTuEntry> ModbusTcTable;
    std::vector<TcTuEntry> TiFloatTable;
    std::vector<UnkThread> UnkThreads;
    Password ParoleWr{};
    std::vector<HartDevice> HartDevices;
    std::vector<KtsGroup> KtsGroups;
    std::vector<KtsSignal> KtsSignals;

    ChangedFlags Changed;

    QString FileName;
    bool IsNewFile = false;
    bool IsReadBack = false;
    bool HasFile = false;

    // Discards every table and makes the tables of `protocol` with empty rows; their changed
    // flags are cleared. Sets `Protocol`.
    void CreateFor(ProtocolVariant protocol);
    // The general settings of File -> New for the current protocol; HART and KTS Energia keep
    // `trepeat` from the previous configuration.
    void ResetCommon();
    void ClearControllers();
    // Rows outside the table are ignored (false).
    bool ResetRow(TableId table, int index);
    void ResetTable(TableId table);
    int RowCount(TableId table) const;
    // Whether a row holds something the gateway gets: a group slot with a parameter (УНК ТМ: a
    // number below 0xFF00), a sub-block that is not "нет", a ТС/ТУ row with data within the rows
    // its sub-block's type uses (all 32 of a ТС sub-block, the first 6 of a ТУ sub-block, none
    // of a "нет" sub-block), a coil command with its TU1, a discrete input, telemetry or
    // intelligent-point row with a parameter, a thread, HART device or КТС group with a
    // controller, a КТС telesignal that is not empty. False outside the table.
    bool RowInUse(TableId table, int index) const;
    int RowsInUse(TableId table) const;

    bool AnyChanged() const { return Changed.any(); }
    void ClearAllChanged() { Changed = ChangedFlags{}; }

    // Position in `Controllers` of the controller with this network number.
    std::optional<int> ControllerIndex(std::uint8_t netNumber) const;
    bool ControllerPresent(std::uint8_t netNumber) const;
    // Some controller has no database that was read.
    bool AnyDatabaseMissing() const;

    // What the configuration's protocol is made of.
    const ProtocolCatalogue& catalogue() const { return catalogueOf(Protocol); }

    friend bool operator==(const GatewayConfig&, const GatewayConfig&) = default;
};

} // namespace veg
