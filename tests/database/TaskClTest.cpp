// How Task_CL assembles one controller from its queue, template, module and algorithm files.
#include "DbFixture.h"

#include <QJsonArray>

using namespace veg;

namespace {

// Two algorithms: 00A1 with three plain descriptors and a text-valued one of 13 characters
// (four records), 00A2 with two plain descriptors.
constexpr const char* Library = R"({
  "algorithms": [
    {"number": "0x00A1", "longName": "Ввод сигналов", "shortName": "ВВОД", "descriptors": [
      {"number": 1, "longName": "Вход 1", "shortName": "В1"},
      {"number": 2, "longName": "Вход 2", "shortName": "В2"},
      {"number": 3, "longName": "Вход 3", "shortName": "В3"},
      {"number": 4, "longName": "Имя", "length": 13, "service": true, "array": true}]},
    {"number": "0x00A2", "longName": "Измерение", "shortName": "ИЗМ", "descriptors": [
      {"number": 1, "longName": "Температура", "type": 4},
      {"number": 2, "longName": "Давление", "type": 4}]}
  ],
  "modules": [{"code": "0x1901", "algorithms": ["0x00A1", "0x00A2"]}]
})";

QJsonObject withLibrary(const char* extra)
{
    QJsonObject d = DbFixture::parse(Library);
    const QJsonObject more = DbFixture::parse(extra);
    for (auto it = more.begin(); it != more.end(); ++it)
        d.insert(it.key(), it.value());
    return d;
}

} // namespace

TEST(TaskClLoad, TaskNotInUseIsSkippedWithItsContinuationRecords)
{
    DbFixture db;
    ASSERT_TRUE(db.build(withLibrary(R"({"queues": [{"file": "q.tsk", "netNumber": "0x1A",
      "moduleCode": "0x1901", "tasks": [
        {"number": 1, "algorithm": "0x00A1", "inUse": false, "longName": "Выведена", "params": [
          {"descriptor": 4, "text": "Насосная НС-1", "attributeWord": "0x1111"},
          {"number": "0x0101", "descriptor": 1, "attributeWord": "0x1111"}]},
        {"number": 2, "algorithm": "0x00A1", "longName": "В работе", "params": [
          {"number": "0x0201", "descriptor": 2, "longName": "Второй", "attributeWord": "0x1111"},
          {"descriptor": 4, "text": "Котельная", "attributeWord": "0x1111"}]}]}]})")));
    const auto t = db.load();
    EXPECT_EQ(t->netNumber(), 0x1A);
    EXPECT_EQ(t->moduleCode(), 0x1901);
    ASSERT_EQ(t->taskCount(), 1);
    EXPECT_EQ(t->tasks()[0].LongName, "В работе");
    EXPECT_EQ(t->tasks()[0].Number, 2);
    ASSERT_EQ(t->params().size(), 2u);
    EXPECT_EQ(t->params()[0].Number, 0x0201);
    EXPECT_EQ(t->params()[0].LongName, "Второй");
    EXPECT_EQ(t->params()[0].Task, 2);
    // The dropped task's text never reaches the pool.
    ASSERT_EQ(t->textPool().size(), 1u);
    EXPECT_EQ(t->textPool()[0], "Котельная");
    EXPECT_EQ(t->params()[1].Number, 0);
}

