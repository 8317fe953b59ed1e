#include "CheckLines.h"
#include "EditorFixture.h"

#include "core/check/ConfigCheck.h"
#include "core/config/GatewayConfig.h"
#include "core/database/Task_CL.h"
#include "core/editors/EditorForm.h"
#include "core/editors/EditorGrid.h"
#include "core/editors/EditorSession.h"
#include "core/editors/EditorSet.h"
#include "core/editors/ScenarioRunner.h"

#include <functional>

using namespace veg;

namespace {

// The pump station (1A) and the plant (2B) of the editors' site.
class ConfigCheckTest : public EditorFixture
{
protected:
    // A potential command of one step on coil `coil`: complete as its window wants it.
    static ModbusCoilEntry command(std::uint16_t coil, std::uint8_t net = 0x1A,
                                   std::uint16_t param = 0x0201)
    {
        ModbusCoilEntry e;
        e.TU1 = {0, net, param, 1};
        e.NameTU1 = "Откр";
        e.TypeTU = 1;
        e.Coil = coil;
        return e;
    }
    static TcTuEntry signal(std::int32_t number, std::uint8_t net = 0x1A,
                            std::uint16_t param = 0x0201)
    {
        return {{0, net, param, 1}, number, "сигнал"};
    }
};

} // namespace

// A configuration just made, with or without controllers, has nothing to find: no window
// refuses to close over empty tables.
TEST_F(ConfigCheckTest, NewConfigurationsAreClean)
{
    for (int p = 0; p < kProtocolCount; ++p) {
        for (bool controllers : {false, true}) {
            const GatewayConfig c = site(ProtocolVariant(p), controllers);
            EXPECT_EQ(checkLines(c), QStringList()) << protocolNames()[p].toStdString();
        }
    }
    EXPECT_EQ(checkLines(GatewayConfig{}), QStringList()); // no configuration at all
}

// Speeds are list positions; a file's speed text can give a position beyond the lists, for
// which the gateway has no code and a write is refused. The finding names the text the file
// holds.
TEST_F(ConfigCheckTest, SpeedsWithoutGatewayCode)
{
    struct Case
    {
        std::uint8_t can, line;
        QStringList lines;
    };
    const QString can = "ERROR | Общие настройки, Частота обмена по шине CAN-BUS | У скорости нет "
                        "кода ВЕГ-78 (в файле «%1»): выберите 300, 150, 100, 50 или 20 кбит/с";
    const QString line = "ERROR | Общие настройки, Частота обмена внешняя линия - ВЕГ | У скорости "
                         "нет кода ВЕГ-78 (в файле «%1»): выберите от 300 до 19200 бод";
    const Case cases[] = {
        {4, 6, {}},
        {5, 5, {can.arg("75")}},
        {14, 8, {can.arg("10"), line.arg("19200")}},
        {0, 7, {line.arg("9600")}},
        {200, 0, {can.arg("200")}}, // beyond the file's table too
    };
    for (const Case& k : cases) {
        GatewayConfig c = site(ProtocolVariant::Modbus);
        c.Common.V_CAN = k.can;
        c.Common.V_Ext = k.line;
        EXPECT_EQ(checkLines(c), k.lines) << int(k.can) << " " << int(k.line);
    }
    // КТС Энергия's general settings never reach the gateway: only its window cannot show them.
    GatewayConfig kts = site(ProtocolVariant::KtsEnergia);
    kts.Common.V_CAN = 5;
    QStringList warning{can.arg("75")};
    warning[0].replace("ERROR", "WARNING");
    EXPECT_EQ(checkLines(kts), warning);
}

