// The windows of Магистраль-1's controlled points: the sub-block types, the ТС, ТУ and telemetry
// windows of one sub-block, the intelligent point's overview, and what the controller list does
// to their tables.
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

class MagistralPointsTest : public EditorFixture
{
protected:
    GatewayConfig magistral(bool withControllers = true) const
    {
        GatewayConfig c = site(ProtocolVariant::Magistral1, withControllers);
        c.GroupParams[1] = {0x1A, 0x0421, 3, "ГрК (№ 0421)/Котлы(Насосная)"};
        return c;
    }
    // The value a script leaves in a field of the window on top.
    static QString field(const ScenarioRunner& runner, const QString& id)
    {
        for (const FormField& f : runner.top()->fields()) {
            if (f.id == id) {
                switch (f.kind) {
                case FormField::Kind::Choice:
                    return f.index < 0 ? QString() : f.items[f.index];
                case FormField::Kind::Spin:
                    return QString::number(f.value) + (f.visible ? "" : " hidden");
                default:
                    return f.text;
                }
            }
        }
        return "no field " + id;
    }
    static QStringList selectedPath(const ScenarioRunner& runner)
    {
        const ParamTree& t = *runner.top()->tree();
        return t.visible ? t.path(t.selected()) : QStringList{"hidden"};
    }
};

const QString kValve = "select Насосная \"Задвижка подачи\" ";

} // namespace

// Which row of the table a window's choices address: ТС s × 32 + o × 8 + b, ТУ s × 32 + o,
// telemetry s × 4 + m.
TEST_F(MagistralPointsTest, RowAddressing)
{
    struct Case
    {
        QString script;
        int row;
        bool telemetry;
    } cases[] = {
        {"open TFTC 2\nset Operation 3\nset Bit 5\n" + kValve + "\"Закрыть задвижку (№ 0202)\"\n", 84, false},
        {"open TFTC 0\n" + kValve + "\"Закрыть задвижку (№ 0202)\"\n", 0, false},
        {"open TFTC 13\nset Operation 4\nset Bit 8\n" + kValve + "\"Закрыть задвижку (№ 0202)\"\n", 447, false},
        {"open TFTU 13\nset Operation 6\n" + kValve + "\"Закрыть задвижку\"\n", 421, false},
        {"open TFTU 1\nset Operation 2\n" + kValve + "\"Закрыть задвижку\"\n", 33, false},
        {"open TFNastrIKP 11\nset Measurement 4\nselect Насосная Теплоузел Т\n", 47, true},
        {"open TFNastrIKP 2\nset Measurement 2\nselect Насосная Теплоузел Т\n", 9, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.script.toStdString());
        GatewayConfig c = magistral();
        // Every row starts empty: the source of a window follows to "no data"; "сигнал" first.
        const QString source = k.telemetry ? "параметр" : "сигнал";
        const QString script = k.script.section('\n', 0, -3) + "\nset Source " + source + "\n" +
                               k.script.section('\n', -2, -2) + "\nplace\nclose\n";
        run(c, script);
        for (int r = 0; r < int(k.telemetry ? c.IkpTable.size() : c.TcTuTable.size()); ++r) {
            const ParamCore& core = k.telemetry ? static_cast<const ParamCore&>(c.IkpTable[r])
                                                : c.TcTuTable[std::size_t(r)];
            EXPECT_EQ(core.Kind != 255, r == k.row) << r;
        }
    }
}

