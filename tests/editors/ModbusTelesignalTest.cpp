// "Телесигнализация" of a Modbus configuration: discrete inputs from parameters or group bits.
#include "EditorFixture.h"
#include "TableRowPrinters.h"

#include "core/settings/DatabaseDirectories.h"
#include "core/database/ControllerListForm.h"
#include "core/database/ControllerRefsEditor.h"
#include "core/editors/EditorForm.h"
#include "core/editors/EditorSet.h"

using namespace veg;
using namespace vegtest;

namespace {

class ModbusTelesignalTest : public EditorFixture
{
protected:
    GatewayConfig modbus() const
    {
        GatewayConfig c = site();
        c.GroupParams[2] = {0x1A, 0x0421, 3, "ГрК"};
        return c;
    }
    static TcTuEntry parameterRow(int input)
    {
        return {{0, 0x1A, 0x0201, 1}, input, "Откр (№ 0201)/Задвижка подачи(Насосная)"};
    }
    static QString text(const ScenarioRunner& runner, int row, int column)
    {
        return runner.top()->grid()->cell(row, column).text;
    }
    static QStringList selectedPath(const ScenarioRunner& runner)
    {
        const ParamTree& t = *runner.top()->tree();
        return t.visible ? t.path(t.selected()) : QStringList{"hidden"};
    }
};

const QString kOpen = "open TFModbusTC\n";
const QString kValve = "select Насосная \"Задвижка подачи\" \"Откр (№ 0201)\"\n";
const QString kGroup = "select \"3 параметр\" \"ГрК (№ 0421)\"\n";

} // namespace

// What the number cells take and refuse; a typed name is kept.
TEST_F(ModbusTelesignalTest, CellChecks)
{
    struct Case
    {
        int row, column;
        QString keys;
        QString box;   // empty: accepted
        QString shown; // the cell afterwards
    } cases[] = {
        {1, 1, "\\b65535", "", "65535"},
        {1, 1, "\\b65536", "Номер Discret Inputs должен быть не больше 65535!", "7"},
        {1, 1, "\\b", "Введите значение!", "7"},
        {2, 1, "0", "", "0"}, // "нет" goes with the first digit
        {3, 3, "\\b\\b31", "", "31"},
        {3, 3, "\\b\\b32", "Номер бита должен быть не больше 31!", "5"},
        {1, 4, "\\b\\b\\bКлапан", "", QString("Откр (№ 0201)/Задвижка подачи(Насосная)").chopped(3) + "Клапан"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE((QString::number(k.column) + " " + k.keys).toStdString());
        GatewayConfig c = modbus();
        c.ModbusTcTable[0] = parameterRow(7);
        c.ModbusTcTable[2] = {{1, 0, 0x0205, 0xFFFF}, 9, "ГрК (№ 0421)"};
        ScenarioRunner runner(c, additional);
        ASSERT_TRUE(runner.run(kOpen + QString("type %1 %2 \"%3\"\n").arg(k.row).arg(k.column).arg(k.keys)).ok);
        EXPECT_EQ(only(runner.output(), {"box:"}),
                  k.box.isEmpty() ? QStringList{} : QStringList{"box: " + k.box});
        EXPECT_EQ(text(runner, k.row, k.column), k.shown);
    }
    GatewayConfig c = modbus();
    c.ModbusTcTable[2] = {{1, 0, 0x0205, 0xFFFF}, 9, "ГрК (№ 0421)"};
    run(c, kOpen + "type 3 3 \\b12\ntype 3 1 \\b40000\n");
    EXPECT_EQ(c.ModbusTcTable[2].ParamNumber, 0x020C);
    EXPECT_EQ(c.ModbusTcTable[2].Extra, 40000);
    EXPECT_TRUE(c.Changed.ModbusTcChanged);
}

// A discrete input from a group bit: slot × 256, NetNumber 0; the bit typed afterwards.
TEST_F(ModbusTelesignalTest, PlacingFromBothTrees)
{
    GatewayConfig c = modbus();
    ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner
                    .run(kOpen +
                         "choose 1 2 группа\n" + kGroup + "place\n" // no number yet
                         "type 1 1 12\nselect \"1 параметр\"\nplace\n" // a root is no parameter
                         + kGroup + "place\ntype 1 3 \\b5\n")
                    .ok);
    EXPECT_EQ(only(runner.output(), {"box:"}),
              (QStringList{"box: Введите адрес Discret Inputs", "box: Параметр не выбран!"}));
    EXPECT_EQ(c.ModbusTcTable[0], (TcTuEntry{{1, 0, 0x0205, 0xFFFF}, 12, "ГрК (№ 0421)"}));
    EXPECT_EQ(text(runner, 1, 2), "группа");
    EXPECT_EQ(runner.top()->grid()->cell(1, 4).hint, "01 0205 00");

    // A parameter into row 2, placed while column 3 is current: it goes into column 4.
    ASSERT_TRUE(runner.run("type 2 1 14\nchoose 2 2 параметр\n" + kValve + "click 2 3\nplace\n").ok);
    EXPECT_EQ(c.ModbusTcTable[1], parameterRow(14));
    EXPECT_TRUE(runner.top()->grid()->cell(2, 3).grey);
    EXPECT_EQ(runner.top()->grid()->currentColumn, 2); // the click on the grey bit moved to 2
    EXPECT_TRUE(c.Changed.ModbusTcChanged);
}

