// vegctl modbus read / inputs / coils / write-coil against vegsim's Modbus side on a
// pseudo-terminal, with a configuration loaded from a ".veg" file, and the defaults of a
// settings file's "NastrModbus".

#include "../core/TestSupport.h"

#include "core/config/ConfigFile.h"
#include "core/config/GatewayConfig.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTime>

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

    // A Modbus configuration: slave 2B, CRC constant A001, bytes inverted, telemetry rows at
    // registers 10 and 20, telesignals at discrete inputs 0 and 1, a pulse command at coil 10.
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
        if (protocol == veg::ProtocolVariant::Modbus) {
            for (int row = 0; row < 2; ++row) {
                veg::TcTuEntry& e = c.ModbusTcTable[std::size_t(row)];
                e.Kind = 0;
                e.NetNumber = 0x1A;
                e.ParamNumber = std::uint16_t(0x0101 + row);
                e.Extra = row;
            }
            veg::ModbusCoilEntry& command = c.ModbusCoilTable[0];
            command.Coil = 10;
            command.TU1 = {0, 0x1A, 0x0201, 1};
            command.TU0 = {0, 0x1A, 0x0202, 1};
            command.TimeTU1 = 5;
            command.TimeTU0 = 3;
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

TEST_F(VegctlModbusTest, InputsCoilsAndACommand)
{
    ASSERT_EQ(start({"--modbus-pty", "--modbus-veg", vegFile()}), QString());
    sim.setReadChannel(QProcess::StandardError); // where vegsim traces the commands
    const QStringList link = {"--port", modbusPath, "--slave",    "2B",
                              "--crc",  "A001",     "--settings", dir.filePath("none.ini")};
    auto field = [](const Result& r, int line) { return r.lines.value(line).section(u'\t', 1); };

    Result r = vegctl(QStringList{"modbus", "inputs", "0,1"} + link);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_EQ(r.lines.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(r.lines[i].section(u'\t', 0, 0), QString::number(i));
        EXPECT_TRUE(field(r, i) == "0" || field(r, i) == "1") << r.lines[i].toStdString();
    }
    r = vegctl(QStringList{"modbus", "inputs", "1,5", "--trace"} + link);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.lines.value(1), "5\tЗапрещенный адрес данных (код ошибки 4)");
    EXPECT_TRUE(r.err.contains(">> 2B 02 00 05 00 01 ")) << r.err.toStdString();

    r = vegctl(QStringList{"modbus", "coils", "10"} + link);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.lines, QStringList{"10\t0"});
    r = vegctl(QStringList{"modbus", "write-coil", "10", "1"} + link);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.lines, QStringList{"10\t1"});
    r = vegctl(QStringList{"modbus", "coils", "10,12"} + link);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.lines, (QStringList{"10\t1", "12\tЗапрещенный адрес данных (код ошибки 4)"}));
    r = vegctl(QStringList{"modbus", "write-coil", "12", "0"} + link);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.lines, QStringList{"12\tЗапрещенный адрес данных (код ошибки 4)"});

    // The command shows in vegsim's trace as the parameter the gateway would set.
    const QString traced =
        QStringLiteral("vegsim: Modbus coil 10 = 1: ТУ1 00 0201 1A, импульс 5 с");
    QString err;
    for (int i = 0; i < 50 && !err.contains(traced); ++i) {
        sim.waitForReadyRead(100);
        err += QString::fromLocal8Bit(sim.readAllStandardError());
    }
    EXPECT_TRUE(err.contains(traced)) << err.toStdString();
    EXPECT_EQ(err.count(QStringLiteral("Modbus coil")), 1) << err.toStdString();
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
        {{"read", "5,x", "--port", "/dev/null"}, 2, "Неверно введены номера регистров"},
        {{"read", "", "--port", "/dev/null"}, 2, "Не введен номер регистра"},
        {{"read", "5", "--port", "/dev/null", "--slave", "1FF"}, 2, "--slave"},
        {{"read", "5", "--port", "/dev/null", "--format", "10", "--parity", "odd"}, 2, "--parity"},
        {{"read", "5", "--port", dir.filePath("ttyNone")}, 3, "порт не найден"},
        {{"inputs", "5,x", "--port", "/dev/null"}, 2, "Неверно введены номера регистров"},
        {{"coils", "70000", "--port", "/dev/null"}, 2, "Неверно введены номера регистров"},
        {{"coils", "5", "--port", "/dev/null", "--crc", "G"}, 2, "--crc"},
        {{"write-coil", "5", "2", "--port", "/dev/null"}, 2, "0 или 1: 2"},
        {{"write-coil", "5,7", "1", "--port", "/dev/null"}, 2, "только один номер за раз: 5,7"},
        {{"write-coil", "", "1", "--port", "/dev/null"}, 2, "Не введен номер регистра"},
        {{"write-coil", "5", "1", "--port", dir.filePath("ttyNone")}, 3, "порт не найден"},
    };
    for (const Case& c : cases) {
        const Result r = vegctl(QStringList{"modbus"} + c.args + QStringList{"--settings", none});
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

// vegctl modbus survey / monitor over the rows of the configuration the gateway was given.
TEST_F(VegctlModbusTest, SurveyReadsEveryRowOfTheConfiguration)
{
    const QString veg = vegFile();
    ASSERT_EQ(start({"--modbus-pty", "--modbus-veg", veg}), QString());
    const QStringList link = {"--port",   modbusPath,   "--slave",
                              "2B",       "--crc",      "A001",
                              "--invert", "--settings", dir.filePath("none.ini")};
    Result r = vegctl(QStringList{"modbus", "survey", veg, "--trace"} + link);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_EQ(r.lines.size(), 6) << r.lines.join('\n').toStdString();
    const char* keys[] = {"ТИ\t10\t", "ТИ\t20\t", "ТС\t0\t", "ТС\t1\t", "ТУ\t10\t"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(r.lines[i].startsWith(QString::fromUtf8(keys[i]))) << r.lines[i].toStdString();
        EXPECT_EQ(r.lines[i].split(u'\t').size(), 4) << r.lines[i].toStdString();
    }
    EXPECT_TRUE(r.lines[2].contains("(контроллер 1A)\t")) << r.lines[2].toStdString();
    EXPECT_NEAR(r.lines[0].section(u'\t', 3).toDouble(), 20, 2.6);
    EXPECT_EQ(r.lines[5], "Ответили 5 из 5");
    // The two telesignals in one request; the floats apart, as they are not contiguous.
    EXPECT_TRUE(r.err.contains(">> 2B 02 00 00 00 02 ")) << r.err.toStdString();
    EXPECT_EQ(r.err.count(">> "), 4); // four requests: ТИ 10, ТИ 20, ТС 0-1, ТУ 10

    // A configuration with a telesignal the gateway lacks, at input 2: its neighbours answer.
    veg::GatewayConfig more;
    ASSERT_TRUE(veg::LoadConfiguration(more, veg, {}).loaded());
    more.ModbusTcTable[2] = more.ModbusTcTable[1];
    more.ModbusTcTable[2].Extra = 2;
    const QString morePath = dir.filePath(QStringLiteral("больше.veg"));
    ASSERT_TRUE(veg::SaveConfiguration(more, morePath, true).ok);
    r = vegctl(QStringList{"modbus", "survey", morePath} + link);
    EXPECT_EQ(r.exitCode, 3);
    ASSERT_EQ(r.lines.size(), 7);
    EXPECT_TRUE(r.lines[4].startsWith("ТС\t2\t")) << r.lines[4].toStdString();
    EXPECT_TRUE(r.lines[4].endsWith("\tЗапрещенный адрес данных (код ошибки 4)"));
    EXPECT_TRUE(r.lines[2].endsWith("\t0") || r.lines[2].endsWith("\t1"));
    EXPECT_EQ(r.lines[6], "Ответили 5 из 6");

    // Refused before any port opens: another protocol, a file that does not load.
    const QString hart = vegFile(veg::ProtocolVariant::Hart);
    r = vegctl(QStringList{"modbus", "survey", hart} + link);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("не конфигурация протокола Modbus")) << r.err.toStdString();
    r = vegctl(QStringList{"modbus", "monitor", dir.filePath("нет.veg")} + link);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.lines.isEmpty());
}