// A telesignal from a parameter, from a bit of a group parameter, and none; choosing a row makes
// the source, the tree and "Номер бита" follow it.
TEST_F(MagistralPointsTest, TelesignalSources)
{
    GatewayConfig c = magistral();
    ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run("open TFTC 4\n").ok);
    EXPECT_EQ(runner.top()->caption(), "Телесигнализация. Субблок 4");
    EXPECT_EQ(field(runner, "Position"), "Операция 1 разряд 1");
    EXPECT_EQ(field(runner, "Source"), "");
    EXPECT_EQ(field(runner, "BitNumber"), "0 hidden");
    EXPECT_EQ(selectedPath(runner), QStringList{"hidden"});

    // Bit 17 of slot 1 ("2 параметр") into operation 2, bit 3.
    ASSERT_TRUE(runner
                    .run("set Operation 2\nset Bit 3\nset Source группа\n"
                         "select \"2 параметр\" \"ГрК (№ 0421)/Котлы(Насосная) (№ 0421)\"\n"
                         "set BitNumber 17\nplace\n")
                    .ok);
    const TcTuEntry& group = c.TcTuTable[std::size_t(tcTuRow(4, 1 * 8 + 2))];
    EXPECT_EQ(group.Kind, 1);
    EXPECT_EQ(group.ParamNumber, 0x0111);
    EXPECT_EQ(group.NetNumber, 255);
    EXPECT_EQ(group.TaskNumber, 0xFFFF); // left as it was
    EXPECT_EQ(group.Name, "ГрК (№ 0421)/Котлы(Насосная) (№ 0421)");
    EXPECT_TRUE(c.Changed.TcChanged);
    EXPECT_EQ(field(runner, "Box3"), group.Name);

    // A parameter into bit 4 of the same operation.
    ASSERT_TRUE(runner.run("set Bit 4\nset Source сигнал\n" + kValve + "\"Откр (№ 0201)\"\nplace\n").ok);
    const TcTuEntry& signal = c.TcTuTable[std::size_t(tcTuRow(4, 11))];
    EXPECT_EQ(signal, (TcTuEntry{{0, 0x1A, 0x0201, 1}, 0, "Откр (№ 0201)/Задвижка подачи(Насосная)"}));

    // Back on bit 3: "группа", the slot's node and 17.
    ASSERT_TRUE(runner.run("set Bit 1\nset Bit 3\n").ok);
    EXPECT_EQ(field(runner, "Source"), "группа");
    EXPECT_EQ(field(runner, "BitNumber"), "17");
    EXPECT_EQ(selectedPath(runner),
              (QStringList{"2 параметр", "ГрК (№ 0421)/Котлы(Насосная) (№ 0421)"}));
    // On bit 4: "сигнал" with its parameter; on bit 5: nothing.
    ASSERT_TRUE(runner.run("click Box4\n").ok);
    EXPECT_EQ(field(runner, "Position"), "Операция 2 разряд 4");
    EXPECT_EQ(field(runner, "Source"), "сигнал");
    EXPECT_EQ(field(runner, "BitNumber"), "17 hidden");
    EXPECT_EQ(selectedPath(runner),
              (QStringList{"Насосная", "Задвижка подачи", "Откр (№ 0201)"}));
    ASSERT_TRUE(runner.run("set Bit 5\n").ok);
    EXPECT_EQ(field(runner, "Source"), "данных нет");

    // "данных нет" empties a row; a task node changes nothing.
    ASSERT_TRUE(runner.run("set Bit 4\nset Source \"данных нет\"\nplace\n").ok);
    EXPECT_EQ(signal, TcTuEntry{});
    const auto before = c.TcTuTable;
    ASSERT_TRUE(runner.run("set Source сигнал\nselect Насосная \"Задвижка подачи\"\nplace\n").ok);
    EXPECT_EQ(c.TcTuTable, before);

    // Closing clears the choices.
    ASSERT_TRUE(runner.run("close\n").ok);
    EXPECT_EQ(runner.top(), nullptr);
    EXPECT_EQ(only(runner.output(), {"box:"}), QStringList{});
}

