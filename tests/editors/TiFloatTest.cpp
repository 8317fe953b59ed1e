// "Телеизмерение параметров с плавающей точкой": holding-register telemetry, insert, printing.
#include "EditorFixture.h"
#include "TableRowPrinters.h"

#include "core/editors/EditorForm.h"
#include "core/editors/EditorSet.h"
#include "core/editors/TiFloatForm.h"

using namespace veg;
using namespace vegtest;

namespace {

class TiFloatTest : public EditorFixture
{
protected:
    static TcTuEntry row(int reg, const QString& name = "Т (№ 0301)/Теплоузел(Насосная)")
    {
        return {{0, 0x1A, 0x0301, 2}, reg, name};
    }
    static QString text(const ScenarioRunner& runner, int r, int column)
    {
        return runner.top()->grid()->cell(r, column).text;
    }
};

const QString kOpen = "open TFTIFloat\n";
const QString kTemperature = "select Насосная Теплоузел \"Т (№ 0301)\"\n";
const QString kTimeOfTravel = "select Насосная \"Задвижка подачи\" \"Тход (№ 0206)\"\n";

} // namespace

// Only TypeCodes whose bits 0-2 are 4 and bit 7 clear: 4 and 24, not C4 (nor A4, E4, 84).
TEST_F(TiFloatTest, TreeOffersFloats)
{
    GatewayConfig c = site();
    const QStringList out = run(c, kOpen + "show tree\n");
    EXPECT_EQ(only(out, {"  ", "> "}),
              (QStringList{"> Насосная", "    Задвижка подачи", "      Тход (№ 0206)",
                           "    Теплоузел", "      Т (№ 0301)", "      Арх (№ 0302)",
                           "      Ур (№ 0304)", "  plant"}));
}

// Placing needs the register first; the Kind is the parameter's value format.
TEST_F(TiFloatTest, Placing)
{
    GatewayConfig c = site();
    ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner
                    .run(kOpen + kTemperature + "place\ntype 1 1 100\nselect Насосная\nplace\n" +
                         kTemperature + "place\n" + kTimeOfTravel + "drop 2 1\ntype 2 1 102\n" +
                         kTimeOfTravel + "drop 2 1\n")
                    .ok);
    EXPECT_EQ(only(runner.output(), {"box:"}),
              (QStringList{"box: Введите адрес Holding Registers", "box: Параметр не выбран!",
                           "box: Введите адрес Holding Registers"}));
    EXPECT_EQ(c.TiFloatTable[0], (TcTuEntry{{0, 0x1A, 0x0301, 2}, 100, "Т (№ 0301)/Теплоузел(Насосная)"}));
    EXPECT_EQ(c.TiFloatTable[1].Kind, 1); // AttributeWord 0x1111
    EXPECT_EQ(c.TiFloatTable[1].Extra, 102);
    EXPECT_EQ(runner.top()->grid()->currentColumn, 2);
    EXPECT_EQ(runner.top()->grid()->cell(2, 2).hint, "01 0206 1A");
    EXPECT_TRUE(c.Changed.TiFloatChanged);
}

// Register 70000: refused, the old text back, the window held until column 1 is checked again.
TEST_F(TiFloatTest, RegisterErrorFlag)
{
    GatewayConfig c = site();
    c.TiFloatTable[0] = row(100);
    c.TiFloatTable[1] = row(200);
    ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run(kOpen + "type 2 1 \\b\\b\\b70000\nclose\n").ok);
    EXPECT_EQ(only(runner.output(), {"box:"}),
              (QStringList{"box: Номер Holding registers должен быть не больше 65535!",
                           "box: Номер Holding registers должен быть не больше 65535!"}));
    EXPECT_EQ(text(runner, 2, 1), "200");
    EXPECT_EQ(c.TiFloatTable[1].Extra, 200);
    ASSERT_NE(runner.top(), nullptr);
    ASSERT_TRUE(runner.run("type 1 1 \\b\\b\\b65535\nclose\n").ok);
    EXPECT_EQ(runner.top(), nullptr);
    EXPECT_EQ(c.TiFloatTable[0].Extra, 65535);

    // An empty register beside a name: "Введите значение!", held, the row then asks for a number.
    GatewayConfig e = site();
    e.TiFloatTable[0] = row(100);
    ScenarioRunner empty(e, additional);
    ASSERT_TRUE(empty.run(kOpen + "delete 1 1\nclose\ntype 2 1 5\n").ok);
    EXPECT_EQ(only(empty.output(), {"box:"}),
              (QStringList{"box: Введите значение!", "box: Введите значение!"}));
    ASSERT_TRUE(empty.run("answer yes\nmenu 2 1 Удалить\nclose\n").ok);
    EXPECT_EQ(only(empty.output(), {"box:"}).last(),
              "box: Введите номер Holding Registers или удалите строку (1строка)!");
}

