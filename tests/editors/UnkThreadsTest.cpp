#include "MeteringFixture.h"

#include "core/editors/EditorForm.h"
#include "core/editors/EditorSet.h"
#include "core/editors/UnkThreadsForm.h"
#include "core/exchange/GatewayImage.h"
#include "core/text/NumberText.h"

using namespace veg;
using namespace vegtest;

namespace {

class UnkThreadsTest : public MeteringFixture
{
protected:
    // Thread 1 on the metering station, thread 2 on the boiler house.
    GatewayConfig twoThreads()
    {
        GatewayConfig c = station(ProtocolVariant::UnkTm);
        c.UnkThreads[0].SetN = 0x21;
        c.UnkThreads[0].Name = threadName("Нитка А");
        c.UnkThreads[1].SetN = 0x22;
        return c;
    }
    static GroupParamRef stationParam(std::uint16_t number, const char* name)
    {
        return {255, number, 1, QString::fromUtf8(name)};
    }
    std::unique_ptr<ScenarioRunner> runner(GatewayConfig& c, const QString& script)
    {
        auto r = std::make_unique<ScenarioRunner>(c, additional);
        const auto result = r->run(script);
        EXPECT_TRUE(result.ok) << result.line << ": " << result.error.toStdString();
        return r;
    }
    static QString cell(const ScenarioRunner& r, int row, int column)
    {
        return r.top() ? r.top()->grid()->cell(row, column).text : QStringLiteral("(closed)");
    }
};

const QString kOpen = "open TFUNK\n";
QString station(const char* task, const char* node)
{
    return QString("select \"Узел учёта\" \"%1\" \"%2\"\n").arg(task, node);
}
const QString kHourly1440 = station("Нитка 1", "ЧасQ (№ 0105)");
const QString kHourly720 = station("Нитка 1", "ЧасP (№ 0106)");
const QString kDaily = station("Нитка 1", "СутQ (№ 0107)");
const QString kMonthly = station("Нитка 1", "МесQ (№ 0108)");
const QString kShortArchive = station("Нитка 1", "КорА (№ 0109)");
const QString kDensity = station("Нитка 1", "Плотн (№ 0101)");

} // namespace

// The tree of a thread offers the controller's values (TypeCode AND 0x87 = 4) of that controller
// only, with the root expanded; a thread without controller has no tree.
TEST_F(UnkThreadsTest, TheTreeShowsTheThreadsController)
{
    GatewayConfig c = twoThreads();
    auto r = runner(c, kOpen + "show tree\nclick 6 2\nshow tree\nclick 6 3\nshow tree\n");
    EXPECT_EQ(r->output(),
              (QStringList{"tree:", "> Узел учёта", "    Нитка 1", "      Плотн (№ 0101)",
                           "      CO2 (№ 0102)", "      N2 (№ 0103)", "      ЧасQ (№ 0105)",
                           "      ЧасP (№ 0106)", "      СутQ (№ 0107)", "      МесQ (№ 0108)",
                           "      КорА (№ 0109)", "    Сигналы узла", "      P (№ 0203)",
                           "tree:", "  Котельная", "    Нитка котельной", "      ПлК (№ 0101)",
                           "      АрхК (№ 0105)", "tree: hidden"}));
    EXPECT_EQ(r->session().currentController, 1); // the boiler house, made current last
    EXPECT_TRUE(r->top()->tree()->node(r->top()->tree()->firstNode()).expanded);
}

