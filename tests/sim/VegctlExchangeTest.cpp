// vegctl image / write / verify / read / search against vegsim on a pseudo-terminal, by every
// route, and vegsim refusing options that do not read.

#include "SampleConfigs.h"
#include "SimProcess.h"

#include "core/config/ConfigFile.h"

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QProcess>
#include <QSet>

#include <gtest/gtest.h>

using namespace veg;

namespace {

struct Result
{
    int exitCode = -1;
    QString out;
    QString err;
};

Result run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    Result r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

Result vegctl(const QStringList& args)
{
    return run(QStringLiteral(VEGCTL_PATH), args);
}

struct Route
{
    const char* name;
    QStringList sim;
    QStringList link;
};

const Route kRoutes[] = {
    {"direct", {"--crc", "1"}, {"--crc", "1"}},
    {"transit", {"--master", "07"}, {"--via-adapter", "--adapter", "07"}},
    {"can_adapter", {"--link", "can"}, {"--link", "can", "--can-speed", "100"}},
};

class VegctlExchangeTest : public ::testing::TestWithParam<Route>
{
protected:
    QTemporaryDir dir;
    QString file(const GatewayConfig& config, const char* name = "config.veg")
    {
        GatewayConfig c = config;
        const QString path = dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(SaveConfiguration(c, path, true).ok);
        return path;
    }
};

} // namespace

TEST_P(VegctlExchangeTest, WriteVerifyReadSearch)
{
    SimProcess sim(GetParam().sim);
    ASSERT_FALSE(sim.path().isEmpty());
    const QStringList link = QStringList{"--port", sim.path()} + GetParam().link;
    // HART: general settings and tables, 176 writes (the whole map of every protocol is
    // written and read back in process, in virtual time).
    const GatewayConfig config = sample::config(ProtocolVariant::Hart);
    const QString veg = file(config);

    const Result image = vegctl({"image", veg});
    ASSERT_EQ(image.exitCode, 0) << image.err.toStdString();
    const QStringList lines = image.out.split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 176);
    EXPECT_EQ(lines.front(), "0100 05");

    Result r = vegctl(QStringList{"write", veg} + link);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Запись завершена"));

    r = vegctl(QStringList{"verify", veg} + link);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString() << r.out.toStdString();
    EXPECT_TRUE(r.out.isEmpty());

    // The write followed by the comparison of diff --gateway.
    r = vegctl(QStringList{"write", veg, "--verify"} + link);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString() << r.out.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains("Запись завершена, ВЕГ совпадает с конфигурацией"))
        << r.err.toStdString();

    // A file that says otherwise than the gateway: every difference, and exit 1.
    GatewayConfig other = config;
    other.HartDevices[2].KodHart = 0x7F;
    r = vegctl(QStringList{"verify", file(other, "other.veg")} + link);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "0806[2] gateway 04 file 7F\n");

    // The same by table and row; what the image does not carry (a name) is not compared.
    r = vegctl(QStringList{"diff", veg, "--gateway"} + link);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString() << r.out.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains("Не сравниваются (их нет в образе ВЕГ): названия")) << r.err.toStdString();
    other.GroupParams[0].Name = QStringLiteral("Другое название");
    r = vegctl(QStringList{"diff", file(other, "other.veg"), "--gateway=25"} + link);
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_EQ(r.out, "HartDevices[2].KodHart: 7F -> 04\n");
    EXPECT_TRUE(r.err.endsWith("Различий: 1\n")) << r.err.toStdString();

    // A copy of what the gateway held, taken before the other file is written over it.
    const QString copies = dir.filePath("копии");
    r = vegctl(QStringList{"write", file(other, "other.veg"), "--backup", copies} + link);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList taken = QDir(copies).entryList({"ВЕГ 25 *.veg"});
    ASSERT_EQ(taken.size(), 1);
    EXPECT_TRUE(r.err.contains("Копия из ВЕГ: " + QDir(copies).filePath(taken[0]) + "\n"))
        << r.err.toStdString();
    GatewayConfig held;
    ASSERT_TRUE(LoadConfiguration(held, QDir(copies).filePath(taken[0]), {}).loaded());
    EXPECT_TRUE(held.IsReadBack);
    EXPECT_EQ(held.HartDevices, config.HartDevices);
    // A copy that cannot be saved (a file holds the folder's name): nothing is written.
    QFile blocker(dir.filePath("не папка"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    r = vegctl(QStringList{"write", veg, "--backup", blocker.fileName() + "/копии"} + link);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.contains("Копия из ВЕГ не сохранена, запись не начата: ")) << r.err.toStdString();
    r = vegctl(QStringList{"verify", file(other, "other.veg")} + link);
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
    r = vegctl(QStringList{"write", veg} + link);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    if (QString::fromLatin1(GetParam().name) == "direct") {
        const QString out = dir.filePath("read.veg");
        r = vegctl(QStringList{"read", out} + link);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        GatewayConfig read;
        ASSERT_TRUE(LoadConfiguration(read, out, {}).loaded());
        EXPECT_EQ(read.Protocol, ProtocolVariant::Hart);
        EXPECT_TRUE(read.IsReadBack);
        EXPECT_EQ(read.HartDevices, config.HartDevices);
    }

    r = vegctl(QStringList{"search", "--gateways", "25-25"} + link);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "25 ВЕГ (Modbus)\n"); // the simulator's own variant

    // The quick search over numbers where nothing answers (or the master module refuses): one
    // short wait each, where the normal search waits out three attempts of three seconds.
    QElapsedTimer quick;
    quick.start();
    r = vegctl(QStringList{"search", "--gateways", "20-25", "--quick"} + link);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "25 ВЕГ (Modbus)\n");
    EXPECT_LT(quick.elapsed(), 20000);

    // The simulator's store is the image.
    const QJsonObject store = sim.stop();
    EXPECT_EQ(storeLines(store), QSet<QString>(lines.begin(), lines.end()));
}

