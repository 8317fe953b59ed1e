// vegctl import and vegctl diff on the demo configurations: what they print and their exit codes.

#include "VegctlRun.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class VegctlDiffImport : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString demo = QStringLiteral(VEG_DEMO_DIR);
    QString settings = dir.filePath("vegctl.ini");

    void SetUp() override { ASSERT_TRUE(writeDemoSettings(settings)); }

    QString demoFile(const char* name) const
    {
        return demo + u'/' + QString::fromUtf8(name) + QStringLiteral(".veg");
    }
    VegctlRun dump(const QString& file) const
    {
        return runVegctl({"dump", file, "--settings", settings});
    }
    // The dump of `file` without the line of its own name.
    QJsonObject dumped(const QString& file) const
    {
        const VegctlRun r = dump(file);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        o.remove("FileName");
        return o;
    }
};

} // namespace

TEST_F(VegctlDiffImport, DumpImportDumpGivesTheSameJson)
{
    const QStringList files = QDir(demo).entryList({"*.veg"}, QDir::Files);
    ASSERT_EQ(files.size(), 5);
    for (const QString& name : files) {
        const QString json = dir.filePath("config.json");
        QFile f(json);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(dump(demo + u'/' + name).out.toUtf8());
        f.close();
        const QString out = dir.filePath("imported.veg");
        const VegctlRun r = runVegctl({"import", json, out, "--settings", settings});
        ASSERT_EQ(r.status, 0) << name.toStdString() << r.err.toStdString();
        EXPECT_EQ(dumped(out), dumped(demo + u'/' + name)) << name.toStdString();
        // The imported file is the same configuration to diff, and to the file's own reader.
        const VegctlRun same = runVegctl({"diff", demo + u'/' + name, out, "--settings", settings});
        EXPECT_EQ(same.status, 0) << same.out.toStdString();
        EXPECT_TRUE(same.out.isEmpty());
    }
}

TEST_F(VegctlDiffImport, ARefusedImportWritesNothing)
{
    const QString out = dir.filePath("never.veg");
    const VegctlRun r = runVegctl(
        {"import", "-", out},
        R"({"Protocol": 1, "ModbusCoilTable": [], "Common": {"V_Ext": 9, "Colour": 1}})");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "Common.Colour: неизвестный ключ\n"
                     "ModbusCoilTable: строк в массиве 0, а в конфигурации Modbus их 16\n"
                     "Отклонено значений: 2, ничего не записано\n");
    EXPECT_FALSE(QFile::exists(out));

    // A speed the file's table has no entry for is not kept by the file.
    const VegctlRun lost =
        runVegctl({"import", "-", out}, R"({"Protocol": 1, "Common": {"V_Ext": 9}})");
    EXPECT_EQ(lost.status, 2);
    EXPECT_TRUE(lost.err.startsWith("Common.V_Ext: 9 не сохраняется в файле .veg"))
        << lost.err.toStdString();
    EXPECT_TRUE(lost.err.endsWith("Отклонено значений: 1, ничего не записано\n"));
    EXPECT_FALSE(QFile::exists(out));

    const VegctlRun missing = runVegctl({"import", dir.filePath("missing.json"), out});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, QStringLiteral("Файл %1 не найден\n").arg(dir.filePath("missing.json")));
    EXPECT_FALSE(QFile::exists(out));
}

// What a file's reader gives, the import takes: a coil row without its "TimeTU1-" key reads a
// pulse of 0 s, which only the window refuses; vegctl check tells of it.
TEST_F(VegctlDiffImport, AValueOnlyAWindowRefusesIsImportedAndChecked)
{
    QJsonObject json = dumped(demoFile("Котельная-Modbus"));
    QJsonArray coils = json["ModbusCoilTable"].toArray();
    qsizetype pulse = 0; // the demo's first pulse command
    while (pulse < coils.size() && (coils[pulse].toObject()["Coil"].toInt() == 65535 ||
                                    (coils[pulse].toObject()["TypeTU"].toInt() & 1) != 0))
        ++pulse;
    ASSERT_LT(pulse, coils.size());
    QJsonObject row = coils[pulse].toObject();
    row["TimeTU1"] = 0;
    coils[pulse] = row;
    json["ModbusCoilTable"] = coils;
    const QString out = dir.filePath("pulse.veg");
    const VegctlRun r = runVegctl({"import", "-", out, "--settings", settings},
                                  QJsonDocument(json).toJson());
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(dumped(out), json);

    const VegctlRun check = runVegctl({"check", out, "--settings", settings});
    EXPECT_EQ(check.status, 1);
    EXPECT_TRUE(check.out.contains(QStringLiteral("ERROR\tТелеуправление, строка %1\t"
                                                  "ModbusCoilTable[%2].TimeTU1: 0 вне диапазона "
                                                  "длительности импульса 1…255 с")
                                       .arg(pulse + 1)
                                       .arg(pulse)))
        << check.out.toStdString();
}

TEST_F(VegctlDiffImport, DiffOfTwoFiles)
{
    const VegctlRun modbusHart =
        runVegctl({"diff", demoFile("Котельная-Modbus"), demoFile("Котельная-HART"), "--settings",
                   settings});
    EXPECT_EQ(modbusHart.status, 1);
    EXPECT_TRUE(modbusHart.out.startsWith("Protocol: Modbus -> HART\nCommon.AdrCAN: 01 -> 04\n"))
        << modbusHart.out.toStdString();
    const int lines = int(modbusHart.out.count(u'\n'));
    EXPECT_EQ(modbusHart.err, QStringLiteral("Различий: %1\n").arg(lines));

    const VegctlRun same = runVegctl({"diff", demoFile("Котельная-УНК"), demoFile("Котельная-УНК")});
    EXPECT_EQ(same.status, 0);
    EXPECT_TRUE(same.out.isEmpty());
    EXPECT_EQ(same.err, "Различий нет\n");
}

TEST_F(VegctlDiffImport, DiffRefusals)
{
    struct Case
    {
        QStringList args;
        QString err;
    };
    const Case cases[] = {
        {{"diff", dir.filePath("none.veg"), demoFile("Котельная-УНК")}, "не найден"},
        {{"diff", demoFile("Котельная-УНК")}, "diff: задайте два файла или один с --gateway\n"},
        {{"diff", demoFile("Котельная-УНК"), demoFile("Котельная-УНК"), "--port", "/dev/null"},
         "diff: --port задаётся только вместе с --gateway\n"},
        {{"diff", demoFile("Котельная-УНК"), "--gateway"}, "diff --gateway: не задан обязательный параметр --port\n"},
        {{"diff", "--gateway", demoFile("Котельная-УНК"), demoFile("Котельная-УНК"), "--port",
          "/dev/null"},
         "--gateway сравнивает файл со шлюзом: задайте один файл\n"},
    };
    for (const Case& c : cases) {
        const VegctlRun r = runVegctl(c.args);
        EXPECT_EQ(r.status, 2) << c.args.join(' ').toStdString() << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.err)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}