TEST_F(VegctlModbusTest, AGatewayTakingShortRequestsOnlyIsSurveyedNumberByNumber)
{
    const QString veg = vegFile();
    ASSERT_EQ(start({"--modbus-pty", "--modbus-veg", veg, "--modbus-max-quantity", "1"}),
              QString());
    const QStringList link = {"--port",   modbusPath,   "--slave",
                              "2B",       "--crc",      "A001",
                              "--invert", "--settings", dir.filePath("none.ini")};
    const Result r = vegctl(QStringList{"modbus", "survey", veg, "--trace"} + link);
    EXPECT_EQ(r.exitCode, 3);
    ASSERT_EQ(r.lines.size(), 6);
    // A float needs two registers: refused as too long even alone.
    EXPECT_TRUE(r.lines[0].endsWith("\tЗапрещенная величина данных (код ошибки 5)"));
    // The run of two telesignals is refused and read one by one.
    EXPECT_TRUE(r.err.contains(">> 2B 02 00 00 00 02 ")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(">> 2B 02 00 01 00 01 ")) << r.err.toStdString();
    EXPECT_EQ(r.lines[5], "Ответили 3 из 5");
    // A limit that does not read is refused before any line opens.
    QProcess refused;
    refused.start(QStringLiteral(VEGSIM_PATH), {"--pty", "--modbus-max-quantity", "x"});
    ASSERT_TRUE(refused.waitForFinished(10000));
    EXPECT_EQ(refused.exitCode(), 2);
    EXPECT_TRUE(refused.readAllStandardError().contains("--modbus-max-quantity"));
}