// Placing a group bit writes the signal cell, its hint and the changed flag, nothing else: a bit
// never typed stays empty and the closing asks for it instead of keeping bit 0; a bit typed
// before the placing is the bit placed.
TEST_F(ModbusTelesignalTest, PlacingAGroupLeavesTheOtherCells)
{
    GatewayConfig c = modbus();
    ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run(kOpen + "type 1 1 12\nchoose 1 2 группа\n" + kGroup + "place\n").ok);
    EXPECT_EQ(text(runner, 1, 1), "12");
    EXPECT_EQ(text(runner, 1, 2), "группа");
    EXPECT_EQ(text(runner, 1, 3), "");
    EXPECT_EQ(text(runner, 1, 4), "ГрК (№ 0421)");
    EXPECT_EQ(runner.top()->grid()->cell(1, 4).hint, "01 0200 00");
    EXPECT_EQ(c.ModbusTcTable[0], (TcTuEntry{{1, 0, 0x0200, 0xFFFF}, 12, "ГрК (№ 0421)"}));
    EXPECT_TRUE(c.Changed.ModbusTcChanged);
    ASSERT_TRUE(runner.run("close\n").ok);
    EXPECT_EQ(only(runner.output(), {"box:"}), QStringList{"box: Введите номер бита(1строка)!"});
    ASSERT_NE(runner.top(), nullptr);
    ASSERT_TRUE(runner.run("type 1 3 5\nclose\n").ok);
    EXPECT_EQ(runner.top(), nullptr);
    EXPECT_EQ(c.ModbusTcTable[0].ParamNumber, 0x0205);

    // The bit typed first, then the group placed: what the row shows is what it holds.
    GatewayConfig typed = modbus();
    run(typed, kOpen + "type 1 1 12\nchoose 1 2 группа\ntype 1 3 7\n" + kGroup + "place\nclose\n");
    EXPECT_EQ(typed.ModbusTcTable[0], (TcTuEntry{{1, 0, 0x0207, 0xFFFF}, 12, "ГрК (№ 0421)"}));

    // Placed again on a row in use, the row keeps its bit.
    GatewayConfig used = modbus();
    used.ModbusTcTable[0] = {{1, 0, 0x0209, 0xFFFF}, 4, "ГрК (№ 0421)"};
    ScenarioRunner again(used, additional);
    ASSERT_TRUE(again.run(kOpen + kGroup + "place\n").ok);
    EXPECT_EQ(text(again, 1, 3), "9");
    EXPECT_EQ(used.ModbusTcTable[0].ParamNumber, 0x0209);
}

