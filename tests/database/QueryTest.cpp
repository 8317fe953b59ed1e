// The queries the table editors build their parameter trees and check their references with.
#include "DbFixture.h"

#include "core/config/GatewayConfig.h"
#include "core/database/ControllerList.h"

using namespace veg;

namespace {

// One controller: task 1 runs algorithm 0x0020 (plain, array, archive, service and text
// descriptors of several classes), task 2 runs it too, with other parameters; a template task
// runs 0x0021.
constexpr const char* Site = R"({
  "algorithms": [
    {"number": "0x0020", "shortName": "ТЕПЛ", "descriptors": [
      {"number": 1, "longName": "Температура", "shortName": "Т", "type": 4, "format": 3, "subtype": 7},
      {"number": 2, "longName": "Архив температуры", "shortName": "", "type": 4, "class": 1, "array": true, "length": 1440, "format": 5},
      {"number": 3, "longName": "Режим", "type": 0, "service": true},
      {"number": 4, "longName": "Суточный архив", "type": 4, "class": 2, "array": true, "length": 31},
      {"number": 5, "longName": "Уставка", "type": 2, "class": 3, "subtype": 9},
      {"number": 6, "longName": "Имя", "length": 4, "service": true, "array": true}]},
    {"number": "0x0021", "descriptors": [{"number": 1, "longName": "Питание", "type": 0}]}
  ],
  "modules": [{"code": 1, "algorithms": ["0x0020", "0x0021"]}],
  "templates": [{"code": 1, "tasks": [
    {"number": 9, "algorithm": "0x0021", "params": [
      {"number": "0x0F01", "descriptor": 1, "longName": "Питание шкафа", "attributeWord": "0x1000"}]}]}],
  "queues": [{"file": "q.tsk", "moduleCode": 1, "tasks": [
    {"number": 1, "algorithm": "0x0020", "params": [
      {"number": "0x0101", "descriptor": 1, "longName": "Температура подачи", "shortName": "Тпод", "format": "0x0203", "attributeWord": "0x1311"},
      {"number": "0x0102", "descriptor": 2, "longName": "Архив подачи", "shortName": "", "format": 4, "attributeWord": "0x3311"},
      {"number": "0x0103", "descriptor": 3, "longName": "Режим", "attributeWord": "0x1311"},
      {"number": "0x0104", "descriptor": 4, "longName": "Сутки", "attributeWord": "0x2311"},
      {"number": "0x0105", "descriptor": 5, "longName": "Уставка, старая", "attributeWord": "0x1311"},
      {"number": "0x0106", "descriptor": 5, "longName": "Уставка", "shortName": "Уст", "attributeWord": "0x1111"},
      {"descriptor": 6, "text": "0101", "attributeWord": "0x1111"}]},
    {"number": 2, "algorithm": "0x0020", "params": [
      {"number": "0x0201", "descriptor": 1, "longName": "Температура обратки", "attributeWord": "0x1311"},
      {"number": "0x0101", "descriptor": 2, "longName": "Повтор номера", "shortName": "Повт", "attributeWord": "0x1311"}]}]}]
})";

class Queries : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_db.build(Site));
        t = m_db.load();
        ASSERT_EQ(t->taskCount(), 3);
        ASSERT_EQ(t->params().size(), 10u);
    }
    DbFixture m_db;
    std::unique_ptr<Task_CL> t;
};

} // namespace