TEST_F(VegctlModbusTest, MonitorPrintsEveryChangeUntilInterrupted)
{
    const QString veg = vegFile();
    ASSERT_EQ(start({"--modbus-pty", "--modbus-veg", veg}), QString());
    const QString csv = dir.filePath(QStringLiteral("изменения.csv"));
    QProcess monitor;
    monitor.start(QStringLiteral(VEGCTL_PATH),
                  QStringList{"modbus", "monitor", veg, "--interval", "0.5", "--csv", csv, "--port",
                              modbusPath, "--slave", "2B", "--crc", "A001", "--invert",
                              "--settings", dir.filePath("none.ini")});
    ASSERT_TRUE(monitor.waitForStarted(10000));
    QStringList lines;
    // The first cycle shows every row; the floats keep moving, so more changes follow.
    for (int i = 0; i < 200 && lines.size() < 7; ++i) {
        monitor.waitForReadyRead(100);
        while (monitor.canReadLine())
            lines << QString::fromLocal8Bit(monitor.readLine()).trimmed();
    }
    ::kill(pid_t(monitor.processId()), SIGINT);
    ASSERT_TRUE(monitor.waitForFinished(10000));
    EXPECT_EQ(monitor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(monitor.exitCode(), 0) << monitor.readAllStandardError().toStdString();
    while (monitor.canReadLine())
        lines << QString::fromLocal8Bit(monitor.readLine()).trimmed();
    ASSERT_GE(lines.size(), 7);
    for (const QString& line : lines) {
        const QStringList f = line.split(u'\t');
        ASSERT_EQ(f.size(), 5) << line.toStdString();
        EXPECT_TRUE(QTime::fromString(f[0], QStringLiteral("hh:mm:ss")).isValid());
    }
    EXPECT_TRUE(lines[0].section(u'\t', 1).startsWith("ТИ\t10\t")) << lines[0].toStdString();

    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = file.readAll().split('\n');
    ASSERT_GE(rows.size(), lines.size());
    EXPECT_EQ(rows[0], QByteArray("\xEF\xBB\xBF") + "Время;Таблица;Номер;Параметр;Значение\r");
    EXPECT_EQ(QString::fromUtf8(rows[1]).section(u';', 1, 2), "ТИ;10");
}

} // namespace
