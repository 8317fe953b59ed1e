#include "EditorFixture.h"

#include "core/editors/EditorForm.h"
#include "core/editors/EditorSet.h"
#include "core/editors/ModbusTelecontrolForm.h"

using namespace veg;
using namespace vegtest;

namespace {

class ModbusTelecontrolTest : public EditorFixture
{
protected:
    static ModbusCoilEntry pulseRow(std::uint16_t coil)
    {
        ModbusCoilEntry e;
        e.Coil = coil;
        e.TU1 = {2, 0x1A, 0x0201, 1};
        e.NameTU1 = "Откр (№ 0201)/Задвижка подачи(Насосная)";
        e.TU0 = {1, 0x1A, 0x0202, 1};
        e.NameTU0 = "Закрыть задвижку (№ 0202)/Задвижка подачи(Насосная)";
        e.OC1 = {1, 0x2B, 0x0201, 7};
        e.NameOC1 = "ОткрО";
        e.OC0 = {0, 0x2B, 0x0202, 7};
        e.NameOC0 = "ЗакрО";
        e.TimeTU1 = 5;
        e.TimeTU0 = 6;
        return e;
    }
    QString cell(GatewayConfig& c, const QString& script, int row, int column)
    {
        veg::ScenarioRunner runner(c, additional);
        EXPECT_TRUE(runner.run(script).ok);
        return runner.top()->grid()->cell(row, column).text;
    }
};

const QString kOpen = "open TFModbusTU\n";
const QString kOpenValve = "select Насосная \"Задвижка подачи\" \"Откр (№ 0201)\"\n";
const QString kCloseValve = "select Насосная \"Задвижка подачи\" \"Закрыть задвижку (№ 0202)\"\n";
const QString kOpenReturn = "select plant \"Задвижка обратки\" \"ОткрО (№ 0201)\"\n";
const QString kCloseReturn = "select plant \"Задвижка обратки\" \"ЗакрО (№ 0202)\"\n";

} // namespace

