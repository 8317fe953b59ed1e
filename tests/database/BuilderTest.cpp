// The database builder: what it writes reads back as described, and its errors name the place.
#include "DbFixture.h"

#include "core/database/FileTreeIndex.h"

#include <QJsonArray>

#include <set>

using namespace veg;

TEST(DatabaseBuilder, RoundTripKeepsEveryDescribedField)
{
    DbFixture db;
    ASSERT_TRUE(db.build(R"({
      "algorithms": [{"dir": "Группа/Подгруппа", "number": "0x12AB",
        "longName": "Алгоритм учёта «Ёлка»", "shortName": "ЁЛКА", "descriptors": [
          {"number": "0x0102", "longName": "Описатель №1", "shortName": "Оп1", "length": 1440,
           "subtype": 200, "type": 4, "class": 1, "kind": 0, "array": true, "format": 5},
          {"number": 7, "longName": "Служебный", "type": 1, "service": true, "kind": 3}]}],
      "modules": [{"code": "0xBEEF", "algorithms": ["0x12AB"]}],
      "queues": [{"file": "Очереди/Объект.tsk", "netNumber": "0xFE", "moduleCode": "0xBEEF",
        "tasks": [{"number": -300, "algorithm": "0x12AB", "attributeWord": "0x1231", "flags": 129,
          "longName": "Задача с длинным именем", "shortName": "ЗАДАЧА",
          "params": [{"number": "0xFFFE", "format": "0xABCD", "attributeWord": "0x1203",
            "descriptor": "0x0102", "longName": "Параметр", "shortName": "П"}]}]}]})"));
    const auto t = db.load("Очереди/Объект.tsk");
    EXPECT_EQ(t->netNumber(), 0xFE);
    EXPECT_EQ(t->moduleCode(), 0xBEEF);
    EXPECT_TRUE(t->modulesRead());
    ASSERT_EQ(t->algorithmHeaders().size(), 1u);
    const AlgorithmHeader& a = t->algorithmHeaders()[0];
    EXPECT_EQ(a.LongName, "Алгоритм учёта «Ёлка»");
    EXPECT_EQ(a.ShortName, "ЁЛКА");
    EXPECT_EQ(a.Algorithm, 0x12AB);
    EXPECT_EQ(a.Count, 2);
    ASSERT_EQ(t->descriptors().size(), 2u);
    const ParamDescriptor& d = t->descriptors()[0];
    EXPECT_EQ(d.Algorithm, 0x12AB);
    EXPECT_EQ(d.Number, 0x0102);
    EXPECT_EQ(d.LongName, "Описатель №1");
    EXPECT_EQ(d.ShortName, "Оп1");
    EXPECT_EQ(d.Length, 1440);
    EXPECT_EQ(d.Subtype, 200);
    EXPECT_EQ(d.TypeCode, 4);
    EXPECT_EQ(d.Byte69, 0x10);
    EXPECT_EQ(d.Byte70, 0);
    EXPECT_EQ(d.Byte71, 0x0B);
    EXPECT_EQ(t->descriptors()[1].TypeCode, 0x81);
    EXPECT_EQ(t->descriptors()[1].Byte69, 0x03);
    EXPECT_EQ(t->descriptors()[1].Byte70, 1);
    ASSERT_EQ(t->taskCount(), 1);
    const TaskRecord& task = t->tasks()[0];
    EXPECT_EQ(task.Number, -300);
    EXPECT_EQ(task.Algorithm, 0x12AB);
    EXPECT_EQ(task.AttributeWord, 0x1231);
    EXPECT_EQ(task.Flags, 129);
    EXPECT_EQ(task.LongName, "Задача с длинным именем");
    EXPECT_EQ(task.ShortName, "ЗАДАЧА");
    ASSERT_EQ(t->params().size(), 1u);
    const ParamRecord& p = t->params()[0];
    EXPECT_EQ(p.Number, 0xFFFE);
    EXPECT_EQ(p.Format, 0xABCD);
    EXPECT_EQ(p.AttributeWord, 0x1203);
    EXPECT_EQ(p.DescriptorNumber, 0x0102);
    EXPECT_EQ(p.LongName, "Параметр");
    EXPECT_EQ(p.ShortName, "П");
    EXPECT_EQ(p.Task, -300);
    EXPECT_EQ(p.Descriptor, 0);
    EXPECT_TRUE(QFileInfo::exists(db.path("ALG/Группа/Подгруппа/12AB.ALG")));
    EXPECT_TRUE(QFileInfo::exists(db.path("MOD/BEEF.mod")));
}