TEST(TaskClVisibility, LevelAdmitsCategories)
{
    const struct
    {
        std::uint16_t word;
        std::uint8_t category;
        bool visible;
    } cases[] = {
        {0x1000, 1, true},  {0x1000, 2, true},  {0x1000, 4, true},  {0x1000, 8, true},
        {0x2000, 1, false}, {0x2000, 2, true},  {0x2000, 8, true},  {0x3000, 2, false},
        {0x3000, 4, true},  {0x3000, 8, true},  {0x0000, 8, false}, {0x3333, 1, false},
        {0xD000, 1, true},  {0x1000, 3, false}, {0x1000, 0, false}, {0x0FFF, 8, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Task_CL::IsVisible(c.word, c.category), c.visible)
            << std::hex << c.word << " " << int(c.category);
}

TEST_F(Queries, ListTaskParametersOffersVisibleParametersOfTheTask)
{
    std::vector<ParamCandidate> list(1); // entries already in the list stay untouched
    ASSERT_EQ(t->ListTaskParameters(0x0020, 1, 1, list), 2); // task 1 (index 1 after the template)
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].Descriptor, -1);
    // Descriptor 1: Температура подачи, level 1.
    EXPECT_EQ(list[1].Descriptor, 0);
    EXPECT_EQ(list[1].Param, 1);
    EXPECT_EQ(list[1].TypeCode, 4);
    EXPECT_EQ(list[1].Length, 0);
    EXPECT_EQ(list[1].AttributeWord, 0x1311);
    // Descriptor 5: the later record overwrites the earlier (Уставка, level 1).
    EXPECT_EQ(list[2].Descriptor, 4);
    EXPECT_EQ(list[2].Param, 6);
    EXPECT_EQ(list[2].TypeCode, 0xC4);
    EXPECT_EQ(list[2].AttributeWord, 0x1111);

    // Category 8 admits every level; the service and text descriptors never come.
    std::vector<ParamCandidate> all;
    ASSERT_EQ(t->ListTaskParameters(0x0020, 1, 8, all), 4);
    EXPECT_EQ(all[1].Length, 1440);
    EXPECT_EQ(all[2].Length, 31);

    std::vector<ParamCandidate> none;
    EXPECT_EQ(t->ListTaskParameters(0x0021, 1, 8, none), 0); // no parameter of task 1 uses it
    EXPECT_EQ(t->ListTaskParameters(0x0020, 3, 8, none), 0); // no such task
    EXPECT_EQ(t->ListTaskParameters(0x0020, -1, 8, none), 0);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(t->ListTaskParameters(0x0021, 0, 1, none), 1); // the template task
}

TEST_F(Queries, GetEntryTexts)
{
    std::vector<ParamCandidate> list;
    t->ListTaskParameters(0x0020, 1, 8, list);
    ASSERT_EQ(list.size(), 4u);
    const EntryTexts first = t->GetEntryTexts(list[0]);
    EXPECT_EQ(first.Number, 0x0101);
    EXPECT_EQ(first.Format, 0x0203);
    EXPECT_EQ(first.LongName, "Температура подачи");
    EXPECT_EQ(first.ShortName, "Тпод");
    EXPECT_EQ(first.ArrayMark, "");
    const EntryTexts archive = t->GetEntryTexts(list[1]);
    EXPECT_EQ(archive.ShortName, "Архив подачи"); // empty short name: the long one
    EXPECT_EQ(archive.ArrayMark, "*");

    // A candidate without a parameter shows its descriptor.
    ParamCandidate bare = list[1];
    bare.Param = -1;
    const EntryTexts d = t->GetEntryTexts(bare);
    EXPECT_EQ(d.Number, 0);
    EXPECT_EQ(d.Format, 5);
    EXPECT_EQ(d.LongName, "Архив температуры");
    EXPECT_EQ(d.ShortName, "Архив температуры");
    EXPECT_EQ(d.ArrayMark, "*");

    ParamCandidate broken;
    broken.Descriptor = 1000;
    EXPECT_EQ(t->GetEntryTexts(broken).LongName, "");
}

TEST_F(Queries, GetParameterAt)
{
    const struct
    {
        int index;
        bool fromDescriptor;
        int number, format, result;
    } cases[] = {
        {1, false, 0x0101, 0x0203, 0}, {1, true, 0x0101, 3, 0}, {2, false, 0x0102, 4, 1},
        {2, true, 0x0102, 5, 1},       {10, false, 0, 0, 255},  {-1, true, 0, 0, 255},
    };
    for (const auto& c : cases) {
        const ParameterAt at = t->GetParameterAt(c.index, c.fromDescriptor);
        EXPECT_EQ(at.Number, c.number) << c.index;
        EXPECT_EQ(at.Format, c.format) << c.index;
        EXPECT_EQ(at.Result, c.result) << c.index;
    }
}

