#include "TestSupport.h"

#include "core/settings/ProgramSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace veg;
using namespace vegtest;

namespace {

class SettingsTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString file = dir.filePath("vegconf.ini");

    ProgramSettings read(const char* utf8, QStringList* errors = nullptr)
    {
        writeFile(file, cp1251(utf8));
        ProgramSettings s(file);
        const QStringList e = s.ReadProgramSettings();
        if (errors)
            *errors = e;
        return s;
    }
};

} // namespace

TEST_F(SettingsTest, MissingFileGivesTheDefaults)
{
    ProgramSettings s(dir.filePath("none.ini"));
    EXPECT_TRUE(s.ReadProgramSettings().isEmpty());
    const ExchangeSettings& e = s.exchange;
    EXPECT_EQ(e.AdapterKind, ExchangeSettings::kCanBus);
    EXPECT_FALSE(e.ViaAdapter);
    EXPECT_EQ(e.PortName, "COM2");
    EXPECT_EQ(e.PortIndex, 1);
    EXPECT_EQ(e.CanSpeedIndex, 0);
    EXPECT_EQ(e.SpeedIndex, 5);
    EXPECT_EQ(e.GatewayNumber, 0x25);
    EXPECT_EQ(e.AdapterNumber, 1);
    EXPECT_EQ(e.AnswerWaitSeconds, 2);
    EXPECT_EQ(e.Retries, 3);
    EXPECT_FALSE(s.additional.ShortTaskNames);
    EXPECT_EQ(s.modbus.ConstCRC, 0x8408);
    EXPECT_EQ(s.modbus.AnswerSeconds, 1); // seconds: not the 1000 a missing key once gave
    EXPECT_EQ(s.modbus.ModbusSpeedIndex, 5);
    EXPECT_EQ(s.database, DatabaseDirectories{});
}

TEST_F(SettingsTest, LinkSettingsFollowTheLinkType)
{
    // CAN-BUS: the adapter flag, the serial speed and the gateway number are not read.
    ProgramSettings can = read("[Parametr]\nVS=CAN-BUS\nAdapter=1\nSpeed=115200\nSetNVEG=10\n"
                               "SpeedPC=  50\nComport=COM12\n");
    EXPECT_FALSE(can.exchange.ViaAdapter);
    EXPECT_EQ(can.exchange.SpeedIndex, 5);
    EXPECT_EQ(can.exchange.GatewayNumber, 0x25);
    EXPECT_EQ(can.exchange.CanSpeedIndex, 3);
    EXPECT_EQ(can.exchange.PortName, "COM12");
    EXPECT_EQ(can.exchange.PortIndex, -1); // not in the list: no entry chosen

    ProgramSettings rs = read("[Parametr]\nVS=RS-232 \nAdapter=1\nSpeed=115200\nSetNVEG=10\n"
                              "AdapterSetn=7\nCRC=2\nKPov=20\nTimeW=5\nSpeedPC=999\n");
    EXPECT_EQ(rs.exchange.AdapterKind, ExchangeSettings::kRs232);
    EXPECT_TRUE(rs.exchange.ViaAdapter);
    EXPECT_EQ(rs.exchange.SpeedIndex, 10);
    EXPECT_EQ(rs.exchange.GatewayNumber, 0x10);
    EXPECT_EQ(rs.exchange.AdapterNumber, 7);
    EXPECT_EQ(rs.exchange.ChecksumKind, 2);
    EXPECT_EQ(rs.exchange.Retries, 20);
    EXPECT_EQ(rs.exchange.AnswerWaitSeconds, 5);
    EXPECT_EQ(rs.exchange.CanSpeedIndex, -1);
}

TEST_F(SettingsTest, TaskNamesAndModbusSettings)
{
    struct Case
    {
        const char* text;
        bool shortNames;
    } cases[] = {{"[DopNastr]\nNameTask=короткое\n", true},
                 {"[DopNastr]\nNameTask=Короткое\n", false},
                 {"[DopNastr]\nNameTask=длинное\n", false},
                 {"", false}};
    for (const auto& c : cases)
        EXPECT_EQ(read(c.text).additional.ShortTaskNames, c.shortNames) << c.text;

    const ProgramSettings m = read("[NastrModbus]\nSwapMod=1\nInversMod=0\nSetMod=1F\nConstCRC=a001\n"
                                   "SpeedPCMod=19200\nStopBitMod=0\nParityMod=1\nComport=COM3\n");
    EXPECT_TRUE(m.modbus.SwapWords);
    EXPECT_FALSE(m.modbus.InvertBytes);
    EXPECT_EQ(m.modbus.SlaveAddress, 0x1F);
    EXPECT_EQ(m.modbus.ConstCRC, 0xA001);
    EXPECT_EQ(m.modbus.ModbusSpeedIndex, 6);
    EXPECT_EQ(m.modbus.CharFormat, 0);
    EXPECT_EQ(m.modbus.ParityChoice, 1);
    EXPECT_EQ(m.modbus.TestPortName, "COM3");
}