// The windows of a sub-block open on the first row without following it: no source, no tree.
// The user's first choice of an operation, a bit or a measurement (the first one again too)
// makes the window follow the rows.
TEST_F(MagistralPointsTest, OpeningFollowsNoRow)
{
    struct Case
    {
        QString open, choose, source;
        QStringList located;
    } cases[] = {
        {"open TFTC 4\n",
         "set Bit 1\n",
         "сигнал",
         {"Насосная", "Задвижка подачи", "Откр (№ 0201)"}},
        {"open TFTC 4\n",
         "set Operation 1\n",
         "сигнал",
         {"Насосная", "Задвижка подачи", "Откр (№ 0201)"}},
        {"open TFTU 4\n", "set Operation 1\n", "сигнал", {"Насосная", "Задвижка подачи", "Откр"}},
        {"open TFNastrIKP 4\n", "click Box1\n", "параметр", {"Насосная", "Теплоузел", "Т"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE((k.open + k.choose).toStdString());
        GatewayConfig c = magistral();
        c.TcTuTable[std::size_t(tcTuRow(4, 0))] = {{0, 0x1A, 0x0201, 1}, 9, "Откр"};
        c.IkpTable[std::size_t(ikpRow(4, 0))] = {{2, 0x1A, 0x0301, 2}, "Т"};
        ScenarioRunner runner(c, additional);
        ASSERT_TRUE(runner.run(k.open).ok);
        EXPECT_EQ(field(runner, "Source"), "");
        EXPECT_EQ(selectedPath(runner), QStringList{"hidden"});
        const auto before = c;
        ASSERT_TRUE(runner.run("place\n").ok); // nothing to place by
        EXPECT_EQ(c.TcTuTable, before.TcTuTable);
        EXPECT_EQ(c.IkpTable, before.IkpTable);
        ASSERT_TRUE(runner.run(k.choose).ok);
        EXPECT_EQ(field(runner, "Source"), k.source);
        EXPECT_EQ(selectedPath(runner), k.located);
        EXPECT_EQ(only(runner.output(), {"box:"}), QStringList{});
    }
}

// The duration of "Телеуправление" is shown for every operation, whatever its source, and shows
// the operation's own pulse length.
TEST_F(MagistralPointsTest, TelecontrolDurationFollowsTheOperation)
{
    GatewayConfig c = magistral();
    c.TcTuTable[std::size_t(tcTuRow(2, 0))] = {{0, 0x1A, 0x0201, 1}, 9, "Откр"};
    c.TcTuTable[std::size_t(tcTuRow(2, 2))] = {{1, 0x1A, 0x0202, 1}, 200, "Закр"};
    ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run("open TFTU 2\n").ok);
    EXPECT_EQ(field(runner, "Duration"), "1");
    struct Step
    {
        int operation;
        QString source, duration;
    } steps[] = {
        {1, "сигнал", "9"},
        {2, "управления нет", "1"}, // an empty operation: the shortest pulse
        {3, "сигнал", "200"},
        {1, "сигнал", "9"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.operation);
        ASSERT_TRUE(runner.run(QString("set Operation %1\n").arg(s.operation)).ok);
        EXPECT_EQ(field(runner, "Source"), s.source);
        EXPECT_EQ(field(runner, "Duration"), s.duration);
    }
    ASSERT_TRUE(runner.run("set Source \"управления нет\"\n").ok);
    EXPECT_EQ(field(runner, "Duration"), "9"); // still shown
}

TEST_F(MagistralPointsTest, GroupSourceWithoutGroupParameters)
{
    GatewayConfig c = magistral();
    c.GroupParams[1] = GroupParamRef{};
    ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run("open TFTC 0\nset Source группа\nplace\n").ok);
    EXPECT_EQ(only(runner.output(), {"box:"}), QStringList{"box: Нет групповых параметров"});
    EXPECT_EQ(selectedPath(runner), QStringList{"hidden"});
    EXPECT_EQ(c.TcTuTable[0], TcTuEntry{});
}

// A telecontrol operation takes the parameter's value format and the pulse length; 255 is the
// longest pulse.
TEST_F(MagistralPointsTest, TelecontrolOperations)
{
    GatewayConfig c = magistral();
    ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner
                    .run("open TFTU 13\nset Operation 6\nset Source сигнал\n" + kValve +
                         "Откр\nset Duration 255\nplace\n"
                         "set Operation 5\nset Source сигнал\n" +
                         kValve + "\"Закрыть задвижку\"\nset Duration 3\nplace\n")
                    .ok);
    EXPECT_EQ(runner.top()->caption(), "Телеуправление. Субблок 13");
    const TcTuEntry& open = c.TcTuTable[421];
    EXPECT_EQ(open, (TcTuEntry{{2, 0x1A, 0x0201, 1}, 255, "Откр/Задвижка подачи(Насосная)"}));
    EXPECT_EQ(c.TcTuTable[420].Kind, 1); // the value format of "Закрыть задвижку"
    EXPECT_EQ(c.TcTuTable[420].Extra, 3);
    EXPECT_TRUE(c.Changed.TuChanged);
    EXPECT_FALSE(runner.run("set Duration 256\n").ok); // the spin box goes no further

    // Choosing an operation follows it: the parameter located and its pulse length.
    ASSERT_TRUE(runner.run("set Operation 1\nset Operation 6\n").ok);
    EXPECT_EQ(field(runner, "Position"), "Операция 6");
    EXPECT_EQ(field(runner, "Source"), "сигнал");
    EXPECT_EQ(field(runner, "Duration"), "255");
    EXPECT_EQ(selectedPath(runner), (QStringList{"Насосная", "Задвижка подачи", "Откр"}));
    ASSERT_TRUE(runner.run("set Operation 4\n").ok);
    EXPECT_EQ(field(runner, "Source"), "управления нет");
    EXPECT_EQ(field(runner, "Box6"), "Откр/Задвижка подачи(Насосная)");
    EXPECT_EQ(field(runner, "Box1"), "Нет параметра");
}

