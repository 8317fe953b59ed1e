// vegctl modbus read against vegsim's Modbus side on a pseudo-terminal, with a configuration
// loaded from a ".veg" file, and the defaults of a settings file's "NastrModbus".

#include "../core/TestSupport.h"

#include "core/config/ConfigFile.h"
#include "core/config/GatewayConfig.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

struct Result
{
    int exitCode = -1;
    QStringList lines;
    QString err;
};

Result vegctl(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(VEGCTL_PATH), args);
    Result r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitCode();
    r.lines = QString::fromLocal8Bit(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

class VegctlModbusTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QProcess sim;
    QString modbusPath;

    // A Modbus configuration: slave 2B, CRC constant A001, bytes inverted, rows at 10 and 20.
    QString vegFile(veg::ProtocolVariant protocol = veg::ProtocolVariant::Modbus)
    {
        veg::GatewayConfig c;
        c.CreateFor(protocol);
        c.Common.AdrExt = 0x2B;
        c.Common.Const1 = 0xA001;
        c.Common.Invers = true;
        for (auto [row, reg] : {std::pair{0, 10}, {1, 20}}) {
            if (c.TiFloatTable.empty())
                break; // not a Modbus configuration
            c.TiFloatTable[std::size_t(row)].Kind = 0;
            c.TiFloatTable[std::size_t(row)].NetNumber = 1;
            c.TiFloatTable[std::size_t(row)].ParamNumber = std::uint16_t(0x100 + row);
            c.TiFloatTable[std::size_t(row)].Extra = reg;
        }
        const QString path = dir.filePath(QStringLiteral("плант.veg"));
        veg::SaveConfiguration(c, path, true);
        return path;
    }

    // Starts vegsim; returns the first error line when it did not start.
    QString start(const QStringList& options)
    {
        sim.setProgram(QStringLiteral(VEGSIM_PATH));
        sim.setArguments(QStringList{"--pty", "--image", "/dev/null"} + options);
        sim.start();
        if (!sim.waitForStarted(10000))
            return QStringLiteral("not started");
        QStringList lines;
        while (lines.size() < 2 && sim.waitForReadyRead(10000)) {
            while (sim.canReadLine())
                lines << QString::fromLocal8Bit(sim.readLine()).trimmed();
        }
        if (lines.size() < 2) {
            sim.waitForFinished(5000);
            return QString::fromLocal8Bit(sim.readAllStandardError()).trimmed();
        }
        modbusPath = lines[1];
        return {};
    }

    void TearDown() override
    {
        if (sim.state() != QProcess::NotRunning) {
            ::kill(pid_t(sim.processId()), SIGTERM);
            if (!sim.waitForFinished(10000))
                sim.kill();
        }
    }
};

TEST_F(VegctlModbusTest, ReadsTheSimulatedGateway)
{
    ASSERT_EQ(start({"--modbus-pty", "--modbus-veg", vegFile()}), QString());
    const QStringList link = {"--port",   modbusPath,   "--slave",
                              "2B",       "--crc",      "A001",
                              "--invert", "--settings", dir.filePath("none.ini")};
    Result r = vegctl(QStringList{"modbus", "read", "10,20"} + link);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_EQ(r.lines.size(), 2);
    // Rows 0 and 1 of the simulated plant swing around 20 and 30.
    for (int i = 0; i < 2; ++i) {
        const QStringList f = r.lines[i].split(u'\t');
        ASSERT_EQ(f.size(), 2) << r.lines[i].toStdString();
        EXPECT_EQ(f[0], i == 0 ? "10" : "20");
        EXPECT_NEAR(f[1].toDouble(), 20 + 10 * i, 2.6) << f[1].toStdString();
        EXPECT_EQ(f[1].section(u'.', 1).size(), 4);
    }

    r = vegctl(QStringList{"modbus", "read", "10,30", "--trace"} + link);
    EXPECT_EQ(r.exitCode, 3);
    ASSERT_EQ(r.lines.size(), 2);
    EXPECT_EQ(r.lines[1], "30\tЗапрещенный адрес данных (код ошибки 4)");
    EXPECT_TRUE(r.err.contains(">> 2B 03 00 1E 00 02 ")) << r.err.toStdString();
}

TEST_F(VegctlModbusTest, DefaultsComeFromTheSettingsFile)
{
    const QString link = dir.filePath("vegsim-modbus");
    ASSERT_EQ(start({"--modbus-link", link, "--modbus-veg", vegFile()}), QString());
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    const QString ini = dir.filePath("vegconf.ini");
    vegtest::writeFile(
        ini, vegtest::cp1251(QStringLiteral("[NastrModbus]\r\nComport=%1\r\nSpeedPCMod=19200\r\n"
                                            "StopBitMod=1\r\nParityMod=2\r\nInversMod=1\r\n"
                                            "SwapMod=0\r\nSetMod=2B\r\nTimeAnswer=1\r\n"
                                            "ConstCRC=A001\r\n")
                                 .arg(link)
                                 .toUtf8()
                                 .constData()));
    Result r = vegctl({"modbus", "read", "10", "--settings", ini, "--trace"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_EQ(r.lines.size(), 1);
    EXPECT_NEAR(r.lines[0].section(u'\t', 1).toDouble(), 20, 2.6) << r.err.toStdString();
    // An option overrides the file: the other byte order reads another number.
    r = vegctl({"modbus", "read", "10", "--settings", ini, "--no-invert"});
    EXPECT_GT(std::abs(r.lines.value(0).section(u'\t', 1).toDouble() - 20), 3);

    TearDown();
    EXPECT_FALSE(QFileInfo::exists(link) || QFileInfo(link).isSymLink()); // removed on exit
}

TEST_F(VegctlModbusTest, RefusedInputAndPortsThatDoNotOpen)
{
    const QString none = dir.filePath("none.ini");
    struct Case
    {
        QStringList args;
        int exitCode;
        const char* message;
    } cases[] = {
        {{"5,x", "--port", "/dev/null"}, 2, "Неверно введены номера регистров"},
        {{"", "--port", "/dev/null"}, 2, "Не введен номер регистра"},
        {{"5", "--port", "/dev/null", "--slave", "1FF"}, 2, "--slave"},
        {{"5", "--port", "/dev/null", "--format", "10", "--parity", "odd"}, 2, "--parity"},
        {{"5", "--port", dir.filePath("ttyNone")}, 3, "порт не найден"},
    };
    for (const Case& c : cases) {
        const Result r =
            vegctl(QStringList{"modbus", "read"} + c.args + QStringList{"--settings", none});
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
        EXPECT_TRUE(r.lines.isEmpty());
    }
    const Result r =
        vegctl({"modbus", "read", "5", "--port", dir.filePath("ttyNone"), "--settings", none});
    EXPECT_TRUE(r.err.startsWith("Ошибка открытия порта " + dir.filePath("ttyNone") + ": "))
        << r.err.toStdString();
}

TEST_F(VegctlModbusTest, OnlyAModbusConfigurationIsServed)
{
    EXPECT_TRUE(start({"--modbus-pty", "--modbus-veg", vegFile(veg::ProtocolVariant::Hart)})
                    .contains("not a Modbus configuration"));
}

} // namespace
