#include "MeteringFixture.h"

#include "core/editors/EditorForm.h"
#include "core/editors/EditorSet.h"
#include "core/editors/KtsGroupsForm.h"
#include "core/editors/KtsSignalsForm.h"

#include <cmath>
#include <limits>

using namespace veg;
using namespace vegtest;

namespace {

class KtsEditorsTest : public MeteringFixture
{
protected:
    GatewayConfig kts() { return station(ProtocolVariant::KtsEnergia); }
    std::unique_ptr<ScenarioRunner> runner(GatewayConfig& c, const QString& script,
                                           QChar separator = u'.')
    {
        auto r = std::make_unique<ScenarioRunner>(c, additional, separator);
        const auto result = r->run(script);
        EXPECT_TRUE(result.ok) << result.line << ": " << result.error.toStdString();
        return r;
    }
    static QString cell(const ScenarioRunner& r, int row, int column)
    {
        return r.top() ? r.top()->grid()->cell(row, column).text : QStringLiteral("(closed)");
    }
    // Row `index` of "Гребёнка": the density of the station, scale 0-100, 2 decimals.
    static void densityGroup(GatewayConfig& c, int index)
    {
        KtsGroup& k = c.KtsGroups[std::size_t(index)];
        k.SetN = 0x21;
        k.ParamNumber = 0x0101;
        k.TaskNumber = 1;
        k.Name = "Плотн (№ 0101)/Нитка 1(Узел учёта)";
        k.BegScale = 0;
        k.EndScale = 100;
        k.Number = 2;
    }
    // The station's group parameter in group slot 2 ("3 параметр").
    static void groupSlot2(GatewayConfig& c)
    {
        c.GroupParams[2] = {0x21, 0x0321, 3, "ГрУ (№ 0321)/Группы узла(Узел учёта)"};
    }
};

const QString kGroups = "open TFKTC_Gr\n";
const QString kSignals = "open TFKTC_TC\n";
const QString kStation = "\"Узел учёта( CAN-адрес - 21)\"";
const QString kBoiler = "\"Котельная( CAN-адрес - 22)\"";

} // namespace

// Scales as the grid shows them: 8 significant digits, the row's decimals, the system's
// separator.
TEST_F(KtsEditorsTest, ScaleTexts)
{
    struct Case
    {
        float value;
        int decimals;
        QChar separator;
        QString text;
    } cases[] = {
        {0.0f, 2, u',', "0,00"},
        {100.0f, 2, u',', "100,00"},
        {100.0f, 0, u'.', "100"},
        {0.1f, 2, u'.', "0.10"},
        {3.14159265f, 8, u'.', "3.14159270"},
        {-0.001f, 2, u',', "0,00"},
        {-273.15f, 2, u',', "-273,15"},
        {123456789.0f, 2, u',', "1,2345679E+08"},
        {std::numeric_limits<float>::quiet_NaN(), 2, u'.', "NAN"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text.toStdString());
        EXPECT_EQ(KtsGroupsForm::scaleText(k.value, k.decimals, k.separator), k.text);
    }
    struct Read
    {
        QString text;
        QChar separator;
        std::optional<float> value;
    } reads[] = {
        {"12,5", u',', 12.5f},         {"12.5", u'.', 12.5f},
        {"12.5", u',', std::nullopt},  {"12,5", u'.', std::nullopt},
        {"", u'.', std::nullopt},      {",", u',', std::nullopt},
        {"1,2,3", u',', std::nullopt}, {"-3,5", u',', -3.5f},
        {"1e50", u'.', std::nullopt},  {"1,2345679E+08", u',', 123456792.0f},
    };
    for (const Read& k : reads) {
        SCOPED_TRACE(k.text.toStdString());
        EXPECT_EQ(KtsGroupsForm::readScale(k.text, k.separator), k.value);
    }
}

