#include "EditorFixture.h"

#include "core/editors/EditorSet.h"

#include "core/editors/EditorForm.h"
#include "core/editors/EditorSet.h"

using namespace veg;
using namespace vegtest;

namespace {

class ScenarioRunnerTest : public EditorFixture
{
};

} // namespace

// A command the runner does not know, or bad arguments, stop the script at their line.
TEST_F(ScenarioRunnerTest, BadScriptsStopAtTheirLine)
{
    GatewayConfig config = site();
    struct Case
    {
        QString script;
        int line;
        QString error;
    } cases[] = {
        {"# a comment\n\nfrobnicate\n", 3, "frobnicate: unknown command"},
        {"open TFNope\n", 1,
         "open: no window \"TFNope\" (the windows: " +
             ScenarioRunner(config, additional).editors().windowNames().join(", ") + ")"},
        {"close\n", 1, "close: no window is open"},
        {"open TFCommon\nopen TFGroup\n", 2, "open: TFCommon is open; close it first"},
        {"open TFModbusTU\r\ntype 3 1 \"12\n", 2, "a quote is not closed"},
        {"answer maybe\n", 1, "answer: yes or no expected, not \"maybe\""},
        {"open TFModbusTU\nchoose 3 2 Лампа\n", 2,
         "choose: no item \"Лампа\" (the items: импульс|потенциал)"},
        {"open TFModbusTU\nchoose 3 1 x\n", 2, "choose: cell 3 1 has no drop-down"},
        {"open TFModbusTU\nclick 30 1\n", 2, "click: no cell 30 1"},
        {"open TFModbusTU\nselect Насосная Нет\n", 2,
         "select: no node \"Нет\" (there: Задвижка подачи)"},
        {"open TFModbusTU\nmenu 3 1 Вставить\n", 2,
         "menu: no item \"Вставить\" (the items: Удалить)"},
        {"open TFModbusTU\nshow everything\n", 2, "show: grid, tree, fields, note or all expected"},
        {"open TFCommon\nset tbegin 1\n", 2, "set: a number from 3 to 255 expected"},
        {"open TFCommon\nset AdrCAN 1\n", 2,
         "set: field \"AdrCAN\" is no choice, check box or spin box (use type or press)"},
        {"open TFCommon\npress AdrOKP\n", 2, "press: field \"AdrOKP\" is hidden"},
        {"open TFCommon\ncheck 1 1 on\n", 2, "check: TFCommon has no grid"},
        {"open TFModbusTU\nset 3 1 5\n", 2, "set: cell 3 1 has no spin edit"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.script.toStdString());
        GatewayConfig c = site();
        const auto r = ScenarioRunner(c, additional).run(k.script);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.line, k.line);
        EXPECT_EQ(r.error, k.error);
    }
    // A window that the protocol does not offer.
    GatewayConfig hart = site(ProtocolVariant::Hart);
    const auto r = ScenarioRunner(hart, additional).run("open TFGroup\n");
    EXPECT_EQ(r.error, "open: TFGroup is not offered for this configuration's protocol");
    // A sub-block beyond the window's table.
    GatewayConfig m1 = site(ProtocolVariant::Magistral1);
    EXPECT_EQ(ScenarioRunner(m1, additional).run("open TFNastrIKP 12\n").error,
              "open: TFNastrIKP has the sub-blocks 0-11");
}

TEST_F(ScenarioRunnerTest, WordsOfALine)
{
    struct Case
    {
        QString line;
        QStringList words;
    } cases[] = {
        {"  type 3 1  12 ", {"type", "3", "1", "12"}},
        {"select \"Котельная №1\" \"a \\\"b\\\"\" # comment",
         {"select", "Котельная №1", "a \"b\""}},
        {"type 4 4 \"\"", {"type", "4", "4", ""}},
        {"# only a comment", {}},
    };
    for (const Case& k : cases) {
        QStringList words;
        QString error;
        EXPECT_TRUE(ScenarioScript::splitLine(k.line, words, error));
        EXPECT_EQ(words, k.words) << k.line.toStdString();
    }
}

// Questions are answered in order; one without an answer is answered No.
TEST_F(ScenarioRunnerTest, AnswersAreTakenInOrder)
{
    GatewayConfig c = site();
    c.ModbusCoilTable[0].TU1 = {0, 0x1A, 0x0201, 1};
    c.ModbusCoilTable[0].Coil = 2;
    ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run("open TFModbusTU\nanswer no\nmenu 3 1 Удалить\nmenu 3 1 Удалить\n").ok);
    EXPECT_EQ(runner.output(),
              (QStringList{"ask: Удалить 1 строку? -> no", "ask: Удалить 1 строку? -> no"}));
    EXPECT_EQ(c.ModbusCoilTable[0].Coil, 2);
}