// What the coil and duration cells take, and what they refuse with which message.
TEST_F(ModbusTelecontrolTest, CellChecks)
{
    struct Case
    {
        int column;
        QString keys;
        QString box;   // empty: accepted
        QString shown; // the cell afterwards
        int stored;    // Coil / TimeTU1 / TimeTU0 afterwards
    } cases[] = {
        {1, "7", "Coil должен быть кратен 2!", "20", 20},
        {1, "65535", "Coil должен быть кратен 2!", "20", 20},
        {1, "65536", "Coil не должен превышать 65534!", "20", 20},
        {1, "99999999999999999999999", "Coil не должен превышать 65534!", "20", 20},
        {1, "\\b\\b", "Введите Coil!", "20", 20},
        {1, "65534", "", "65534", 65534},
        {1, "0", "", "0", 0},
        {10, "0", "Введите значение от 1с до 256с", "5", 5},
        {10, "256", "Введите значение от 1с до 256с", "5", 5},
        {10, "255", "", "255", 255},
        {11, "\\b", "Введите значение от 1с до 256с", "6", 6},
        {11, "1", "", "1", 1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE((QString::number(k.column) + " " + k.keys).toStdString());
        GatewayConfig c = site();
        c.ModbusCoilTable[0] = pulseRow(20);
        // The typed keys replace the cell's text: Backspace twice empties "20", then the keys.
        const QString keys = k.keys.startsWith("\\b") ? k.keys : "\\b\\b" + k.keys;
        veg::ScenarioRunner runner(c, additional);
        ASSERT_TRUE(runner.run(kOpen + QString("type 3 %1 \"%2\"\n").arg(k.column).arg(keys)).ok);
        EXPECT_EQ(only(runner.output(), {"box:"}),
                  k.box.isEmpty() ? QStringList{} : QStringList{"box: " + k.box});
        EXPECT_EQ(runner.top()->grid()->cell(3, k.column).text, k.shown);
        const ModbusCoilEntry& e = c.ModbusCoilTable[0];
        EXPECT_EQ(k.column == 1 ? e.Coil : k.column == 10 ? e.TimeTU1 : e.TimeTU0, k.stored);
        EXPECT_EQ(c.Changed.ModbusCoilChanged, k.box.isEmpty());
    }
    // The marker "нет" goes with the first key of a row not in use.
    GatewayConfig c = site();
    EXPECT_EQ(cell(c, kOpen + "type 4 1 8\n", 4, 1), "8");
    EXPECT_EQ(c.ModbusCoilTable[1].Coil, 8);
    // Keys in a column of names are swallowed.
    EXPECT_EQ(cell(c, kOpen + "type 4 4 abc\n", 4, 4), "");
}

// A user builds a two-step pulse command in an empty row from the tree, the drop-downs and the
// keyboard, is held once by the closing check, finishes it, and the file keeps it.
TEST_F(ModbusTelecontrolTest, BuildingACommandFromScratch)
{
    GatewayConfig c = site();
    const QString script = kOpen +
                           "type 4 1 12\n"
                           "choose 4 2 импульс\n"
                           "choose 4 3 \" 2\"\n" +
                           kOpenValve + "click 4 4\nplace\n" + kCloseValve +
                           "drop 4 5\n"
                           "choose 4 7 ОС=1\n" +
                           kOpenReturn + "drop 4 6\nchoose 4 7 ОС=1\n" + kCloseReturn +
                           "drop 4 8\nchoose 4 9 0\n"
                           "type 4 10 5\ntype 4 11 7\n" +
                           kOpenValve +
                           "drop 4 12\nchoose 4 13 \" 1\"\n"
                           "close\n"
                           "drop 4 14\nchoose 4 15 \" 0\"\n"
                           "close\n";
    veg::ScenarioRunner runner(c, additional);
    const auto r = runner.run(script);
    ASSERT_TRUE(r.ok) << r.line << r.error.toStdString();
    EXPECT_EQ(runner.output(),
              (QStringList{"box: Параметр ОС не выбран!",
                           "box: Введите предварительное условие готовности!(Строка 2)"}));
    EXPECT_EQ(runner.top(), nullptr); // closed

    const ModbusCoilEntry& e = c.ModbusCoilTable[1];
    EXPECT_EQ(e.Coil, 12);
    EXPECT_EQ(e.TypeTU, 0x10);
    EXPECT_EQ(e.TU1, (ParamCore{2, 0x1A, 0x0201, 1})); // Kind: the value format 2
    EXPECT_EQ(e.NameTU1, "Откр (№ 0201)/Задвижка подачи(Насосная)");
    EXPECT_EQ(e.TU0, (ParamCore{1, 0x1A, 0x0202, 1}));
    EXPECT_EQ(e.OC1, (ParamCore{1, 0x2B, 0x0201, 7})); // Kind: the sign chosen
    EXPECT_EQ(e.NameOC1, "ОткрО (№ 0201)/Задвижка обратки(plant)");
    EXPECT_EQ(e.OC0, (ParamCore{0, 0x2B, 0x0202, 7}));
    EXPECT_EQ(e.TimeTU1, 5);
    EXPECT_EQ(e.TimeTU0, 7);
    EXPECT_EQ(e.READY1, (ParamCore{1, 0x1A, 0x0201, 1}));
    EXPECT_EQ(e.READY0, (ParamCore{0, 0x1A, 0x0201, 1}));
    EXPECT_TRUE(c.Changed.ModbusCoilChanged);

    // Save, reload: the same table.
    const QString file = db.path("round.veg");
    ASSERT_TRUE(SaveConfiguration(c, file, true).ok);
    GatewayConfig back;
    ASSERT_TRUE(LoadConfiguration(back, file, {}).loaded());
    EXPECT_EQ(back.ModbusCoilTable, c.ModbusCoilTable);
}

// Type "потенциал" disables the feedback, the second duration and the second readiness; one
// step disables the readiness; clicks into disabled cells move to the choice that disabled them.
TEST_F(ModbusTelecontrolTest, TypeAndStepsDisableCells)
{
    GatewayConfig c = site();
    c.ModbusCoilTable[0] = pulseRow(2);
    c.ModbusCoilTable[0].TypeTU = 0x10;
    c.ModbusCoilTable[0].READY1 = {1, 0x1A, 0x0201, 1};
    c.ModbusCoilTable[0].NameREADY1 = "готов";
    veg::ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run(kOpen + "choose 3 2 потенциал\nclick 3 6\nshow grid\n").ok);
    const QStringList out = runner.output();
    EXPECT_TRUE(out.contains("grid: 19 x 16, current 3 2"));
    EXPECT_TRUE(out.contains(
        "row 3: 1 | 2 | потенциал |  2 | Откр (№ 0201)/Задвижка подачи(Насосная) {02 0201 1A} | "
        "~ {01 0202 1A} | ~ {FF 0201 2B} | ~ | ~ {FF 0202 2B} | ~ | ~ | ~ | "
        "готов {01 0201 1A} |  1 | ~ {FF FFFF FF} | ~"))
        << out.join("\n").toStdString();
    const ModbusCoilEntry& e = c.ModbusCoilTable[0];
    EXPECT_EQ(e.TypeTU, 0x11);
    EXPECT_EQ(e.OC1.Kind, 255);
    EXPECT_EQ(e.OC0.Kind, 255);
    EXPECT_EQ(e.TU0.ParamNumber, 0x0202); // stays in the model

    // Back to "импульс": the cells that turn white start empty, for the user to fill; the model
    // keeps what it held, and the closing asks for the durations again.
    ASSERT_TRUE(runner.run("choose 3 2 импульс\n").ok);
    const EditorGrid& g = *runner.top()->grid();
    for (int column : {5, 6, 7, 8, 9, 10, 11, 14, 15}) {
        EXPECT_EQ(g.cell(3, column).text, "") << column;
        EXPECT_FALSE(g.cell(3, column).grey) << column;
    }
    EXPECT_EQ(g.cell(3, 12).text, "готов"); // never grey
    EXPECT_EQ(e.TU0.ParamNumber, 0x0202);
    EXPECT_EQ(e.TimeTU1, 5);
    ASSERT_TRUE(runner.run("close\n").ok);
    EXPECT_EQ(runner.output().last(), "box: Введите длительность импульса ТУ!(Строка 1)");

    // One step: the readiness goes grey and READY1 empty; a click there moves to column 3.
    ASSERT_TRUE(runner.run("choose 3 3 \" 1\"\nclick 3 13\n").ok);
    EXPECT_EQ(e.TypeTU, 0x00);
    EXPECT_EQ(e.READY1.Kind, 255);
    EXPECT_TRUE(g.cell(3, 12).grey);
    EXPECT_EQ(g.cell(3, 12).text, "");
    EXPECT_EQ(g.currentColumn, 3);
}

