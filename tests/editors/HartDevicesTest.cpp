#include "MeteringFixture.h"

#include "core/editors/EditorForm.h"
#include "core/editors/EditorSet.h"
#include "core/editors/HartDevicesForm.h"

using namespace veg;
using namespace vegtest;

namespace {

class HartDevicesTest : public MeteringFixture
{
protected:
    // Device 1 on the metering station with its codes, device 3 on the boiler house.
    GatewayConfig devices()
    {
        GatewayConfig c = station(ProtocolVariant::Hart);
        c.HartDevices[0] = {0x11, 0x22, 0x33, 0x21, 255};
        c.HartDevices[2].SetN = 0x22;
        return c;
    }
    std::unique_ptr<ScenarioRunner> runner(GatewayConfig& c, const QString& script)
    {
        auto r = std::make_unique<ScenarioRunner>(c, additional);
        const auto result = r->run(script);
        EXPECT_TRUE(result.ok) << result.line << ": " << result.error.toStdString();
        return r;
    }
    static QString cell(const ScenarioRunner& r, int row)
    {
        return r.top() ? r.top()->grid()->cell(row, 1).text : QStringLiteral("(closed)");
    }
    static const GroupParamRef& slot(const GatewayConfig& c, int device, int n)
    {
        return c.GroupParams[std::size_t(hartGroupRow(device, n))];
    }
};

const QString kOpen = "open TFHART\n";
QString station(const char* node)
{
    return QString("select \"Узел учёта\" \"Нитка 1\" \"%1\"\n").arg(node);
}
const QString kHourly1440 = station("ЧасQ (№ 0105)");
const QString kDaily = station("СутQ (№ 0107)");
const QString kDensity = station("Плотн (№ 0101)");
const QString kFailure = station("Отк (№ 010A)");

} // namespace

// The device shown with its heading, codes, controller and parameters; the tree offers the
// values of TypeCode AND 0x87 = 4 or 2 of the device's controller.
TEST_F(HartDevicesTest, ADeviceAndItsTree)
{
    GatewayConfig c = devices();
    c.GroupParams[1] = {255, 0x010A, 1, "Отк"};
    auto r = runner(c, kOpen + "show\n");
    EXPECT_EQ(r->output(),
              (QStringList{"grid: 11 x 2, current 1 1",
                           "heading 0 0: Параметры",
                           "heading 0 1: Устройство HART - 1",
                           "row 1: Тип устройства HART | 11",
                           "row 2: Номер устройства HART | 22",
                           "row 3: Код устройства HART | 33",
                           "row 4: CAN-адрес модуля устройства HART | Узел учёта( CAN-адрес - 21)",
                           "row 5: Параметр за текущий месяц | нет {FFFF 21}",
                           "row 6: Параметр отказа | Отк {010A 21}",
                           "row 7: Параметр \"часовой архив\" | нет {FFFF 21}",
                           "row 8: Параметр \"суточный архив\" | нет {FFFF 21}",
                           "row 9: Параметр \"месячный архив\" | нет {FFFF 21}",
                           "row 10: Глубина часового архива | ~",
                           "tree:",
                           "> Узел учёта",
                           "    Нитка 1",
                           "      Плотн (№ 0101)",
                           "      CO2 (№ 0102)",
                           "      N2 (№ 0103)",
                           "      ЧасQ (№ 0105)",
                           "      ЧасP (№ 0106)",
                           "      СутQ (№ 0107)",
                           "      МесQ (№ 0108)",
                           "      КорА (№ 0109)",
                           "      Отк (№ 010A)",
                           "    Сигналы узла",
                           "      P (№ 0203)",
                           "Device \"Условный номер устройства\": 1 "
                           "(1|2|3|4|5|6|7|8|9|10|11|12|13|14|15|16)",
                           "Поместить \"<<Поместить\": button",
                           "note: "}));
    // A click on a parameter locates it; a click on the depth moves to row 9.
    ASSERT_TRUE(r->run("click 6 1\nclick 10 1\n").ok);
    const ParamTree& t = *r->top()->tree();
    EXPECT_EQ(t.node(t.selected()).text, "Отк (№ 010A)");
    EXPECT_EQ(r->top()->grid()->currentRow, 9);
}