TEST(DatabaseBuilder, RefusesWhatItCannotWrite)
{
    const struct
    {
        const char* json;
        const char* error;
    } cases[] = {
        {R"({"algorithms": [{"longName": "без номера"}]})", "algorithms[0]: \"number\" is missing"},
        {R"({"algorithms": [{"number": "0x1G"}]})",
         "algorithms[0]: \"number\" is not a number: 0x1G"},
        {R"({"algorithms": [{"number": 70000}]})",
         "algorithms[0]: \"number\" = 70000 is outside 0…65535"},
        {R"({"algorithms": [{"number": 1, "shortName": "ДЕВЯТЬ..."}]})",
         "algorithms[0]: \"ДЕВЯТЬ...\" is longer than 8 characters"},
        {R"({"algorithms": [{"number": 1, "descriptors": [{"number": 1, "format": 8}]}]})",
         "algorithms[0].descriptors[0]: \"class\" and \"kind\" take 0…15, \"format\" 0…7"},
        {R"({"queues": [{"tasks": []}]})", "queues[0]: \"file\" is missing"},
        {R"({"queues": [{"file": "q", "tasks": [{"number": 40000}]}]})",
         "queues[0].tasks[0]: \"number\" = 40000 is outside -32768…32767"},
        {R"({"queues": [{"file": "q", "tasks": [{"params": [{"number": 1.5}]}]}]})",
         "queues[0].tasks[0].params[0]: \"number\" is not an integer"},
        {R"({"queues": [{"file": "q"}, {"file": "./q"}]})",
         "queues[1]: the file q is described twice"},
        {R"({"modules": [{"code": 1, "algorithms": ["x"]}]})",
         "modules[0].algorithms[0]: \"algorithm\" is not a number: x"},
        // Flags take JSON true or false only: a number would silently read as false.
        {R"({"algorithms": [{"number": 1, "descriptors": [{"number": 1, "service": 1}]}]})",
         "algorithms[0].descriptors[0]: \"service\" is not true or false"},
        {R"({"algorithms": [{"number": 1, "descriptors": [{"number": 1, "array": "true"}]}]})",
         "algorithms[0].descriptors[0]: \"array\" is not true or false"},
        {R"({"queues": [{"file": "q", "tasks": [{"number": 1}, {"number": 2, "inUse": 0}]}]})",
         "queues[0].tasks[1]: \"inUse\" is not true or false"},
        {R"({"templates": [{"code": 1, "tasks": [{"inUse": [true]}]}]})",
         "templates[0].tasks[0]: \"inUse\" is not true or false"},
        // Numbers in text: decimal, or hexadecimal after 0x; nothing else.
        {R"({"queues": [{"file": "q", "netNumber": "0x"}]})",
         "queues[0]: \"netNumber\" is not a number: 0x"},
        {R"({"queues": [{"file": "q", "netNumber": "0x0x10"}]})",
         "queues[0]: \"netNumber\" is not a number: 0x0x10"},
        {R"({"queues": [{"file": "q", "netNumber": "0b11"}]})",
         "queues[0]: \"netNumber\" is not a number: 0b11"},
        {R"({"queues": [{"file": "q", "netNumber": "1A"}]})",
         "queues[0]: \"netNumber\" is not a number: 1A"},
        {R"({"queues": [{"file": "q", "netNumber": "- 5"}]})",
         "queues[0]: \"netNumber\" is not a number: - 5"},
        {R"({"queues": [{"file": "q", "netNumber": ""}]})",
         "queues[0]: \"netNumber\" is not a number: "},
        {R"({"queues": [{"file": "q", "netNumber": "-1"}]})",
         "queues[0]: \"netNumber\" = -1 is outside 0…65535"},
    };
    for (const auto& c : cases) {
        vegdb::DatabaseFiles files;
        const vegdb::BuildResult r = vegdb::composeDatabase(DbFixture::parse(c.json), files);
        EXPECT_FALSE(r.Ok) << c.json;
        EXPECT_EQ(r.Error, QString::fromUtf8(c.error)) << c.json;
    }
}

