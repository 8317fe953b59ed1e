// The controller list: the grid it shows, adding controllers, new queues, removal, the network
// number cell, and what it asks of the table editors.
#include "TestSupport.h"

#include "core/database/ControllerListForm.h"
#include "core/settings/DatabaseDirectories.h"
#include "core/config/GatewayConfig.h"
#include "core/database/Task_CL.h"
#include "dbbuilder/DatabaseBuilder.h"
#include "core/database/ControllerRefsEditor.h"

#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

using namespace veg;
using namespace vegtest;

namespace {

// Four queue files over one small library: a.tsk (network number 0x1A), b.tsk (0x05), c.tsk
// (0x30) and "d d.tsk" (0x41).
constexpr const char* Database = R"({
  "algorithms": [{"number": "0x00A1", "longName": "Ввод сигналов", "shortName": "ВВОД",
    "descriptors": [{"number": 1, "longName": "Вход 1", "shortName": "В1"}]}],
  "modules": [{"code": "0x1901", "algorithms": ["0x00A1"]}],
  "queues": [
    {"file": "a.tsk", "netNumber": "0x1A", "moduleCode": "0x1901", "tasks": [
      {"number": 1, "algorithm": "0x00A1", "longName": "Котельная", "params": [
        {"number": "0x0101", "descriptor": 1, "attributeWord": "0x1111"}]}]},
    {"file": "b.tsk", "netNumber": "0x05", "moduleCode": "0x1901", "tasks": []},
    {"file": "c.tsk", "netNumber": "0x30", "moduleCode": "0x1901", "tasks": []},
    {"file": "d d.tsk", "netNumber": "0x41", "moduleCode": "0x1901", "tasks": []}]
})";

const QString NoQueue = QStringLiteral("Очередь задач не введена");

// An editor of a table of references: remembers what it was asked and, on removal, drops the
// rows of the Modbus telesignal table that name the controller's network number, which it finds
// by the index, as the real editors do.
class FakeEditor : public ControllerRefsEditor
{
public:
    FakeEditor(QString name, QStringList& calls, GatewayConfig& config, bool ChangedFlags::*flag)
        : m_name(std::move(name)), m_calls(calls), m_config(config), m_flag(flag)
    {}
    bool passes = true;

    bool RebindController(int index) override
    {
        m_calls << QStringLiteral("%1 rebind %2").arg(m_name).arg(index);
        return passes;
    }
    void RemoveControllerRefs(int index) override
    {
        const std::uint8_t net = m_config.Controllers.at(std::size_t(index)).NetNumber;
        m_calls << QStringLiteral("%1 remove %2 (%3)")
                       .arg(m_name)
                       .arg(index)
                       .arg(net, 2, 16, QChar(u'0'));
        for (TcTuEntry& row : m_config.ModbusTcTable) {
            if (row.NetNumber == net)
                row = TcTuEntry{};
        }
    }
    bool ChangedFlags::*changedFlag() const override { return m_flag; }

private:
    QString m_name;
    QStringList& m_calls;
    GatewayConfig& m_config;
    bool ChangedFlags::*m_flag;
};

class ControllerListFormTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    DatabaseDirectories directories;
    GatewayConfig config;
    ScriptedDialogs dialogs;
    ControllerRefsEditors editors;
    QStringList calls;
    std::map<RefsEditorKind, std::unique_ptr<FakeEditor>> fakes;
    ControllerListForm form{config, directories, dialogs, editors};

    void SetUp() override
    {
        const QJsonObject description = QJsonDocument::fromJson(Database).object();
        const vegdb::BuildResult built = vegdb::buildDatabase(description, dir.path());
        ASSERT_TRUE(built.Ok) << built.Error.toStdString();
        directories = {dir.path(), dir.filePath("ALG"), dir.filePath("MOD"), dir.filePath("TASK")};
        config.CreateFor(ProtocolVariant::Modbus);
    }

    QString queue(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    FakeEditor& fake(RefsEditorKind kind, const char* name, bool ChangedFlags::*flag)
    {
        auto& f = fakes[kind];
        f = std::make_unique<FakeEditor>(QString::fromLatin1(name), calls, config, flag);
        editors.add(kind, f.get());
        return *f;
    }
    // One fake editor per table, each setting its own flag.
    void allFakes()
    {
        using K = RefsEditorKind;
        using F = ChangedFlags;
        fake(K::GroupParams, "group", &F::GroupChanged);
        fake(K::Telesignals, "tc", &F::TcChanged);
        fake(K::IkpSubblocks, "ikp", &F::IkpChanged);
        fake(K::ModbusTelesignals, "mtc", &F::ModbusTcChanged);
        fake(K::ModbusTelecontrol, "coil", &F::ModbusCoilChanged);
        fake(K::TiFloat, "ti", &F::TiFloatChanged);
        fake(K::UnkThreads, "unk", &F::UnkChanged);
        fake(K::Hart, "hart", &F::HartChanged);
        fake(K::KtsGroups, "ktsgr", &F::KtsGroupChanged);
        fake(K::KtsSignals, "ktstc", &F::KtsSignalChanged);
    }

    // Adds the queues through the window's own command, as the user would.
    void add(std::initializer_list<const char*> names)
    {
        for (const char* n : names) {
            dialogs.files.push_back(queue(n));
            form.addController();
        }
        ASSERT_EQ(form.messageVisible, false) << form.message.toStdString();
        dialogs.asked.clear();
        config.Changed = ChangedFlags{};
    }

    QStringList column(int c) const
    {
        QStringList out;
        for (const auto& r : form.rows()) {
            out << (c == 0 ? r.number : c == 1 ? r.queue : r.netNumber);
        }
        return out;
    }
    std::vector<std::uint8_t> netNumbers() const
    {
        std::vector<std::uint8_t> out;
        for (const ControllerEntry& e : config.Controllers)
            out.push_back(e.NetNumber);
        return out;
    }
};

ControllerEntry entry(const QString& path, std::uint8_t net, bool present)
{
    ControllerEntry e;
    e.QueuePath = path;
    e.NetNumber = net;
    e.Present = present;
    return e;
}

} // namespace