// The codes typed for a device are stored when another device is chosen, or on closing; a
// device shown without change stores nothing.
TEST_F(HartDevicesTest, CodesStoredWithTheNextDevice)
{
    GatewayConfig c = devices();
    auto r = runner(c, kOpen + "set Device 2\nset Device 1\n");
    EXPECT_FALSE(c.Changed.HartChanged);
    ASSERT_TRUE(r->run("type 1 1 \\b\\b5\nset Device 2\n").ok);
    EXPECT_EQ(c.HartDevices[0].TypeHart, 0x05); // device 1's type, typed before device 2
    EXPECT_EQ(c.HartDevices[0].NomHart, 0x22);
    EXPECT_EQ(cell(*r, 1), "нет");
    EXPECT_TRUE(c.Changed.HartChanged);
    c.Changed.HartChanged = false;

    ASSERT_TRUE(r->run("type 1 1 1a\ntype 2 1 7\nset Device 3\n").ok);
    EXPECT_EQ(c.HartDevices[1].TypeHart, 0x1A); // device 2, shown "нет", got its type
    EXPECT_EQ(c.HartDevices[1].NomHart, 0x07);
    EXPECT_EQ(c.HartDevices[1].KodHart, 0xFF); // still "нет"
    EXPECT_EQ(c.HartDevices[2].TypeHart, 0xFF);
    EXPECT_TRUE(c.Changed.HartChanged);
    EXPECT_EQ(cell(*r, 0), "Устройство HART - 3");
    EXPECT_EQ(cell(*r, 4), "Котельная( CAN-адрес - 22)");

    c.Changed.HartChanged = false;
    ASSERT_TRUE(r->run("set Device 1\ntype 3 1 \\b\\bфс9\nclose\n").ok);
    EXPECT_EQ(r->top(), nullptr);
    EXPECT_EQ(c.HartDevices[0].KodHart, 0xAC); // two digits at most
    EXPECT_TRUE(c.Changed.HartChanged);
}

// The archive rules of the five parameters.
TEST_F(HartDevicesTest, ArchiveRulesOfPlacing)
{
    struct Case
    {
        int row;
        QString node;
        QString box; // empty: placed
        int depth;
    } cases[] = {
        {5, kDensity, "", 255},
        {6, kFailure, "", 255},
        {6, kHourly1440, "Выбран архивный параметр!", 255},
        {7, kHourly1440, "", 60},
        {8, kDaily, "", 255},
        {8, kDensity, "Параметр не является архивным!", 255},
        {9, kFailure, "Параметр не является архивным!", 255},
        {5, "select \"Узел учёта\"\n", "Параметр не выбран!", 255},
        {2, kDensity, "", 255}, // not a parameter row: nothing happens
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(QString("%1 %2").arg(k.row).arg(k.node).toStdString());
        GatewayConfig c = devices();
        auto r = runner(c, kOpen + QString("click %1 1\n").arg(k.row) + k.node + "place\n");
        EXPECT_EQ(only(r->output(), {"box:"}),
                  k.box.isEmpty() ? QStringList{} : QStringList{"box: " + k.box});
        const bool slotRow = k.row >= 5;
        EXPECT_EQ(slotRow && slot(c, 0, k.row - 5).isUsed(), slotRow && k.box.isEmpty());
        EXPECT_EQ(c.HartDevices[0].RazmHour, k.depth);
        EXPECT_EQ(cell(*r, 10), k.depth == 255 ? QString() : QString::number(k.depth));
        EXPECT_EQ(c.HartDevices[0].TypeHart, 0x11);
    }
    // A drop onto a parameter row places there.
    GatewayConfig c = devices();
    auto r = runner(c, kOpen + kHourly1440 + "drop 7 1\n");
    EXPECT_EQ(slot(c, 0, 2), (GroupParamRef{255, 0x0105, 1, "ЧасQ (№ 0105)/Нитка 1(Узел учёта)"}));
    EXPECT_TRUE(c.Changed.HartChanged);
}