// The archive rules of placing: which row takes which parameter, with which message, and what
// the depth becomes.
TEST_F(UnkThreadsTest, ArchiveRulesOfPlacing)
{
    struct Case
    {
        const char* name;
        QString before; // placed first (on thread 1)
        int row;
        QString node;
        QString box;        // empty: placed
        int depth;          // RazmHour of thread 1 afterwards
        QString depthShown; // row 25
    };
    const Case cases[] = {
        {"hourly 1440", "", 19, kHourly1440, "", 60, "60"},
        {"a second hourly of 720", "click 19 1\n" + kHourly1440 + "place\n", 20, kHourly720,
         "Размер архива не совпадает с ранее выбранным!", 60, "60"},
        {"a second hourly of 1440", "click 19 1\n" + kHourly1440 + "place\n", 24, kHourly1440, "",
         60, "60"},
        {"daily archive in a daily row", "click 19 1\n" + kHourly1440 + "place\n", 13, kDaily, "",
         60, "60"},
        {"daily archive in an hourly row", "", 22, kDaily, "", 255, ""},
        {"monthly (class 3) archive", "", 18, kMonthly, "", 255, ""},
        {"hourly archive in a daily row", "", 14, kHourly720, "", 30, "30"},
        {"plain value in an archive row", "", 15, kDensity, "Параметр не является архивным!", 255,
         ""},
        {"archive too short for a day", "", 16, kShortArchive, "Параметр не является архивным!",
         255, ""},
        {"archive in a value row", "", 6, kHourly1440, "Выбран архивный параметр!", 255, ""},
        {"daily archive in a value row", "", 12, kDaily, "Выбран архивный параметр!", 255, ""},
        {"plain value in a value row", "", 7, kDensity, "", 255, ""},
        {"a task node", "", 8, "select \"Узел учёта\" \"Нитка 1\"\n", "Параметр не выбран!", 255,
         ""},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        GatewayConfig c = twoThreads();
        auto r =
            runner(c, kOpen + k.before + QString("click %1 1\n").arg(k.row) + k.node + "place\n");
        EXPECT_EQ(only(r->output(), {"box:"}),
                  k.box.isEmpty() ? QStringList{} : QStringList{"box: " + k.box});
        const GroupParamRef& slot = c.GroupParams[std::size_t(unkGroupRow(0, k.row - 6))];
        EXPECT_EQ(slot.isUsed(), k.box.isEmpty());
        EXPECT_EQ(c.UnkThreads[0].RazmHour, k.depth);
        EXPECT_EQ(cell(*r, 25, 1), k.depthShown);
    }
}

// A placed parameter: its task, number, name and hint; the same slot row of the next thread is
// untouched; placing on the thread's own fields does nothing.
TEST_F(UnkThreadsTest, PlacingFillsTheSlotOfTheThread)
{
    GatewayConfig c = twoThreads();
    auto r = runner(c, kOpen + "click 19 1\n" + kHourly1440 + "place\n" + "click 3 1\n" + kDensity +
                           "place\nclick 25 1\nshow grid\n");
    const GroupParamRef& g = c.GroupParams[std::size_t(unkGroupRow(0, 13))];
    EXPECT_EQ(g, (GroupParamRef{255, 0x0105, 1, "ЧасQ (№ 0105)/Нитка 1(Узел учёта)"}));
    EXPECT_TRUE(r->output().contains(
        "row 19: Архив расхода по часам | ЧасQ (№ 0105)/Нитка 1(Узел учёта) {0105 21} | "
        "нет {FFFF 22} | нет {FFFF FF}"));
    EXPECT_TRUE(r->output().contains("grid: 26 x 4, current 24 1")); // row 25 moves to 24
    EXPECT_EQ(c.GroupParams[std::size_t(unkGroupRow(1, 13))], GroupParamRef{});
    EXPECT_EQ(only(r->output(), {"box:"}), QStringList{});
    EXPECT_TRUE(c.Changed.UnkChanged);
}

// A drop lands only on a thread of the controller the tree shows; rows 1-5 and 25 ignore it.
TEST_F(UnkThreadsTest, DropsOnTheThreadOfTheTreesController)
{
    struct Case
    {
        int row, column;
        QString box;
        bool placed;
    } cases[] = {
        {19, 1, "", true},
        {19, 2, "Неправильный выбор!", false}, // the boiler house's thread
        {19, 3, "Неправильный выбор!", false}, // a thread without controller
        {3, 1, "", false},
        {25, 1, "", false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.row * 10 + k.column);
        GatewayConfig c = twoThreads();
        auto r = runner(c, kOpen + "click 6 1\n" + kHourly1440 +
                               QString("drop %1 %2\n").arg(k.row).arg(k.column));
        EXPECT_EQ(only(r->output(), {"box:"}),
                  k.box.isEmpty() ? QStringList{} : QStringList{"box: " + k.box});
        const int t = k.column - 1;
        EXPECT_EQ(c.GroupParams[std::size_t(unkGroupRow(t, 13))].isUsed(), k.placed);
    }
}