TEST_F(ControllerListFormTest, ActivationShowsTheListAndSelectsTheFirstMarkedRow)
{
    struct Case
    {
        const char* name;
        bool readBack;
        std::vector<bool> present;
        QStringList queues; // column 1 of the controller rows
        std::vector<bool> marked;
        bool note;
        int selected;
    } cases[] = {
        {"no controllers", false, {}, {}, {}, false, 1},
        {"all present", false, {true, true}, {"q0", "q1"}, {false, false}, false, 1},
        {"files missing",
         false,
         {true, false, false},
         {"q0", "q1", "q2"},
         {false, true, true},
         true,
         2},
        {"read back",
         true,
         {false, true, false},
         {NoQueue, "q1", NoQueue},
         {false, false, false},
         false,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        config.ClearControllers();
        config.IsReadBack = c.readBack;
        for (std::size_t i = 0; i < c.present.size(); ++i)
            config.Controllers.push_back(
                entry(QStringLiteral("q%1").arg(i), std::uint8_t(10 + i), c.present[i]));
        form.message = "старое";
        form.messageVisible = true;
        form.FormActivate();

        const int n = int(c.present.size());
        ASSERT_EQ(form.rowCount(), n + 2);
        EXPECT_EQ(form.rows().front(),
                  (ControllerListForm::Row{"№", "Очередь задач", "Сетевой номер", false}));
        EXPECT_EQ(form.rows().back(), ControllerListForm::Row{});
        for (int i = 0; i < n; ++i) {
            const auto& r = form.rows()[std::size_t(i + 1)];
            EXPECT_EQ(r.number, QString::number(i + 1));
            EXPECT_EQ(r.queue, c.queues[i]);
            EXPECT_EQ(r.netNumber, QStringLiteral("%1").arg(10 + i, 2, 16, QChar(u'0')).toUpper());
            EXPECT_EQ(r.marked, c.marked[std::size_t(i)]) << i;
        }
        EXPECT_EQ(form.markerNoteVisible, c.note);
        EXPECT_FALSE(form.messageVisible);
        EXPECT_EQ(form.selectedRow, c.selected);
        EXPECT_EQ(form.selectedColumn, ControllerListForm::NetNumberColumn);
    }
}

TEST_F(ControllerListFormTest, AddingTakesTheNetworkNumberFromTheQueueHeader)
{
    add({"b.tsk"});
    dialogs.files.push_back(queue("a.tsk"));
    form.addController();

    // The dialog names its command, offers every file and queue files, the latter first, and
    // starts in the database's task folder.
    EXPECT_EQ(dialogs.asked, QStringList{"dialog: open"});
    EXPECT_EQ(dialogs.openCaption, "Добавить контроллер");
    EXPECT_EQ(dialogs.openFilter, "All files(*.*)|*.*|Tsk(*.tsk)|*.tsk");
    EXPECT_EQ(dialogs.openSelectedFilter, 1);
    EXPECT_EQ(dialogs.openFolder, dir.filePath("TASK"));
    EXPECT_EQ(column(0), (QStringList{"№", "1", "2", ""}));
    EXPECT_EQ(column(1), (QStringList{"Очередь задач", queue("b.tsk"), queue("a.tsk"), ""}));
    EXPECT_EQ(column(2), (QStringList{"Сетевой номер", "05", "1A", ""}));
    EXPECT_EQ(netNumbers(), (std::vector<std::uint8_t>{0x05, 0x1A}));
    const ControllerEntry& e = config.Controllers.back();
    EXPECT_TRUE(e.Present);
    EXPECT_EQ(e.QueuePath, queue("a.tsk"));
    ASSERT_TRUE(e.Database);
    EXPECT_EQ(e.Database->queuePath(), queue("a.tsk"));
    EXPECT_EQ(e.Database->taskCount(), 1); // read with the active library directories
    EXPECT_TRUE(config.Changed.ControllersChanged);
    EXPECT_FALSE(form.messageVisible);
}

TEST_F(ControllerListFormTest, AddingRefusesWhatNamesNoQueueFile)
{
    struct Case
    {
        const char* name;
        DatabaseDirectories dirs; // empty Way: keep the fixture's directories
        std::optional<QString> answer;
        QString message; // empty: the message line stays hidden
        int controllers;
    };
    const DatabaseDirectories noAlg{"x", "", "m", "t"}, noMod{"x", "a", "", "t"},
        noTsk{"x", "a", "m", ""};
    const Case cases[] = {
        {"no algorithm directory", noAlg, queue("a.tsk"), "Не указан путь к базе данных!", 0},
        {"no module directory", noMod, queue("a.tsk"), "Не указан путь к базе данных!", 0},
        {"no template directory", noTsk, queue("a.tsk"), "Не указан путь к базе данных!", 0},
        {"cancelled", {}, std::nullopt, "", 0},
        {"empty path", {}, QString(), "Не указана очередь задач", 0},
        {"only quotes", {}, QString("\"\""), "Не указана очередь задач", 0},
        {"no such file", {}, queue("x.tsk"), "Файл " + queue("x.tsk") + " не существует", 0},
        {"a directory", {}, dir.path(), "Файл " + dir.path() + " не существует", 0},
        {"quoted path", {}, "\"" + queue("d d.tsk") + "\"", "", 1},
    };
    const DatabaseDirectories fixture = directories;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        config.ClearControllers();
        directories = c.dirs.Way.isEmpty() ? fixture : c.dirs;
        form.FormActivate();
        dialogs.asked.clear();
        dialogs.files = {c.answer};
        form.addController();

        const bool dirsMissing = !c.dirs.Way.isEmpty();
        EXPECT_EQ(dialogs.asked, dirsMissing ? QStringList{} : QStringList{"dialog: open"});
        // The message line as the user sees it.
        EXPECT_EQ(form.messageVisible ? form.message : QString(), c.message);
        ASSERT_EQ(int(config.Controllers.size()), c.controllers);
        EXPECT_EQ(config.Changed.ControllersChanged, c.controllers > 0);
        EXPECT_EQ(form.rowCount(), c.controllers + 2);
    }
    EXPECT_EQ(config.Controllers[0].QueuePath, queue("d d.tsk"));
    EXPECT_EQ(form.rows()[1].queue, queue("d d.tsk"));
    EXPECT_EQ(form.rows()[1].netNumber, "41");
}

