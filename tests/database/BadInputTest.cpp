// Damaged databases: files shorter than their counts announce, empty files, absurd counts. The
// load keeps every record that was complete and drops the rest of that file.
#include "DbFixture.h"

#include "core/database/MemoryDatabaseSource.h"

#include <QJsonArray>

#include <functional>

using namespace veg;

namespace {

// Queue layout (bytes): header 0-128; task 1 128-208, its parameters 208-292-376-460; task 2
// 460-540, its parameters 540-624, text 624-708 and 708-792, 792-876.
constexpr const char* Base = R"({
  "algorithms": [
    {"number": "0x00A1", "descriptors": [{"number": 1, "repeat": 3, "longName": "В%1"}]},
    {"number": "0x00A2", "descriptors": [{"number": 1, "repeat": 2, "longName": "И%1"},
                                         {"number": 3, "length": 8, "service": true, "array": true}]}
  ],
  "modules": [{"code": 1, "algorithms": ["0x00A1", "0x00A2"]}],
  "templates": [{"code": 1, "tasks": [{"number": 1, "algorithm": "0x00A1", "params": [
    {"number": "0x0F01", "descriptor": 1}]}]}],
  "queues": [{"file": "q.tsk", "moduleCode": 1, "tasks": [
    {"number": 1, "algorithm": "0x00A1", "params": [{"number": "0x0101", "descriptor": 1, "repeat": 3}]},
    {"number": 2, "algorithm": "0x00A2", "params": [
      {"number": "0x0201", "descriptor": 1},
      {"descriptor": 3, "text": "ТЕКСТ-12"},
      {"number": "0x0202", "descriptor": 2}]}]}]
})";

using Edit = std::function<void(QJsonObject&)>;

// Sets `key` of the object at `list`[`index`] (and of its task `task` when given).
Edit set(const char* list, int index, const char* key, QJsonValue value, int task = -1)
{
    return [=](QJsonObject& d) {
        QJsonArray items = d[list].toArray();
        QJsonObject item = items[index].toObject();
        if (task < 0) {
            item[key] = value;
        } else {
            QJsonArray tasks = item["tasks"].toArray();
            QJsonObject t = tasks[task].toObject();
            t[key] = value;
            tasks[task] = t;
            item["tasks"] = tasks;
        }
        items[index] = item;
        d[list] = items;
    };
}

constexpr int Unchecked = -1;

} // namespace

TEST(TaskClBadInput, LoadKeepsWhatWasComplete)
{
    const struct
    {
        const char* name;
        Edit edit;
        int tasks, params, descriptors, pool;
        bool modulesRead;
    } cases[] = {
        {"intact", [](QJsonObject&) {}, 3, 7, 6, 1, true},
        {"queue empty", set("queues", 0, "truncate", 0), 0, 0, 0, 0, false},
        // The header words that made it still name the module: its template tasks come.
        {"queue header cut", set("queues", 0, "truncate", 127), 1, 1, 6, 0, true},
        {"queue header only", set("queues", 0, "truncate", 128), 1, 1, 6, 0, true},
        {"task record cut", set("queues", 0, "truncate", 200), 1, 1, 6, 0, true},
        {"task without its parameters", set("queues", 0, "truncate", 208), 2, 1, 6, 0, true},
        {"parameter cut", set("queues", 0, "truncate", 300), 2, 2, 6, 0, true},
        {"first task complete", set("queues", 0, "truncate", 460), 2, 4, 6, 0, true},
        {"text record cut", set("queues", 0, "truncate", 650), 3, 5, 6, 0, true},
        {"text continuation cut", set("queues", 0, "truncate", 750), 3, 5, 6, 0, true},
        {"last parameter missing", set("queues", 0, "truncate", 792), 3, 6, 6, 1, true},
        {"module empty", set("modules", 0, "truncate", 0), 2, 0, 0, 0, false},
        {"module header cut", set("modules", 0, "truncate", 103), 2, 0, 0, 0, false},
        // Without the descriptors of task 2 its text continuation reads as a parameter record.
        {"module with one entry of two", set("modules", 0, "truncate", 110), 3, 4, 3, 0, true},
        {"first algorithm empty", set("algorithms", 0, "truncate", 0), 3, 3, 3, 1, true},
        {"first algorithm header cut", set("algorithms", 0, "truncate", 60), 3, 3, 3, 1, true},
        {"first algorithm descriptor cut", set("algorithms", 0, "truncate", 70 + 72 + 10), 3, 5, 4,
         1, true},
        // An algorithm file that opened counts as read however short it is, so the template
        // still comes; task 2 loses its parameters with the missing descriptors.
        {"last algorithm empty", set("algorithms", 1, "truncate", 0), 3, 4, 3, 0, true},
        {"last algorithm header cut", set("algorithms", 1, "truncate", 69), 3, 4, 3, 0, true},
        {"template empty", set("templates", 0, "truncate", 0), 2, 6, 6, 1, true},
        {"template parameter cut", set("templates", 0, "truncate", 250), 3, 6, 6, 1, true},
        {"task count absurd", set("queues", 0, "taskCount", 65535), 3, 7, 6, 1, true},
        {"template task count absurd", set("templates", 0, "taskCount", 65535), 3, 7, 6, 1, true},
        {"last parameter count absurd", set("queues", 0, "paramCount", 65535, 1), 3, 7, 6, 1, true},
        // The next task's record is then read as parameters: nothing to expect but a clean end.
        {"first parameter count absurd", set("queues", 0, "paramCount", 65535, 0), Unchecked,
         Unchecked, 6, Unchecked, true},
        {"descriptor count absurd", set("algorithms", 0, "count", 65535), 3, 7, 6, 1, true},
        {"module count absurd", set("modules", 0, "count", 65535), 3, 7, 6, 1, true},
    };
    for (const auto& c : cases) {
        DbFixture db;
        QJsonObject d = DbFixture::parse(Base);
        c.edit(d);
        ASSERT_TRUE(db.build(d)) << c.name;
        const auto t = db.load();
        if (c.tasks != Unchecked) {
            EXPECT_EQ(t->taskCount(), c.tasks) << c.name;
        }
        if (c.params != Unchecked) {
            EXPECT_EQ(int(t->params().size()), c.params) << c.name;
        }
        EXPECT_EQ(int(t->descriptors().size()), c.descriptors) << c.name;
        if (c.pool != Unchecked) {
            EXPECT_EQ(int(t->textPool().size()), c.pool) << c.name;
        }
        EXPECT_EQ(t->modulesRead(), c.modulesRead) << c.name;
        for (const ParamRecord& p : t->params()) {
            ASSERT_GE(p.Descriptor, 0) << c.name;
            ASSERT_LT(p.Descriptor, int(t->descriptors().size())) << c.name;
        }
    }
}