// Choosing another controller empties the thread's 19 parameters and its depth; the same
// controller chosen again keeps them.
TEST_F(UnkThreadsTest, ChoosingAControllerEmptiesTheThread)
{
    GatewayConfig c = twoThreads();
    c.GroupParams[0] = stationParam(0x0101, "Плотн");
    c.GroupParams[13] = stationParam(0x0105, "ЧасQ");
    c.UnkThreads[0].RazmHour = 60;
    auto r = runner(c, kOpen + "choose 5 1 \"Узел учёта( CAN-адрес - 21)\"\n");
    EXPECT_TRUE(c.GroupParams[0].isUsed());
    EXPECT_EQ(c.UnkThreads[0].RazmHour, 60);
    EXPECT_FALSE(c.Changed.UnkChanged);

    ASSERT_TRUE(r->run("choose 5 1 \"Котельная( CAN-адрес - 22)\"\nshow tree\n").ok);
    EXPECT_EQ(c.UnkThreads[0].SetN, 0x22);
    for (int n = 0; n < Rows::ParamsPerUnkThread; ++n)
        EXPECT_EQ(c.GroupParams[std::size_t(n)], GroupParamRef{}) << n;
    EXPECT_EQ(c.UnkThreads[0].RazmHour, 255);
    EXPECT_EQ(cell(*r, 6, 1), "нет");
    EXPECT_EQ(cell(*r, 25, 1), "");
    EXPECT_EQ(cell(*r, 1, 1), "Нитка А"); // the thread's own fields stay
    EXPECT_TRUE(r->output().contains("> Котельная"));
    EXPECT_TRUE(c.Changed.UnkChanged);
}

// The thread's own fields: what they take, and what the closing stores.
TEST_F(UnkThreadsTest, NameTypeAndSelectionStoredOnClosing)
{
    struct Case
    {
        const char* name;
        QString script;
        QString shown; // row 1 afterwards
        QString stored;
        int type, selection;
    } cases[] = {
        {"three characters", "type 1 1 \\b\\b\\b\\b\\b\\b\\bАБВ\n", "АБВ", "АБВ             ", 0xFF,
         0xFF},
        {"sixteen characters, the seventeenth refused",
         "type 1 1 \\b\\b\\b\\b\\b\\b\\b0123456789abcdefX\n", "0123456789abcdef",
         "0123456789abcdef", 0xFF, 0xFF},
        {"a name that holds the letters of the marker",
         "type 1 1 \\b\\b\\b\\b\\b\\b\\bКабинет\n"
         "type 1 1 2\n",
         "Кабинет2", "Кабинет2        ", 0xFF, 0xFF},
        {"hexadecimal type and selection", "type 3 1 \\b\\b0a\ntype 4 1 \\b\\bф12\n", "Нитка А",
         "Нитка А         ", 0x0A, 0xA1},
        {"an emptied type stays", "type 3 1 \\b\\b\n", "Нитка А", "Нитка А         ", 0xFF, 0xFF},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        GatewayConfig c = twoThreads();
        auto r = runner(c, kOpen + k.script);
        EXPECT_EQ(cell(*r, 1, 1), k.shown);
        EXPECT_FALSE(c.Changed.UnkChanged); // nothing stored before the closing
        ASSERT_TRUE(r->run("close\n").ok);
        EXPECT_EQ(r->top(), nullptr);
        EXPECT_EQ(c.UnkThreads[0].Name, k.stored);
        EXPECT_EQ(c.UnkThreads[0].TypeMeas, k.type);
        EXPECT_EQ(c.UnkThreads[0].Selection, k.selection);
        EXPECT_EQ(c.UnkThreads[1].Name, QString(16, u' ')); // shown empty, stored blank
        EXPECT_EQ(c.UnkThreads[2].Name, QString(16, u' ')); // "нет" gives 16 blanks
        EXPECT_TRUE(c.Changed.UnkChanged);
    }
}