TEST(TaskClLoad, TemplateTasksComeFirstNumberedFromMinusOne)
{
    DbFixture db;
    ASSERT_TRUE(db.build(withLibrary(R"({
      "templates": [{"code": "0x1901", "tasks": [
        {"number": 5, "algorithm": "0x00A1", "attributeWord": 0, "shortName": "", "params": [
          {"number": "0x0F01", "descriptor": 1, "attributeWord": 0}]},
        {"number": 6, "algorithm": "0x00A2", "attributeWord": "0x1111", "flags": 255},
        {"number": 7, "algorithm": "0x00A2", "attributeWord": "0x1111", "inUse": false}]}],
      "queues": [{"file": "q.tsk", "moduleCode": "0x1901", "tasks": [
        {"number": 1, "algorithm": "0x00A2", "attributeWord": "0x1111", "params": [
          {"number": "0x0101", "descriptor": 1, "attributeWord": 0}]}]}]})")));
    const auto t = db.load();
    ASSERT_EQ(t->taskCount(), 4);
    const std::int16_t numbers[] = {-1, -2, -3, 1};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(t->tasks()[i].Number, numbers[i]) << i;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(t->tasks()[i].Flags & TaskInUse, 0) << i;
    EXPECT_EQ(t->tasks()[1].Flags, 0xFE);
    // Template words and names stay as stored; the queue's are completed.
    EXPECT_EQ(t->tasks()[0].AttributeWord, 0);
    EXPECT_EQ(t->tasks()[0].ShortName, "");
    EXPECT_EQ(t->tasks()[3].ShortName, "ИЗМ");
    ASSERT_EQ(t->params().size(), 2u);
    EXPECT_EQ(t->params()[0].Task, -1);
    EXPECT_EQ(t->params()[0].AttributeWord, 0);
    EXPECT_EQ(t->params()[1].AttributeWord, 0x3333);
}

TEST(TaskClLoad, EmptyFieldsOfTheTaskAttributeWordBecomeThree)
{
    const struct
    {
        int stored;
        int held;
    } cases[] = {{0x0000, 0x3333}, {0x1201, 0x1231}, {0x2102, 0x2132},
                 {0x1111, 0x1111}, {0xCCCC, 0xFFFF}, {0x3030, 0x3333}};
    for (const auto& c : cases) {
        DbFixture db;
        QJsonObject d = withLibrary(R"({"queues": [{"file": "q.tsk", "moduleCode": "0x1901",
          "tasks": [{"number": 1, "algorithm": "0x00A2"}]}]})");
        QJsonArray queues = d["queues"].toArray();
        QJsonObject q = queues[0].toObject();
        QJsonArray tasks = q["tasks"].toArray();
        QJsonObject task = tasks[0].toObject();
        task["attributeWord"] = c.stored;
        tasks[0] = task;
        q["tasks"] = tasks;
        queues[0] = q;
        d["queues"] = queues;
        ASSERT_TRUE(db.build(d));
        const auto t = db.load();
        ASSERT_EQ(t->taskCount(), 1);
        EXPECT_EQ(t->tasks()[0].AttributeWord, c.held) << std::hex << c.stored;
    }
}

TEST(TaskClLoad, ParametersWithoutDescriptorAreRemoved)
{
    DbFixture db;
    ASSERT_TRUE(db.build(withLibrary(R"({"queues": [{"file": "q.tsk", "moduleCode": "0x1901",
      "tasks": [
        {"number": 1, "algorithm": "0x00A1", "params": [
          {"number": "0x0101", "descriptor": 1, "attributeWord": "0x1111"},
          {"number": "0x0102", "descriptor": 9, "attributeWord": "0x1111"}]},
        {"number": 2, "algorithm": "0x00B0", "params": [
          {"number": "0x0201", "descriptor": 1, "attributeWord": "0x1111"}]}]}]})")));
    const auto t = db.load();
    EXPECT_EQ(t->taskCount(), 2);
    EXPECT_EQ(t->tasks()[1].ShortName, ""); // no header for 00B0
    ASSERT_EQ(t->params().size(), 1u);
    EXPECT_EQ(t->params()[0].Number, 0x0101);
    EXPECT_EQ(t->params()[0].Descriptor, 0);
}