// The sub-block types: a choice keeps the rows of the sub-block; the buttons open the window of
// the type, and nothing without controllers.
TEST_F(MagistralPointsTest, OrdinaryPointTypes)
{
    GatewayConfig c = magistral();
    c.OkpSubblockTypes[4] = SubblockTc;
    for (int n = 0; n < 32; ++n)
        c.TcTuTable[std::size_t(tcTuRow(4, n))] = {{0, 0x1A, 0x0201, 1}, 0, "с"};
    const auto rows = c.TcTuTable;
    ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run("open TFOKP\nset Type4 нет\nset Type4 ТС\nset Type5 ТУ\n").ok);
    EXPECT_EQ(c.TcTuTable, rows);
    EXPECT_EQ(c.OkpSubblockTypes[4], SubblockTc);
    EXPECT_EQ(c.OkpSubblockTypes[5], SubblockTu);
    EXPECT_TRUE(c.Changed.OkpTypesChanged);
    EXPECT_FALSE(c.Changed.TcChanged);

    struct Case
    {
        QString button;
        QString window; // on top afterwards
    } cases[] = {{"Sub4", "TFTC"}, {"Sub5", "TFTU"}, {"Sub6", "TFOKP"}};
    for (const Case& k : cases) {
        ASSERT_TRUE(runner.run("press " + k.button + "\n").ok);
        EXPECT_EQ(runner.top()->windowName(), k.window);
        if (k.window != "TFOKP") {
            EXPECT_TRUE(runner.top()->caption().endsWith(k.button.mid(3)));
            ASSERT_TRUE(runner.run("close\n").ok);
        }
    }

    GatewayConfig none = magistral(false);
    none.OkpSubblockTypes[0] = SubblockTc;
    ScenarioRunner empty(none, additional);
    ASSERT_TRUE(empty.run("open TFOKP\npress Sub0\n").ok);
    EXPECT_EQ(empty.output(), QStringList{"box: Нет списка контроллеров!"});
    EXPECT_EQ(empty.top()->windowName(), "TFOKP");
    // A read-back configuration opens it: its controllers may be known by number only.
    none.IsReadBack = true;
    ScenarioRunner readBack(none, additional);
    ASSERT_TRUE(readBack.run("open TFOKP\npress Sub0\n").ok);
    EXPECT_EQ(readBack.top()->windowName(), "TFTC");
}

// The intelligent point: "есть" only when a sub-block's first measurement is set; the boxes
// follow the sub-block window's closing.
TEST_F(MagistralPointsTest, IntelligentPoint)
{
    GatewayConfig c = magistral();
    c.IkpTable[std::size_t(ikpRow(0, 0))] = {{2, 0x1A, 0x0301, 2}, "Т"};
    c.IkpTable[std::size_t(ikpRow(1, 1))] = {{2, 0x1A, 0x0301, 2}, "Т"};
    ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run("open TFIKP\n").ok);
    EXPECT_EQ(field(runner, "Has0"), "есть");
    EXPECT_EQ(field(runner, "Has1"), "нет");
    EXPECT_EQ(field(runner, "Has11"), "нет");

    ASSERT_TRUE(runner
                    .run("press Sub1\nset Source параметр\nselect Насосная \"Задвижка подачи\" "
                         "Тход\nplace\n")
                    .ok);
    EXPECT_EQ(runner.top()->caption(), "Настройка интеллектуального КП. Субблок 1");
    EXPECT_EQ(c.IkpTable[4], (TiEntry{{1, 0x1A, 0x0206, 1}, "Тход/Задвижка подачи(Насосная)"}));
    EXPECT_TRUE(c.Changed.IkpChanged);
    ASSERT_TRUE(runner.run("close\n").ok);
    EXPECT_EQ(runner.top()->windowName(), "TFIKP");
    EXPECT_EQ(field(runner, "Has1"), "есть");

    // The tree offers TypeCode 4 exactly, outside the group algorithms, arrays too.
    ASSERT_TRUE(runner.run("press Sub2\nset Source параметр\nshow tree\n").ok);
    EXPECT_EQ(only(runner.output(), {"  ", "> "}),
              (QStringList{"  Насосная", "    Задвижка подачи", "      Тход", "    Теплоузел",
                           "      Т", "      Арх", "  plant"}));
}