// The write passwords: the masked cell of row 2 and the field under the grid, their questions on
// leaving and on closing. A No on closing keeps the window open and stores nothing at all.
TEST_F(UnkThreadsTest, PasswordsAndTheirQuestions)
{
    const Password p12 = {0x01, 0x2A};
    const Password full = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
                           0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0xF0};
    struct Case
    {
        const char* name;
        QString script;
        QStringList asked;
        bool closed;
        Password parole, paroleWr;
    } cases[] = {
        {"row 2 filled with zeros on leaving",
         "answer yes\ntype 2 1 012a\nclose\n",
         {"ask: Введены не все данные.Заменить нулями? -> yes"},
         true,
         p12,
         {}},
        {"row 2 left unfilled, zeros on closing",
         "answer no yes\ntype 2 1 012a\nclose\n",
         {"ask: Введены не все данные.Заменить нулями? -> no",
          "ask: В пароле записи введены не все данные.Заменить нулями? -> yes"},
         true,
         p12,
         {}},
        {"row 2 left unfilled, No on closing",
         "answer no no\ntype 2 1 012a\nclose\n",
         {"ask: Введены не все данные.Заменить нулями? -> no",
          "ask: В пароле записи введены не все данные.Заменить нулями? -> no"},
         false,
         {},
         {}},
        {"row 2 filled", "type 2 1 0102030405060708090a0b0c0d0e0ff0\nclose\n", {}, true, full, {}},
        {"the time password filled",
         "type ParoleWr 0102030405060708090A0B0C0D0E0FF0\nclose\n",
         {},
         true,
         {},
         full},
        {"the time password unfilled, zeros on leaving",
         "answer yes\ntype ParoleWr 012a\nclose\n",
         {"ask: Введены не все данные.Заменить нулями? -> yes"},
         true,
         {},
         p12},
        {"the time password unfilled, No on closing",
         "answer no no\ntype 1 1 \\b\\bX\ntype ParoleWr 012a\nclose\n",
         {"ask: Введены не все данные.Заменить нулями? -> no",
          "ask: В пароле записи времени и даты введены не все данные.Заменить нулями? -> no"},
         false,
         {},
         {}},
        {"the time password unfilled, Yes on closing",
         "answer no yes\ntype ParoleWr 012a\nclose\n",
         {"ask: Введены не все данные.Заменить нулями? -> no",
          "ask: В пароле записи времени и даты введены не все данные.Заменить нулями? -> yes"},
         true,
         {},
         p12},
        {"the mask left as it opened", "click 2 1\ntype 2 1 \"\"\nclose\n", {}, true, {}, {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        GatewayConfig c = twoThreads();
        auto r = runner(c, kOpen + k.script);
        EXPECT_EQ(only(r->output(), {"ask:", "box:"}), k.asked);
        EXPECT_EQ(r->top() == nullptr, k.closed);
        EXPECT_EQ(c.UnkThreads[0].Parole, k.parole);
        EXPECT_EQ(c.ParoleWr, k.paroleWr);
        if (!k.closed) {
            // Nothing of the closing was stored: the name typed in row 1 neither.
            EXPECT_EQ(c.UnkThreads[0].Name, threadName("Нитка А"));
            EXPECT_FALSE(c.Changed.UnkChanged);
        }
    }
    // A masked cell opens selected: the first key frees every place.
    GatewayConfig c = twoThreads();
    c.UnkThreads[0].Parole = full;
    auto r = runner(c, kOpen + "answer yes\ntype 2 1 7\n");
    EXPECT_EQ(cell(*r, 2, 1), "70 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
}

// "Удалить параметр" and "Удалить нитку" with their questions; the depth goes with the last
// hourly archive, so that another depth may follow.
TEST_F(UnkThreadsTest, DeletingParametersAndThreads)
{
    GatewayConfig c = twoThreads();
    auto r = runner(c, kOpen + "click 19 1\n" + kHourly1440 + "place\nclick 20 1\n" + kHourly1440 +
                           "place\nclick 6 1\n" + kDensity + "place\n");
    ASSERT_EQ(c.UnkThreads[0].RazmHour, 60);
    ASSERT_TRUE(r->run("answer yes\nmenu 19 1 \"Удалить параметр\"\n").ok);
    EXPECT_EQ(r->output().last(),
              "ask: Удалить параметр ЧасQ (№ 0105)/Нитка 1(Узел учёта)? -> yes");
    EXPECT_EQ(cell(*r, 19, 1), "нет");
    EXPECT_EQ(cell(*r, 25, 1), "60"); // row 20 still holds an hourly archive
    ASSERT_TRUE(r->run("answer yes\nmenu 20 1 \"Удалить параметр\"\n").ok);
    EXPECT_EQ(cell(*r, 25, 1), "");
    EXPECT_EQ(c.UnkThreads[0].RazmHour, 255);
    ASSERT_TRUE(r->run("click 21 1\n" + kHourly720 + "place\n").ok);
    EXPECT_EQ(c.UnkThreads[0].RazmHour, 30);

    // A row showing "нет" is asked about as it shows; a No keeps the parameter.
    ASSERT_TRUE(r->run("menu 7 1 \"Удалить параметр\"\nmenu 6 1 \"Удалить параметр\"\n").ok);
    EXPECT_EQ(r->output().mid(r->output().size() - 2),
              (QStringList{"ask: Удалить параметр нет? -> no",
                           "ask: Удалить параметр Плотн (№ 0101)/Нитка 1(Узел учёта)? -> no"}));
    EXPECT_TRUE(c.GroupParams[0].isUsed());
    EXPECT_EQ(c.UnkThreads[0].RazmHour, 30);
    // Yes on a row showing "нет": the slot stays empty, the depth stays.
    ASSERT_TRUE(r->run("answer yes\nmenu 7 1 \"Удалить параметр\"\n").ok);
    EXPECT_EQ(r->output().last(), "ask: Удалить параметр нет? -> yes");
    EXPECT_EQ(cell(*r, 7, 1), "нет");
    EXPECT_EQ(c.UnkThreads[0].RazmHour, 30);
    EXPECT_EQ(r->top()->contextMenu({3, 1, {}}), QStringList{});
    EXPECT_EQ(r->top()->contextMenu({4, 1, {}}), QStringList{"Удалить нитку"});
    EXPECT_EQ(r->top()->contextMenu({5, 1, {}}),
              (QStringList{"Удалить параметр", "Удалить нитку"}));
    EXPECT_EQ(r->top()->contextMenu({25, 1, {}}), QStringList{"Удалить нитку"});

    // The controller row: the thread keeps no controller and no parameter.
    ASSERT_TRUE(r->run("answer yes\nmenu 5 1 \"Удалить параметр\"\n").ok);
    EXPECT_EQ(r->output().last(), "ask: Удалить параметр Узел учёта( CAN-адрес - 21)? -> yes");
    EXPECT_EQ(c.UnkThreads[0].SetN, 255);
    for (int n = 0; n < Rows::ParamsPerUnkThread; ++n)
        EXPECT_FALSE(c.GroupParams[std::size_t(n)].isUsed()) << n;
    EXPECT_FALSE(r->top()->tree()->visible);

    // A whole thread.
    c.GroupParams[std::size_t(unkGroupRow(1, 0))] = stationParam(0x0101, "ПлК");
    ASSERT_TRUE(r->run("answer yes\nmenu 4 2 \"Удалить нитку\"\nshow grid\n").ok);
    EXPECT_TRUE(r->output().contains("ask: Удалить 2-ю нитку? -> yes"));
    EXPECT_EQ(c.UnkThreads[1], UnkThread{});
    EXPECT_FALSE(c.GroupParams[std::size_t(unkGroupRow(1, 0))].isUsed());
    // The first thread's own fields wait for the closing; the second's are gone.
    EXPECT_TRUE(r->output().contains("row 1: Имя нитки | Нитка А | нет | нет"));
    EXPECT_TRUE(r->output().contains("row 5: CAN-адрес модуля на нитке | нет | нет | нет"));
}

// The hourly depth stays while an archive deeper than one record a day stands anywhere in the
// archive rows (daily rows take hourly archives too), so that the guard against a second depth
// holds; it goes with the last of them. The gateway gets the same depth (byte 0x19 of the
// thread's page).
TEST_F(UnkThreadsTest, TheDepthStaysWhileADeepArchiveStands)
{
    const auto placeAt = [](int row, const QString& node) {
        return QString("click %1 1\n").arg(row) + node + "place\n";
    };
    const auto deleteAt = [](int row) {
        return QString("answer yes\nmenu %1 1 \"Удалить параметр\"\n").arg(row);
    };
    struct Case
    {
        const char* name;
        QString script;
        int depth; // RazmHour of thread 1 afterwards
    } cases[] = {
        {"the density deleted, the deep archive in a daily row stays",
         placeAt(6, kDensity) + placeAt(13, kHourly1440) + deleteAt(6), 60},
        {"an hourly row emptied, the deep archive in a daily row stays",
         placeAt(13, kHourly1440) + placeAt(19, kHourly1440) + deleteAt(19), 60},
        {"a daily archive deleted, the deep archive in an hourly row stays",
         placeAt(13, kDaily) + placeAt(24, kHourly1440) + deleteAt(13), 60},
        {"the last deep archive deleted, a daily one stays",
         placeAt(13, kDaily) + placeAt(19, kHourly1440) + deleteAt(19), 255},
        {"the last deep archive deleted from a daily row",
         placeAt(14, kHourly1440) + placeAt(20, kMonthly) + deleteAt(14), 255},
        {"another depth after the last deep archive went",
         placeAt(14, kHourly1440) + deleteAt(14) + placeAt(19, kHourly720), 30},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        GatewayConfig c = twoThreads();
        auto r = runner(c, kOpen + k.script);
        EXPECT_EQ(c.UnkThreads[0].RazmHour, k.depth);
        EXPECT_EQ(cell(*r, 25, 1), k.depth == 255 ? QString() : QString::number(k.depth));
        // What the gateway is sent.
        QStringList sent;
        for (const ImageWrite& w :
             GatewayImage::encodeSections(c, GatewayImage::tables(ProtocolVariant::UnkTm)))
            if (w.param == 0x0519)
                sent << w.text();
        EXPECT_EQ(sent, QStringList{"0519 " + NumberText::hex(k.depth, 2)});
        if (k.depth == 60) {
            // The guard still holds: a 30-deep archive is refused wherever it goes.
            ASSERT_TRUE(r->run(placeAt(21, kHourly720)).ok);
            EXPECT_EQ(r->output().last(), "box: Размер архива не совпадает с ранее выбранным!");
            EXPECT_FALSE(c.GroupParams[std::size_t(unkGroupRow(0, 15))].isUsed());
        }
    }

    // Read back from a gateway without the controller's database: the depth of what stands is
    // unknown, and the depth stays.
    GatewayConfig c = twoThreads();
    c.IsReadBack = true;
    c.Controllers[0].Present = false;
    c.Controllers[0].Database.reset();
    c.GroupParams[7] = stationParam(0x0105, "ЧасQ");  // row 13
    c.GroupParams[13] = stationParam(0x0106, "ЧасP"); // row 19
    c.UnkThreads[0].RazmHour = 60;
    auto r = runner(c, kOpen + deleteAt(19));
    EXPECT_FALSE(c.GroupParams[13].isUsed());
    EXPECT_EQ(c.UnkThreads[0].RazmHour, 60);
    EXPECT_EQ(cell(*r, 25, 1), "60");
}

TEST_F(UnkThreadsTest, NoControllers)
{
    GatewayConfig c = station(ProtocolVariant::UnkTm, false);
    auto r = runner(c, kOpen + "show fields\n");
    EXPECT_EQ(
        r->output(),
        (QStringList{"box: Нет списка контроллеров!", "Поместить \"<< Поместить\": button [hidden]",
                     "ParoleWr \"Пароль записи времени и даты\": 00 00 00 00 00 00 00 00 "
                     "00 00 00 00 00 00 00 00 [hidden]"}));
    EXPECT_FALSE(r->top()->grid()->visible);
}

// The controller list's re-check and removal reach the threads.
TEST_F(UnkThreadsTest, ControllerListReachesTheThreads)
{
    GatewayConfig c = twoThreads();
    c.GroupParams[0] = stationParam(0x0101, "Плотн");
    c.GroupParams[13] = stationParam(0x0105, "ЧасQ");
    c.GroupParams[std::size_t(unkGroupRow(1, 0))] = {255, 0x0101, 5, "ПлК"};
    ListSite listed(c, additional, db);
    ControllerListForm& list = listed.list;

    const GatewayConfig before = c;
    ASSERT_TRUE(list.SetQueue(1, db.path("Узел учёта-урезанный.tsk"), true));
    EXPECT_FALSE(list.Revalidate(0)); // the archive 0105 is not in it
    EXPECT_EQ(c.GroupParams, before.GroupParams);
    EXPECT_FALSE(c.Changed.UnkChanged);

    ASSERT_TRUE(list.SetQueue(1, db.path("Узел учёта-новый.tsk"), true));
    EXPECT_TRUE(list.Revalidate(0));
    EXPECT_EQ(c.GroupParams[0].TaskNumber, 9);
    EXPECT_EQ(c.GroupParams[0].Name, "Узел учёта-новый/Новая нитка/НПл");
    EXPECT_EQ(c.GroupParams[13].Name, "Узел учёта-новый/Новая нитка/НАрх");
    EXPECT_EQ(c.GroupParams[std::size_t(unkGroupRow(1, 0))].Name, "ПлК"); // the boiler house's
    EXPECT_TRUE(c.Changed.UnkChanged);

    // Removing the boiler house resets its thread; the station's stays.
    listed.editors.find<UnkThreadsForm>()->RemoveControllerRefs(1);
    EXPECT_EQ(c.UnkThreads[1], UnkThread{});
    EXPECT_FALSE(c.GroupParams[std::size_t(unkGroupRow(1, 0))].isUsed());
    EXPECT_EQ(c.UnkThreads[0].SetN, 0x21);
    EXPECT_TRUE(c.GroupParams[0].isUsed());
}

// Edit, save, reload: the same threads, slots and passwords.
TEST_F(UnkThreadsTest, EditSaveReload)
{
    GatewayConfig c = twoThreads();
    auto r = runner(c, kOpen +
                           "type 1 1 \\b\\b\\b\\b\\b\\b\\bВвод\ntype 3 1 \\b\\b02\n"
                           "type 4 1 \\b\\b01\ntype 2 1 a1a2a3a4a5a6a7a8a9aaabacadaeafb0\n"
                           "click 19 1\n" +
                           kHourly1440 + "place\nclick 13 1\n" + kDaily +
                           "place\ntype ParoleWr 11223344556677889900aabbccddeeff\nclose\n");
    ASSERT_EQ(r->top(), nullptr);
    GatewayConfig back = roundTrip(c);
    EXPECT_EQ(back.UnkThreads, c.UnkThreads);
    EXPECT_EQ(back.GroupParams, c.GroupParams);
    EXPECT_EQ(back.ParoleWr, c.ParoleWr);
    EXPECT_EQ(back.UnkThreads[0].Name, "Ввод            ");
    EXPECT_EQ(back.UnkThreads[0].RazmHour, 60);
    EXPECT_EQ(back.ParoleWr[9], 0x00);
    EXPECT_EQ(back.ParoleWr[15], 0xFF);
}

// In a configuration read back from a gateway, a slot of a controller without database is
// named by its numbers; the tree of that controller is its one node.
TEST_F(UnkThreadsTest, ReadBackNames)
{
    GatewayConfig c = twoThreads();
    c.IsReadBack = true;
    c.Controllers[1].Present = false;
    c.Controllers[1].Database.reset();
    c.GroupParams[std::size_t(unkGroupRow(1, 0))] = {255, 0x0101, 5, "ПлК"};
    auto r = runner(c, kOpen + "click 6 2\nshow tree\n");
    EXPECT_EQ(cell(*r, 6, 2), "Параметр 0101 (модуль 22)");
    EXPECT_EQ(cell(*r, 5, 2), "Контроллер ( CAN-адрес - 22)");
    EXPECT_EQ(r->output(), (QStringList{"tree:", "> Модуль - сетевой номер 22"}));
}
