#include "EditorFixture.h"

#include "core/editors/EditorForm.h"

using namespace veg;
using namespace vegtest;

namespace {

class GroupParamsTest : public EditorFixture
{
protected:
    static QString field(const veg::EditorForm& form, const QString& id, bool hint = false)
    {
        for (const FormField& f : form.fields()) {
            if (f.id == id)
                return hint ? f.hint : f.text;
        }
        return "(none)";
    }
};

const QString kOpen = "open TFGroup\n";
const QString kGroupOfBoilers = "select Насосная Котлы \"ГрК (№ 0421)\"\n";
const QString kAlarms = "select Насосная Котлы \"АвК (№ 0422)\"\n";

} // namespace

TEST_F(GroupParamsTest, SlotsFilledFromTheTree)
{
    GatewayConfig c = site();
    veg::ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run(kOpen + "show tree\n" + kAlarms + "place 2\n").ok);
    EXPECT_EQ(only(runner.output(), {"tree:", " ", ">", "box:"}),
              (QStringList{"tree:", "> Насосная", "    Котлы", "      ГрК (№ 0421)",
                           "      АвК (№ 0422)", "  plant"}));
    const EditorForm& form = *runner.top();
    EXPECT_EQ(field(form, "Slot2"), "АвК (№ 0422)/Котлы(Насосная)");
    EXPECT_EQ(field(form, "Slot2", true), "0422 1A");
    EXPECT_EQ(field(form, "Slot1"), "нет параметра");
    EXPECT_EQ(field(form, "Slot1", true), "FFFF FF");
    EXPECT_EQ(c.GroupParams[1], (GroupParamRef{0x1A, 0x0422, 3, "АвК (№ 0422)/Котлы(Насосная)"}));
    EXPECT_TRUE(c.Changed.GroupChanged);

    // ">>" with a node that is no parameter leaves the slot; the flag is set all the same.
    c.Changed.GroupChanged = false;
    ASSERT_TRUE(runner.run("select Насосная Котлы\npress \">>2\"\n").ok);
    EXPECT_EQ(c.GroupParams[1].ParamNumber, 0x0422);
    EXPECT_TRUE(c.Changed.GroupChanged);

    // Save, reload: the same slots.
    ASSERT_TRUE(runner.run(kGroupOfBoilers + "place 4\nclose\n").ok);
    const QString file = db.path("group.veg");
    ASSERT_TRUE(SaveConfiguration(c, file, true).ok);
    GatewayConfig back;
    ASSERT_TRUE(LoadConfiguration(back, file, {}).loaded());
    EXPECT_EQ(back.GroupParams, c.GroupParams);
}

TEST_F(GroupParamsTest, ClickingASlotLocatesItsParameter)
{
    GatewayConfig c = site();
    c.IsReadBack = true;
    c.Controllers[1].Present = false;
    c.GroupParams[0] = {0x1A, 0x0422, 3, "АвК"};
    c.GroupParams[1] = {0x1A, 0x0999, 3, "пропал"};
    c.GroupParams[2] = {0x2B, 0x0421, 3, "ГрК"};
    veg::ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run(kOpen).ok);
    const ParamTree& t = *runner.top()->tree();
    EXPECT_EQ(t.path(t.selected()), (QStringList{"Насосная", "Котлы", "АвК (№ 0422)"})); // slot 1
    struct Case
    {
        const char* slot;
        QStringList selected;
    } cases[] = {
        {"Slot2", {}},                            // not in the tree: nothing selected
        {"Slot3", {"Модуль - сетевой номер 2B"}}, // controller without database
        {"Slot4", {"Насосная"}},                  // empty: the first node
        {"Slot1", {"Насосная", "Котлы", "АвК (№ 0422)"}},
    };
    for (const Case& k : cases) {
        ASSERT_TRUE(runner.run(QString("click %1\n").arg(k.slot)).ok);
        EXPECT_EQ(t.path(t.selected()), k.selected) << k.slot;
    }
    // In a read-back configuration a slot of a controller without database is named by numbers.
    EXPECT_EQ(field(*runner.top(), "Slot3"), "Параметр 0421 (модуль 2B)");
    EXPECT_EQ(field(*runner.top(), "Slot1"), "АвК");
}

TEST_F(GroupParamsTest, DeletingASlotAsks)
{
    GatewayConfig c = site();
    c.GroupParams[1] = {0x1A, 0x0422, 3, "АвК"};
    veg::ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run(kOpen + "answer no yes\nmenu Slot1 Удалить\nmenu Slot2 Удалить\n").ok);
    EXPECT_EQ(only(runner.output(), {"ask:"}), (QStringList{"ask: Удалить \"нет параметра\"? -> no",
                                                            "ask: Удалить \"АвК\"? -> yes"}));
    EXPECT_EQ(c.GroupParams[1], GroupParamRef{});
    EXPECT_EQ(field(*runner.top(), "Slot2"), "нет параметра");
    EXPECT_EQ(field(*runner.top(), "Slot2", true), "FFFF FF");
    EXPECT_TRUE(c.Changed.GroupChanged);
    // The fields take no typed keys.
    ASSERT_TRUE(runner.run("type Slot2 abc\n").ok);
    EXPECT_EQ(c.GroupParams[1], GroupParamRef{});
}

TEST_F(GroupParamsTest, WithoutControllersOrGroupParameters)
{
    struct Case
    {
        const char* name;
        bool pump, plant, readBack;
        QStringList boxes;
    } cases[] = {
        {"no controllers", false, false, false, {"box: Нет списка контроллеров!"}},
        {"no group parameters", false, true, false, {"box: Нет групповых параметров!"}},
        {"read back without group parameters", false, true, true, {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        GatewayConfig c = site(ProtocolVariant::Modbus, false);
        if (k.plant)
            c.Controllers.push_back(controller(plantQueue(), 0x2B));
        c.IsReadBack = k.readBack;
        veg::ScenarioRunner runner(c, additional);
        ASSERT_TRUE(runner.run(kOpen).ok);
        EXPECT_EQ(runner.output(), k.boxes);
        const auto r = runner.run("place 1\n");
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, "place: field \">>1\" is disabled");
    }
}
