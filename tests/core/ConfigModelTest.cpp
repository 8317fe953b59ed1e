#include "core/config/GatewayConfig.h"

#include <gtest/gtest.h>

using namespace veg;

TEST(GatewayConfig, NewTablesHaveTheirFixedRowsAllEmpty)
{
    struct Case
    {
        ProtocolVariant p;
        int group;
        std::vector<std::pair<TableId, int>> tables;
    } cases[] = {
        {ProtocolVariant::Magistral1, 4,
         {{TableId::OkpSubblockTypes, 14}, {TableId::TcTuTable, 448}, {TableId::IkpTable, 48}}},
        {ProtocolVariant::Modbus, 4,
         {{TableId::ModbusCoilTable, 16}, {TableId::ModbusTcTable, 128}, {TableId::TiFloatTable, 64}}},
        {ProtocolVariant::UnkTm, 57, {{TableId::UnkThreads, 3}}},
        {ProtocolVariant::Hart, 80, {{TableId::HartDevices, 16}}},
        {ProtocolVariant::KtsEnergia, 4, {{TableId::KtsGroups, 16}, {TableId::KtsSignals, 16}}},
    };
    const TableId all[] = {TableId::OkpSubblockTypes, TableId::TcTuTable, TableId::IkpTable,
                           TableId::ModbusCoilTable, TableId::ModbusTcTable, TableId::TiFloatTable,
                           TableId::UnkThreads, TableId::HartDevices, TableId::KtsGroups,
                           TableId::KtsSignals};
    GatewayConfig c;
    for (const Case& k : cases) {
        c.Changed.GroupChanged = c.Changed.TcChanged = c.Changed.HartChanged = true;
        c.Changed.CommonChanged = true;
        c.CreateFor(k.p);
        EXPECT_EQ(c.Protocol, k.p);
        EXPECT_EQ(c.RowCount(TableId::GroupParams), k.group);
        for (TableId t : all) {
            int expected = 0;
            for (const auto& [id, rows] : k.tables) {
                if (id == t)
                    expected = rows;
            }
            EXPECT_EQ(c.RowCount(t), expected) << int(k.p) << " table " << int(t);
        }
        // The tables' flags are cleared by their creation, "Common" keeps its own.
        EXPECT_FALSE(c.Changed.GroupChanged || c.Changed.TcChanged || c.Changed.HartChanged);
        EXPECT_TRUE(c.Changed.CommonChanged);
    }
}

TEST(GatewayConfig, EmptyRowsAndTheirTexts)
{
    GatewayConfig c;
    c.CreateFor(ProtocolVariant::Magistral1);
    for (const TcTuEntry& e : c.TcTuTable) {
        EXPECT_EQ(refText(e), "FF FFFF FF");
        EXPECT_EQ(e.Name, "Нет параметра");
    }
    for (std::uint8_t t : c.OkpSubblockTypes)
        EXPECT_EQ(t, SubblockNone);
    EXPECT_EQ(refText(c.GroupParams[0]), "FFFF FF");
    EXPECT_FALSE(c.GroupParams[0].isUsed());

    c.CreateFor(ProtocolVariant::Modbus);
    EXPECT_EQ(c.ModbusCoilTable[0].Coil, 0xFFFF);
    EXPECT_EQ(c.ModbusCoilTable[0].TimeTU1, 1);
    EXPECT_TRUE(c.ModbusCoilTable[0].OC1.isEmpty());
    EXPECT_TRUE(c.ResetRow(TableId::ModbusTcTable, 127));
    EXPECT_FALSE(c.ResetRow(TableId::ModbusTcTable, 128));
    EXPECT_FALSE(c.ResetRow(TableId::TcTuTable, 0)); // not a table of Modbus

    c.CreateFor(ProtocolVariant::KtsEnergia);
    EXPECT_EQ(c.KtsGroups[3].Number, 2);
    EXPECT_EQ(c.KtsSignals[3].Flags, 255);

    EXPECT_EQ(threadName("abc"), "abc             ");
    EXPECT_EQ(threadName("12345678901234567890"), "1234567890123456");
}

TEST(GatewayConfig, RowAddressing)
{
    EXPECT_EQ(hartGroupRow(15, 4), 79);
    EXPECT_EQ(unkGroupRow(2, 18), 56);
    EXPECT_EQ(tcTuRow(13, 31), 447);
    EXPECT_EQ(ikpRow(11, 3), 47);
}

TEST(GatewayConfig, ResetCommonDefaultsPerProtocol)
{
    struct Case
    {
        ProtocolVariant p;
        int vExt, rBit, rCon, tBit, tCon, tbegin, trepeat;
    } cases[] = {
        {ProtocolVariant::Magistral1, 5, 1, 2, 1, 2, 100, 1},
        {ProtocolVariant::Modbus, 5, 1, 2, 1, 2, 22, 10},
        {ProtocolVariant::UnkTm, 2, 1, 2, 1, 2, 22, 0},
        {ProtocolVariant::Hart, 6, 0, 1, 0, 1, 22, 0},       // keeps 0 from УНК ТМ
        {ProtocolVariant::KtsEnergia, 5, 0, 1, 0, 0, 22, 0}, // keeps it again
        {ProtocolVariant::Modbus, 5, 1, 2, 1, 2, 22, 10},
    };
    GatewayConfig c;
    for (const Case& k : cases) {
        c.CreateFor(k.p);
        c.Common.AdrCAN = 7;
        c.Changed.CommonChanged = true;
        c.ResetCommon();
        const CommonSettings& m = c.Common;
        EXPECT_EQ(m.V_Ext, k.vExt) << int(k.p);
        EXPECT_EQ(m.RBit, k.rBit) << int(k.p);
        EXPECT_EQ(m.RCon, k.rCon) << int(k.p);
        EXPECT_EQ(m.TBit, k.tBit) << int(k.p);
        EXPECT_EQ(m.TCon, k.tCon) << int(k.p);
        EXPECT_EQ(m.tbegin, k.tbegin) << int(k.p);
        EXPECT_EQ(m.trepeat, k.trepeat) << int(k.p);
        EXPECT_EQ(m.AdrCAN, 0);
        EXPECT_EQ(m.AdrLong, (std::array<std::uint8_t, 5>{0, 2, 0, 0, 0}));
        EXPECT_EQ(m.Const1, 0xA001);
        EXPECT_EQ(m.TimeRes, 30);
        EXPECT_FALSE(c.Changed.CommonChanged);
    }
    // HART after a configuration with a polling period keeps it.
    c.CreateFor(ProtocolVariant::Modbus);
    c.ResetCommon();
    c.CreateFor(ProtocolVariant::Hart);
    c.ResetCommon();
    EXPECT_EQ(c.Common.trepeat, 10);
}

TEST(GatewayConfig, ControllerLookups)
{
    GatewayConfig c;
    c.Controllers = {{nullptr, "a", 0x1A, true}, {nullptr, "", 0x25, false}};
    c.Changed.ControllersChanged = true;
    EXPECT_EQ(c.ControllerIndex(0x25), 1);
    EXPECT_FALSE(c.ControllerIndex(0x30).has_value());
    EXPECT_TRUE(c.ControllerPresent(0x1A));
    EXPECT_FALSE(c.ControllerPresent(0x25));
    EXPECT_TRUE(c.AnyDatabaseMissing());
    c.ClearControllers();
    EXPECT_TRUE(c.Controllers.empty());
    EXPECT_FALSE(c.Changed.ControllersChanged);
}