// A key typed into the number, bit or signal cell is a change of the table, even when the cell
// refuses the value; a click or a source chosen is none.
TEST_F(ModbusTelesignalTest, TypingIsAChange)
{
    struct Case
    {
        QString script;
        bool changed;
    } cases[] = {
        {"type 1 1 \"\\b65536\"\n", true},
        {"type 3 3 \"\\b\\b32\"\n", true},
        {"type 1 4 X\n", true},
        {"click 1 4\nclick 3 1\nchoose 3 2 группа\n", false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.script.toStdString());
        GatewayConfig c = modbus();
        c.ModbusTcTable[0] = parameterRow(7);
        c.ModbusTcTable[2] = {{1, 0, 0x0205, 0xFFFF}, 9, "ГрК (№ 0421)"};
        ScenarioRunner runner(c, additional);
        ASSERT_TRUE(runner.run(kOpen + k.script).ok);
        EXPECT_EQ(c.Changed.ModbusTcChanged, k.changed);
    }
}

// The tree follows the row when another row is clicked; the source chosen switches it.
TEST_F(ModbusTelesignalTest, TreeFollowsTheRows)
{
    GatewayConfig c = modbus();
    c.ModbusTcTable[0] = parameterRow(1);
    c.ModbusTcTable[1] = {{1, 0, 0x0203, 0xFFFF}, 2, "ГрК (№ 0421)"};
    ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run(kOpen).ok);
    EXPECT_EQ(selectedPath(runner), (QStringList{"Насосная", "Задвижка подачи", "Откр (№ 0201)"}));
    ASSERT_TRUE(runner.run("click 2 4\n").ok);
    EXPECT_EQ(selectedPath(runner), (QStringList{"3 параметр", "ГрК (№ 0421)"}));
    // Within the row the user's selection stays.
    ASSERT_TRUE(runner.run("select \"1 параметр\"\nclick 2 1\n").ok);
    EXPECT_EQ(selectedPath(runner), QStringList{"1 параметр"});
    ASSERT_TRUE(runner.run("click 3 1\n").ok);
    EXPECT_EQ(selectedPath(runner), QStringList{"hidden"}); // no source chosen

    // Switching row 1 to "группа": its signal is asked for anew, the model waits for a placing.
    ASSERT_TRUE(runner.run("choose 1 2 группа\n").ok);
    EXPECT_EQ(text(runner, 1, 4), "");
    EXPECT_FALSE(runner.top()->grid()->cell(1, 3).grey);
    EXPECT_EQ(runner.top()->tree()->kind, ParamTree::Kind::Groups);
    EXPECT_EQ(c.ModbusTcTable[0], parameterRow(1));
    // The same source chosen again asks for a new signal too; the bit stays.
    ASSERT_TRUE(runner.run("choose 2 2 группа\n").ok);
    EXPECT_EQ(text(runner, 2, 4), "");
    EXPECT_EQ(text(runner, 2, 3), "3");
    EXPECT_EQ(c.ModbusTcTable[1], (TcTuEntry{{1, 0, 0x0203, 0xFFFF}, 2, "ГрК (№ 0421)"}));
    ASSERT_TRUE(runner.run("choose 1 2 параметр\n").ok);
    EXPECT_EQ(text(runner, 1, 4), "");
    EXPECT_EQ(c.ModbusTcTable[0], parameterRow(1));

    // Without group parameters the group tree is hidden with its message.
    GatewayConfig bare = site();
    bare.ModbusTcTable[0] = parameterRow(1);
    ScenarioRunner noGroups(bare, additional);
    ASSERT_TRUE(noGroups.run(kOpen + "choose 1 2 группа\n").ok);
    EXPECT_EQ(noGroups.output(), QStringList{"box: Нет групповых параметров"});
    EXPECT_EQ(selectedPath(noGroups), QStringList{"hidden"});
}