// A configuration read back from a gateway names what it has no database for by numbers.
TEST_F(MagistralPointsTest, ReadBackBoxes)
{
    GatewayConfig c = magistral();
    c.IsReadBack = true;
    c.Controllers[0].Present = false;
    c.TcTuTable[0] = {{0, 0x1A, 0x0201, 1}, 0, "Откр"};
    c.TcTuTable[1] = {{1, 255, 0x0105, 0xFFFF}, 0, "ГрК"};
    c.TcTuTable[2] = {{0, 0x2B, 0x0202, 7}, 0, "ЗакрО"};
    ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run("open TFTC 0\nset Bit 1\n").ok);
    EXPECT_EQ(field(runner, "Box1"), "Параметр 0201 (модуль 1A)");
    EXPECT_EQ(field(runner, "Box2"), "Параметр 0421 (модуль 1A)"); // slot 1's parameter
    EXPECT_EQ(field(runner, "Box3"), "ЗакрО");
    EXPECT_EQ(field(runner, "Box4"), "Нет параметра");
    // The tree shows the controller without database by its number, its node selected.
    EXPECT_EQ(selectedPath(runner), QStringList{"Модуль - сетевой номер 1A"});
}

// The controller list re-checks and cleans the ТС/ТУ table and the intelligent table.
TEST_F(MagistralPointsTest, ControllerListReachesThePoints)
{
    GatewayConfig c = magistral();
    c.GroupParams[0] = {0x1A, 0x0421, 3, "ГрК"};
    c.GroupParams[1] = {0x2B, 0x0201, 7, "чужой"};
    c.OkpSubblockTypes[0] = SubblockTc;
    c.OkpSubblockTypes[1] = SubblockTu;
    TcTuEntry& signal = c.TcTuTable[0];
    signal = {{0, 0x1A, 0x0202, 1}, 0, "Закрыть"};
    TcTuEntry& bitOf1A = c.TcTuTable[1];
    bitOf1A = {{1, 255, 0x0005, 0xFFFF}, 0, "бит слота 0"};
    TcTuEntry& bitOf2B = c.TcTuTable[2];
    bitOf2B = {{1, 255, 0x0107, 0xFFFF}, 0, "бит слота 1"};
    TcTuEntry& other = c.TcTuTable[3];
    other = {{0, 0x2B, 0x0201, 7}, 0, "ОткрО"};
    // A telecontrol operation whose value format is 1: no group bit.
    TcTuEntry& command = c.TcTuTable[32];
    command = {{1, 0x1A, 0x0201, 1}, 9, "Откр"};
    TcTuEntry& command2 = c.TcTuTable[33];
    command2 = {{2, 0x1A, 0x0201, 1}, 5, "Откр"};
    c.IkpTable[0] = {{0, 0x1A, 0x0206, 1}, "Тход"};
    c.IkpTable[1] = {{0, 0x2B, 0x0201, 7}, "чужой"};

    ScriptedDialogs dialogs;
    EditorSession session(c, dialogs, additional);
    EditorSet editors(session);
    ControllerRefsEditors registry;
    editors.registerRefsEditors(registry);
    DatabaseDirectories dirs{"", db.alg(), db.mod(), db.tsk()};
    ControllerListForm list(c, dirs, dialogs, registry);

    // A queue without 0202: the telesignal rows refuse it and change nothing.
    const GatewayConfig before = c;
    ASSERT_TRUE(list.SetQueue(1, db.path("Насосная-урезанная.tsk"), true));
    EXPECT_FALSE(registry.editor(RefsEditorKind::Telesignals)->RebindController(0));
    EXPECT_EQ(c.TcTuTable, before.TcTuTable);
    // One without 0206 (the intelligent table's): refused after the telesignal rows, which were
    // asked first, were re-described; the intelligent table is left as it was.
    ASSERT_TRUE(list.SetQueue(1, db.path("Насосная-новая.tsk"), true));
    EXPECT_FALSE(list.Revalidate(0));
    EXPECT_EQ(c.IkpTable, before.IkpTable);
    EXPECT_EQ(signal.TaskNumber, 9);
    c.IkpTable[0] = TiEntry{};

    // Every reference of 1A is re-described; the group bits keep their slots' names.
    c.Changed = {};
    ASSERT_TRUE(list.SetQueue(1, db.path("Насосная-новая.tsk"), true));
    EXPECT_TRUE(list.Revalidate(0));
    EXPECT_EQ(signal.TaskNumber, 9);
    EXPECT_EQ(signal.Name, "Насосная-новая/Новая задвижка/Закрыть новую");
    EXPECT_EQ(command.Name, "Насосная-новая/Новая задвижка/ОткрН");
    EXPECT_EQ(command.Extra, 9);
    EXPECT_EQ(bitOf1A.Name, "бит слота 0");
    EXPECT_EQ(other.Name, "ОткрО");
    EXPECT_TRUE(c.Changed.TcChanged);
    EXPECT_TRUE(c.Changed.IkpChanged);

    // Removing 1A empties its rows where they stand, the bits of its slot, and its
    // telecontrol operations of every value format.
    list.selectCell(1, 2);
    dialogs.confirms = {true};
    list.removeController();
    EXPECT_EQ(signal, TcTuEntry{});
    EXPECT_EQ(bitOf1A, TcTuEntry{});
    EXPECT_EQ(command, TcTuEntry{});
    EXPECT_EQ(command2, TcTuEntry{});
    EXPECT_EQ(bitOf2B.Name, "бит слота 1");
    EXPECT_EQ(other.Name, "ОткрО");
    EXPECT_EQ(c.IkpTable[1].Name, "чужой");
    EXPECT_EQ(c.TcTuTable.size(), std::size_t(Rows::TcTu));
}