// The list itself: one network number twice, the gateway's own address, and the controllers
// whose parameters cannot be looked up: no database, or one read without its module (wrong
// library folders), whose references are then not judged.
TEST_F(ConfigCheckTest, ControllerList)
{
    GatewayConfig c = site(ProtocolVariant::Modbus);
    c.Common.AdrCAN = 0x1A;
    const QString nowhere = db.path("нет");
    c.Controllers[1].Database = std::make_shared<Task_CL>(plantQueue(), nowhere, nowhere, nowhere);
    c.TiFloatTable[0] = signal(100, 0x2B, 0x0999);
    c.Controllers.push_back(controller(db.path("нет.tsk"), 0x2B));
    ControllerEntry readBack;
    readBack.NetNumber = 0x4D; // known by its number only, as after a read-back
    c.Controllers.push_back(readBack);
    EXPECT_EQ(
        checkLines(c),
        QStringList({"WARNING | Список контроллеров, строка 1, Сетевой номер | Сетевой номер "
                     "1A совпадает с адресом ВЕГ-78 на CAN-BUS",
                     "WARNING | Список контроллеров, строка 2 | Модуль 1901 не найден в "
                     "папках базы данных (Путь к БД): ссылки на параметры контроллера 2B "
                     "не проверены",
                     "WARNING | Список контроллеров, строка 3 | База данных не найдена (" +
                         db.path("нет.tsk") + "): ссылки на параметры контроллера 2B не проверены",
                     "WARNING | Список контроллеров, строка 4 | Очередь задач не введена: "
                     "ссылки на параметры контроллера 4D не проверены",
                     "ERROR | Список контроллеров, строки 2 и 3, Сетевой номер | Сетевой "
                     "номер 2B у нескольких контроллеров: ВЕГ-78 не различит их на "
                     "CAN-BUS"}));
}

// Every reference of the rows the gateway gets: its controller must be in the list, its
// parameter in the controller's database, its group slot set. A row naming one missing
// controller in several references is reported once; rows not in use are not looked at; a
// controller without database is not looked into.
TEST_F(ConfigCheckTest, ModbusReferences)
{
    GatewayConfig c = site(ProtocolVariant::Modbus);
    c.Controllers.push_back(controller(db.path("нет.tsk"), 0x5E));
    c.GroupParams[0] = {0x1A, 0x0421, 3, "ГрК"};
    c.GroupParams[1] = {0x3C, 0x0421, 3, "чужой"};
    c.ModbusCoilTable[0] = command(0);
    c.ModbusCoilTable[0].TU0 = {0, 0x2B, 0x0999, 7};
    c.ModbusCoilTable[1] = command(2, 0x3C);
    c.ModbusCoilTable[1].TU0 = {0, 0x3C, 0x0202, 1};
    c.ModbusCoilTable[2] = command(4, 0x5E, 0x0999);            // no database: not looked into
    c.ModbusTcTable[4] = {{1, 0, 0x0205, 0xFFFF}, 10, "бит 5"}; // slot 2 is not set
    c.ModbusTcTable[5] = signal(11, 0x3C);
    c.ModbusTcTable[6] = {{1, 0, 0x0007, 0xFFFF}, 12, "бит 7"}; // slot 0 is
    c.TiFloatTable[2] = signal(100, 0x1A, 0x0777);
    c.TiFloatTable[3].NetNumber = 0x3C; // not in use
    EXPECT_EQ(
        checkLines(c),
        QStringList({"WARNING | Список контроллеров, строка 3 | База данных не найдена (" +
                         db.path("нет.tsk") + "): ссылки на параметры контроллера 5E не проверены",
                     "ERROR | Настройка групповых параметров, 2 параметр | Контроллера с сетевым "
                     "номером 3C нет в списке контроллеров",
                     "ERROR | Телеуправление, строка 1, Установка в 0 | Параметра 0999 нет в базе "
                     "данных контроллера 2B (plant)",
                     "ERROR | Телеуправление, строка 2, Установка в 1 | Контроллера с сетевым "
                     "номером 3C нет в списке контроллеров",
                     "ERROR | Телесигнализация, строка 5 | Сигнал из бита 5 группового параметра "
                     "3, а он не задан",
                     "ERROR | Телесигнализация, строка 6 | Контроллера с сетевым номером 3C нет в "
                     "списке контроллеров",
                     "ERROR | Телеизмерение параметров с плавающей точкой, строка 3 | Параметра "
                     "0777 нет в базе данных контроллера 1A (Насосная)"}));
}