// The closing checks, row by row in order, with the row named; the first finding keeps the
// window open.
TEST_F(ModbusTelecontrolTest, ClosingChecks)
{
    struct Case
    {
        const char* name;
        std::function<void(ModbusCoilEntry&)> setup; // on row 2 (row 1 is complete)
        QString script;
        QString box; // empty: the window closes
    };
    const Case cases[] = {
        {"complete", [](ModbusCoilEntry&) {}, "", ""},
        {"no coil", [](ModbusCoilEntry& e) { e = pulseRow(0xFFFF); }, "",
         "Не введен Coil!(Строка 2)"},
        {"coil without command", [](ModbusCoilEntry& e) { e.Coil = 4; }, "",
         "Не введен сигнал ТУ!(Строка 2)"},
        {"type not chosen", [](ModbusCoilEntry& e) { e.Coil = 4; }, kOpenValve + "drop 4 4\n",
         "Введите тип ТУ!(Строка 2)"},
        {"steps not chosen", [](ModbusCoilEntry& e) { e.Coil = 4; },
         kOpenValve + "drop 4 4\nchoose 4 2 импульс\n", "Введите число ступеней!(Строка 2)"},
        {"feedback without its sign",
         [](ModbusCoilEntry& e) {
             e = pulseRow(4);
             e.OC0.Kind = 255;
         },
         "", "Введите окончание импульса ТУ!(Строка 2)"},
        {"pulse with two steps and no second readiness",
         [](ModbusCoilEntry& e) {
             e = pulseRow(4);
             e.TypeTU = 0x10;
             e.READY1 = {0, 0x1A, 0x0201, 1};
             e.NameREADY1 = "г";
         },
         "", "Введите предварительное условие готовности!(Строка 2)"},
        {"potential with two steps and its readiness",
         [](ModbusCoilEntry& e) {
             e = pulseRow(4);
             e.TypeTU = 0x11;
             e.READY1 = {0, 0x1A, 0x0201, 1};
             e.NameREADY1 = "г";
         },
         "", ""},
        {"potential with one step",
         [](ModbusCoilEntry& e) {
             e = pulseRow(4);
             e.TypeTU = 0x01;
         },
         "", ""},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        GatewayConfig c = site();
        c.ModbusCoilTable[0] = pulseRow(2);
        k.setup(c.ModbusCoilTable[1]);
        veg::ScenarioRunner runner(c, additional);
        ASSERT_TRUE(runner.run(kOpen + k.script + "close\n").ok);
        EXPECT_EQ(only(runner.output(), {"box:"}),
                  k.box.isEmpty() ? QStringList{} : QStringList{"box: " + k.box});
        EXPECT_EQ(runner.top() == nullptr, k.box.isEmpty());
    }
    // A row whose coil is set but whose TU1 is empty shows "нет" on the next activation.
    GatewayConfig c = site();
    c.ModbusCoilTable[1].Coil = 4;
    EXPECT_EQ(cell(c, kOpen, 4, 1), "нет");
}