TEST_F(ControllerListFormTest, NewQueueKeepsTheNetworkNumberAndAsksTheEditors)
{
    allFakes();
    add({"a.tsk", "b.tsk", "c.tsk"});
    const auto oldDatabase = config.Controllers[1].Database;
    config.Controllers[1].Present = false; // as if b.tsk had been missing when loaded
    form.FormActivate();
    ASSERT_TRUE(form.rows()[2].marked);
    ASSERT_TRUE(form.markerNoteVisible);
    ASSERT_EQ(form.selectedRow, 2);

    dialogs.files.push_back(queue("a.tsk"));
    form.enterQueue();

    EXPECT_EQ(dialogs.asked, QStringList{"dialog: open"});
    EXPECT_EQ(dialogs.openCaption, "Ввести очередь задач");
    EXPECT_EQ(dialogs.openFilter, "All files(*.*)|*.*|Tsk(*.tsk)|*.tsk");
    EXPECT_EQ(dialogs.openSelectedFilter, 1);
    EXPECT_EQ(dialogs.openFolder, dir.filePath("TASK"));
    EXPECT_EQ(netNumbers(), (std::vector<std::uint8_t>{0x1A, 0x05, 0x30}));
    const ControllerEntry& e = config.Controllers[1];
    EXPECT_TRUE(e.Present);
    EXPECT_EQ(e.QueuePath, queue("a.tsk"));
    ASSERT_TRUE(e.Database);
    EXPECT_NE(e.Database, oldDatabase);
    EXPECT_EQ(e.Database->netNumber(), 0x1A); // the header's number is not taken
    EXPECT_EQ(form.rows()[2], (ControllerListForm::Row{"2", queue("a.tsk"), "05", false}));
    EXPECT_FALSE(form.markerNoteVisible);
    EXPECT_EQ(calls,
              (QStringList{"group rebind 1", "tc rebind 1", "coil rebind 1", "ti rebind 1"}));
    ChangedFlags expected;
    expected.ControllersChanged = expected.GroupChanged = expected.TcChanged =
        expected.ModbusCoilChanged = expected.TiFloatChanged = true;
    EXPECT_EQ(config.Changed, expected);
}

TEST_F(ControllerListFormTest, NewQueueIsRefusedWithoutDirectoriesControllerOrFile)
{
    allFakes();
    add({"a.tsk"});
    struct Case
    {
        const char* name;
        bool dirs;
        int row;
        std::optional<QString> answer;
        QStringList asked;
        QString message;
    } cases[] = {
        {"no directories", false, 1, queue("b.tsk"), {}, "Не указан путь к базе данных!"},
        {"no directories, trailing row",
         false,
         2,
         queue("b.tsk"),
         {},
         "Не указан путь к базе данных!"},
        {"trailing row", true, 2, queue("b.tsk"), {"info: Контроллер не задан!"}, ""},
        {"cancelled", true, 1, std::nullopt, {"dialog: open"}, ""},
        {"no such file",
         true,
         1,
         queue("x.tsk"),
         {"dialog: open"},
         "Файл " + queue("x.tsk") + " не существует"},
    };
    const DatabaseDirectories fixture = directories;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        directories = c.dirs ? fixture : DatabaseDirectories{};
        form.FormActivate();
        ASSERT_TRUE(form.selectCell(c.row, 1));
        dialogs.asked.clear();
        dialogs.files = {c.answer};
        form.enterQueue();
        EXPECT_EQ(dialogs.asked, c.asked);
        // The message line as the user sees it.
        EXPECT_EQ(form.messageVisible ? form.message : QString(), c.message);
        EXPECT_EQ(config.Controllers[0].QueuePath, queue("a.tsk"));
        EXPECT_TRUE(calls.isEmpty()) << calls.join(", ").toStdString();
        EXPECT_FALSE(config.Changed.any());
    }
}