// Магистраль-1: only the rows a sub-block's type sends (32 of a ТС sub-block, 6 of a ТУ one,
// none of a "нет" one), named as the windows name them.
TEST_F(ConfigCheckTest, MagistralReferences)
{
    GatewayConfig c = site(ProtocolVariant::Magistral1);
    c.OkpSubblockTypes[2] = SubblockTc;
    c.OkpSubblockTypes[3] = SubblockTu;
    c.TcTuTable[std::size_t(tcTuRow(2, 11))] = signal(0, 0x3C);
    c.TcTuTable[std::size_t(tcTuRow(2, 0))] = {{1, 255, 0x0003, 0xFFFF}, 0, "бит"};
    c.TcTuTable[std::size_t(tcTuRow(3, 1))] = signal(5, 0x1A, 0x0999);
    c.TcTuTable[std::size_t(tcTuRow(3, 7))] = signal(5, 0x3C); // beyond a ТУ sub-block's six
    c.TcTuTable[std::size_t(tcTuRow(4, 0))] = signal(0, 0x3C); // sub-block "нет"
    c.IkpTable[std::size_t(ikpRow(5, 2))] = {{0, 0x2B, 0x0203, 7}, "ТИ"};
    EXPECT_EQ(checkLines(c),
              QStringList({"ERROR | Настройка обычного КП, субблок 2, телеоперация 1, разряд 1 | "
                           "Сигнал из бита 3 группового параметра 1, а он не задан",
                           "ERROR | Настройка обычного КП, субблок 2, телеоперация 2, разряд 4 | "
                           "Контроллера с сетевым номером 3C нет в списке контроллеров",
                           "ERROR | Настройка обычного КП, субблок 3, операция 2 | Параметра 0999 "
                           "нет в базе данных контроллера 1A (Насосная)",
                           "ERROR | Интеллектуальное КП, субблок 5, телеизмерение 3 | Параметра "
                           "0203 нет в базе данных контроллера 2B (plant)"}));
}

// Coils and discrete inputs that two rows use, holding registers that two values share (a value
// takes two), numbers the gateway cannot keep in 16 bits, and odd coils.
TEST_F(ConfigCheckTest, ModbusNumbers)
{
    GatewayConfig c = site(ProtocolVariant::Modbus);
    c.ModbusCoilTable[0] = command(12);
    c.ModbusCoilTable[3] = command(12);
    c.ModbusCoilTable[5] = command(7);
    c.ModbusTcTable[0] = signal(5);
    c.ModbusTcTable[1] = signal(5);
    c.ModbusTcTable[2] = signal(70000);
    c.ModbusTcTable[3].Extra = 5; // not in use
    c.TiFloatTable[0] = signal(100, 0x1A, 0x0301);
    c.TiFloatTable[1] = signal(101, 0x1A, 0x0301);
    c.TiFloatTable[2] = signal(65535, 0x1A, 0x0301);
    c.TiFloatTable[3] = signal(103, 0x1A, 0x0301); // right behind 101-102, sharing nothing
    EXPECT_EQ(checkLines(c),
              QStringList({"ERROR | Телеуправление, строки 1 и 4 | Coil 12: номер у нескольких "
                           "строк",
                           "WARNING | Телеуправление, строка 6 | Coil 7 нечётный: окно принимает "
                           "только чётные номера",
                           "ERROR | Телесигнализация, строка 3 | Discret Input 70000 вне 0–65535: "
                           "ВЕГ-78 получит только младшие 16 бит номера",
                           "ERROR | Телесигнализация, строки 1 и 2 | Discret Input 5: номер у "
                           "нескольких строк",
                           "ERROR | Телеизмерение параметров с плавающей точкой, строка 3 | "
                           "Holding Registers 65535–65536 вне 0–65535: ВЕГ-78 получит только "
                           "младшие 16 бит номера",
                           "ERROR | Телеизмерение параметров с плавающей точкой, строки 1 и 2 | "
                           "Holding Register 101: номер у нескольких строк"}));
}

