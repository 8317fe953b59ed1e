// vegctl db: one controller as JSON on standard output.
#include "DbFixture.h"

#include <QJsonArray>
#include <QProcess>

namespace {

struct CliRun
{
    int exitCode = -1;
    QByteArray out, err;
};

CliRun vegctl(const QStringList& args)
{
    QProcess p;
    p.start(VEGCTL_PATH, args);
    CliRun r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

TEST(VegctlDb, PrintsTheControllerAsJson)
{
    DbFixture db;
    ASSERT_TRUE(db.build(R"({
      "algorithms": [{"number": "0x0030", "longName": "Групповой сбор", "shortName": "ГРТС",
        "descriptors": [{"number": 1, "repeat": 32, "longName": "ТС %1"},
                        {"number": 33, "longName": "Группа", "type": "0xA4"},
                        {"number": 34, "longName": "Имя", "shortName": "И", "length": 4, "service": true, "array": true, "format": 2}]}],
      "modules": [{"code": "0x1901", "algorithms": ["0x0030"]}],
      "templates": [{"code": "0x1901", "tasks": [{"number": 3, "algorithm": "0x0030", "longName": "Шаблон"}]}],
      "queues": [{"file": "Котельная.tsk", "netNumber": "0x1A", "moduleCode": "0x1901", "tasks": [
        {"number": 2, "algorithm": "0x0030", "attributeWord": "0x1201", "longName": "Котлы", "params": [
          {"number": "0x0421", "descriptor": 33, "longName": "Группа котлов", "shortName": "ГрК", "format": 3, "attributeWord": "0x1111"},
          {"descriptor": 34, "text": "Кот1", "longName": "Имя"}]}]}]})"));
    const CliRun r = vegctl(
        {"db", db.path("Котельная.tsk"), "--alg", db.alg(), "--mod", db.mod(), "--tsk", db.tsk()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QJsonParseError error{};
    const QJsonObject o = QJsonDocument::fromJson(r.out, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();

    EXPECT_EQ(o["QueuePath"].toString(), db.path("Котельная.tsk"));
    EXPECT_EQ(o["NetNumber"].toInt(), 0x1A);
    EXPECT_EQ(o["ModuleCode"].toInt(), 0x1901);
    EXPECT_EQ(o["ModulesRead"].toBool(), true);

    const QJsonArray tasks = o["Tasks"].toArray();
    ASSERT_EQ(tasks.size(), 2);
    EXPECT_EQ(tasks[0].toObject(), (QJsonObject{{"LongName", "Шаблон"},
                                                {"ShortName", ""},
                                                {"Number", -1},
                                                {"Algorithm", 0x30},
                                                {"AttributeWord", 0},
                                                {"Flags", 0}}));
    EXPECT_EQ(tasks[1].toObject(), (QJsonObject{{"LongName", "Котлы"},
                                                {"ShortName", "ГРТС"},
                                                {"Number", 2},
                                                {"Algorithm", 0x30},
                                                {"AttributeWord", 0x1231},
                                                {"Flags", 1}}));
    const QJsonArray params = o["Params"].toArray();
    ASSERT_EQ(params.size(), 2);
    EXPECT_EQ(params[0].toObject(), (QJsonObject{{"LongName", "Группа котлов"},
                                                 {"ShortName", "ГрК"},
                                                 {"Number", 0x0421},
                                                 {"Format", 3},
                                                 {"AttributeWord", 0x1111},
                                                 {"DescriptorNumber", 33},
                                                 {"Task", 2},
                                                 {"Descriptor", 32}}));
    EXPECT_EQ(params[1].toObject()["Number"].toInt(), 0);
    EXPECT_EQ(params[1].toObject()["AttributeWord"].toInt(), 0x3333);
    EXPECT_EQ(o["AlgorithmHeaders"].toArray(),
              (QJsonArray{QJsonObject{{"LongName", "Групповой сбор"},
                                      {"ShortName", "ГРТС"},
                                      {"Algorithm", 0x30},
                                      {"Count", 34}}}));
    const QJsonArray descriptors = o["Descriptors"].toArray();
    ASSERT_EQ(descriptors.size(), 34);
    EXPECT_EQ(descriptors[33].toObject(), (QJsonObject{{"Algorithm", 0x30},
                                                       {"Number", 34},
                                                       {"LongName", "Имя"},
                                                       {"ShortName", "И"},
                                                       {"Length", 4},
                                                       {"Subtype", 0},
                                                       {"TypeCode", 0},
                                                       {"Byte69", 0},
                                                       {"Byte70", 1},
                                                       {"Byte71", 5}}));
    EXPECT_EQ(descriptors[32].toObject()["TypeCode"].toInt(), 0xA4);
    EXPECT_EQ(o["Algorithms32"].toArray(), QJsonArray{0x30});
    EXPECT_EQ(o["TextPool"].toArray(), QJsonArray{"Кот1"});
}

TEST(VegctlDb, FailuresExitWithOneAndAMessage)
{
    DbFixture db;
    ASSERT_TRUE(db.build(R"({"queues": [{"file": "q.tsk"}]})"));
    const struct
    {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"db", db.path("нет.tsk"), "--alg", db.alg(), "--mod", db.mod(), "--tsk", db.tsk()},
         "файла очереди задач"},
        {{"db", db.path("q.tsk"), "--alg", db.path("нет"), "--mod", db.mod(), "--tsk", db.tsk()},
         "папки"},
    };
    for (const auto& c : cases) {
        const CliRun r = vegctl(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }
}