TEST_F(TiFloatTest, ClosingChecks)
{
    struct Case
    {
        QString script;
        QString box;
    } cases[] = {
        {"", ""},
        {"type 2 1 8\n", "Введите сигнал ТИ или удалите строку (2строка)!"},
        {"type 2 2 Давление\n", "Введите номер Holding Registers или удалите строку (2строка)!"},
        {"type 2 1 8\ntype 2 2 Давление\n", "Введите сигнал ТИ или удалите строку (2строка)!"},
        {"type 1 2 \\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\\b\n",
         "Введите сигнал ТИ или удалите строку (1строка)!"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.script.toStdString());
        GatewayConfig c = site();
        c.TiFloatTable[0] = row(100);
        ScenarioRunner runner(c, additional);
        ASSERT_TRUE(runner.run(kOpen + k.script + "close\n").ok);
        EXPECT_EQ(only(runner.output(), {"box:"}),
                  k.box.isEmpty() ? QStringList{} : QStringList{"box: " + k.box});
        EXPECT_EQ(runner.top() == nullptr, k.box.isEmpty());
    }
}

// "Вставить" on row 3 of 64 rows in use: rows 3-63 move down, row 64's contents are lost and
// named under the grid; "Удалить" moves the rows up again.
TEST_F(TiFloatTest, InsertAndDelete)
{
    GatewayConfig c = site();
    for (int i = 0; i < Rows::TiFloat; ++i)
        c.TiFloatTable[std::size_t(i)] = row(2 * i, QString("ТИ %1").arg(i + 1));
    const auto before = c.TiFloatTable;
    ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run(kOpen + "menu 3 2 Вставить\nshow note\n").ok);
    ASSERT_EQ(c.TiFloatTable.size(), 64u);
    EXPECT_EQ(c.TiFloatTable[0], before[0]);
    EXPECT_EQ(c.TiFloatTable[1], before[1]);
    EXPECT_EQ(c.TiFloatTable[2], TcTuEntry{});
    for (int i = 3; i < 64; ++i)
        EXPECT_EQ(c.TiFloatTable[std::size_t(i)], before[std::size_t(i - 1)]) << i;
    EXPECT_EQ(text(runner, 3, 1), "нет");
    EXPECT_EQ(text(runner, 64, 2), "ТИ 63");
    EXPECT_EQ(only(runner.output(), {"note:"}),
              QStringList{"note: Вставка вытеснила строку 64: Holding Register 126, ТИ 64"});
    EXPECT_TRUE(c.Changed.TiFloatChanged);

    ASSERT_TRUE(runner.run("answer yes\nmenu 3 1 Удалить\n").ok);
    EXPECT_EQ(c.TiFloatTable[2], before[2]);
    EXPECT_EQ(c.TiFloatTable[63], TcTuEntry{});
    EXPECT_EQ(text(runner, 64, 1), "нет");
}

// A float takes two registers: overlapping pairs are marked and named; closing goes on.
TEST_F(TiFloatTest, OverlappingRegistersAreMarked)
{
    GatewayConfig c = site();
    c.TiFloatTable[0] = row(100);
    c.TiFloatTable[1] = row(101);
    c.TiFloatTable[2] = row(104);
    c.TiFloatTable[3] = row(104);
    c.TiFloatTable[4] = row(106);
    ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run(kOpen + "show note\nclose\n").ok);
    EXPECT_EQ(only(runner.output(), {"note:"}),
              QStringList{"note: Holding Register 101: строки 1 и 2; Holding Registers 104–105: "
                          "строки 3 и 4"});
    EXPECT_EQ(runner.top(), nullptr);
}