// Values a window refuses when typed, which a file or an import still gives: an error where the
// gateway gets them, a warning where it does not use them; a row a closing check already stops
// on is told once, with the window's box.
TEST_F(ConfigCheckTest, ValuesOnlyAWindowRefuses)
{
    struct Case
    {
        const char* name;
        ProtocolVariant protocol;
        std::function<void(GatewayConfig&)> change;
        QStringList lines;
    };
    const Case cases[] = {
        {"pulse_of_a_potential_command", ProtocolVariant::Modbus,
         [](GatewayConfig& c) {
             c.ModbusCoilTable[0] = command(0);
             c.ModbusCoilTable[0].TimeTU1 = 0; // "TimeTU1-0" missing from the file
         },
         {"WARNING | Телеуправление, строка 1 | ModbusCoilTable[0].TimeTU1: 0 вне диапазона "
          "длительности импульса 1…255 с (окно отвечает: \"Введите значение от 1с до 256с\")"}},
        {"parity_without_an_item", ProtocolVariant::Modbus,
         [](GatewayConfig& c) { c.Common.RCon = 9; },
         {"ERROR | Общие настройки | Common.RCon: 9 — не из списка видов контроля чётности (0 — по "
          "чётности, 1 — по нечётности, 2 — нет)"}},
        {"pulse_of_no_seconds_of_a_subblock", ProtocolVariant::Magistral1,
         [](GatewayConfig& c) {
             c.OkpSubblockTypes[1] = SubblockTu;
             c.TcTuTable[32] = signal(0); // "TimeTU0" missing: 0 s
         },
         {"ERROR | Настройка обычного КП, субблок 1, операция 1 | TcTuTable[32].Extra: 0 вне диапазона "
          "длительности сигнала 1…255 с (поле \"Длительность сигнала, сек\" в окне не выходит "
          "за эти пределы)"}},
        {"coil_type_without_an_item", ProtocolVariant::Modbus,
         [](GatewayConfig& c) {
             c.ModbusCoilTable[0] = command(0);
             c.ModbusCoilTable[0].TypeTU = 2; // the window takes it for a pulse
         },
         {"ERROR | Телеуправление, строка 1 | Введите окончание импульса ТУ!(Строка 1)"}},
    };
    for (const Case& k : cases) {
        GatewayConfig c = site(k.protocol);
        k.change(c);
        EXPECT_EQ(checkLines(c), k.lines) << k.name;
    }
}

// The windows' own closing checks, run without windows: every row they would stop on, with the
// window's box and row, not only the first; the window itself stops on the first of them; the
// configuration checked is not touched.
TEST_F(ConfigCheckTest, ClosingChecksOfEveryRefusedRow)
{
    GatewayConfig c = site(ProtocolVariant::Modbus);
    c.ModbusCoilTable[0] = command(0);
    c.ModbusCoilTable[1] = command(2);
    c.ModbusCoilTable[1].TypeTU = 0; // a pulse without its feedback signals
    c.ModbusCoilTable[4] = command(0xFFFF);
    c.ModbusCoilTable[7].Coil = 20; // a coil without its command
    c.TiFloatTable[2] = signal(100, 0x1A, 0x0301);
    c.TiFloatTable[2].Name.clear();
    c.Changed.ModbusCoilChanged = true;
    const GatewayConfig before = c;
    const QStringList lines = checkLines(c);
    EXPECT_EQ(lines, QStringList({"ERROR | Телеуправление, строка 2 | Введите окончание импульса "
                                  "ТУ!(Строка 2)",
                                  "ERROR | Телеуправление, строка 5 | Не введен Coil!(Строка 5)",
                                  "ERROR | Телеуправление, строка 8 | Не введен сигнал ТУ!(Строка "
                                  "8)",
                                  "ERROR | Телеизмерение параметров с плавающей точкой, строка 3 "
                                  "| Введите сигнал ТИ или удалите строку (3строка)!"}));
    EXPECT_EQ(c, before);

    ScenarioRunner window(c, additional);
    ASSERT_TRUE(window.run("open TFModbusTU\nclose\n").ok);
    EXPECT_EQ(window.output(), QStringList({"box: Введите окончание импульса ТУ!(Строка 2)"}));
}