// Another controller empties the five parameters; "Удалить" on a parameter, on the controller
// and where there is nothing to delete.
TEST_F(HartDevicesTest, ControllerChoiceAndDeleting)
{
    GatewayConfig c = devices();
    for (int n = 0; n < 5; ++n)
        c.GroupParams[std::size_t(n)] = {255, 0x0101, 1, "Плотн"};
    c.GroupParams[2] = {255, 0x0105, 1, "ЧасQ"};
    c.HartDevices[0].RazmHour = 60;
    auto r = runner(c, kOpen + "choose 4 1 \"Узел учёта( CAN-адрес - 21)\"\n");
    EXPECT_TRUE(slot(c, 0, 0).isUsed()); // the same controller again
    EXPECT_FALSE(c.Changed.HartChanged);

    ASSERT_TRUE(r->run("answer yes\nmenu 7 1 Удалить\n").ok);
    EXPECT_EQ(r->output().last(), "ask: Удалить параметр ЧасQ? -> yes");
    EXPECT_FALSE(slot(c, 0, 2).isUsed());
    EXPECT_EQ(c.HartDevices[0].RazmHour, 255);
    EXPECT_EQ(cell(*r, 10), "");
    EXPECT_TRUE(slot(c, 0, 3).isUsed());

    ASSERT_TRUE(r->run("menu 1 1 Удалить\nmenu 7 1 Удалить\n").ok);
    EXPECT_EQ(r->output().mid(r->output().size() - 2),
              (QStringList{"box: Выберите параметр", "box: Выберите параметр"}));

    ASSERT_TRUE(r->run("answer yes\nmenu 4 1 Удалить\n").ok);
    EXPECT_EQ(r->output().last(), "ask: Удалить параметр Узел учёта( CAN-адрес - 21)? -> yes");
    EXPECT_EQ(c.HartDevices[0].SetN, 255);
    for (int n = 0; n < 5; ++n)
        EXPECT_FALSE(slot(c, 0, n).isUsed()) << n;
    EXPECT_EQ(cell(*r, 9), "нет");
    EXPECT_EQ(cell(*r, 1), "11"); // the codes wait for the next device or the closing
    EXPECT_FALSE(r->top()->tree()->visible);

    // Another controller for device 3.
    c.GroupParams[std::size_t(hartGroupRow(2, 0))] = {255, 0x0101, 5, "ПлК"};
    ASSERT_TRUE(r->run("set Device 3\nchoose 4 1 \"Узел учёта( CAN-адрес - 21)\"\nshow tree\n").ok);
    EXPECT_EQ(c.HartDevices[2].SetN, 0x21);
    EXPECT_FALSE(slot(c, 2, 0).isUsed());
    EXPECT_TRUE(r->output().contains("> Узел учёта"));
}

TEST_F(HartDevicesTest, NoControllers)
{
    GatewayConfig c = station(ProtocolVariant::Hart, false);
    auto r = runner(c, kOpen + "show fields\n");
    EXPECT_EQ(r->output(), (QStringList{"box: Нет списка контроллеров!",
                                        "Device \"Условный номер устройства\": 1 "
                                        "(1|2|3|4|5|6|7|8|9|10|11|12|13|14|15|16) [hidden]",
                                        "Поместить \"<<Поместить\": button [hidden]"}));
}

// The controller list's re-check and removal reach the devices: removal resets a device and
// leaves its five slots.
TEST_F(HartDevicesTest, ControllerListReachesTheDevices)
{
    GatewayConfig c = devices();
    c.GroupParams[0] = {255, 0x0101, 1, "Плотн"};
    c.GroupParams[1] = {255, 0x010A, 1, "Отк"};
    c.GroupParams[std::size_t(hartGroupRow(2, 0))] = {255, 0x0101, 5, "ПлК"};
    ListSite listed(c, additional, db);
    ControllerListForm& list = listed.list;

    const GatewayConfig before = c;
    ASSERT_TRUE(list.SetQueue(1, db.path("Узел учёта-урезанный.tsk"), true));
    EXPECT_FALSE(list.Revalidate(0)); // the failure word 010A is not in it
    EXPECT_EQ(c.GroupParams, before.GroupParams);

    ASSERT_TRUE(list.SetQueue(1, db.path("Узел учёта-новый.tsk"), true));
    EXPECT_TRUE(list.Revalidate(0));
    EXPECT_EQ(c.GroupParams[1].Name, "Узел учёта-новый/Новая нитка/НОтк");
    EXPECT_EQ(c.GroupParams[1].TaskNumber, 9);
    EXPECT_EQ(c.GroupParams[std::size_t(hartGroupRow(2, 0))].Name, "ПлК");
    EXPECT_TRUE(c.Changed.HartChanged);

    listed.editors.find<HartDevicesForm>()->RemoveControllerRefs(0);
    EXPECT_EQ(c.HartDevices[0], HartDevice{});
    EXPECT_TRUE(c.GroupParams[0].isUsed());
    EXPECT_EQ(c.HartDevices[2].SetN, 0x22);
}

TEST_F(HartDevicesTest, EditSaveReload)
{
    GatewayConfig c = devices();
    auto r = runner(c, kOpen + "click 7 1\n" + kHourly1440 + "place\nclick 6 1\n" + kFailure +
                           "place\nset Device 16\nchoose 4 1 1\ntype 1 1 0f\n"
                           "select Котельная \"Нитка котельной\" \"ПлК (№ 0101)\"\ndrop 5 1\n"
                           "close\n");
    ASSERT_EQ(r->top(), nullptr);
    EXPECT_EQ(c.HartDevices[15], (HartDevice{0x0F, 255, 255, 0x22, 255}));
    GatewayConfig back = roundTrip(c);
    EXPECT_EQ(back.HartDevices, c.HartDevices);
    EXPECT_EQ(back.GroupParams, c.GroupParams);
    EXPECT_EQ(back.HartDevices[0].RazmHour, 60);
}