// Which library files exist decides ModulesRead and whether the template is read.
TEST(TaskClLoad, ModulesReadFollowsTheLastListedAlgorithm)
{
    const struct
    {
        const char* name;
        const char* modules;
        bool modulesRead;
        int headers;
    } cases[] = {
        {"all present", R"(["0x00A1", "0x00A2"])", true, 2},
        {"missing in the middle", R"(["0x00A1", "0x0999", "0x00A2"])", true, 2},
        {"missing last", R"(["0x00A1", "0x00A2", "0x0999"])", false, 2},
        // Opened, but too short for its header: no header, yet the file was read.
        {"last shorter than its header", R"(["0x00A1", "0x00A2", "0x00A3"])", true, 2},
        {"no entries", R"([])", false, 0},
    };
    for (const auto& c : cases) {
        DbFixture db;
        QJsonObject d = withLibrary(R"({
          "templates": [{"code": "0x1901", "tasks": [{"number": 1, "algorithm": "0x00A1"}]}],
          "queues": [{"file": "q.tsk", "moduleCode": "0x1901",
                      "tasks": [{"number": 1, "algorithm": "0x00A2"}]}]})");
        const QByteArray list = QByteArray(R"({"a": )") + c.modules + "}";
        d["modules"] = QJsonArray{QJsonObject{
            {"code", "0x1901"}, {"algorithms", QJsonDocument::fromJson(list).object()["a"]}}};
        QJsonArray algorithms = d["algorithms"].toArray();
        algorithms.append(QJsonObject{{"number", "0x00A3"}, {"truncate", 40}});
        d["algorithms"] = algorithms;
        ASSERT_TRUE(db.build(d)) << c.name;
        const auto t = db.load();
        EXPECT_EQ(t->modulesRead(), c.modulesRead) << c.name;
        EXPECT_EQ(int(t->algorithmHeaders().size()), c.headers) << c.name;
        EXPECT_EQ(t->taskCount(), c.modulesRead ? 2 : 1) << c.name;
    }
}