// "<< Поместить" outside the reference cells, without a parameter node, and drops.
TEST_F(ModbusTelecontrolTest, PlacingAndDropping)
{
    GatewayConfig c = site();
    veg::ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner
                    .run(kOpen + kOpenValve +
                         "click 3 2\nplace\n"
                         "select Насосная \"Задвижка подачи\"\nclick 3 4\nplace\n" +
                         kOpenValve + "drop 3 3\nshow grid\n")
                    .ok);
    const QStringList out = runner.output();
    EXPECT_EQ(
        only(out, {"box:"}),
        (QStringList{
            "box: Выберите \"сигнал ТУ\", или \"параметр ОС\", или \"сигнал готовности\" в таблице",
            "box: Параметр не выбран!"}));
    // A drop on a cell that takes no parameter makes it current and places nothing.
    EXPECT_TRUE(out.contains("grid: 19 x 16, current 3 3"));
    EXPECT_EQ(c.ModbusCoilTable[0], ModbusCoilEntry{});
    EXPECT_FALSE(c.Changed.ModbusCoilChanged);

    // A drop on a reference cell places there; the tree keeps its selection (no click-sync).
    ASSERT_TRUE(runner.run(kCloseReturn + "drop 5 6\n").ok);
    EXPECT_EQ(c.ModbusCoilTable[2].OC1, (ParamCore{255, 0x2B, 0x0202, 7}));
    EXPECT_EQ(runner.top()->grid()->cell(5, 6).hint, "FF 0202 2B");
    EXPECT_EQ(runner.top()->tree()->path(runner.top()->tree()->selected()),
              (QStringList{"plant", "Задвижка обратки", "ЗакрО (№ 0202)"}));
    EXPECT_TRUE(c.Changed.ModbusCoilChanged);

    // With short task names the name carries the short task name.
    additional.ShortTaskNames = true;
    GatewayConfig s = site();
    ASSERT_TRUE(veg::ScenarioRunner(s, additional)
                    .run(kOpen + "select Насосная ЗДВ \"Откр (№ 0201)\"\ndrop 3 4\n")
                    .ok);
    EXPECT_EQ(s.ModbusCoilTable[0].NameTU1, "Откр (№ 0201)/ЗДВ(Насосная)");
}

