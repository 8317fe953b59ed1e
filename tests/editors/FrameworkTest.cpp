#include "EditorFixture.h"

#include "core/settings/DatabaseDirectories.h"
#include "core/database/ControllerListForm.h"
#include "core/database/Task_CL.h"
#include "core/database/ControllerRefsEditor.h"
#include "core/editors/EditorSet.h"
#include "core/editors/GroupParamsForm.h"
#include "core/editors/ModbusTelecontrolForm.h"
#include "core/editors/ParamTreeBuilder.h"
#include "core/editors/ReferenceRules.h"
#include "core/editors/ScenarioPrinter.h"
#include "core/editors/TableEditorForm.h"

using namespace veg;
using namespace vegtest;

namespace {

class FrameworkTest : public EditorFixture
{
};

bool telecontrol(const Task_CL& db, const TaskRecord& t, const ParamCandidate& c)
{
    return ModbusTelecontrolForm::offersCandidate(db, t, c);
}

} // namespace

TEST_F(FrameworkTest, TreesOfferTheEditorsCandidates)
{
    struct Case
    {
        const char* name;
        TreeOptions options;
        bool readBack;
        QStringList expected;
    };
    TreeOptions tu;
    tu.offer = telecontrol;
    TreeOptions tuShort = tu;
    tuShort.shortTaskNames = true;
    const Case cases[] = {
        // Hidden parameters (level 2), TypeCodes other than 0, arrays, and the tasks of
        // Algorithms32 are not offered; a task without candidates gets no node.
        {"telecontrol",
         tu,
         false,
         {"tree:", "  Насосная", "    Задвижка подачи", "      Откр (№ 0201)",
          "      Закрыть задвижку (№ 0202)", "  plant", "    Задвижка обратки",
          "      ОткрО (№ 0201)", "      ЗакрО (№ 0202)"}},
        // An empty short task name shows the short name of the task's algorithm.
        {"short task names",
         tuShort,
         false,
         {"tree:", "  Насосная", "    ЗДВ", "      Откр (№ 0201)",
          "      Закрыть задвижку (№ 0202)", "  plant", "    ЗДВ2", "      ОткрО (№ 0201)",
          "      ЗакрО (№ 0202)"}},
        // Algorithms32 tasks only, TypeCode AND B7 = A4 (A4 and E4, not 84), long task names.
        {"group",
         GroupParamsForm::groupTreeOptions(),
         false,
         {"tree:", "  Насосная", "    Котлы", "      ГрК (№ 0421)", "      АвК (№ 0422)",
          "  plant"}},
        // A read-back controller without database: its network number, no children.
        {"read back",
         tu,
         true,
         {"tree:", "  Насосная", "    Задвижка подачи", "      Откр (№ 0201)",
          "      Закрыть задвижку (№ 0202)", "  Модуль - сетевой номер 2B"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        GatewayConfig c = site();
        if (k.readBack) {
            c.IsReadBack = true;
            c.Controllers[1].Present = false;
        }
        ParamTree tree;
        ASSERT_TRUE(BuildParameterTree(tree, c, k.options));
        EXPECT_EQ(ScenarioPrinter::tree(tree), k.expected);
    }

    GatewayConfig none = site(ProtocolVariant::Modbus, false);
    ParamTree tree;
    EXPECT_FALSE(BuildParameterTree(tree, none, tu));
    EXPECT_TRUE(tree.empty());
}

TEST_F(FrameworkTest, NodesAreTiedToControllerTaskAndParameter)
{
    GatewayConfig c = site();
    TreeOptions o;
    o.offer = [](const Task_CL&, const TaskRecord&, const ParamCandidate& k) {
        return (k.TypeCode & 0x87) == 4;
    };
    o.archiveDepth = true;
    o.onlyController = 0;
    o.expandAll = true;
    ParamTree tree;
    ASSERT_TRUE(BuildParameterTree(tree, c, o));
    ASSERT_EQ(tree.roots().size(), 1u); // one controller
    const int archive = tree.find({"Насосная", "Теплоузел", "Арх (№ 0302)"});
    ASSERT_GE(archive, 0);
    const TreeNode& n = tree.node(archive);
    EXPECT_EQ(n.archiveDepth, 60); // class 1: 1440 / 24
    EXPECT_EQ(n.controller, 0);
    EXPECT_EQ(n.taskNumber, 2);
    EXPECT_EQ(c.Controllers[0].Database->params()[std::size_t(n.param)].Number, 0x0302);
    EXPECT_EQ(tree.node(tree.find({"Насосная", "Теплоузел", "Т (№ 0301)"})).archiveDepth, 0);
    EXPECT_TRUE(tree.node(tree.roots()[0]).expanded);

    tree.select(archive);
    const auto placed = placedParameter(tree, archive, c);
    ASSERT_TRUE(placed);
    EXPECT_EQ(placed->name, "Арх (№ 0302)/Теплоузел(Насосная)");
    EXPECT_EQ(placed->netNumber, 0x1A);
    EXPECT_EQ(placed->taskNumber, 2);
    EXPECT_EQ(placed->valueFormat, std::optional<std::uint8_t>(0)); // 0x1311: format 3 is held as 0
    EXPECT_FALSE(
        placedParameter(tree, tree.node(archive).parent, c)); // a task node is no parameter
}

TEST_F(FrameworkTest, LocateReferenceSelectsTheNodeOfAReference)
{
    GatewayConfig c = site();
    c.IsReadBack = true;
    c.Controllers.push_back(controller(db.path("нет такой.tsk"), 0x3C)); // not present
    TreeOptions o;
    o.offer = telecontrol;
    struct Case
    {
        std::uint8_t kind;
        std::uint16_t task, param;
        std::uint8_t net;
        QStringList selected; // empty: the selection stays
    } cases[] = {
        {255, 1, 0x0201, 0x1A, {"Насосная"}}, // empty: first node
        {0, 1, 0x0202, 0x1A, {"Насосная", "Задвижка подачи", "Закрыть задвижку (№ 0202)"}},
        {2, 7, 0x0201, 0x2B, {"plant", "Задвижка обратки", "ОткрО (№ 0201)"}},
        {0, 7, 0x0999, 0x2B, {"Насосная"}},                  // gone: first node
        {0, 8, 0x0201, 0x2B, {"Насосная"}},                  // other task
        {0, 1, 0x0201, 0x3C, {"Модуль - сетевой номер 3C"}}, // no database
        {0, 1, 0x0201, 0x77, {}},                            // no such controller
    };
    for (const Case& k : cases) {
        ParamTree tree;
        ASSERT_TRUE(BuildParameterTree(tree, c, o));
        const int before = tree.find({"plant"});
        tree.select(before);
        tree.takeFocusRequest();
        const bool located = LocateReference(tree, c, k.kind, k.task, k.param, k.net);
        SCOPED_TRACE(k.param);
        if (k.selected.isEmpty()) {
            EXPECT_FALSE(located);
            EXPECT_EQ(tree.selected(), before);
            EXPECT_FALSE(tree.focusRequested());
        } else {
            EXPECT_EQ(tree.path(tree.selected()), k.selected);
            EXPECT_TRUE(tree.focusRequested());
        }
    }
}

TEST_F(FrameworkTest, NamesOfControllersAndReferences)
{
    EXPECT_EQ(queueName("C:\\Сайт\\plant.old.tsk"), "plant");
    EXPECT_EQ(queueName("/srv/site/Насосная.tsk"), "Насосная");
    EXPECT_EQ(queueName("без расширения"), "без расширения");
    EXPECT_EQ(cutName(QString(100, u'я')).size(), 80);

    GatewayConfig c = site();
    c.IsReadBack = true;
    c.Controllers[1].Present = false;
    EXPECT_EQ(controllerListText(c, 0), "Насосная( CAN-адрес - 1A)");
    EXPECT_EQ(controllerListText(c, 1), "Контроллер ( CAN-адрес - 2B)");
    c.GroupParams[1] = {0x2B, 0x0421, 3, "ГрК/Котлы(plant)"};
    c.GroupParams[2] = {0x1A, 0x0422, 3, "АвК/Котлы(Насосная)"};
    struct Case
    {
        std::uint8_t net;
        std::uint16_t param;
        bool group;
        QString expected;
    } cases[] = {
        {0x1A, 0x0201, false, "хранимое"},
        {0x2B, 0x0201, false, "Параметр 0201 (модуль 2B)"},
        {0x55, 0x0ABC, false, "Параметр 0ABC (модуль 55)"},
        {0, 0x0105, true, "Параметр 0421 (модуль 2B)"}, // slot 1, bit 5
        {0, 0x0207, true, "АвК/Котлы(Насосная)"},       // slot 2
    };
    for (const Case& k : cases)
        EXPECT_EQ(DescribeReference(c, k.net, k.param, k.group, "хранимое"), k.expected);
}

// The controller list re-checks and cleans the editors' tables through their registry: a new
// queue that lacks a referenced parameter changes nothing, one that has them re-describes them,
// and removing a controller takes its rows with it.
TEST_F(FrameworkTest, ControllerListReachesTheEditors)
{
    GatewayConfig c = site();
    ModbusCoilEntry& row0 = c.ModbusCoilTable[0];
    row0.Coil = 10;
    row0.TU1 = {2, 0x1A, 0x0201, 1};
    row0.NameTU1 = "Откр (№ 0201)/Задвижка подачи(Насосная)";
    row0.OC1 = {1, 0x1A, 0x0202, 1};
    row0.NameOC1 = "старое имя";
    ModbusCoilEntry& row1 = c.ModbusCoilTable[1];
    row1.Coil = 12;
    row1.TU1 = {0, 0x2B, 0x0201, 7};
    row1.NameTU1 = "ОткрО";
    row1.READY1 = {1, 0x1A, 0x0201, 1}; // a readiness of 1A stays with a row of 2B
    c.ModbusCoilTable[2] = row0;
    c.ModbusCoilTable[2].Coil = 14;
    c.GroupParams[0] = {0x1A, 0x0421, 3, "ГрК"};
    c.GroupParams[3] = {0x2B, 0x0421, 3, "чужой"};

    ScriptedDialogs dialogs;
    EditorSession session(c, dialogs, additional);
    EditorSet editors(session);
    ControllerRefsEditors registry;
    editors.registerRefsEditors(registry);
    DatabaseDirectories dirs;
    dirs.WayAlg = db.alg();
    dirs.WayMod = db.mod();
    dirs.WayTask = db.tsk();
    ControllerListForm list(c, dirs, dialogs, registry);

    // A queue without "Закрыть задвижку" (0202) and the group parameter: refused, no table
    // changed (the coil table refuses on its own too).
    const GatewayConfig before = c;
    ASSERT_TRUE(list.SetQueue(1, db.path("Насосная-урезанная.tsk"), true));
    EXPECT_FALSE(editors.modbusTelecontrol().RebindController(0));
    EXPECT_FALSE(list.Revalidate(0));
    EXPECT_EQ(dialogs.asked.last(),
              "info: Неверно введена очередь задач! Заданные параметры не найдены");
    EXPECT_EQ(c.ModbusCoilTable, before.ModbusCoilTable);
    EXPECT_EQ(c.GroupParams, before.GroupParams);
    EXPECT_FALSE(c.Changed.ModbusCoilChanged);

    // A queue that keeps them in other tasks: every reference of 1A is re-described.
    ASSERT_TRUE(list.SetQueue(1, db.path("Насосная-новая.tsk"), true));
    EXPECT_TRUE(list.Revalidate(0));
    EXPECT_EQ(c.ModbusCoilTable[0].TU1.TaskNumber, 9);
    EXPECT_EQ(c.ModbusCoilTable[0].NameTU1, "Насосная-новая/Новая задвижка/ОткрН");
    EXPECT_EQ(c.ModbusCoilTable[0].NameOC1, "Насосная-новая/Новая задвижка/Закрыть новую");
    EXPECT_EQ(c.ModbusCoilTable[1].NameTU1, "ОткрО"); // another controller's
    EXPECT_EQ(c.ModbusCoilTable[1].NameREADY1, "Насосная-новая/Новая задвижка/ОткрН");
    EXPECT_EQ(c.GroupParams[0].Name, "Насосная-новая/Котлы/ГрК");
    EXPECT_EQ(c.GroupParams[3].Name, "чужой");
    EXPECT_TRUE(c.Changed.ModbusCoilChanged);
    EXPECT_TRUE(c.Changed.GroupChanged);

    // Removing 1A: its rows go (the rows behind move up), the table keeps 16 rows; its slot is
    // emptied, the other's stays.
    list.selectCell(1, 2);
    dialogs.confirms = {true};
    list.removeController();
    ASSERT_EQ(c.ModbusCoilTable.size(), 16u);
    EXPECT_EQ(c.ModbusCoilTable[0].Coil, 12);
    EXPECT_EQ(c.ModbusCoilTable[1], ModbusCoilEntry{});
    EXPECT_EQ(c.GroupParams[0], GroupParamRef{});
    EXPECT_EQ(c.GroupParams[3].NetNumber, 0x2B);
    ASSERT_EQ(c.Controllers.size(), 1u);
}

// Removing a controller takes every coil command of it, also behind rows not in use and in
// consecutive rows (a removed row pulls the next one to the same position); the other
// controller's commands stay, in their order. Each case: the rows (network number of TU1, coil;
// net 0 = not in use) and the coils left, in order.
TEST_F(FrameworkTest, RemovalExaminesEveryRow)
{
    struct Case
    {
        std::vector<std::pair<std::uint8_t, std::uint16_t>> rows;
        std::vector<std::uint16_t> left;
    };
    const Case cases[] = {
        {{{0x1A, 0}, {0, 0}, {0x1A, 4}}, {}},
        {{{0x1A, 0}, {0, 0}, {0x2B, 4}, {0x1A, 6}, {0x1A, 8}, {0x2B, 10}}, {4, 10}},
        {{{0x2B, 0}, {0x1A, 2}, {0x1A, 4}, {0, 0}, {0, 0}, {0x1A, 10}}, {0}},
    };
    for (const Case& k : cases) {
        GatewayConfig c = site();
        for (std::size_t i = 0; i < k.rows.size(); ++i) {
            if (k.rows[i].first == 0)
                continue;
            c.ModbusCoilTable[i].TU1 = {0, k.rows[i].first, 0x0201, 1};
            c.ModbusCoilTable[i].Coil = k.rows[i].second;
        }
        ScriptedDialogs dialogs;
        EditorSession session(c, dialogs, additional);
        ModbusTelecontrolForm form(session);
        form.RemoveControllerRefs(0);
        std::vector<std::uint16_t> left;
        for (const ModbusCoilEntry& e : c.ModbusCoilTable) {
            if (e.TU1.Kind != 255) {
                EXPECT_EQ(e.TU1.NetNumber, 0x2B);
                left.push_back(e.Coil);
            }
        }
        EXPECT_EQ(left, k.left) << "case of " << k.rows.size() << " rows";
        EXPECT_EQ(c.ModbusCoilTable.size(), 16u);
    }
}

namespace {

// One column of each cell kind, to see the key filters and cell events of the pattern without
// the rules of a particular table.
class KindsForm : public TableEditorForm
{
public:
    explicit KindsForm(EditorSession& s) : TableEditorForm(s)
    {
        setupGrid(1, 3,
                  {{"№", 20, CellKind::Fixed},
                   {"num", 40, CellKind::Numeric},
                   {"dec", 40, CellKind::Decimal},
                   {"hex", 40, CellKind::Hex},
                   {"text", 40, CellKind::Text},
                   {"ref", 40, CellKind::ReadOnly, true},
                   {"list", 40, CellKind::DropDown}});
    }
    std::vector<QString> table = {"a", "b", "c"}; // the rows' texts, shown in column 4
    void deleteInPlace() { m_deleteMode = DeleteMode::InPlace; }
    void insertAt(int row) { insertRow(row); }
    QString windowName() const override { return "Kinds"; }
    QString caption() const override { return "Kinds"; }
    bool RebindController(int) override { return true; }
    void RemoveControllerRefs(int) override {}
    bool ChangedFlags::*changedFlag() const override { return &ChangedFlags::TiFloatChanged; }
    QStringList changes;

protected:
    TreeOptions treeOptions() const override { return defaultTreeOptions(); }
    void fillRow(int row) override
    {
        const QString& t = table[std::size_t(dataIndex(row))];
        m_grid.cell(row, 1).text = t.isEmpty() ? marker() : QString::number(row);
        m_grid.cell(row, 4).text = t;
    }
    void removeTableRow(int index) override { removeRowKeepLength(table, index); }
    void resetTableRow(int index) override { table[std::size_t(index)].clear(); }
    void insertTableRow(int index) override { insertRowKeepLength(table, index, QString()); }
    QString wrongCellMessage() const override { return "не туда"; }
    void storeReference(int row, int column, const PlacedParam& p) override
    {
        showReference(row, column, p.name, "hint");
    }
    bool cellChanged(int row, int column, const QString& text) override
    {
        changes << QString("%1 %2 %3").arg(row).arg(column).arg(text);
        return text != "refuse";
    }
    QStringList dropDownItems(int, int) const override { return {"a", "b"}; }
    void choiceMade(int row, int column, int index) override
    {
        changes << QString("choice %1").arg(index);
    }
    bool closeCheck() override { return true; }
};

} // namespace

TEST_F(FrameworkTest, KeyFiltersOfTheCellKinds)
{
    GatewayConfig c = site();
    ScriptedDialogs dialogs;
    EditorSession session(c, dialogs, additional, u',');
    KindsForm form(session);
    form.FormActivate();
    struct Case
    {
        int column;
        QString text; // in the editor before the key
        QChar key;
        bool accepted;
        QChar entered;
        bool clearFirst;
    } cases[] = {
        {1, "нет", u'5', true, u'5', true}, {1, "нет", QChar(8), true, QChar(8), true},
        {1, "12", u'a', false, {}, false},  {1, "12", u'.', false, {}, false},
        {2, "1", u'.', true, u',', false},  {2, "1", u',', true, u',', false},
        {2, "1", u'e', false, {}, false},   {3, "", u'ф', true, u'A', false},
        {3, "", u'g', false, {}, false},    {4, "", u'ж', true, u'ж', false},
        // A name that holds "нет" is kept: only numeric cells show the marker.
        {4, "Сигнала нет", u'1', true, u'1', false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.column);
        form.clickCell(1, k.column);
        ASSERT_NE(form.beginEdit().kind, CellKind::Fixed);
        const KeyOutcome out = form.cellKey(k.key, k.text);
        EXPECT_EQ(out.accepted, k.accepted);
        if (k.accepted) {
            EXPECT_EQ(out.key, k.entered);
            EXPECT_EQ(out.clearFirst, k.clearFirst);
        }
        form.cancelEdit();
    }
    // A reference cell opens no editor: its keys are swallowed.
    form.clickCell(1, 5);
    EXPECT_EQ(form.beginEdit().kind, CellKind::Fixed);
    EXPECT_FALSE(form.cellKey(u'1', "").accepted);

    // A cell left unchanged is no change; a refused text puts the previous one back.
    form.clickCell(2, 4);
    form.beginEdit();
    form.endEdit("b");
    form.beginEdit();
    form.endEdit("refuse");
    EXPECT_EQ(form.grid()->cell(2, 4).text, "b");
    form.beginEdit();
    form.endEdit("ok");
    EXPECT_EQ(form.grid()->cell(2, 4).text, "ok");
    EXPECT_EQ(form.changes, (QStringList{"2 4 refuse", "2 4 ok"}));

    // A drop-down empties its cell while it is open; leaving it without a choice restores it.
    form.clickCell(3, 6);
    CellEdit e = form.beginEdit();
    EXPECT_EQ(e.items, (QStringList{"a", "b"}));
    EXPECT_EQ(form.grid()->cell(3, 6).text, "");
    form.chooseInCell(1);
    EXPECT_EQ(form.grid()->cell(3, 6).text, "b");
    form.beginEdit();
    form.cancelEdit();
    EXPECT_EQ(form.grid()->cell(3, 6).text, "b");
    EXPECT_EQ(form.changes.last(), "choice 1");
}

// Deleting a row moves the rows behind up or empties it in place; inserting moves the rows down
// and loses the last one; the row numbers stay 1, 2, 3.
TEST_F(FrameworkTest, RowsDeletedAndInserted)
{
    GatewayConfig c = site();
    ScriptedDialogs dialogs;
    EditorSession session(c, dialogs, additional);
    struct Case
    {
        const char* name;
        std::function<void(KindsForm&)> act;
        std::vector<QString> table;
        QStringList column4;
    };
    const Case cases[] = {
        {"move up",
         [](KindsForm& f) { f.contextCommand("Удалить"); },
         {"a", "c", ""},
         {"a", "c", ""}},
        {"in place",
         [](KindsForm& f) {
             f.deleteInPlace();
             f.contextCommand("Удалить");
         },
         {"a", "", "c"},
         {"a", "", "c"}},
        {"insert", [](KindsForm& f) { f.insertAt(2); }, {"a", "", "b"}, {"a", "", "b"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        KindsForm form(session);
        form.FormActivate();
        dialogs.confirms = {true};
        ASSERT_EQ(form.contextMenu({2, 4, {}}), QStringList{"Удалить"});
        k.act(form);
        EXPECT_EQ(form.table, k.table);
        QStringList shown, numbers;
        for (int r = 1; r <= 3; ++r) {
            shown << form.grid()->cell(r, 4).text;
            numbers << form.grid()->cell(r, 0).text;
        }
        EXPECT_EQ(shown, k.column4);
        EXPECT_EQ(numbers, (QStringList{"1", "2", "3"}));
        EXPECT_EQ(form.grid()->cell(3, 1).text, k.table[2].isEmpty() ? "нет" : "3");
        EXPECT_TRUE(c.Changed.TiFloatChanged);
        c.Changed.TiFloatChanged = false;
    }
}