TEST(TaskClLoad, MissingModuleFileOrTemplateDirectory)
{
    DbFixture db;
    ASSERT_TRUE(db.build(withLibrary(R"({
      "templates": [{"code": "0x1901", "tasks": [{"number": 1, "algorithm": "0x00A1"}]}],
      "queues": [
        {"file": "q.tsk", "moduleCode": "0x1901", "tasks": [{"number": 1, "algorithm": "0x00A2"}]},
        {"file": "other.tsk", "moduleCode": "0x7777", "tasks": [
          {"number": 1, "algorithm": "0x00A2", "params": [{"number": 1, "descriptor": 1}]}]}]})")));
    const auto noModule = db.load("other.tsk");
    EXPECT_FALSE(noModule->modulesRead());
    EXPECT_EQ(noModule->taskCount(), 1);
    EXPECT_TRUE(noModule->params().empty());
    EXPECT_TRUE(noModule->descriptors().empty());

    const Task_CL noTemplates(db.path("q.tsk"), db.alg(), db.mod(), QString());
    EXPECT_TRUE(noTemplates.modulesRead());
    EXPECT_EQ(noTemplates.taskCount(), 1);
}

TEST(TaskClLoad, QueuePathIsKeptWhateverCouldBeRead)
{
    DbFixture db;
    ASSERT_TRUE(db.build(Library));
    const Task_CL empty(QString(), db.alg(), db.mod(), db.tsk());
    EXPECT_EQ(empty.queuePath(), "");
    EXPECT_EQ(empty.taskCount(), 0);
    EXPECT_FALSE(empty.modulesRead());

    const Task_CL missing(db.path("нет.tsk"), db.alg(), db.mod(), db.tsk());
    EXPECT_EQ(missing.queuePath(), db.path("нет.tsk"));
    EXPECT_EQ(missing.taskCount(), 0);
    EXPECT_FALSE(missing.modulesRead());
    EXPECT_TRUE(missing.descriptors().empty());
}

// Four characters ride in each record; the remainder above the last multiple of four takes one
// more record. The format word is bytes 64-65 of the last record read.
TEST(TaskClLoad, TextValuedParameters)
{
    const struct
    {
        int length;
        const char* text;
        const char* held;
        int records; // records the parameter occupies
    } cases[] = {
        {13, "Насосная НС-1", "Насосная НС-1", 4},
        {8, "ABCDEFGH", "ABCDEFGH", 2},
        {8, "ABC", "ABC", 2},
        {6, "ABCDEF", "ABCDEF", 2},
        {3, "XYZ", "XYZ", 1},
        {3, "XYZW", "XYZ", 1},
        {0, "", "", 1},
    };
    for (const auto& c : cases) {
        DbFixture db;
        QJsonObject d = withLibrary(R"({"queues": [{"file": "q.tsk", "moduleCode": "0x1901",
          "tasks": [{"number": 1, "algorithm": "0x00A1", "params": [
            {"descriptor": 4, "attributeWord": "0x1111"},
            {"number": "0x0102", "descriptor": 2, "attributeWord": "0x1111"}]}]}]})");
        QJsonArray algorithms = d["algorithms"].toArray();
        QJsonObject a = algorithms[0].toObject();
        QJsonArray descriptors = a["descriptors"].toArray();
        QJsonObject textDescriptor = descriptors[3].toObject();
        textDescriptor["length"] = c.length;
        descriptors[3] = textDescriptor;
        a["descriptors"] = descriptors;
        algorithms[0] = a;
        d["algorithms"] = algorithms;
        QJsonArray queues = d["queues"].toArray();
        QJsonObject q = queues[0].toObject();
        QJsonArray tasks = q["tasks"].toArray();
        QJsonObject task = tasks[0].toObject();
        QJsonArray params = task["params"].toArray();
        QJsonObject p = params[0].toObject();
        p["text"] = QString::fromUtf8(c.text);
        params[0] = p;
        task["params"] = params;
        tasks[0] = task;
        q["tasks"] = tasks;
        queues[0] = q;
        d["queues"] = queues;
        ASSERT_TRUE(db.build(d)) << c.length << c.text;

        QFile queue(db.path("q.tsk"));
        ASSERT_TRUE(queue.open(QIODevice::ReadOnly));
        const QByteArray bytes = queue.readAll();
        ASSERT_EQ(bytes.size(), 128 + 80 + 84 * (c.records + 1)) << c.text;
        const QByteArray last = bytes.mid(128 + 80 + 84 * (c.records - 1), 84);

        const auto t = db.load();
        ASSERT_EQ(t->params().size(), 2u) << c.text;
        ASSERT_EQ(t->textPool().size(), 1u) << c.text;
        EXPECT_EQ(t->textPool()[0], QString::fromUtf8(c.held)) << c.text;
        EXPECT_EQ(t->params()[0].Number, 0) << c.text;
        EXPECT_EQ(t->params()[0].Format, quint16(quint8(last[64]) | quint8(last[65]) << 8))
            << c.text;
        // The record after the text is read from the right place.
        EXPECT_EQ(t->params()[1].Number, 0x0102) << c.text;
    }
}

TEST(TaskClLoad, InternTextFillsTheFirstEmptySlot)
{
    DbFixture db;
    ASSERT_TRUE(db.build(withLibrary(R"({"queues": [{"file": "q.tsk", "moduleCode": "0x1901",
      "tasks": [{"number": 1, "algorithm": "0x00A1", "params": [
        {"descriptor": 4, "text": ""},
        {"descriptor": 4, "text": "Первый"},
        {"descriptor": 4, "text": "Второй"}]}]}]})")));
    const auto t = db.load();
    ASSERT_EQ(t->params().size(), 3u);
    EXPECT_EQ(t->params()[0].Number, 0);
    EXPECT_EQ(t->params()[1].Number, 0);
    EXPECT_EQ(t->params()[2].Number, 1);
    ASSERT_EQ(t->textPool().size(), 2u);
    EXPECT_EQ(t->textPool()[0], "Первый");
    EXPECT_EQ(t->textPool()[1], "Второй");
}