// A drop goes into the drop row when its source is the current row's.
TEST_F(ModbusTelesignalTest, DropsMatchTheSource)
{
    GatewayConfig c = modbus();
    c.ModbusTcTable[0] = parameterRow(1);
    c.ModbusTcTable[1] = {{1, 0, 0x0203, 0xFFFF}, 2, "ГрК (№ 0421)"};
    c.ModbusTcTable[2] = parameterRow(3);
    ScenarioRunner runner(c, additional);
    const auto before = c.ModbusTcTable;
    ASSERT_TRUE(runner.run(kOpen + "select Насосная \"Задвижка подачи\" \"Закрыть задвижку (№ 0202)\"\ndrop 2 4\n").ok);
    EXPECT_EQ(runner.output(), QStringList{"box: Выбранный параметр не соответствует типу ТС"});
    EXPECT_EQ(c.ModbusTcTable, before);
    ASSERT_TRUE(runner.run("drop 3 1\n").ok);
    EXPECT_EQ(c.ModbusTcTable[2].ParamNumber, 0x0202);
    EXPECT_EQ(c.ModbusTcTable[2].Extra, 3);
    EXPECT_EQ(runner.top()->grid()->currentColumn, 4);
}

// "Удалить" empties row 10 where it stands; rows 11-128 stay.
TEST_F(ModbusTelesignalTest, DeletingInPlace)
{
    GatewayConfig c = modbus();
    for (int i = 0; i < Rows::ModbusTc; ++i)
        c.ModbusTcTable[std::size_t(i)] = parameterRow(i);
    auto expected = c.ModbusTcTable;
    expected[9] = TcTuEntry{};
    ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run(kOpen + "answer yes\nmenu 10 4 Удалить\n").ok);
    EXPECT_EQ(only(runner.output(), {"ask:"}), QStringList{"ask: Удалить 10 строку? -> yes"});
    EXPECT_EQ(c.ModbusTcTable, expected);
    EXPECT_EQ(text(runner, 10, 1), "нет");
    EXPECT_EQ(text(runner, 11, 1), "10");
    EXPECT_EQ(selectedPath(runner), QStringList{"hidden"});
}

// The closing checks of rows with a source; a number typed into a row with nothing placed.
TEST_F(ModbusTelesignalTest, ClosingChecks)
{
    struct Case
    {
        QString script;
        QString box; // empty: the window closes
    } cases[] = {
        {"", ""},
        {"choose 3 2 параметр\n", "Введите сигнал ТУ или удалите строку (3строка)!"},
        {"choose 3 2 группа\ntype 3 4 имя\n", "Введите номер бита(3строка)!"},
        {"type 3 1 5\n", "Введите сигнал ТУ или удалите строку (3строка)!"},
        {"choose 3 2 параметр\nanswer yes\nmenu 3 1 Удалить\n", ""},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.script.toStdString());
        GatewayConfig c = modbus();
        c.ModbusTcTable[0] = parameterRow(1);
        ScenarioRunner runner(c, additional);
        ASSERT_TRUE(runner.run(kOpen + k.script + "close\n").ok);
        EXPECT_EQ(only(runner.output(), {"box:"}),
                  k.box.isEmpty() ? QStringList{} : QStringList{"box: " + k.box});
        EXPECT_EQ(runner.top() == nullptr, k.box.isEmpty());
    }
}

// A discrete input that two rows use is marked and named; closing goes on.
TEST_F(ModbusTelesignalTest, SharedInputsAreMarked)
{
    GatewayConfig c = modbus();
    c.ModbusTcTable[0] = parameterRow(5);
    c.ModbusTcTable[3] = parameterRow(5);
    c.ModbusTcTable[4] = parameterRow(6);
    ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run(kOpen + "show note\ntype 5 1 \\b5\nshow note\nclose\n").ok);
    EXPECT_EQ(only(runner.output(), {"note:"}),
              (QStringList{"note: Discret Input 5: строки 1 и 4",
                           "note: Discret Input 5: строки 1, 4 и 5"}));
    EXPECT_EQ(runner.top(), nullptr);
}

TEST_F(ModbusTelesignalTest, NoControllers)
{
    GatewayConfig c = site(ProtocolVariant::Modbus, false);
    ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run(kOpen + "show fields\n").ok);
    EXPECT_EQ(runner.output(), (QStringList{"box: Нет списка контроллеров!",
                                            "Поместить \"<< Поместить\": button [hidden]"}));
    EXPECT_FALSE(runner.top()->grid()->visible);
    EXPECT_FALSE(runner.top()->tree()->visible);
}