TEST_F(Queries, FindParameterFiltersByClassAndSkipsServiceDescriptors)
{
    const struct
    {
        int number;
        int classFilter;
        bool found;
        int index;
    } cases[] = {
        {0x0101, AnyClass, true, 1},
        {0x0101, 0, true, 1},
        {0x0101, AnyClassAboveZero, true, 9}, // the second 0x0101 uses the class-1 archive
        {0x0101, 1, true, 9},
        {0x0101, 2, false, -1},
        {0x0104, 2, true, 4},
        {0x0105, 3, true, 5},
        {0x0103, AnyClass, false, -1}, // a service descriptor
        {0x0000, AnyClass, false, -1}, // the text parameter's pool index is never a number
        {0x0999, AnyClass, false, -1},
    };
    for (const auto& c : cases) {
        const ParameterMatch m = t->FindParameter(std::uint16_t(c.number), c.classFilter);
        EXPECT_EQ(m.Found, c.found) << std::hex << c.number << " " << std::dec << c.classFilter;
        EXPECT_EQ(m.Index, c.index) << std::hex << c.number << " " << std::dec << c.classFilter;
    }
    const ParameterMatch m = t->FindParameter(0x0101, AnyClass);
    EXPECT_EQ(m.Format, 0x03);
    EXPECT_EQ(m.Subtype, 7);
    EXPECT_EQ(m.TypeCode, 4);
    EXPECT_EQ(m.AttributeWord, 0x1311);
    const ParameterMatch absent = t->FindParameter(0x0999, AnyClass);
    EXPECT_EQ(absent.Subtype, 0);
    EXPECT_EQ(absent.TypeCode, 0);
}

TEST_F(Queries, FindParameterIndexResumesFromTheGivenStart)
{
    int at = 7;
    ASSERT_TRUE(t->FindParameterIndex(0x0101, at, false)); // starts over from 0
    EXPECT_EQ(at, 1);
    at = 2;
    ASSERT_TRUE(t->FindParameterIndex(0x0101, at, true));
    EXPECT_EQ(at, 9);
    at = 10;
    EXPECT_FALSE(t->FindParameterIndex(0x0101, at, true));
    at = 0;
    EXPECT_FALSE(t->FindParameterIndex(0x0103, at, false));
}

TEST_F(Queries, FindTaskOfParameterAndNames)
{
    // Tasks: the template's (index 0), queue tasks 1 and 2 (indexes 1 and 2). Task 2 holds
    // 0x0101 too, but the first record decides; 0x0103 has a service descriptor.
    const struct
    {
        int number, task;
    } owners[] = {
        {0x0101, 1}, {0x0106, 1}, {0x0201, 2}, {0x0F01, 0}, {0x0103, -1}, {0x0999, -1},
    };
    for (const auto& c : owners)
        EXPECT_EQ(t->FindTaskOfParameter(std::uint16_t(c.number)), c.task) << std::hex << c.number;
    EXPECT_EQ(t->GetTaskNumber(0), -1);
    EXPECT_EQ(t->GetTaskNumber(2), 2);
    EXPECT_EQ(t->GetTaskNumber(3), 0);

    const struct
    {
        int number, task;
        bool preferLong;
        const char* name;
    } cases[] = {
        {0x0101, -1, false, "Тпод"},
        {0x0101, -1, true, "Температура подачи"},
        {0x0101, 2, false, "Повт"},
        {0x0102, -1, false, "Архив подачи"}, // empty short name
        {0x0201, 1, true, ""},
        {0x0103, -1, true, ""}, // service
        {0x0F01, -1, false, "Питание шкафа"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(t->GetParameterName(std::uint16_t(c.number), c.task, c.preferLong),
                  QString::fromUtf8(c.name))
            << std::hex << c.number << " " << std::dec << c.task;
}

// The configuration's controller list holds the database objects alone: removing a row or
// clearing the list frees them.
TEST(ControllerList, RemoveAndClearReleaseTheObjects)
{
    GatewayConfig config;
    for (std::uint8_t i = 0; i < 3; ++i) {
        ControllerEntry row;
        row.Database = std::make_shared<const Task_CL>(QString(), "", "", "");
        row.NetNumber = i;
        config.Controllers.push_back(row);
    }
    std::weak_ptr<const Task_CL> second = config.Controllers[1].Database;
    EXPECT_FALSE(RemoveController(config.Controllers, 3));
    EXPECT_FALSE(RemoveController(config.Controllers, -1));
    EXPECT_FALSE(second.expired());
    ASSERT_TRUE(RemoveController(config.Controllers, 1));
    EXPECT_TRUE(second.expired());
    ASSERT_EQ(config.Controllers.size(), 2u);
    EXPECT_EQ(config.Controllers[0].NetNumber, 0);
    EXPECT_EQ(config.Controllers[1].NetNumber, 2);

    std::weak_ptr<const Task_CL> first = config.Controllers[0].Database;
    std::weak_ptr<const Task_CL> last = config.Controllers[1].Database;
    ASSERT_FALSE(first.expired());
    config.ClearControllers();
    EXPECT_TRUE(config.Controllers.empty());
    EXPECT_TRUE(first.expired());
    EXPECT_TRUE(last.expired());
}