TEST(TaskClLoad, Algorithms32CountsPlainOneWordDescriptors)
{
    const struct
    {
        const char* name;
        const char* descriptors;
        bool is32;
    } cases[] = {
        {"32 plain", R"([{"number": 1, "repeat": 32}])", true},
        {"31 plain", R"([{"number": 1, "repeat": 31}])", false},
        {"33 plain", R"([{"number": 1, "repeat": 33}])", false},
        {"32 plain and others", R"([{"number": 1, "repeat": 32}, {"number": 40, "type": "0xA4"},
            {"number": 41, "array": true, "length": 4}, {"number": 42, "class": 1},
            {"number": 43, "kind": 1}, {"number": 44, "type": 2}])",
         true},
        {"31 plain and one array", R"([{"number": 1, "repeat": 31},
            {"number": 40, "array": true}])",
         false},
    };
    for (const auto& c : cases) {
        DbFixture db;
        QJsonObject d = DbFixture::parse(R"({"modules": [{"code": 1, "algorithms": [48, 49]}],
          "algorithms": [{"number": 49, "descriptors": [{"number": 1, "repeat": 32}]}],
          "queues": [{"file": "q.tsk", "moduleCode": 1}]})");
        const QByteArray list = QByteArray(R"({"a": )") + c.descriptors + "}";
        QJsonArray algorithms = d["algorithms"].toArray();
        algorithms.prepend(QJsonObject{
            {"number", 48}, {"descriptors", QJsonDocument::fromJson(list).object()["a"]}});
        d["algorithms"] = algorithms;
        ASSERT_TRUE(db.build(d)) << c.name;
        const auto t = db.load();
        EXPECT_EQ(t->IsAlgorithm32(48), c.is32) << c.name;
        EXPECT_TRUE(t->IsAlgorithm32(49)) << c.name;
        EXPECT_FALSE(t->IsAlgorithm32(50)) << c.name;
    }
}

TEST(TaskClLoad, TypeByteIsRemapped)
{
    const struct
    {
        int stored;
        int held;
    } cases[] = {{0, 0}, {1, 0x81}, {2, 0xC4}, {3, 0x92}, {4, 4}, {0xA4, 0xA4}, {0x81, 0x81}};
    DbFixture db;
    QJsonArray descriptors;
    for (int i = 0; i < int(std::size(cases)); ++i)
        descriptors.append(QJsonObject{{"number", i + 1}, {"type", cases[i].stored}});
    QJsonObject d = DbFixture::parse(R"({"modules": [{"code": 1, "algorithms": [7]}],
      "queues": [{"file": "q.tsk", "moduleCode": 1}]})");
    d["algorithms"] = QJsonArray{QJsonObject{{"number", 7}, {"descriptors", descriptors}}};
    ASSERT_TRUE(db.build(d));
    const auto t = db.load();
    ASSERT_EQ(t->descriptors().size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(t->descriptors()[i].TypeCode, cases[i].held) << cases[i].stored;
}

// Algorithms32 groups consecutive descriptors of one algorithm number: an algorithm named twice
// in a row is one group of 64, named twice apart it is two groups of 32, each listed.
TEST(TaskClLoad, Algorithms32GroupsConsecutiveDescriptors)
{
    const struct
    {
        const char* name;
        QJsonArray modules;
        std::vector<std::uint16_t> algorithms32;
    } cases[] = {
        {"A", {48}, {48}},
        {"A, A", {48, 48}, {}},
        {"A, B, A", {48, 49, 48}, {48, 48}},
        {"A, B, B, A", {48, 49, 49, 48}, {48, 48}},
        {"B, A, A", {49, 48, 48}, {}},
    };
    for (const auto& c : cases) {
        DbFixture db;
        QJsonObject d = DbFixture::parse(R"({
          "algorithms": [{"number": 48, "descriptors": [{"number": 1, "repeat": 32}]},
                         {"number": 49, "descriptors": [{"number": 1}]}],
          "queues": [{"file": "q.tsk", "moduleCode": 1}]})");
        d["modules"] = QJsonArray{QJsonObject{{"code", 1}, {"algorithms", c.modules}}};
        ASSERT_TRUE(db.build(d)) << c.name;
        const auto t = db.load();
        EXPECT_EQ(t->algorithms32(), c.algorithms32) << c.name;
        EXPECT_EQ(t->IsAlgorithm32(48), !c.algorithms32.empty()) << c.name;
        EXPECT_FALSE(t->IsAlgorithm32(49)) << c.name;
    }
}