INSTANTIATE_TEST_SUITE_P(Routes, VegctlExchangeTest, ::testing::ValuesIn(kRoutes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(VegctlExchange, WriteVerifyTellsWhatTheGatewayDidNotTake)
{
    // The gateway acknowledges the writes of the HART devices' codes but keeps its zeros.
    SimProcess sim({"--keep-param", "0806"});
    ASSERT_FALSE(sim.path().isEmpty());
    QTemporaryDir dir;
    GatewayConfig config = sample::config(ProtocolVariant::Hart);
    const QString veg = dir.filePath("hart.veg");
    ASSERT_TRUE(SaveConfiguration(config, veg, true).ok);
    const Result r = vegctl({"write", veg, "--verify", "--port", sim.path()});
    // The write itself went through; every device's code differs, in the form of diff --gateway
    // (the file's value first); what the image does not carry is said once.
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    QString expected;
    for (int d = 0; d < int(config.HartDevices.size()); ++d)
        expected +=
            QStringLiteral("HartDevices[%1].KodHart: %2 -> 00\n")
                .arg(d)
                .arg(QString::number(config.HartDevices[std::size_t(d)].KodHart, 16)
                         .toUpper()
                         .rightJustified(2, u'0'));
    EXPECT_EQ(r.out, expected);
    EXPECT_TRUE(r.err.contains("Запись завершена\n")) << r.err.toStdString();
    EXPECT_EQ(r.err.count("Не сравниваются (их нет в образе ВЕГ)"), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith(QStringLiteral("Различий: %1\n").arg(config.HartDevices.size())))
        << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("ВЕГ совпадает")) << r.err.toStdString();
}

TEST(VegctlExchange, ASettingWithoutACodeIsRefusedBeforeThePortIsOpened)
{
    QTemporaryDir dir;
    GatewayConfig c = sample::config(ProtocolVariant::Hart);
    c.Common.V_Ext = 9;
    const QString path = dir.filePath("bad.veg");
    // The file keeps the position as it was given, or its reader falls back to a listed speed:
    // either way what the model holds decides.
    ASSERT_TRUE(SaveConfiguration(c, path, true).ok);
    GatewayConfig loaded;
    ASSERT_TRUE(LoadConfiguration(loaded, path, {}).loaded());
    const Result w = vegctl({"write", path, "--port", "/nonexistent/port"});
    if (loaded.Common.V_Ext > 6) {
        EXPECT_EQ(w.exitCode, 3);
        EXPECT_TRUE(w.err.contains("внешняя линия - ВЕГ")) << w.err.toStdString();
        EXPECT_EQ(vegctl({"image", path}).exitCode, 1);
    } else {
        EXPECT_TRUE(w.err.contains("Ошибка инициализации порта")) << w.err.toStdString();
    }
}

TEST(Vegsim, RefusesOptionsThatDoNotRead)
{
    for (const QStringList& args :
         {QStringList{"--pty", "--drop", "xyz"}, QStringList{"--pty", "--seed", "abc"},
          QStringList{"--pty", "--variant", "7"}, QStringList{"--pty", "--corrupt", "2"},
          QStringList{"--pty", "--stop-polls", "many"},
          QStringList{"--pty", "--keep-param", "F0000"},
          QStringList{"--port", "/dev/null", "--link-name", "x"}}) {
        const Result r = run(QStringLiteral(VEGSIM_PATH), args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("vegsim: --")) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << args.join(' ').toStdString(); // no terminal was made
    }
}

TEST(Vegsim, AStartImageThatDoesNotReadIsRefusedBeforeAnyLine)
{
    QTemporaryDir dir;
    auto write = [&](const char* name, const QByteArray& text) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return f.fileName();
    };
    const QString image = write("image.json", R"({"gateway": "25", "typeCode": "0642",
        "runState": 129, "accessLevel": 2, "params": []})");
    const struct Case
    {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"--start-image", dir.filePath("missing.json")}, "missing.json: "},
        {{"--start-image", write("text.json", "not json")}, "not an image of vegsim: "},
        {{"--start-image", write("list.json", "[1, 2]")}, "not an image of vegsim: no object"},
        {{"--start-image", write("bad.json", R"({"gateway": "25"})")},
         "not an image of vegsim: \"typeCode\""},
        {{"--start-image", image, "--gateway", "26"}, "the image is of gateway 25, not of --gateway 26"},
        {{"--start-image", image, "--variant", "3"}, "the image is of variant 1, not of --variant 3"},
    };
    for (const Case& c : cases) {
        const Result r = run(QStringLiteral(VEGSIM_PATH), c.args + QStringList{"--pty"});
        EXPECT_EQ(r.exitCode, 2) << c.says;
        EXPECT_TRUE(r.err.startsWith("vegsim: ") && r.err.contains(QString::fromUtf8(c.says)))
            << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << c.says; // no terminal was made
    }
}

TEST(Vegsim, AStableNameForItsTerminal)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("vegsim.tty");
    {
        SimProcess sim({"--link-name", name});
        ASSERT_FALSE(sim.path().isEmpty());
        EXPECT_EQ(QFileInfo(name).symLinkTarget(), sim.path());
        const Result r = vegctl({"param", "read", "F000", "2", "--port", name});
        EXPECT_EQ(r.out, "42 06\n");
        sim.stop();
    }
    EXPECT_FALSE(QFileInfo::exists(name)); // removed when the simulator ends
}