// A drop on a white readiness cell places there: every cell of a row not in use is white; a
// grey one takes nothing.
TEST_F(ModbusTelecontrolTest, DropsOnWhiteReadinessCells)
{
    GatewayConfig c = site();
    c.ModbusCoilTable[0] = pulseRow(2); // one step: its readiness cells are grey
    veg::ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run(kOpen + kCloseReturn + "drop 4 12\ndrop 4 14\n").ok);
    EXPECT_EQ(only(runner.output(), {"box:"}), QStringList{});
    const ModbusCoilEntry& free = c.ModbusCoilTable[1];
    EXPECT_EQ(free.READY1, (ParamCore{255, 0x2B, 0x0202, 7})); // the value is chosen beside it
    EXPECT_EQ(free.READY0, (ParamCore{255, 0x2B, 0x0202, 7}));
    EXPECT_EQ(runner.top()->grid()->cell(4, 12).text, "ЗакрО (№ 0202)/Задвижка обратки(plant)");

    const ModbusCoilEntry before = c.ModbusCoilTable[0];
    ASSERT_TRUE(runner.run("drop 3 12\n").ok);
    EXPECT_EQ(c.ModbusCoilTable[0], before);
    EXPECT_EQ(runner.top()->grid()->cell(3, 12).text, "");
}

// Click-sync: a click on a reference that names a parameter selects its node.
TEST_F(ModbusTelecontrolTest, ClicksFollowTheReferences)
{
    GatewayConfig c = site();
    c.ModbusCoilTable[0] = pulseRow(2);
    veg::ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run(kOpen).ok);
    const ParamTree& t = *runner.top()->tree();
    // Activation locates the first row's TU1.
    EXPECT_EQ(t.path(t.selected()), (QStringList{"Насосная", "Задвижка подачи", "Откр (№ 0201)"}));
    ASSERT_TRUE(runner.run("click 3 8\n").ok);
    EXPECT_EQ(t.path(t.selected()), (QStringList{"plant", "Задвижка обратки", "ЗакрО (№ 0202)"}));
    ASSERT_TRUE(runner.run("click 4 4\nclick 3 1\n").ok); // no reference there: stays
    EXPECT_EQ(t.path(t.selected()), (QStringList{"plant", "Задвижка обратки", "ЗакрО (№ 0202)"}));

    // A feedback or readiness reference whose sign or value is not chosen (Kind 255) is empty:
    // the tree stays where it is.
    GatewayConfig unsigned_ = site();
    unsigned_.ModbusCoilTable[0] = pulseRow(2);
    unsigned_.ModbusCoilTable[0].TypeTU = 0x10;
    unsigned_.ModbusCoilTable[0].OC1.Kind = 255;
    unsigned_.ModbusCoilTable[0].READY1 = {255, 0x2B, 0x0202, 7};
    unsigned_.ModbusCoilTable[0].NameREADY1 = "ЗакрО";
    veg::ScenarioRunner second(unsigned_, additional);
    ASSERT_TRUE(second.run(kOpen + "click 3 6\n").ok);
    const ParamTree& t2 = *second.top()->tree();
    EXPECT_EQ(t2.path(t2.selected()),
              (QStringList{"Насосная", "Задвижка подачи", "Откр (№ 0201)"}));
    ASSERT_TRUE(second.run("click 3 12\n").ok);
    EXPECT_EQ(t2.path(t2.selected()),
              (QStringList{"Насосная", "Задвижка подачи", "Откр (№ 0201)"}));
    ASSERT_TRUE(second.run("click 3 8\n").ok); // its sign chosen: located
    EXPECT_EQ(t2.path(t2.selected()), (QStringList{"plant", "Задвижка обратки", "ЗакрО (№ 0202)"}));
}