// An algorithm the module names twice is loaded twice; a parameter takes the first of the two
// descriptors of its number, and an editor is offered it once.
TEST(TaskClLoad, AlgorithmNamedTwiceGivesTheFirstDescriptor)
{
    const struct
    {
        const char* name;
        QJsonArray modules;
        int descriptors;
    } cases[] = {
        {"A1, A1", {"0x00A1", "0x00A1"}, 8},
        {"A1, A2, A1", {"0x00A1", "0x00A2", "0x00A1"}, 10},
        {"A2, A1, A1", {"0x00A2", "0x00A1", "0x00A1"}, 10},
    };
    for (const auto& c : cases) {
        DbFixture db;
        QJsonObject d = withLibrary(R"({"queues": [{"file": "q.tsk", "moduleCode": "0x1901",
          "tasks": [{"number": 1, "algorithm": "0x00A1", "params": [
            {"number": "0x0102", "descriptor": 2, "attributeWord": "0x1111"},
            {"descriptor": 4, "text": "Котельная", "attributeWord": "0x1111"},
            {"number": "0x0103", "descriptor": 3, "attributeWord": "0x1111"}]}]}]})");
        d["modules"] = QJsonArray{QJsonObject{{"code", "0x1901"}, {"algorithms", c.modules}}};
        ASSERT_TRUE(db.build(d)) << c.name;
        const auto t = db.load();
        ASSERT_EQ(int(t->descriptors().size()), c.descriptors) << c.name;
        // Where the first copy of 00A1 begins.
        const auto& all = t->descriptors();
        const int first =
            int(std::find_if(all.begin(), all.end(),
                             [](const ParamDescriptor& x) { return x.Algorithm == 0x00A1; }) -
                all.begin());
        ASSERT_EQ(t->params().size(), 3u) << c.name;
        EXPECT_EQ(t->params()[0].Descriptor, first + 1) << c.name;
        EXPECT_EQ(t->params()[1].Descriptor, first + 3) << c.name;
        EXPECT_EQ(t->params()[2].Descriptor, first + 2) << c.name;
        // The text after it was read over its continuation records, as the first copy says.
        EXPECT_EQ(t->params()[2].Number, 0x0103) << c.name;
        ASSERT_EQ(t->textPool().size(), 1u) << c.name;
        EXPECT_EQ(t->textPool()[0], "Котельная") << c.name;

        std::vector<ParamCandidate> list;
        ASSERT_EQ(t->ListTaskParameters(0x00A1, 0, 1, list), 2) << c.name;
        EXPECT_EQ(list[0].Descriptor, first + 1) << c.name;
        EXPECT_EQ(list[1].Descriptor, first + 2) << c.name;
    }
}