TEST_F(SettingsTest, ValuesThatDoNotReadAreReportedAndTheRestIsRead)
{
    QStringList errors;
    const ProgramSettings s = read("[Parametr]\nKPov=много\nTimeW=7\n[BaseK19]\nWay=D:\\База\n"
                                   "[NastrModbus]\nSetMod=ZZ\nTimeAnswer=250\n",
                                   &errors);
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors[0].contains("KPov"));
    EXPECT_TRUE(errors[1].contains("SetMod"));
    EXPECT_EQ(s.exchange.Retries, 3);
    EXPECT_EQ(s.exchange.AnswerWaitSeconds, 7);
    // Keys the file does not have: the write's further rounds, its check and its copy are on, the
    // quick search is off.
    EXPECT_EQ(s.exchange.WriteRounds, 2);
    EXPECT_TRUE(s.exchange.VerifyAfterWrite);
    EXPECT_TRUE(s.exchange.BackupBeforeWrite);
    EXPECT_FALSE(s.exchange.QuickSearch);
    EXPECT_EQ(s.database.Way, "D:\\База");
    EXPECT_EQ(s.modbus.SlaveAddress, 1);
    EXPECT_EQ(s.modbus.AnswerSeconds, 250);
}

TEST_F(SettingsTest, AGatewayNumberThatDoesNotReadTakesTheKeysDefault)
{
    QStringList errors;
    const ProgramSettings s = read("[Parametr]\nVS=RS-232 \nAdapter=1\nSetNVEG=ZZ\n", &errors);
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(s.exchange.GatewayNumber, 1);
}

TEST_F(SettingsTest, NewRereadsOnlyTheActiveDatabaseDirectories)
{
    ProgramSettings s = read("[BaseK19]\nWay=R\nWayAlg=A\nWayMod=M\nWayTask=T\n");
    EXPECT_EQ(s.editedDatabase.WayAlg, "A");
    s.editedDatabase.WayAlg = "typed, not saved";
    s.database.WayAlg = "checked, not saved";
    writeFile(file, cp1251("[BaseK19]\nWay=R2\nWayAlg=A2\nWayMod=M2\nWayTask=T2\n"));
    s.ReadDatabaseDirectories();
    EXPECT_EQ(s.database.WayAlg, "A2");
    EXPECT_EQ(s.editedDatabase.WayAlg, "typed, not saved");
}

