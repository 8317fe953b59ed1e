// What differs between two configurations, field by field, in a stable order and notation.

#include "core/config/ConfigDiff.h"
#include "core/config/GatewayConfig.h"

#include <gtest/gtest.h>

#include <functional>

using namespace veg;

namespace {

GatewayConfig modbus()
{
    GatewayConfig c;
    c.Protocol = ProtocolVariant::Modbus;
    c.CreateFor(c.Protocol);
    c.ResetCommon();
    c.ClearControllers();
    c.Controllers.push_back(ControllerEntry{nullptr, QStringLiteral("/db/Котельная.tsk"), 0x1A, true});
    TcTuEntry& ti = c.TiFloatTable[0];
    ti.Kind = 0;
    ti.NetNumber = 0x1A;
    ti.ParamNumber = 0x0104;
    ti.TaskNumber = 1;
    ti.Extra = 100;
    ti.Name = QStringLiteral("Т подачи");
    return c;
}

QStringList lines(const GatewayConfig& a, const GatewayConfig& b, const DiffOptions& o = {})
{
    QStringList out;
    for (const ConfigDifference& d : compareConfigs(a, b, o))
        out << d.text();
    return out;
}

struct Change
{
    const char* name;
    std::function<void(GatewayConfig&)> change;
    QStringList expected;
};

const Change kChanges[] = {
    {"nothing", [](GatewayConfig&) {}, {}},
    {"file_state_is_no_content",
     [](GatewayConfig& c) {
         c.FileName = QStringLiteral("other.veg");
         c.Changed.TiFloatChanged = true;
         c.Controllers[0].Present = false;
     },
     {}},
    {"line_speed_as_the_speed", [](GatewayConfig& c) { c.Common.V_Ext = 6; },
     {"Common.V_Ext: 9600 -> 19200"}},
    {"speed_beyond_the_list", [](GatewayConfig& c) { c.Common.V_CAN = 7; },
     {"Common.V_CAN: 300 -> index 7 (file \"50\")"}},
    {"flag", [](GatewayConfig& c) { c.Common.SWAP = true; }, {"Common.SWAP: NO -> YES"}},
    {"name", [](GatewayConfig& c) { c.TiFloatTable[0].Name = QStringLiteral("Т \"обратки\""); },
     {"TiFloatTable[0].Name: \"Т подачи\" -> \"Т \\\"обратки\\\"\""}},
    {"parameter_and_network_number_in_hexadecimal",
     [](GatewayConfig& c) {
         c.TiFloatTable[0].ParamNumber = 0x010A;
         c.ModbusCoilTable[2].TU1.NetNumber = 0x2C;
     },
     {"ModbusCoilTable[2].TU1.NetNumber: FF -> 2C", "TiFloatTable[0].ParamNumber: 0104 -> 010A"}},
    {"controller_only_one_side_has",
     [](GatewayConfig& c) {
         c.Controllers.push_back(ControllerEntry{nullptr, QStringLiteral("/db/ЦТП.tsk"), 0x2C, true});
     },
     {"Controllers[1].Path: - -> \"/db/ЦТП.tsk\"", "Controllers[1].NetNumber: - -> 2C"}},
    {"file_type", [](GatewayConfig& c) { c.IsReadBack = true; }, {"IsReadBack: Input -> Read"}},
    // Protocol, file type, general settings, controllers, then the tables.
    {"order",
     [](GatewayConfig& c) {
         c.TiFloatTable[1].Extra = 7;
         c.Controllers[0].NetNumber = 0x1B;
         c.Common.AdrCAN = 2;
         c.IsReadBack = true;
         c.GroupParams[3].Name = QStringLiteral("Г");
     },
     {"IsReadBack: Input -> Read", "Common.AdrCAN: 00 -> 02", "Controllers[0].NetNumber: 1A -> 1B",
      "GroupParams[3].Name: \"\" -> \"Г\"", "TiFloatTable[1].Extra: 0 -> 7"}},
};

class ConfigDiffTest : public ::testing::TestWithParam<Change>
{
};

} // namespace

TEST_P(ConfigDiffTest, FieldsThatDiffer)
{
    const GatewayConfig a = modbus();
    GatewayConfig b = a;
    GetParam().change(b);
    EXPECT_EQ(lines(a, b), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Changes, ConfigDiffTest, ::testing::ValuesIn(kChanges),
                         [](const auto& info) { return std::string(info.param.name); });

// Two protocols share no tables: only the protocol, the general settings every protocol keeps and
// the controllers are compared.
TEST(ConfigDiff, ConfigurationsOfTwoProtocols)
{
    const GatewayConfig a = modbus();
    GatewayConfig b;
    b.Protocol = ProtocolVariant::Hart;
    b.CreateFor(b.Protocol);
    b.ResetCommon();
    b.Controllers = a.Controllers;
    b.Common = a.Common;
    b.Common.AdrOKP = 9; // not kept by every protocol
    b.Common.tbegin = 3;
    EXPECT_EQ(lines(a, b), (QStringList{"Protocol: Modbus -> HART", "Common.tbegin: " +
                                                                         QString::number(a.Common.tbegin) +
                                                                         " -> 3"}));
}

TEST(ConfigDiff, WhatTheOptionsLeaveOut)
{
    const GatewayConfig a = modbus();
    GatewayConfig b = a;
    b.IsReadBack = true;
    b.Controllers[0].QueuePath.clear();
    b.Controllers[0].NetNumber = 0x1B;
    DiffOptions o;
    o.fileType = false;
    o.controllerPaths = false;
    EXPECT_EQ(lines(a, b, o), QStringList{"Controllers[0].NetNumber: 1A -> 1B"});
    o.controllers = false;
    EXPECT_TRUE(lines(a, b, o).isEmpty());
}