// A queue file cut inside its header keeps the words that fit: the network number at 62, the
// ModuleCode at 64. The module and template follow from the ModuleCode as for a whole file; a
// file cut before it names no module, not even the one of code 0.
TEST(TaskClBadInput, QueueCutInsideItsHeaderKeepsTheWordsThatFit)
{
    const struct
    {
        int size;
        int netNumber, moduleCode;
        bool modulesRead;
        int tasks, descriptors;
    } cases[] = {
        {0, 0, 0, false, 0, 0},     {62, 0, 0, false, 0, 0},    {64, 0x1A, 0, false, 0, 0},
        {65, 0x1A, 0, false, 0, 0}, {66, 0x1A, 1, true, 1, 6},  {100, 0x1A, 1, true, 1, 6},
        {126, 0x1A, 1, true, 1, 6}, {127, 0x1A, 1, true, 1, 6},
    };
    for (const auto& c : cases) {
        DbFixture db;
        QJsonObject d = DbFixture::parse(Base);
        set("queues", 0, "netNumber", "0x1A")(d);
        set("queues", 0, "truncate", c.size)(d);
        QJsonArray modules = d["modules"].toArray();
        modules.append(QJsonObject{{"code", 0}, {"algorithms", QJsonArray{"0x00A2"}}});
        d["modules"] = modules;
        ASSERT_TRUE(db.build(d)) << c.size;
        const auto t = db.load();
        EXPECT_EQ(t->netNumber(), c.netNumber) << c.size;
        EXPECT_EQ(t->moduleCode(), c.moduleCode) << c.size;
        EXPECT_EQ(t->modulesRead(), c.modulesRead) << c.size;
        EXPECT_EQ(int(t->descriptors().size()), c.descriptors) << c.size;
        // Only the template's task: no task record of the queue fits.
        ASSERT_EQ(t->taskCount(), c.tasks) << c.size;
        if (c.tasks > 0) {
            EXPECT_EQ(t->tasks()[0].Number, -1) << c.size;
            ASSERT_EQ(t->params().size(), 1u) << c.size;
            EXPECT_EQ(t->params()[0].Number, 0x0F01) << c.size;
        }
    }
}

// The same reader over bytes in memory, with a text field whose length byte exceeds its room.
TEST(TaskClBadInput, OverlongTextLengthIsCutToTheField)
{
    QByteArray queue(128, '\0');
    queue[124] = 1;
    QByteArray task(80, '\0');
    task[0] = char(200); // long name: capacity 50
    for (int i = 1; i < 80; ++i)
        task[i] = 'A';
    task[51] = char(9); // short name: capacity 8
    task[60] = 1;
    task[66] = 1;
    task[78] = 0;
    queue.append(task);
    MemoryDatabaseSource source;
    source.Queue = queue;
    const Task_CL t("mem", source);
    ASSERT_EQ(t.taskCount(), 1);
    EXPECT_EQ(t.tasks()[0].LongName.size(), 50);
    EXPECT_EQ(t.tasks()[0].ShortName, "AAAAAAAA");
    EXPECT_FALSE(t.modulesRead());
}

// A module naming one large algorithm over and over stops loading at a sane size.
TEST(TaskClBadInput, ModuleNamingAnAlgorithmThousandsOfTimes)
{
    QByteArray algorithm(70, '\0');
    algorithm[58] = 7;
    algorithm[64] = char(0xFF); // 65535 descriptors announced, 4000 present
    algorithm[65] = char(0xFF);
    QByteArray descriptor(72, '\0');
    descriptor[0] = 7;
    for (int i = 0; i < 4000; ++i)
        algorithm.append(descriptor);
    QByteArray module(104, '\0');
    module[100] = char(0xFF); // 65535 entries, each naming algorithm 7
    module[101] = char(0xFF);
    QByteArray entry(6, '\0');
    entry[2] = 7;
    for (int i = 0; i < 65535; ++i)
        module.append(entry);
    MemoryDatabaseSource source;
    source.Queue = QByteArray(128, '\0');
    source.Modules.insert(0, module);
    source.Algorithms.insert(7, algorithm);
    const Task_CL t("mem", source);
    EXPECT_EQ(t.descriptors().size(), std::size_t(1) << 20);
    EXPECT_EQ(t.algorithmHeaders().size(), std::size_t(((1 << 20) + 3999) / 4000));
    EXPECT_FALSE(t.modulesRead()); // the last naming loaded nothing
}