TEST_F(SettingsTest, WritersRewriteTheirSectionAndKeepTheRest)
{
    writeFile(file, cp1251("[Parametr]\nAcceptance Filter=00 00 00 01\nAcceptance Mask=FF FF FF FF\n"
                           "CNF 321=03 1C 05\nOld=gone\n[Чужой]\nk=v\n"));
    ProgramSettings s(file);
    s.ReadProgramSettings();
    s.exchange.AdapterKind = ExchangeSettings::kRs232;
    s.exchange.ViaAdapter = true;
    s.exchange.GatewayNumber = 0x25;
    s.exchange.AdapterNumber = 0x01;
    s.exchange.CanSpeedIndex = 3;
    s.exchange.SpeedIndex = 10;
    s.exchange.QuickSearch = true;
    QString error;
    ASSERT_TRUE(s.WriteExchangeSettings(&error)) << error.toStdString();
    const IniDocument d = IniDocument::fromBytes(readFile(file));
    EXPECT_EQ(d.keys("Parametr"),
              (QStringList{"VS", "Comport", "Pc_numb", "SpeedPC", "CRC", "Speed", "Adapter",
                           "AdapterSetn", "SetNVEG", "KPov", "TimeW", "WriteRounds",
                           "VerifyWrite", "BackupBeforeWrite", "QuickSearch", "Acceptance Filter",
                           "Acceptance Mask", "CNF 321"}));
    EXPECT_EQ(d.value("Parametr", "WriteRounds").value(), "2");
    EXPECT_EQ(d.value("Parametr", "VerifyWrite").value(), "1");
    EXPECT_EQ(d.value("Parametr", "BackupBeforeWrite").value(), "1");
    EXPECT_EQ(d.value("Parametr", "QuickSearch").value(), "1");
    ProgramSettings reread(file);
    reread.ReadProgramSettings();
    EXPECT_TRUE(reread.exchange.QuickSearch);
    EXPECT_EQ(d.value("Parametr", "CNF 321").value(), "03 1C 05");
    EXPECT_EQ(d.value("Parametr", "SetNVEG").value(), "25");
    EXPECT_EQ(d.value("Parametr", "AdapterSetn").value(), "01");
    EXPECT_EQ(d.value("Чужой", "k").value(), "v");
    EXPECT_TRUE(readFile(file).contains("VS=RS-232 \r\n"));
    EXPECT_TRUE(readFile(file).contains("SpeedPC=  50\r\n"));

    s.editedDatabase = {"C:\\K19", "C:\\K19\\ALG", "C:\\K19\\MOD", "C:\\K19\\TSK"};
    ASSERT_TRUE(s.WriteDatabaseDirectories(&error));
    s.additional.ShortTaskNames = true;
    ASSERT_TRUE(s.WriteAdditionalSettings(&error));
    s.modbus.SwapWords = true;
    s.modbus.SlaveAddress = 0x0A;
    ASSERT_TRUE(s.WriteModbusLinkSettings(&error));
    EXPECT_EQ(IniDocument::fromBytes(readFile(file)).keys("NastrModbus"),
              (QStringList{"Comport", "SpeedPCMod", "StopBitMod", "ParityMod", "InversMod", "SwapMod",
                           "SetMod", "TimeAnswer", "ConstCRC"}));

    // The next start reads back what was written.
    ProgramSettings next(file);
    EXPECT_TRUE(next.ReadProgramSettings().isEmpty());
    EXPECT_EQ(next.exchange.AdapterKind, ExchangeSettings::kRs232);
    EXPECT_TRUE(next.exchange.ViaAdapter);
    EXPECT_EQ(next.exchange.GatewayNumber, 0x25);
    EXPECT_EQ(next.exchange.AdapterNumber, 0x01);
    EXPECT_EQ(next.exchange.CanSpeedIndex, 3);
    EXPECT_EQ(next.exchange.SpeedIndex, 10);
    EXPECT_EQ(next.database, s.editedDatabase);
    EXPECT_EQ(next.editedDatabase, s.editedDatabase);
    EXPECT_TRUE(next.additional.ShortTaskNames);
    EXPECT_TRUE(next.modbus.SwapWords);
    EXPECT_EQ(next.modbus.SlaveAddress, 0x0A);

    // The exchange window's update of the two numbers keeps their places.
    next.exchange.GatewayNumber = 0x3F;
    ASSERT_TRUE(next.WriteNetworkNumbers(&error));
    const IniDocument after = IniDocument::fromBytes(readFile(file));
    EXPECT_EQ(after.keys("Parametr").indexOf("SetNVEG"), 8);
    EXPECT_EQ(after.value("Parametr", "SetNVEG").value(), "3F");
}

TEST_F(SettingsTest, SettingsFileLivesBesideTheProgramUnlessItIsInstalled)
{
    const QString home = dir.filePath("home-config");
    const QString userFile = home + "/vegconf/vegconf.ini";
    struct Case
    {
        QString executable;
        QString expected;
    } cases[] = {
        // A build tree or an unpacked folder the user can write to: beside the program.
        {dir.filePath("bin/vegconf"), dir.filePath("bin/vegconf.ini")},
        {dir.filePath("bin/vegctl"), dir.filePath("bin/vegctl.ini")},
        // Installed by the package: the user's own file, one for every program of the tool.
        {"/usr/bin/vegconf", userFile},
        {"/usr/bin/vegctl", userFile},
        {"/opt/vegconf/bin/vegconf", userFile},
        // A folder that does not exist (so cannot be written): the user's file.
        {dir.filePath("missing/vegconf"), userFile},
    };
    QDir().mkpath(dir.filePath("bin"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.executable.toStdString());
        EXPECT_EQ(ProgramSettings::settingsPathFor(c.executable, home), c.expected);
    }
    EXPECT_TRUE(QFileInfo(home + "/vegconf").isDir());
}