// A group value with scale 0-100 and 2 decimals under a decimal comma; "." and "," typed both
// enter the comma; the closing stores the scales read with it.
TEST_F(KtsEditorsTest, GroupScalesUnderADecimalComma)
{
    GatewayConfig c = kts();
    densityGroup(c, 0);
    auto r = runner(c, kGroups + "show grid\n", u',');
    EXPECT_TRUE(r->output().contains("row 1: 1 | Узел учёта( CAN-адрес - 21) | "
                                     "Плотн (№ 0101)/Нитка 1(Узел учёта) {0101 21} | 0,00 | "
                                     "100,00 | 2"))
        << r->output().join("\n").toStdString();
    ASSERT_TRUE(r->run("type 1 3 \\b\\b\\b\\b-1.5x\ntype 1 4 \\b\\b\\b3,25\nset 1 5 3\n").ok);
    EXPECT_EQ(cell(*r, 1, 3), "1,5"); // the minus and the letter are swallowed
    EXPECT_EQ(cell(*r, 1, 4), "1003,25");
    EXPECT_EQ(cell(*r, 1, 5), "3");
    EXPECT_EQ(c.KtsGroups[0].EndScale, 100.0f); // stored on closing
    ASSERT_TRUE(r->run("close\n").ok);
    EXPECT_EQ(r->top(), nullptr);
    EXPECT_EQ(c.KtsGroups[0].BegScale, 1.5f);
    EXPECT_EQ(c.KtsGroups[0].EndScale, 1003.25f);
    EXPECT_EQ(c.KtsGroups[0].Number, 3);
    EXPECT_TRUE(c.Changed.KtsGroupChanged);

    // Saved with the comma, read back.
    GatewayConfig back = roundTrip(c, u',');
    EXPECT_EQ(back.KtsGroups, c.KtsGroups);
}

// A row built from nothing: its controller, its parameter from that controller's tree, its
// scales; another controller starts the row anew, the same one keeps it.
TEST_F(KtsEditorsTest, BuildingAGroupRow)
{
    GatewayConfig c = kts();
    auto r = runner(c, kGroups + "choose 2 1 " + kStation + "\nshow\n");
    EXPECT_EQ(
        only(r->output(), {"row 2:"}),
        QStringList{"row 2: 2 | Узел учёта( CAN-адрес - 21) | нет {FFFF 21} | нет | нет | нет"});
    EXPECT_TRUE(r->output().contains("      Плотн (№ 0101)"));
    EXPECT_TRUE(r->output().contains("      P (№ 0203)"));
    EXPECT_FALSE(r->output().contains("      Отк (№ 010A)")); // TypeCode AND 0x87 = 2
    ASSERT_TRUE(r->run("click 2 1\nselect \"Узел учёта\" \"Нитка 1\" \"CO2 (№ 0102)\"\nplace\n"
                       "type 2 3 0\ntype 2 4 25\nset 2 5 2\n")
                    .ok);
    EXPECT_EQ(cell(*r, 2, 5), "2"); // the spin's value, also where the cell showed "нет"
    ASSERT_TRUE(r->run("close\n").ok);
    EXPECT_EQ(r->top(), nullptr);
    KtsGroup want;
    want.SetN = 0x21;
    want.ParamNumber = 0x0102;
    want.TaskNumber = 1;
    want.Name = "CO2 (№ 0102)/Нитка 1(Узел учёта)";
    want.EndScale = 25;
    EXPECT_EQ(c.KtsGroups[1], want);

    auto again = runner(c, kGroups + "choose 2 1 " + kStation + "\n");
    EXPECT_EQ(c.KtsGroups[1], want);
    ASSERT_TRUE(again->run("choose 2 1 " + kBoiler + "\n").ok);
    KtsGroup boiler;
    boiler.SetN = 0x22;
    EXPECT_EQ(c.KtsGroups[1], boiler);
    EXPECT_EQ(cell(*again, 2, 3), "нет");
}