// "Печать": the heading and the rows in use, with the reference's numbers and the gateway's
// addresses, with the grid's widths and the page margins.
TEST_F(TiFloatTest, PrintTable)
{
    GatewayConfig c = site();
    c.Common.AdrCAN = 0x02;
    c.Common.AdrExt = 0x11;
    c.TiFloatTable[0] = row(100);
    c.TiFloatTable[2] = {{1, 0x2B, 0x0206, 7}, 104, "Тход"};
    ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run(kOpen + "press Печать\n").ok);
    EXPECT_EQ(only(runner.output(), {"print:"}),
              (QStringList{"print: № | Адрес Modbus параметров ТИ (Holding Registers) | Параметры "
                           "ТИ с плавающей точкой | Номер параметра | Сетевой номер К-19 | "
                           "Сетевой номер CAN ВЕГ-78 | Сетевой номер Modbus ВЕГ-78",
                           "print: 1 | 100 | Т (№ 0301)/Теплоузел(Насосная) | 0301 | 1A | 02 | 11",
                           "print: 3 | 104 | Тход | 0206 | 2B | 02 | 11"}));
    const PrintTable t = runner.editors().find<TiFloatForm>()->printTable();
    std::vector<int> widths;
    for (const auto& col : t.columns)
        widths.push_back(col.width);
    EXPECT_EQ(widths, (std::vector<int>{31, 74, 428, 74, 74, 74, 74}));
    EXPECT_DOUBLE_EQ(t.marginLeft, 0.05);
    EXPECT_DOUBLE_EQ(t.marginTop, 0.01);
    EXPECT_DOUBLE_EQ(t.marginRight, 0.0);
    EXPECT_DOUBLE_EQ(t.marginBottom, 0.02);
}

// The controller list: all 64 rows re-checked; a removed controller's rows go, also behind gaps.
TEST_F(TiFloatTest, ControllerList)
{
    GatewayConfig c = site();
    c.TiFloatTable[0] = row(100);
    c.TiFloatTable[39] = {{0, 0x1A, 0x0304, 2}, 178, "Ур"}; // not in the new queue
    c.TiFloatTable[41] = {{0, 0x2B, 0x0201, 7}, 182, "чужой"};
    ScriptedDialogs dialogs;
    EditorSession session(c, dialogs, additional);
    EditorSet editors(session);
    TiFloatForm& form = *editors.find<TiFloatForm>();
    c.Controllers[0] = controller(db.path("Насосная-новая.tsk"), 0x1A);
    const auto before = c.TiFloatTable;
    EXPECT_FALSE(form.RebindController(0));
    EXPECT_EQ(c.TiFloatTable, before);

    form.RemoveControllerRefs(0);
    EXPECT_EQ(c.TiFloatTable[39], before[41]); // 1A's two rows went, the rows behind moved up
    for (int i = 0; i < 64; ++i) {
        if (i != 39) {
            EXPECT_EQ(c.TiFloatTable[std::size_t(i)], TcTuEntry{}) << i;
        }
    }
}

TEST_F(TiFloatTest, EditSaveReload)
{
    GatewayConfig c = site();
    run(c, kOpen + "type 1 1 0\n" + kTemperature + "place\ntype 2 1 2\n" +
               "select Насосная Теплоузел \"Ур (№ 0304)\"\nplace\ntype 2 2 \\b\\b\\bУровень\n"
               "menu 1 1 Вставить\nclose\n");
    EXPECT_EQ(c.TiFloatTable[1].Extra, 0);
    EXPECT_EQ(c.TiFloatTable[2].ParamNumber, 0x0304);
    const QString file = db.path("floats.veg");
    ASSERT_TRUE(SaveConfiguration(c, file, true).ok);
    GatewayConfig back;
    ASSERT_TRUE(LoadConfiguration(back, file, {}).loaded());
    EXPECT_EQ(back.TiFloatTable, c.TiFloatTable);
}