TEST_F(ControllerListFormTest, QueueForALaterRowOfAReadBackLeavesTheEarlierRowsWithoutDatabase)
{
    config.IsReadBack = true;
    for (std::uint8_t net : {0x11, 0x12, 0x13})
        config.Controllers.push_back(entry(QString(), net, false));
    form.FormActivate();
    ASSERT_TRUE(form.selectCell(3, 2));
    dialogs.files.push_back(queue("a.tsk"));
    form.enterQueue();

    EXPECT_EQ(netNumbers(), (std::vector<std::uint8_t>{0x11, 0x12, 0x13}));
    EXPECT_FALSE(config.Controllers[0].Present);
    EXPECT_FALSE(config.Controllers[1].Present);
    EXPECT_FALSE(config.Controllers[0].Database);
    EXPECT_FALSE(config.Controllers[1].Database);
    EXPECT_TRUE(config.Controllers[2].Present);
    ASSERT_TRUE(config.Controllers[2].Database);
    EXPECT_EQ(config.Controllers[2].Database->queuePath(), queue("a.tsk"));
    EXPECT_EQ(column(1), (QStringList{"Очередь задач", NoQueue, NoQueue, queue("a.tsk"), ""}));
    EXPECT_EQ(column(2), (QStringList{"Сетевой номер", "11", "12", "13", ""}));
    form.FormActivate(); // and so it stays when the window is opened again
    EXPECT_EQ(column(1), (QStringList{"Очередь задач", NoQueue, NoQueue, queue("a.tsk"), ""}));
}

TEST_F(ControllerListFormTest, RevalidateFailureMarksTheControllerWithoutQueue)
{
    allFakes();
    add({"a.tsk", "b.tsk"});
    fakes[RefsEditorKind::Telesignals]->passes = false;
    ASSERT_TRUE(form.selectCell(2, 0));
    dialogs.files.push_back(queue("c.tsk"));
    form.enterQueue();

    EXPECT_EQ(calls, (QStringList{"group rebind 1", "tc rebind 1"}));
    EXPECT_EQ(dialogs.asked,
              (QStringList{"dialog: open",
                           "info: Неверно введена очередь задач! Заданные параметры не найдены"}));
    EXPECT_FALSE(config.Controllers[1].Present);
    EXPECT_TRUE(config.Controllers[0].Present);
    EXPECT_EQ(config.Controllers[1].NetNumber, 0x05);
    EXPECT_EQ(form.rows()[2].queue, NoQueue);
    EXPECT_EQ(form.rows()[1].queue, queue("a.tsk"));
    // The group editor re-described its slots before the failure: they must be saved.
    ChangedFlags expected;
    expected.ControllersChanged = expected.GroupChanged = true;
    EXPECT_EQ(config.Changed, expected);
}