// Placing takes a parameter node of the row's controller; a drop on a row of another
// controller is refused.
TEST_F(KtsEditorsTest, PlacingIntoGroupRows)
{
    struct Case
    {
        QString script;
        QString box;
        std::uint16_t row1, row2;
    } cases[] = {
        {"click 1 2\nselect \"Узел учёта\" \"Нитка 1\"\nplace\n", "Параметр не выбран!", 0x0101,
         0xFFFF},
        {"click 1 2\nselect \"Узел учёта\" \"Нитка 1\" \"N2 (№ 0103)\"\nclick 1 5\nplace\n", "",
         0x0101, 0xFFFF}, // the current cell takes no parameter
        {"click 1 2\nselect \"Узел учёта\" \"Нитка 1\" \"N2 (№ 0103)\"\ndrop 2 2\n",
         "Неправильный выбор!", 0x0101, 0xFFFF},
        {"click 2 1\nselect Котельная \"Нитка котельной\" \"АрхК (№ 0105)\"\ndrop 1 2\n",
         "Неправильный выбор!", 0x0101, 0xFFFF},
        {"click 2 1\nselect Котельная \"Нитка котельной\" \"АрхК (№ 0105)\"\ndrop 2 2\n", "",
         0x0101, 0x0105},
        {"click 1 1\nselect \"Узел учёта\" \"Нитка 1\" \"N2 (№ 0103)\"\ndblclick \"Узел учёта\" "
         "\"Нитка 1\" \"N2 (№ 0103)\"\n",
         "", 0x0103, 0xFFFF},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.script.toStdString());
        GatewayConfig c = kts();
        densityGroup(c, 0);
        c.KtsGroups[1].SetN = 0x22;
        auto r = runner(c, kGroups + k.script);
        EXPECT_EQ(only(r->output(), {"box:"}),
                  k.box.isEmpty() ? QStringList{} : QStringList{"box: " + k.box});
        EXPECT_EQ(c.KtsGroups[0].ParamNumber, k.row1);
        EXPECT_EQ(c.KtsGroups[1].ParamNumber, k.row2);
    }
}

// The closing checks of "Гребёнка", in row order, the first finding keeping the window open;
// a scale that does not read stores nothing of any row.
TEST_F(KtsEditorsTest, GroupClosingChecks)
{
    struct Case
    {
        const char* name;
        std::function<void(GatewayConfig&)> setup; // row 1 is complete
        QString script;
        QString box; // empty: the window closes
        int row, column;
    } cases[] = {
        {"complete", [](GatewayConfig&) {}, "", "", 0, 0},
        {"a controller without parameter", [](GatewayConfig& c) { c.KtsGroups[2].SetN = 0x21; }, "",
         "Введите параметр или удалите строку!", 3, 2},
        {"a parameter without scale",
         [](GatewayConfig& c) {
             densityGroup(c, 2);
             c.KtsGroups[3].SetN = 0x22; // a later finding is not reported
         },
         "type 3 4 \\b\\b\\b\\b\\b\\b\n", "Введите данные по шкале!", 3, 4},
        {"a scale that does not read", [](GatewayConfig& c) { densityGroup(c, 2); },
         "type 1 3 \\b\\b\\b\\b7\ntype 3 3 \\b\\b\\b\\b1.2.3\n",
         "Введите правильно данные по шкале!", 3, 3},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        GatewayConfig c = kts();
        densityGroup(c, 0);
        k.setup(c);
        auto r = runner(c, kGroups + k.script + "close\n");
        EXPECT_EQ(only(r->output(), {"box:"}),
                  k.box.isEmpty() ? QStringList{} : QStringList{"box: " + k.box});
        EXPECT_EQ(r->top() == nullptr, k.box.isEmpty());
        if (!k.box.isEmpty()) {
            EXPECT_EQ(r->top()->grid()->currentRow, k.row);
            EXPECT_EQ(r->top()->grid()->currentColumn, k.column);
            EXPECT_EQ(c.KtsGroups[0].BegScale, 0.0f); // row 1's new scale was not stored
        }
    }
}