// The controller list: the discrete inputs are re-checked by the telesignal rows' rules (group
// bits keep their names, also for a controller of network number 0, the group rows' own) and a
// removed controller's rows are emptied where they stand, behind empty rows too.
TEST_F(ModbusTelesignalTest, ControllerListReachesTheInputs)
{
    GatewayConfig c = modbus();
    c.Controllers.push_back(controller(db.path("Насосная-новая.tsk"), 0x00));
    c.GroupParams[0] = {0x2B, 0x0201, 7, "ОткрО"};
    auto& t = c.ModbusTcTable;
    t[0] = parameterRow(1);
    t[2] = parameterRow(3); // behind an empty row
    t[3] = {{1, 0, 0x0205, 0xFFFF}, 4, "ГрК (№ 0421)"}; // a bit of 1A's slot 2
    t[4] = {{1, 0, 0x0001, 0xFFFF}, 5, "ОткрО (№ 0201)"}; // a bit of 2B's slot 0
    t[5] = {{0, 0x2B, 0x0202, 7}, 6, "ЗакрО"};
    t[6] = {{0, 0x00, 0x0201, 9}, 7, "Открыть новую"};

    ScriptedDialogs dialogs;
    EditorSession session(c, dialogs, additional);
    EditorSet editors(session);
    ControllerRefsEditors registry;
    editors.registerRefsEditors(registry);
    const DatabaseDirectories dirs{"", db.alg(), db.mod(), db.tsk()};
    ControllerListForm list(c, dirs, dialogs, registry);

    // The controller of network number 0 gets a new queue: its own row is re-described, the
    // group bits (NetNumber 0 too) keep their names.
    ASSERT_TRUE(list.SetQueue(3, db.path("Насосная-новая.tsk"), true));
    EXPECT_TRUE(list.Revalidate(2));
    EXPECT_EQ(t[6].Name, "Насосная-новая/Новая задвижка/ОткрН");
    EXPECT_EQ(t[3].Name, "ГрК (№ 0421)");
    EXPECT_EQ(t[4].Name, "ОткрО (№ 0201)");
    EXPECT_TRUE(c.Changed.ModbusTcChanged);
    // A queue of 1A without 0201: refused, nothing of the inputs changed.
    const auto before = t;
    ASSERT_TRUE(list.SetQueue(1, db.path("Насосная-урезанная.tsk"), true));
    EXPECT_FALSE(registry.editor(RefsEditorKind::Telesignals)->RebindController(0));
    c.Controllers[0] = controller(pumpQueue(), 0x1A);
    t[0].Name = "изменено";
    t[0].Name = before[0].Name;
    EXPECT_EQ(t, before);

    list.selectCell(1, 2);
    dialogs.confirms = {true};
    list.removeController();
    EXPECT_EQ(t[0], TcTuEntry{});
    EXPECT_EQ(t[2], TcTuEntry{});
    EXPECT_EQ(t[3], TcTuEntry{}); // its slot went with 1A
    EXPECT_EQ(t[4], before[4]);
    EXPECT_EQ(t[5], before[5]);
    EXPECT_EQ(t[6], before[6]);
}

TEST_F(ModbusTelesignalTest, EditSaveReload)
{
    GatewayConfig c = modbus();
    run(c, kOpen + "type 1 1 100\nchoose 1 2 параметр\n" + kValve +
               "place\ntype 2 1 101\nchoose 2 2 группа\n" + kGroup +
               "place\ntype 2 3 \\b31\ntype 2 4 \\b\\bАвария\nclose\n");
    EXPECT_EQ(c.ModbusTcTable[1].ParamNumber, 0x021F);
    EXPECT_EQ(c.ModbusTcTable[1].Name, "ГрК (№ 042Авария");
    const QString file = db.path("inputs.veg");
    ASSERT_TRUE(SaveConfiguration(c, file, true).ok);
    GatewayConfig back;
    ASSERT_TRUE(LoadConfiguration(back, file, {}).loaded());
    EXPECT_EQ(back.ModbusTcTable, c.ModbusTcTable);
}