TEST_F(ControllerListFormTest, EachProtocolAsksItsEditorsInOrder)
{
    allFakes();
    struct Case
    {
        ProtocolVariant protocol;
        QStringList rebind, removal;
    } cases[] = {
        {ProtocolVariant::Magistral1, {"group", "tc", "ikp"}, {"group", "tc", "ikp"}},
        {ProtocolVariant::Modbus, {"group", "tc", "coil", "ti"}, {"group", "mtc", "coil", "ti"}},
        {ProtocolVariant::UnkTm, {"unk"}, {"unk"}},
        {ProtocolVariant::Hart, {"hart"}, {"hart"}},
        {ProtocolVariant::KtsEnergia, {"group", "ktsgr", "ktstc"}, {"group", "ktsgr", "ktstc"}},
        {ProtocolVariant::None, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(protocolName(c.protocol).toStdString());
        config.CreateFor(c.protocol);
        config.ClearControllers();
        form.FormActivate();
        add({"a.tsk"});
        calls.clear();

        EXPECT_TRUE(form.Revalidate(0));
        QStringList expected;
        for (const QString& e : c.rebind)
            expected << e + " rebind 0";
        EXPECT_EQ(calls, expected);

        calls.clear();
        dialogs.confirms = {true};
        form.removeController();
        expected.clear();
        for (const QString& e : c.removal)
            expected << e + " remove 0 (1a)";
        EXPECT_EQ(calls, expected);
        EXPECT_TRUE(config.Controllers.empty());
    }
}

TEST_F(ControllerListFormTest, WithoutEditorsRevalidatePassesAndRemovalStillRemoves)
{
    add({"a.tsk", "b.tsk"});
    EXPECT_TRUE(form.Revalidate(1));
    EXPECT_TRUE(config.Controllers[1].Present);
    ChangedFlags expected;
    expected.ControllersChanged = true;
    EXPECT_EQ(config.Changed, expected);
    EXPECT_FALSE(form.Revalidate(2)); // no such controller
    EXPECT_FALSE(form.Revalidate(-1));

    ASSERT_TRUE(form.selectCell(1, 2));
    dialogs.confirms = {true};
    form.removeController();
    EXPECT_EQ(netNumbers(), std::vector<std::uint8_t>{0x05});
}

TEST_F(ControllerListFormTest, RemovingTheSecondOfThreeRenumbersAndDropsItsReferences)
{
    allFakes();
    add({"a.tsk", "b.tsk", "c.tsk"});
    config.Controllers[2].Present = false; // the third stays marked
    form.FormActivate();
    // Telesignal rows of each controller; the fake editor drops those of the removed one.
    const std::uint8_t rowNets[] = {0x1A, 0x05, 0x30, 0x05};
    for (std::size_t i = 0; i < std::size(rowNets); ++i) {
        config.ModbusTcTable[i].NetNumber = rowNets[i];
        config.ModbusTcTable[i].ParamNumber = std::uint16_t(0x100 + i);
    }
    form.message = "было";
    form.messageVisible = true;
    ASSERT_TRUE(form.selectCell(2, 1));
    dialogs.confirms = {true};
    form.removeController();

    EXPECT_EQ(
        dialogs.asked,
        QStringList{"confirm: Удалить \"" + queue("b.tsk") +
                    "\"? ВНИМАНИЕ! ВСЕ ПАРАМЕТРЫ, ОТНОСЯЩИЕСЯ К ЭТОМУ МОДУЛЮ, БУДУТ УДАЛЕНЫ!"});
    // The editors ran while the controller's network number was still in the list.
    EXPECT_EQ(calls, (QStringList{"group remove 1 (05)", "mtc remove 1 (05)", "coil remove 1 (05)",
                                  "ti remove 1 (05)"}));
    EXPECT_EQ(netNumbers(), (std::vector<std::uint8_t>{0x1A, 0x30}));
    EXPECT_EQ(config.Controllers[1].QueuePath, queue("c.tsk"));
    EXPECT_FALSE(config.Controllers[1].Present);
    EXPECT_EQ(column(0), (QStringList{"№", "1", "2", ""}));
    EXPECT_EQ(column(2), (QStringList{"Сетевой номер", "1A", "30", ""}));
    EXPECT_TRUE(form.rows()[2].marked);
    EXPECT_TRUE(form.markerNoteVisible);
    EXPECT_EQ(config.ModbusTcTable[0].NetNumber, 0x1A);
    EXPECT_TRUE(config.ModbusTcTable[1].isEmpty());
    EXPECT_EQ(config.ModbusTcTable[2].NetNumber, 0x30);
    EXPECT_TRUE(config.ModbusTcTable[3].isEmpty());
    ChangedFlags expected;
    expected.ControllersChanged = expected.GroupChanged = expected.ModbusTcChanged =
        expected.ModbusCoilChanged = expected.TiFloatChanged = true;
    EXPECT_EQ(config.Changed, expected);
    EXPECT_FALSE(form.messageVisible);
    EXPECT_EQ(form.selectedRow, 2);

    // Removing the marked one hides the note.
    dialogs.confirms = {true};
    form.removeController();
    EXPECT_FALSE(form.markerNoteVisible);
    EXPECT_EQ(netNumbers(), std::vector<std::uint8_t>{0x1A});
    EXPECT_EQ(form.selectedRow, 2); // now the trailing row
}

TEST_F(ControllerListFormTest, RemovalNeedsAControllerRowAndAYes)
{
    allFakes();
    add({"a.tsk"});
    form.messageVisible = true;
    dialogs.confirms = {false};
    form.removeController();
    EXPECT_EQ(dialogs.asked.size(), 1);
    EXPECT_EQ(config.Controllers.size(), 1u);
    EXPECT_EQ(form.rowCount(), 3);
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_FALSE(config.Changed.any());
    EXPECT_FALSE(form.messageVisible);

    dialogs.asked.clear();
    ASSERT_TRUE(form.selectCell(2, 1)); // the trailing row
    form.messageVisible = true;
    form.removeController();
    EXPECT_TRUE(dialogs.asked.isEmpty());
    EXPECT_EQ(config.Controllers.size(), 1u);
    EXPECT_FALSE(form.messageVisible);
}

TEST_F(ControllerListFormTest, NetworkNumberKeysGoThroughTheHexFilter)
{
    add({"a.tsk"});
    // Types `keys` into the selected cell starting from `text`, as the cell's editor does.
    auto type = [this](QString text, const QString& keys) {
        for (QChar k : keys) {
            const QChar c = form.netNumberKey(k, int(text.size()));
            if (c.unicode() == 8)
                text.chop(1);
            else if (!c.isNull())
                text += c;
        }
        return text;
    };
    struct Case
    {
        const char* name;
        int row;
        QString start, keys, result;
    } cases[] = {
        {"third key swallowed", 1, "", "1F5", "1F"},
        {"Cyrillic ф", 1, "", "ф", "A"},
        {"Cyrillic keys and lower case", 1, "", "Сb", "CB"},
        {"backspace at two", 1, "1A", "\b3", "13"},
        {"other keys swallowed", 1, "", "xZ-.", ""},
        {"trailing row takes nothing", 2, "", "12", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(form.selectCell(c.row, 2));
        EXPECT_EQ(type(c.start, c.keys), c.result);
    }
    form.selectedColumn = ControllerListForm::QueueColumn; // keys elsewhere are swallowed
    form.selectedRow = 1;
    EXPECT_TRUE(form.netNumberKey(u'1', 0).isNull());
    EXPECT_TRUE(form.netNumberKey(QChar(8), 1).isNull());
}

TEST_F(ControllerListFormTest, LeavingTheNetworkNumberCellStoresOrRefuses)
{
    add({"a.tsk", "b.tsk"});
    struct Case
    {
        const char* name;
        QString text;
        bool stored;
        std::uint8_t number;
        QString cell;
        QStringList asked;
    } cases[] = {
        {"empty", "", false, 0x1A, "1A", {"info: Введите значение!"}},
        {"blanks", "  ", false, 0x1A, "1A", {"info: Введите значение!"}},
        {"one digit", "7", true, 0x07, "07", {}},
        {"blank and digit", " B", true, 0x0B, "0B", {}},
        {"two digits", "FE", true, 0xFE, "FE", {}},
        {"not hexadecimal",
         "G1",
         false,
         0x1A,
         "1A",
         {"info: 'G1' не является допустимым целым числом"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        config.Controllers[0].NetNumber = 0x1A;
        config.Changed = ChangedFlags{};
        form.FormActivate();
        dialogs.asked.clear();
        EXPECT_EQ(form.netNumberEdited(1, c.text), c.stored);
        EXPECT_EQ(config.Controllers[0].NetNumber, c.number);
        EXPECT_EQ(form.rows()[1].netNumber, c.cell);
        EXPECT_EQ(config.Changed.ControllersChanged, c.stored);
        EXPECT_EQ(dialogs.asked, c.asked);
        EXPECT_EQ(config.Controllers[1].NetNumber, 0x05);
    }
    config.Changed = ChangedFlags{};
    EXPECT_TRUE(form.netNumberEdited(1, "1A")); // the same text is no change
    EXPECT_FALSE(config.Changed.ControllersChanged);
    config.Controllers[0].NetNumber = 0x0A;
    EXPECT_TRUE(form.netNumberEdited(1, "A")); // a new text for the same number is
    EXPECT_TRUE(config.Changed.ControllersChanged);
    EXPECT_FALSE(form.netNumberEdited(3, "12")); // the trailing row has no controller
}

TEST_F(ControllerListFormTest, DeleteEmptiesOnlyTheNetworkNumberAndLeavingRefusesIt)
{
    add({"a.tsk", "b.tsk"});
    form.selectedColumn = ControllerListForm::QueueColumn;
    form.deleteKey();
    EXPECT_EQ(form.rows()[1].netNumber, "1A");
    EXPECT_EQ(form.rows()[1].queue, queue("a.tsk"));

    ASSERT_TRUE(form.selectCell(1, 1));
    EXPECT_EQ(form.selectedColumn, ControllerListForm::NetNumberColumn);
    form.deleteKey();
    EXPECT_EQ(form.rows()[1].netNumber, "");
    EXPECT_EQ(form.rows()[1].queue, queue("a.tsk"));

    EXPECT_FALSE(form.selectCell(2, 2));
    EXPECT_EQ(dialogs.asked, QStringList{"info: Введите значение!"});
    EXPECT_EQ(form.selectedRow, 1);
    EXPECT_EQ(form.rows()[1].netNumber, "1A");
    EXPECT_EQ(config.Controllers[0].NetNumber, 0x1A);
    EXPECT_TRUE(form.selectCell(2, 2)); // the cell holds its number again
    EXPECT_FALSE(config.Changed.any());

    ASSERT_TRUE(form.selectCell(3, 2));
    form.deleteKey(); // the trailing row has nothing to clear
    EXPECT_EQ(form.rows()[3], ControllerListForm::Row{});
    EXPECT_FALSE(form.selectCell(0, 2)); // the heading row is not selectable
    EXPECT_FALSE(form.selectCell(4, 2));
    EXPECT_EQ(form.selectedRow, 3);
}

TEST_F(ControllerListFormTest, SetQueueIgnoresRowsThatAreNoPlaceForIt)
{
    add({"a.tsk"});
    const std::vector<ControllerListForm::Row> before = form.rows();
    struct Case
    {
        int row;
        bool replace;
    } cases[] = {{0, true}, {2, true}, {7, true}, {-1, true}, {0, false}, {1, false}, {9, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.row << (c.replace ? " replace" : " add"));
        EXPECT_FALSE(form.SetQueue(c.row, queue("b.tsk"), c.replace));
        EXPECT_EQ(form.rows(), before);
        EXPECT_EQ(netNumbers(), std::vector<std::uint8_t>{0x1A});
        EXPECT_FALSE(config.Changed.any());
    }
    EXPECT_TRUE(form.SetQueue(2, queue("b.tsk"), false));
    EXPECT_EQ(netNumbers(), (std::vector<std::uint8_t>{0x1A, 0x05}));
}