// Deleting empties the row where it stands; the controller list's re-check and removal reach
// the rows.
TEST_F(KtsEditorsTest, GroupRowsDeletedRebound)
{
    GatewayConfig c = kts();
    densityGroup(c, 0);
    densityGroup(c, 1);
    densityGroup(c, 2);
    c.KtsGroups[2].SetN = 0x22;
    auto r = runner(c, kGroups + "answer yes\nmenu 2 2 Удалить\n");
    EXPECT_EQ(r->output().last(), "ask: Удалить 2 строку? -> yes");
    EXPECT_EQ(c.KtsGroups[1], KtsGroup{});
    EXPECT_EQ(c.KtsGroups[2].SetN, 0x22);
    EXPECT_EQ(cell(*r, 2, 1), "нет");
    EXPECT_EQ(r->top()->grid()->cell(2, 2).hint, "FFFF FF");
    EXPECT_FALSE(r->top()->tree()->visible);
    EXPECT_TRUE(c.Changed.KtsGroupChanged);

    ScriptedDialogs dialogs;
    EditorSession session(c, dialogs, additional);
    KtsGroupsForm form(session);
    GatewayConfig before = c;
    c.Controllers[0] = controller(db.path("Узел учёта-урезанный.tsk"), 0x21);
    EXPECT_TRUE(form.RebindController(0)); // the density is still there
    EXPECT_EQ(c.KtsGroups[0].Name, "Узел учёта-урезанный/Нитка 1/Плотн");
    form.RemoveControllerRefs(1);
    EXPECT_EQ(c.KtsGroups[2], KtsGroup{});
    EXPECT_EQ(c.KtsGroups[0].SetN, 0x21);
}

// A telesignal on bit 5 of group slot 2 is stored as 0205; its bit changed to 3, as 0203. The
// inversion box is stored on closing; a bit over 31 keeps the window open and stores nothing.
TEST_F(KtsEditorsTest, GroupBitsAndInversion)
{
    GatewayConfig c = kts();
    groupSlot2(c);
    auto r = runner(
        c, kSignals + "choose 1 1 группа\nshow tree\n"
                      "select \"3 параметр\" \"ГрУ (№ 0321)/Группы узла(Узел учёта) (№ 0321)\"\n"
                      "place\ntype 1 5 5\ncheck 1 4 on\nshow grid\n");
    EXPECT_TRUE(r->output().contains("  3 параметр"));
    EXPECT_TRUE(r->output().contains("    ГрУ (№ 0321)/Группы узла(Узел учёта) (№ 0321)"));
    EXPECT_TRUE(r->output().contains("row 1: 1 | группа | ~ | ГрУ (№ 0321)/Группы узла(Узел учёта) "
                                     "(№ 0321) {0205 FF} | [x]  | 5"))
        << r->output().join("\n").toStdString();
    EXPECT_EQ(c.KtsSignals[0].ParamNumber, 0x0200); // the bit waits for the closing
    ASSERT_TRUE(r->run("close\n").ok);
    EXPECT_EQ(c.KtsSignals[0].ParamNumber, 0x0205);
    EXPECT_EQ(c.KtsSignals[0].Flags, 0x81);
    EXPECT_EQ(c.KtsSignals[0].SetN, 255);

    auto again = runner(c, kSignals + "type 1 5 \\b3\nclose\n");
    EXPECT_EQ(c.KtsSignals[0].ParamNumber, 0x0203);

    auto uncheck = runner(c, kSignals + "check 1 4 off\nclose\n");
    EXPECT_EQ(c.KtsSignals[0].Flags, 0x01);

    c.Changed.KtsSignalChanged = false;
    auto refused = runner(c, kSignals + "check 1 4 on\ntype 1 5 \\b32\nclose\n");
    EXPECT_EQ(only(refused->output(), {"box:"}), QStringList{"box: Номер бита не больше 31!"});
    EXPECT_NE(refused->top(), nullptr);
    EXPECT_EQ(refused->top()->grid()->currentColumn, 5);
    EXPECT_EQ(c.KtsSignals[0].ParamNumber, 0x0203);
    EXPECT_EQ(c.KtsSignals[0].Flags, 0x01); // the box was not stored either
    EXPECT_FALSE(c.Changed.KtsSignalChanged);
}