// "Удалить" on row 3 of 16 moves rows 4-16 up; row 16 is no longer in use.
TEST_F(ModbusTelecontrolTest, DeletingMovesTheRowsUp)
{
    GatewayConfig c = site();
    for (int i = 0; i < 16; ++i)
        c.ModbusCoilTable[std::size_t(i)] = pulseRow(std::uint16_t(2 * i));
    const auto before = c.ModbusCoilTable;
    veg::ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run(kOpen + "answer no\nmenu 5 4 Удалить\n").ok);
    EXPECT_EQ(c.ModbusCoilTable, before);
    ASSERT_TRUE(runner.run("answer yes\nmenu 5 4 Удалить\n").ok);
    EXPECT_EQ(only(runner.output(), {"ask:"}),
              (QStringList{"ask: Удалить 3 строку? -> no", "ask: Удалить 3 строку? -> yes"}));
    ASSERT_EQ(c.ModbusCoilTable.size(), 16u);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(c.ModbusCoilTable[std::size_t(i)], before[std::size_t(i < 2 ? i : i + 1)]) << i;
    EXPECT_EQ(c.ModbusCoilTable[15], ModbusCoilEntry{});
    const EditorGrid& g = *runner.top()->grid();
    EXPECT_EQ(g.cell(5, 1).text, "6");
    EXPECT_EQ(g.cell(18, 0).text, "16");
    EXPECT_EQ(g.cell(18, 1).text, "нет");
    EXPECT_EQ(g.cell(18, 4).text, "");
    EXPECT_TRUE(c.Changed.ModbusCoilChanged);
}

// A coil number that two rows use is marked in both and named under the grid; it does not keep
// the window open.
TEST_F(ModbusTelecontrolTest, DuplicateCoilsAreMarked)
{
    GatewayConfig c = site();
    for (int i : {0, 2, 5})
        c.ModbusCoilTable[std::size_t(i)] = pulseRow(12);
    c.ModbusCoilTable[1] = pulseRow(4);
    c.ModbusCoilTable[3] = pulseRow(4);
    c.ModbusCoilTable[4] = pulseRow(8);
    veg::ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run(kOpen + "show note\ntype 8 1 \\b\\b6\nshow note\n").ok);
    EXPECT_EQ(only(runner.output(), {"note:"}),
              (QStringList{"note: Coil 4: строки 2 и 4; Coil 12: строки 1, 3 и 6",
                           "note: Coil 4: строки 2 и 4; Coil 12: строки 1 и 3"}));
    const EditorGrid& g = *runner.top()->grid();
    EXPECT_TRUE(g.cell(3, 1).marked);
    EXPECT_FALSE(g.cell(7, 1).marked);
    EXPECT_FALSE(g.cell(8, 1).marked);
    ASSERT_TRUE(runner.run("close\n").ok);
    EXPECT_EQ(runner.top(), nullptr);
}

// A configuration read back from a gateway names the references of controllers without
// database by their numbers; without controllers the window has nothing to show.
TEST_F(ModbusTelecontrolTest, ReadBackAndNoControllers)
{
    GatewayConfig c = site();
    c.IsReadBack = true;
    c.Controllers[1].Present = false;
    c.ModbusCoilTable[0] = pulseRow(2);
    EXPECT_EQ(cell(c, kOpen, 3, 4), "Откр (№ 0201)/Задвижка подачи(Насосная)");
    EXPECT_EQ(cell(c, kOpen, 3, 6), "Параметр 0201 (модуль 2B)");

    GatewayConfig none = site(ProtocolVariant::Modbus, false);
    veg::ScenarioRunner runner(none, additional);
    const auto r = runner.run(kOpen + "click 3 1\n");
    EXPECT_EQ(runner.output(), QStringList{"box: Нет списка контроллеров!"});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 2);
    EXPECT_EQ(r.error, "click: the grid is hidden");
}