// A number written as text is decimal, whatever zeros lead it, unless "0x" or "0X" starts it.
TEST(DatabaseBuilder, NumbersInTextAreDecimalUnlessHexadecimal)
{
    const struct
    {
        const char* text;
        int value;
    } cases[] = {
        {"010", 10},    {"08", 8},        {"0", 0},          {"00", 0},
        {" 26 ", 26},   {"+26", 26},      {"0x1A", 26},      {"0X1a", 26},
        {"0x001a", 26}, {"65535", 65535}, {"0xFFFF", 65535},
    };
    for (const auto& c : cases) {
        DbFixture db;
        QJsonObject d = DbFixture::parse(R"({"queues": [{"file": "q.tsk"}]})");
        QJsonArray queues = d["queues"].toArray();
        QJsonObject q = queues[0].toObject();
        q["netNumber"] = c.text;
        queues[0] = q;
        d["queues"] = queues;
        ASSERT_TRUE(db.build(d)) << c.text;
        EXPECT_EQ(db.load()->netNumber(), c.value) << c.text;
    }

    // Signed fields take a sign in text as well.
    DbFixture db;
    ASSERT_TRUE(db.build(R"({"queues": [{"file": "q.tsk", "tasks": [
      {"number": "-012"}, {"number": "-0x10"}, {"number": "09"}]}]})"));
    const auto t = db.load();
    ASSERT_EQ(t->taskCount(), 3);
    EXPECT_EQ(t->tasks()[0].Number, -12);
    EXPECT_EQ(t->tasks()[1].Number, -16);
    EXPECT_EQ(t->tasks()[2].Number, 9);
}

TEST(DatabaseBuilder, FromFileReportsParseErrors)
{
    QTemporaryDir dir;
    QFile f(dir.filePath("bad.json"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("{\"queues\": [");
    f.close();
    const vegdb::BuildResult r = vegdb::buildDatabaseFromFile(f.fileName(), dir.filePath("out"));
    EXPECT_FALSE(r.Ok);
    EXPECT_TRUE(r.Error.startsWith(f.fileName() + ": offset")) << r.Error.toStdString();
    EXPECT_FALSE(vegdb::buildDatabaseFromFile(dir.filePath("none.json"), dir.path()).Ok);
}

// The demo database offers what the editors look for.
TEST(DemoDatabase, LooksLikeASite)
{
    DbFixture db;
    const vegdb::BuildResult r = vegdb::buildDatabaseFromFile(VEG_DEMO_DESCRIPTION, db.root());
    ASSERT_TRUE(r.Ok) << r.Error.toStdString();
    const QStringList queues = QDir(db.path("Очереди")).entryList({"*.tsk"}, QDir::Files);
    ASSERT_GE(queues.size(), 3);

    std::set<int> typeCodes, archiveLengths, classes;
    int templateTasks = 0, texts = 0, group32 = 0;
    bool skippedTaskSomewhere = false;
    for (const QString& q : queues) {
        const auto t = db.load("Очереди/" + q);
        EXPECT_TRUE(t->modulesRead()) << q.toStdString();
        EXPECT_GT(t->params().size(), 0u) << q.toStdString();
        for (const TaskRecord& task : t->tasks()) {
            templateTasks += task.Number < 0;
            group32 += t->IsAlgorithm32(task.Algorithm);
        }
        texts += int(t->textPool().size());
        for (const ParamRecord& p : t->params()) {
            const ParamDescriptor& d = t->descriptors()[p.Descriptor];
            if (d.isService())
                continue;
            typeCodes.insert(d.TypeCode);
            classes.insert(d.descriptorClass());
            if (d.descriptorClass() == 1)
                archiveLengths.insert(d.Length);
        }
        QFile f(db.path("Очереди/" + q));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        const int announced = quint8(bytes[124]) | quint8(bytes[125]) << 8;
        skippedTaskSomewhere |= announced > t->taskCount() - [&] {
            int n = 0;
            for (const TaskRecord& task : t->tasks())
                n += task.Number < 0;
            return n;
        }();
    }
    for (int code : {0, 0xC4, 4, 0xA4})
        EXPECT_TRUE(typeCodes.count(code)) << std::hex << code;
    EXPECT_TRUE(archiveLengths.count(1440));
    EXPECT_TRUE(archiveLengths.count(720));
    EXPECT_TRUE(classes.count(2));
    EXPECT_TRUE(classes.count(3));
    EXPECT_GT(templateTasks, 0);
    EXPECT_GT(texts, 0);
    EXPECT_GT(group32, 0);
    EXPECT_TRUE(skippedTaskSomewhere);
    // The algorithm of a hidden directory is never the one found.
    EXPECT_TRUE(QFileInfo::exists(db.path("ALG/Дискретные/.old/0010.ALG")));
    EXPECT_EQ(QDir(db.alg()).relativeFilePath(veg::FindFileInTree("0010.ALG", db.alg())),
              "Дискретные/0010.ALG");
}
