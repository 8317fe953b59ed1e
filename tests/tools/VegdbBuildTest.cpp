// vegdb-build DESCRIPTION.json OUTDIR: the program around the database builder.
#include "core/database/Task_CL.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

int vegdbBuild(const QStringList& args, QByteArray* err = nullptr)
{
    QProcess p;
    p.start(VEGDB_BUILD_PATH, args);
    if (!p.waitForFinished(60000))
        return -1;
    if (err)
        *err = p.readAllStandardError();
    return p.exitCode();
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(VegdbBuild, WritesTheDescribedDatabase)
{
    QTemporaryDir dir;
    write(dir.filePath("d.json"), R"({
      "algorithms": [{"dir": "Подкаталог", "number": 16, "descriptors": [{"number": 1}]}],
      "modules": [{"code": "0x1901", "algorithms": [16]}],
      "queues": [{"file": "Очередь.tsk", "netNumber": "0x1A", "moduleCode": "0x1901",
                  "tasks": [{"number": 1, "algorithm": 16, "params": [{"number": 1, "descriptor": 1}]}]}]})");
    const QString out = dir.filePath("база");
    ASSERT_EQ(vegdbBuild({dir.filePath("d.json"), out}), 0);
    EXPECT_TRUE(QFile::exists(out + "/ALG/Подкаталог/0010.ALG"));
    const veg::Task_CL t(out + "/Очередь.tsk", out + "/ALG", out + "/MOD", out + "/TASK");
    EXPECT_EQ(t.netNumber(), 0x1A);
    EXPECT_EQ(t.params().size(), 1u);
}

TEST(VegdbBuild, FailuresExitWithAMessage)
{
    QTemporaryDir dir;
    write(dir.filePath("bad.json"), R"({"queues": [{"tasks": []}]})");
    QByteArray err;
    EXPECT_EQ(vegdbBuild({dir.filePath("bad.json"), dir.filePath("out")}, &err), 1);
    EXPECT_TRUE(err.contains("queues[0]: \"file\" is missing")) << err.toStdString();
    EXPECT_FALSE(QDir(dir.filePath("out")).exists()); // nothing written before the check passes
    EXPECT_EQ(vegdbBuild({dir.filePath("bad.json")}, &err), 2);
    EXPECT_TRUE(err.contains("usage")) << err.toStdString();
}