// Parameter rows: the choice of the kind, the controller and the parameter; the grey cells of
// each kind; the messages of choosing a group without group parameters.
TEST_F(KtsEditorsTest, ParameterRowsAndKinds)
{
    GatewayConfig c = kts();
    auto r = runner(c, kSignals + "choose 1 1 группа\nchoose 2 1 параметр\nchoose 2 2 " + kStation +
                           "\nshow tree\nshow grid\n");
    EXPECT_EQ(only(r->output(), {"box:"}), QStringList{"box: Нет групповых параметров"});
    EXPECT_TRUE(r->output().contains("row 1: 1 | группа | ~ |  {FFFF FF} | [ ]  | "));
    EXPECT_TRUE(r->output().contains(
        "row 2: 2 | параметр | Узел учёта( CAN-адрес - 21) | нет {FFFF 21} | [ ]  | ~"));
    // The telesignal candidates: TypeCode 0, length 0, not of a group-signal algorithm.
    EXPECT_TRUE(r->output().contains("      Ав (№ 0201)"));
    EXPECT_TRUE(r->output().contains("      Нас (№ 0202)"));
    EXPECT_FALSE(r->output().contains("      P (№ 0203)"));
    EXPECT_FALSE(r->output().contains("    Группы узла"));
    EXPECT_FALSE(r->output().contains("    Нитка 1"));

    ASSERT_TRUE(r->run("check 2 4 on\nclick 2 5\nselect \"Узел учёта\" \"Сигналы узла\" "
                       "\"Нас (№ 0202)\"\nplace\n")
                    .ok);
    EXPECT_EQ(r->top()->grid()->currentColumn, 1); // a click into a grey cell
    const KtsSignal& k = c.KtsSignals[1];
    EXPECT_EQ(k.ParamNumber, 0x0202);
    EXPECT_EQ(k.TaskNumber, 2);
    EXPECT_EQ(k.SetN, 0x21);
    EXPECT_EQ(k.Flags, 0x80); // a parameter, with the box as it stands
    EXPECT_EQ(k.Name, "Нас (№ 0202)/Сигналы узла(Узел учёта)");

    // Switching the kind empties the row; the same kind again keeps it.
    ASSERT_TRUE(r->run("choose 2 1 параметр\n").ok);
    EXPECT_EQ(k.ParamNumber, 0x0202);
    ASSERT_TRUE(r->run("choose 2 1 группа\n").ok);
    EXPECT_EQ(k, KtsSignal{});
    EXPECT_EQ(cell(*r, 2, 3), "");
    EXPECT_FALSE(r->top()->grid()->cell(2, 4).checked);
}

