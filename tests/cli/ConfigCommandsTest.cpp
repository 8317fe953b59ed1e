#include "core/text/Cp1251.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Outcome
{
    int status = -1;
    QByteArray out, err;
};

Outcome vegctl(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(VEGCTL), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

class VegctlConfig : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    void write(const char* name, const char* utf8) const
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(veg::Cp1251::encode(QString::fromUtf8(utf8)));
    }
    QJsonObject dump(const char* name) const
    {
        const Outcome r = vegctl({"dump", path(name)});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        return QJsonDocument::fromJson(r.out).object();
    }
};

} // namespace

TEST_F(VegctlConfig, NewThenDumpForEveryProtocol)
{
    struct Case
    {
        const char* name;
        int protocol;
        QStringList tables;
        int groupRows;
    } cases[] = {
        {"Магистраль-1", 0, {"OkpSubblockTypes", "TcTuTable", "IkpTable"}, 4},
        {"Modbus", 1, {"ModbusCoilTable", "ModbusTcTable", "TiFloatTable"}, 4},
        {"УНК ТМ", 2, {"UnkThreads", "ParoleWr"}, 57},
        {"HART", 3, {"HartDevices"}, 80},
        {"КТС Энергия", 4, {"KtsGroups", "KtsSignals"}, 4},
    };
    for (const Case& c : cases) {
        const Outcome made = vegctl({"new", QString::fromUtf8(c.name), path("new")});
        ASSERT_EQ(made.status, 0) << made.err.toStdString();
        const QJsonObject o = dump("new.veg");
        EXPECT_EQ(o["Protocol"].toInt(), c.protocol);
        EXPECT_EQ(o["FileName"].toString(), path("new.veg"));
        EXPECT_TRUE(o["HasFile"].toBool());
        EXPECT_FALSE(o["IsNewFile"].toBool());
        EXPECT_EQ(o["GroupParams"].toArray().size(), c.groupRows);
        for (const QString& t : c.tables)
            EXPECT_TRUE(o.contains(t)) << c.name << " " << t.toStdString();
        EXPECT_EQ(o["Common"].toObject()["AdrLong"].toArray().size(), 5);
        EXPECT_EQ(o["Changed"].toObject().size(), 14);
        QFile::remove(path("new.veg"));
    }
}

TEST_F(VegctlConfig, DumpShowsRowsByTheirFieldNames)
{
    write("m.veg", "[Protokol]\nName=Modbus\n[Config]\nWayUser0=нет.que\nNset0=1A\n"
                   "[TU Modbus]\nCoil-0=8\nTU1-0=1.0203.26.5\nNameTU1-0=Пуск\n"
                   "[TC Modbus]\nTC2=0.0010.3.4\nNameTC2=Авария\nDiscretInp2=17\n");
    const QJsonObject o = dump("m.veg");
    const QJsonObject coil = o["ModbusCoilTable"].toArray()[0].toObject();
    EXPECT_EQ(coil["Coil"].toInt(), 8);
    EXPECT_EQ(coil["NameTU1"].toString(), "Пуск");
    const QJsonObject tu1 = coil["TU1"].toObject();
    EXPECT_EQ(tu1["Kind"].toInt(), 1);
    EXPECT_EQ(tu1["NetNumber"].toInt(), 26);
    EXPECT_EQ(tu1["ParamNumber"].toInt(), 0x0203);
    EXPECT_EQ(tu1["TaskNumber"].toInt(), 5);
    const QJsonObject tc = o["ModbusTcTable"].toArray()[2].toObject();
    EXPECT_EQ(tc["NetNumber"].toInt(), 3);
    EXPECT_EQ(tc["Extra"].toInt(), 17);
    EXPECT_EQ(tc["Name"].toString(), "Авария");
    const QJsonObject ctl = o["Controllers"].toArray()[0].toObject();
    EXPECT_EQ(ctl["Path"].toString(), "нет.que");
    EXPECT_EQ(ctl["NetNumber"].toInt(), 0x1A);
    EXPECT_FALSE(ctl["Present"].toBool());

    write("k.veg", "[Protokol]\nName=КТС Энергия\n[KTC Gr 0]\nBegScale0=0,1\n");
    EXPECT_DOUBLE_EQ(dump("k.veg")["KtsGroups"].toArray()[0].toObject()["BegScale"].toDouble(), 0.1);
}

TEST_F(VegctlConfig, RefusedFilesExitWithStatusOneAndTheMessage)
{
    write("wrong.veg", "[Protokol]\nName=Modbus 2\n");
    write("bad.veg", "[Protokol]\nName=HART\n[HART 3]\nSetN3=G\n");
    struct Case
    {
        QStringList args;
        QString message;
    } cases[] = {
        {{"dump", path("wrong.veg")}, "Файл " + path("wrong.veg") + " не соответствует нужному типу"},
        {{"dump", path("none.veg")}, "Файл " + path("none.veg") + " не найден"},
        {{"resave", path("bad.veg"), path("out.veg")}, "SetN3"},
        {{"new", "Modbus TCP", path("out.veg")}, "Modbus TCP"},
        {{"new", "Modbus", path("no folder/out.veg")}, path("no folder/out.veg")},
    };
    for (const Case& c : cases) {
        const Outcome r = vegctl(c.args);
        EXPECT_EQ(r.status, 1) << c.args.join(' ').toStdString();
        EXPECT_TRUE(QString::fromUtf8(r.err).contains(c.message)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(path("out.veg")));
}

TEST_F(VegctlConfig, ResaveWritesEverySectionAndReplacesTheTarget)
{
    write("in.veg", "[Protokol]\nName=HART\n[HART 2]\nTypeHart2=0C\n");
    write("out.veg", "[Protokol]\nName=Modbus\n[Keep]\nk=v\n");
    const Outcome r = vegctl({"resave", path("in.veg"), path("out.veg")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject o = dump("out.veg");
    EXPECT_EQ(o["Protocol"].toInt(), 3);
    EXPECT_EQ(o["HartDevices"].toArray()[2].toObject()["TypeHart"].toInt(), 0x0C);
    QFile f(path("out.veg"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.contains("[HART 15]\r\n"));
    EXPECT_TRUE(bytes.contains("[Keep]\r\nk=v\r\n")); // what the file held beyond the sections written
}

TEST(VegctlDemo, DemoConfigurationsLoadWithTheirControllers)
{
    const QStringList files = QDir(QStringLiteral(VEG_DEMO_DIR)).entryList({"*.veg"}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        const Outcome r = vegctl({"dump", QStringLiteral(VEG_DEMO_DIR) + u'/' + name});
        ASSERT_EQ(r.status, 0) << name.toStdString() << r.err.toStdString();
        const QJsonArray controllers = QJsonDocument::fromJson(r.out).object()["Controllers"].toArray();
        EXPECT_FALSE(controllers.isEmpty()) << name.toStdString();
        for (const QJsonValue& c : controllers)
            EXPECT_TRUE(c.toObject()["Present"].toBool()) << name.toStdString();
    }
}