// A telecontrol row of value format 1 is checked by its own parameter, not as a group bit of the
// slot its parameter number happens to name.
TEST_F(MagistralPointsTest, TelecontrolRowsAreNoGroupBits)
{
    GatewayConfig c = magistral();
    c.GroupParams[2] = {0x1A, 0x0201, 1, "Откр"};      // slot 2 holds a parameter of 1A...
    c.TcTuTable[32] = {{1, 0x1A, 0x0202, 1}, 3, "Закр"}; // ...and 0202 would name its bit 2
    ScriptedDialogs dialogs;
    EditorSession session(c, dialogs, additional);
    EditorSet editors(session);
    ControllerRefsEditors registry;
    editors.registerRefsEditors(registry);
    c.Controllers[0] = controller(db.path("Насосная-урезанная.tsk"), 0x1A); // no 0202
    ControllerRefsEditor* telesignals = registry.editor(RefsEditorKind::Telesignals);
    ASSERT_NE(telesignals, nullptr);
    EXPECT_FALSE(telesignals->RebindController(0));
    EXPECT_EQ(c.TcTuTable[32].Name, "Закр");
}

// Edit, save, reload: the same tables.
TEST_F(MagistralPointsTest, EditSaveReload)
{
    GatewayConfig c = magistral();
    run(c, "open TFOKP\nset Type2 ТС\nset Type3 ТУ\n"
           "press Sub2\nset Operation 4\nset Bit 8\nset Source сигнал\n" +
               kValve + "\"Откр (№ 0201)\"\nplace\n"
                        "set Bit 7\nset Source группа\nselect \"2 параметр\" "
                        "\"ГрК (№ 0421)/Котлы(Насосная) (№ 0421)\"\nset BitNumber 31\nplace\nclose\n"
                        "press Sub3\nset Operation 2\nset Source сигнал\n" +
               kValve + "\"Закрыть задвижку\"\nset Duration 40\nplace\nclose\nclose\n"
                        "open TFIKP\npress Sub5\nset Measurement 3\nset Source параметр\n"
                        "select Насосная Теплоузел Арх\nplace\nclose\nclose\n");
    EXPECT_EQ(c.TcTuTable[std::size_t(tcTuRow(2, 31))].ParamNumber, 0x0201);
    EXPECT_EQ(c.TcTuTable[std::size_t(tcTuRow(2, 30))].ParamNumber, 0x011F);
    EXPECT_EQ(c.TcTuTable[std::size_t(tcTuRow(3, 1))].Extra, 40);
    EXPECT_EQ(c.IkpTable[std::size_t(ikpRow(5, 2))].ParamNumber, 0x0302);

    const QString file = db.path("points.veg");
    ASSERT_TRUE(SaveConfiguration(c, file, true).ok);
    GatewayConfig back;
    ASSERT_TRUE(LoadConfiguration(back, file, {}).loaded());
    EXPECT_EQ(back.OkpSubblockTypes, c.OkpSubblockTypes);
    EXPECT_EQ(back.TcTuTable, c.TcTuTable);
    EXPECT_EQ(back.IkpTable, c.IkpTable);
}