// The closing checks of "Настройка ТС" and deleting its rows.
TEST_F(KtsEditorsTest, SignalClosingChecksAndDeleting)
{
    struct Case
    {
        const char* name;
        QString script;
        QString box;
        int row;
    } cases[] = {
        {"a controller without parameter", "choose 3 2 " + kStation + "\n",
         "Введите параметр или удалите строку!", 3},
        {"a group without bit",
         "choose 2 1 группа\nselect \"3 параметр\" \"ГрУ (№ 0321)/Группы узла(Узел учёта) (№ "
         "0321)\"\nplace\nchoose 3 2 " +
             kStation + "\n",
         "Введите номер бита или удалите строку!", 2},
        {"a bit without group", "choose 2 1 группа\ntype 2 5 4\n",
         "Введите параметр или удалите строку!", 2},
        {"a kind chosen, nothing else", "choose 2 1 параметр\nchoose 3 1 группа\n", "", 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        GatewayConfig c = kts();
        groupSlot2(c);
        auto r = runner(c, kSignals + k.script + "close\n");
        EXPECT_EQ(only(r->output(), {"box:"}),
                  k.box.isEmpty() ? QStringList{} : QStringList{"box: " + k.box});
        EXPECT_EQ(r->top() == nullptr, k.box.isEmpty());
        if (r->top()) {
            EXPECT_EQ(r->top()->grid()->currentRow, k.row);
        }
    }

    GatewayConfig c = kts();
    c.KtsSignals[1] = {0x80, 0x21, 0x0201, 2, "Ав"};
    auto r = runner(c, kSignals + "menu 1 3 Удалить\nanswer yes\nmenu 2 3 Удалить\nshow grid\n");
    EXPECT_EQ(only(r->output(), {"box:", "ask:"}),
              (QStringList{"box: Выберите параметр", "ask: Удалить 2 строку? -> yes"}));
    EXPECT_EQ(c.KtsSignals[1], KtsSignal{});
    EXPECT_TRUE(r->output().contains("row 2: 2 | нет |  |  {FFFF FF} | [ ]  | "));
    EXPECT_TRUE(c.Changed.KtsSignalChanged);
}

// Removing a controller empties its parameter rows and the group rows whose slot it emptied;
// the re-check covers the parameter rows.
TEST_F(KtsEditorsTest, ControllerListReachesTheSignals)
{
    GatewayConfig c = kts();
    groupSlot2(c);
    c.GroupParams[0] = {0x22, 0x0101, 5, "ПлК"};
    c.KtsSignals[0] = {0x01, 255, 0x0205, 0xFFFF, "группа 3"};
    c.KtsSignals[1] = {0x00, 0x21, 0x0201, 2, "Ав"};
    c.KtsSignals[2] = {0x80, 0x22, 0x0201, 6, "АвК"};
    c.KtsSignals[3] = {0x81, 255, 0x0007, 0xFFFF, "группа 1"};
    ScriptedDialogs dialogs;
    EditorSession session(c, dialogs, additional);
    EditorSet editors(session);
    ControllerRefsEditors registry;
    editors.registerRefsEditors(registry);

    const GatewayConfig before = c;
    c.Controllers[0] = controller(db.path("Узел учёта-урезанный.tsk"), 0x21);
    EXPECT_FALSE(editors.find<KtsSignalsForm>()->RebindController(0)); // 0201 is not in it
    EXPECT_EQ(c.KtsSignals, before.KtsSignals);
    c.Controllers[0] = controller(db.path("Узел учёта-новый.tsk"), 0x21);
    EXPECT_TRUE(editors.find<KtsSignalsForm>()->RebindController(0));
    EXPECT_EQ(c.KtsSignals[1].Name, "Узел учёта-новый/Новые сигналы/НАв");
    EXPECT_EQ(c.KtsSignals[1].TaskNumber, 8);
    EXPECT_EQ(c.KtsSignals[0].Name, "группа 3");

    for (ControllerRefsEditor* e : registry.forRemoval(c.Protocol))
        e->RemoveControllerRefs(0);
    EXPECT_EQ(c.KtsSignals[0], KtsSignal{}); // its slot held the station's group parameter
    EXPECT_EQ(c.KtsSignals[1], KtsSignal{});
    EXPECT_EQ(c.KtsSignals[2].SetN, 0x22);
    EXPECT_EQ(c.KtsSignals[3].ParamNumber, 0x0007); // slot 0 is the boiler house's
}

TEST_F(KtsEditorsTest, NoControllers)
{
    for (const QString& window : {kGroups, kSignals}) {
        GatewayConfig c = station(ProtocolVariant::KtsEnergia, false);
        auto r = runner(c, window + "show fields\n");
        EXPECT_EQ(r->output(), (QStringList{"box: Нет списка контроллеров!",
                                            "Поместить \"<< Поместить\": button [hidden]"}));
    }
}

TEST_F(KtsEditorsTest, SignalsEditSaveReload)
{
    GatewayConfig c = kts();
    groupSlot2(c);
    auto r = runner(c, kSignals + "choose 1 2 " + kBoiler +
                           "\nselect Котельная \"Сигналы котельной\" \"АвК (№ 0201)\"\nplace\n"
                           "check 1 4 on\nchoose 2 1 группа\nselect \"3 параметр\" \"ГрУ (№ "
                           "0321)/Группы узла(Узел учёта) (№ 0321)\"\nplace\ntype 2 5 31\nclose\n");
    ASSERT_EQ(r->top(), nullptr);
    EXPECT_EQ(c.KtsSignals[0].Flags, 0x80);
    EXPECT_EQ(c.KtsSignals[1].ParamNumber, 0x021F);
    GatewayConfig back = roundTrip(c);
    EXPECT_EQ(back.KtsSignals, c.KtsSignals);
    EXPECT_EQ(back.GroupParams, c.GroupParams);
}