// A finding opens its window on its row: the row the check names ("строка 6", the first of
// "строки 1 и 4") is the one a table window makes current, for every kind of finding of the
// tables shown row by row and for the controller list; findings of the window as a whole, or
// of threads and sub-blocks, open the window as it opens.
TEST_F(ConfigCheckTest, AFindingKnowsTheRowItsWindowOpensOn)
{
    GatewayConfig c = site(ProtocolVariant::Modbus);
    c.Controllers.push_back(controller(db.path("нет.tsk"), 0x5E));
    c.GroupParams[1] = {0x3C, 0x0421, 3, "чужой"};
    c.ModbusCoilTable[0] = command(12);
    c.ModbusCoilTable[0].TU0 = {0, 0x2B, 0x0999, 7};
    c.ModbusCoilTable[3] = command(12);
    c.ModbusCoilTable[5] = command(7);
    c.ModbusCoilTable[9] = command(0xFFFF); // refused on closing
    c.ModbusTcTable[29] = signal(11, 0x3C);
    c.TiFloatTable[40] = signal(100, 0x1A, 0x0777);
    c.Common.V_CAN = 5;
    const ConfigCheck check(c, additional);

    vegtest::ScriptedDialogs dialogs;
    EditorSession session(c, dialogs, additional);
    EditorSet editors(session);
    struct Seen
    {
        QString where;
        int row; // from 0; -1: none
    };
    std::vector<Seen> seen;
    for (const CheckFinding& f : check.findings()) {
        seen.push_back({f.where(), f.tableRow});
        if (f.tableRow < 0 || f.editor == EditorId::Controllers)
            continue;
        EditorForm& form = *editors.form(editors.windowOf(*f.editor));
        form.FormActivate();
        ASSERT_TRUE(form.showTableRow(f.tableRow)) << f.where().toStdString();
        EXPECT_EQ(form.grid()->currentRow - form.grid()->headingRows(), f.tableRow)
            << f.where().toStdString();
    }
    const std::vector<std::pair<const char*, int>> expected = {
        {"Общие настройки, Частота обмена по шине CAN-BUS", -1},
        {"Список контроллеров, строка 3", 2},
        {"Настройка групповых параметров, 2 параметр", -1},
        {"Телеуправление, строка 1, Установка в 0", 0},
        {"Телеуправление, строки 1 и 4", 0},
        {"Телеуправление, строка 6", 5},
        {"Телеуправление, строка 10", 9},
        {"Телесигнализация, строка 30", 29},
        {"Телеизмерение параметров с плавающей точкой, строка 41", 40},
    };
    ASSERT_EQ(seen.size(), expected.size());
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].where, QString::fromUtf8(expected[i].first));
        EXPECT_EQ(seen[i].row, expected[i].second) << expected[i].first;
    }

    // A row the grid does not have, and a window without rows of a table, change nothing.
    EditorForm& tu = *editors.form(editors.windowOf(EditorId::ModbusTu));
    tu.FormActivate();
    const int before = tu.grid()->currentRow;
    EXPECT_FALSE(tu.showTableRow(int(c.ModbusCoilTable.size())));
    EXPECT_FALSE(tu.showTableRow(-1));
    EXPECT_EQ(tu.grid()->currentRow, before);
    EXPECT_FALSE(editors.form(editors.windowOf(EditorId::Group))->showTableRow(1));
}