// The maker's tool runs where letter case does not tell file names apart: a module or template
// file named in another case is still the controller's.
TEST(TaskClLoad, ModuleAndTemplateFileNamesInAnyLetterCase)
{
    const struct
    {
        const char* module;
        const char* templ;
    } cases[] = {
        {"BEEF.mod", "BEEF.tsk"},
        {"beef.mod", "beef.tsk"},
        {"BEEF.MOD", "BEEF.TSK"},
        {"Beef.Mod", "bEEF.Tsk"},
    };
    for (const auto& c : cases) {
        DbFixture db;
        QJsonObject d = withLibrary(R"({
          "templates": [{"code": "0xBEEF", "tasks": [{"number": 1, "algorithm": "0x00A2"}]}],
          "queues": [{"file": "q.tsk", "moduleCode": "0xBEEF", "tasks": [
            {"number": 1, "algorithm": "0x00A1", "params": [
              {"number": "0x0101", "descriptor": 1, "attributeWord": "0x1111"}]}]}]})");
        d["modules"] = QJsonArray{
            QJsonObject{{"code", "0xBEEF"}, {"algorithms", QJsonArray{"0x00A1", "0x00A2"}}}};
        ASSERT_TRUE(db.build(d)) << c.module;
        if (QString(c.module) != "BEEF.mod") {
            ASSERT_TRUE(QFile::rename(db.path("MOD/BEEF.mod"), db.path("MOD/") + c.module));
        }
        if (QString(c.templ) != "BEEF.tsk") {
            ASSERT_TRUE(QFile::rename(db.path("TASK/BEEF.tsk"), db.path("TASK/") + c.templ));
        }
        const auto t = db.load();
        EXPECT_TRUE(t->modulesRead()) << c.module;
        EXPECT_EQ(t->descriptors().size(), 6u) << c.module;
        ASSERT_EQ(t->taskCount(), 2) << c.templ;
        EXPECT_EQ(t->tasks()[0].Number, -1) << c.templ;
        EXPECT_EQ(t->params().size(), 1u) << c.module;
    }
}

// Text-valued parameters of template tasks go into the pool like the queue's, before them; their
// AttributeWord stays as stored, and the next record is read after the continuation records.
TEST(TaskClLoad, TextValuedParametersOfTemplateTasks)
{
    DbFixture db;
    ASSERT_TRUE(db.build(withLibrary(R"({
      "templates": [{"code": "0x1901", "tasks": [
        {"number": 7, "algorithm": "0x00A1", "params": [
          {"descriptor": 4, "text": "Насосная НС-1", "attributeWord": 0},
          {"number": "0x0F02", "descriptor": 2, "attributeWord": "0x1111"}]},
        {"number": 8, "algorithm": "0x00A1", "inUse": false, "params": [
          {"descriptor": 4, "text": "Щит", "attributeWord": "0x1111"}]}]}],
      "queues": [{"file": "q.tsk", "moduleCode": "0x1901", "tasks": [
        {"number": 1, "algorithm": "0x00A1", "params": [
          {"descriptor": 4, "text": "Котельная", "attributeWord": 0},
          {"number": "0x0103", "descriptor": 3, "attributeWord": "0x1111"}]}]}]})")));
    const auto t = db.load();
    ASSERT_EQ(t->taskCount(), 3);
    ASSERT_EQ(t->textPool().size(), 3u);
    EXPECT_EQ(t->textPool()[0], "Насосная НС-1");
    EXPECT_EQ(t->textPool()[1], "Щит");
    EXPECT_EQ(t->textPool()[2], "Котельная");

    const struct
    {
        int number, task, attributeWord, descriptor;
    } params[] = {
        {0, -1, 0, 3},     {0x0F02, -1, 0x1111, 1}, {1, -2, 0x1111, 3},
        {2, 1, 0x3333, 3}, {0x0103, 1, 0x1111, 2},
    };
    ASSERT_EQ(t->params().size(), std::size(params));
    for (std::size_t i = 0; i < std::size(params); ++i) {
        const ParamRecord& p = t->params()[i];
        EXPECT_EQ(p.Number, params[i].number) << i;
        EXPECT_EQ(p.Task, params[i].task) << i;
        EXPECT_EQ(p.AttributeWord, params[i].attributeWord) << i;
        EXPECT_EQ(p.Descriptor, params[i].descriptor) << i;
    }
    // A text is a service item: its pool index is never found as a parameter number.
    EXPECT_EQ(t->FindParameter(0, AnyClass).Found, false);
    EXPECT_EQ(t->FindTaskOfParameter(0x0F02), 0);
}
