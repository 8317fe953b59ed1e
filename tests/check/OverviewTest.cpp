#include "EditorFixture.h"

#include "core/app/ConfigOverview.h"
#include "core/ui/Dialogs.h"
#include "core/config/GatewayConfig.h"
#include "core/database/Task_CL.h"
#include "core/editors/EditorSet.h"

using namespace veg;

namespace {

using Node = ConfigOverview::Node;

// The pump station (1A) and the plant (2B) of the editors' site.
class OverviewTest : public EditorFixture
{
protected:
    ConfigOverview describe(const GatewayConfig& c) { return describeConfiguration(c, additional); }
};

} // namespace

TEST_F(OverviewTest, NothingBeforeAConfiguration)
{
    const ConfigOverview o = describe(GatewayConfig{});
    EXPECT_FALSE(o.present);
    EXPECT_TRUE(o.tables.empty());
    EXPECT_TRUE(o.findings.empty());
}

// The gateway's box and its settings in words, for each protocol's defaults and for settings a
// file can hold: the two directions' formats when they differ, speeds without a gateway code.
TEST_F(OverviewTest, GatewayAndItsSettingsInWords)
{
    struct Case
    {
        ProtocolVariant protocol;
        std::function<void(CommonSettings&)> change;
        QStringList gateway;
        QString settings;
    };
    const Case cases[] = {
        {ProtocolVariant::Modbus,
         [](CommonSettings& m) { m.AdrExt = 0x11; },
         {"Modbus", "slave-адрес 11", "9600 бод"},
         "CAN 300 кбит/с, линия 9600 бод, 10 бит"},
        {ProtocolVariant::Hart,
         [](CommonSettings&) {},
         {"HART", "короткий адрес 00", "19200 бод"},
         "CAN 300 кбит/с, линия 19200 бод, 11 бит, нечёт"},
        {ProtocolVariant::KtsEnergia,
         [](CommonSettings& m) { m.V_CAN = 3; },
         {"КТС Энергия", "9600 бод"},
         "CAN 50 кбит/с, линия 9600 бод, передача 11 бит, чёт"},
        {ProtocolVariant::Magistral1,
         [](CommonSettings& m) {
             m.AdrExt = 5;
             m.AdrOKP = 6;
             m.RBit = 0;
             m.RCon = 0;
         },
         {"Магистраль-1", "адрес ИКП 05, ОКП 06", "9600 бод"},
         "CAN 300 кбит/с, линия 9600 бод, приём 11 бит, чёт, передача 10 бит"},
        {ProtocolVariant::UnkTm,
         [](CommonSettings& m) {
             m.V_CAN = 7;
             m.V_Ext = 8;
         },
         {"УНК ТМ", "slave-адрес 00", "скорость без кода (в файле «19200»)"},
         "CAN скорость без кода (в файле «50»), линия скорость без кода (в файле «19200»), 10 бит"},
    };
    for (const Case& k : cases) {
        GatewayConfig c = site(k.protocol);
        k.change(c.Common);
        const ConfigOverview o = describe(c);
        EXPECT_EQ(o.gateway.details, k.gateway) << protocolName(k.protocol).toStdString();
        EXPECT_EQ(o.settings, k.settings) << protocolName(k.protocol).toStdString();
        EXPECT_EQ(o.master.details, QStringList{"ведущий " + protocolName(k.protocol)});
    }
}

// Each controller by its queue name and network number, marked where its database or its module
// was not found.
TEST_F(OverviewTest, ControllersOnTheBus)
{
    GatewayConfig c = site(ProtocolVariant::Hart);
    c.Common.AdrCAN = 0x07;
    c.Common.V_CAN = 1;
    const QString nowhere = db.path("нет");
    c.Controllers[1].Database = std::make_shared<Task_CL>(plantQueue(), nowhere, nowhere, nowhere);
    c.Controllers.push_back(controller(db.path("Старая.tsk"), 0x3C));
    ControllerEntry readBack;
    readBack.NetNumber = 0x4D;
    c.Controllers.push_back(readBack);
    const ConfigOverview o = describe(c);
    EXPECT_EQ(o.bus, (Node{"CAN-BUS", {"150 кбит/с", "адрес ВЕГ-78 07"}, false}));
    EXPECT_EQ(o.controllers,
              (std::vector<Node>{{"Насосная", {"сетевой номер 1A"}, false},
                                 {"plant", {"сетевой номер 2B", "модуль не найден"}, true},
                                 {"Старая", {"сетевой номер 3C", "нет базы данных"}, true},
                                 {"Контроллер", {"сетевой номер 4D", "нет базы данных"}, true}}));
}

// Each table of the protocol with its rows in use out of its size, and the window that edits it:
// a window of the protocol's menu that the editors know.
TEST_F(OverviewTest, TablesWithTheirRowsInUse)
{
    GatewayConfig c = site(ProtocolVariant::Magistral1);
    c.GroupParams[2] = {0x1A, 0x0421, 3, "ГрК"};
    c.OkpSubblockTypes[0] = SubblockTc;
    c.OkpSubblockTypes[1] = SubblockTu;
    c.TcTuTable[std::size_t(tcTuRow(0, 31))] = {{0, 0x1A, 0x0201, 1}, 0, "ТС"};
    c.TcTuTable[std::size_t(tcTuRow(1, 5))] = {{0, 0x1A, 0x0201, 1}, 1, "ТУ"};
    c.TcTuTable[std::size_t(tcTuRow(1, 6))] = {{0, 0x1A, 0x0201, 1}, 1, "не отправляется"};
    c.TcTuTable[std::size_t(tcTuRow(2, 0))] = {{0, 0x1A, 0x0201, 1}, 0, "субблок нет"};
    c.IkpTable[5] = {{0, 0x1A, 0x0301, 2}, "ТИ"};
    const ConfigOverview o = describe(c);
    using T = TableId;
    using E = EditorId;
    EXPECT_EQ(o.tables, (std::vector<ConfigOverview::Table>{
                            {T::GroupParams, "Групповые параметры", 1, 4, E::Group},
                            {T::OkpSubblockTypes, "Субблоки обычного КП", 2, 14, E::Okp},
                            {T::TcTuTable, "ТС и ТУ обычного КП", 2, 448, E::Okp},
                            {T::IkpTable, "Телеизмерения интеллектуального КП", 1, 48, E::Ikp}}));

    vegtest::ScriptedDialogs dialogs;
    for (int p = 0; p < kProtocolCount; ++p) {
        GatewayConfig n = site(ProtocolVariant(p));
        EditorSession session(n, dialogs, additional);
        const EditorSet editors(session);
        const ConfigOverview each = describe(n);
        ASSERT_EQ(each.tables.size(), n.catalogue().tables.size());
        for (const ConfigOverview::Table& t : each.tables) {
            EXPECT_TRUE(n.catalogue().has(t.editor)) << t.title.toStdString();
            EXPECT_TRUE(editors.available(editors.windowOf(t.editor))) << t.title.toStdString();
            EXPECT_EQ(t.used, 0);
            EXPECT_EQ(t.size, n.RowCount(t.table));
        }
    }
}
