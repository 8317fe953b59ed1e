// The rules of "Настройка обмена по Modbus": activation, the format/parity coupling, the key
// filters, apply with its messages and the section it writes.

#include "../core/TestSupport.h"

#include "core/settings/ProgramSettings.h"
#include "core/modbus/ModbusSettingsForm.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace veg;
using namespace vegtest;

namespace {

class ModbusSettingsFormTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString file = dir.filePath("vegconf.ini");
    ProgramSettings settings{file};
    ScriptedDialogs dialogs;
    ModbusSettingsForm form{settings, dialogs};

    IniDocument written() const { return IniDocument::fromBytes(readFile(file)); }
};

TEST_F(ModbusSettingsFormTest, ActivationShowsTheSettingsAndOffersTheMachinePorts)
{
    settings.modbus.TestPortName = "/dev/pts/7";
    settings.modbus.SlaveAddress = 0x0B;
    settings.modbus.ConstCRC = 0x8408;
    settings.modbus.AnswerSeconds = 3;
    settings.modbus.CharFormat = 0;
    settings.modbus.ParityChoice = 1;
    form.setMachinePorts({"ttyUSB0", "COM3"});
    form.FormActivate();
    EXPECT_EQ(form.ports, (QStringList{"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
                                       "COM8", "ttyUSB0", "/dev/pts/7"}));
    EXPECT_EQ(form.port, "/dev/pts/7");
    EXPECT_EQ(form.slaveAddress, "0B");
    EXPECT_EQ(form.constCrc, "8408");
    EXPECT_EQ(form.answerTime, "3");
    EXPECT_EQ(form.format, 0);
    EXPECT_EQ(form.parity, 1);
    EXPECT_TRUE(form.parityEnabled());
}

TEST_F(ModbusSettingsFormTest, FormatSetsTheParity)
{
    form.FormActivate();
    form.chooseFormat(0);
    EXPECT_EQ(form.parity, 0);
    EXPECT_TRUE(form.parityEnabled());
    form.parity = 1;
    form.chooseFormat(1);
    EXPECT_EQ(form.parity, 2);
    EXPECT_FALSE(form.parityEnabled());
    EXPECT_TRUE(form.apply());
    EXPECT_EQ(written().value("NastrModbus", "ParityMod").value(), "2");
    EXPECT_EQ(written().value("NastrModbus", "StopBitMod").value(), "1");
}

// The format already chosen, clicked again, changes nothing: "11 бит" keeps the odd parity,
// "10 бит" its "Контроля нет".
TEST_F(ModbusSettingsFormTest, TheSameFormatAgainKeepsTheParity)
{
    settings.modbus.CharFormat = 0;
    settings.modbus.ParityChoice = 1;
    form.FormActivate();
    form.chooseFormat(0);
    EXPECT_EQ(form.parity, 1);
    EXPECT_TRUE(form.parityEnabled());
    EXPECT_TRUE(form.apply());
    EXPECT_EQ(written().value("NastrModbus", "ParityMod").value(), "1");

    form.FormActivate();
    form.chooseFormat(1);
    form.chooseFormat(1);
    EXPECT_EQ(form.parity, 2);
    form.chooseFormat(0);
    EXPECT_EQ(form.parity, 0); // another format: the parity follows it
}

TEST_F(ModbusSettingsFormTest, KeyFilters)
{
    const QChar bs(8);
    const QChar none(0);
    // Port: digits; "COM" stays; a COM name takes two digits.
    EXPECT_EQ(ModbusSettingsForm::portKey("COM", u'1'), u'1');
    EXPECT_EQ(ModbusSettingsForm::portKey("COM", bs), none);
    EXPECT_EQ(ModbusSettingsForm::portKey("COM1", bs), bs);
    EXPECT_EQ(ModbusSettingsForm::portKey("COM1", u'x'), none);
    EXPECT_EQ(ModbusSettingsForm::portKey("COM12", u'3'), none);
    EXPECT_EQ(ModbusSettingsForm::portKey("ttyUSB1", u'0'), u'0');
    // Hex boxes: the Russian layout's letters, a full box takes only backspace.
    EXPECT_EQ(ModbusSettingsForm::hexKey("", 4, QChar(0x0444)), u'A'); // "ф"
    EXPECT_EQ(ModbusSettingsForm::hexKey("1", 4, u'c'), u'C');
    EXPECT_EQ(ModbusSettingsForm::hexKey("A0", 4, u'g'), none);
    EXPECT_EQ(ModbusSettingsForm::hexKey("0B", 2, u'1'), none);
    EXPECT_EQ(ModbusSettingsForm::hexKey("0B", 2, bs), bs);
    EXPECT_EQ(ModbusSettingsForm::answerTimeKey(u'7'), u'7');
    EXPECT_EQ(ModbusSettingsForm::answerTimeKey(u','), none);
}

TEST_F(ModbusSettingsFormTest, ApplyWritesTheSectionInItsOrderWithTheBoxesTexts)
{
    form.FormActivate();
    form.port = "COM12";
    form.speed = 6;
    form.chooseFormat(0);
    form.parity = 1;
    form.slaveAddress = "1";
    form.answerTime = "5";
    form.constCrc = "a001";
    form.invertBytes = true;
    form.swapWords = true;
    EXPECT_TRUE(form.apply());
    EXPECT_TRUE(dialogs.asked.isEmpty());
    const ModbusLinkSettings& m = settings.modbus;
    EXPECT_EQ(m.TestPortName, "COM12");
    EXPECT_EQ(m.ModbusSpeedIndex, 6);
    EXPECT_EQ(m.CharFormat, 0);
    EXPECT_EQ(m.ParityChoice, 1);
    EXPECT_EQ(m.SlaveAddress, 1);
    EXPECT_EQ(m.AnswerSeconds, 5);
    EXPECT_EQ(m.ConstCRC, 0xA001);
    EXPECT_TRUE(m.InvertBytes && m.SwapWords);
    const IniDocument d = written();
    EXPECT_EQ(d.keys("NastrModbus"),
              (QStringList{"Comport", "SpeedPCMod", "StopBitMod", "ParityMod", "InversMod",
                           "SwapMod", "SetMod", "TimeAnswer", "ConstCRC"}));
    EXPECT_EQ(d.value("NastrModbus", "Comport").value(), "COM12");
    EXPECT_EQ(d.value("NastrModbus", "SpeedPCMod").value(), "19200");
    EXPECT_EQ(d.value("NastrModbus", "SetMod").value(), "1");
    EXPECT_EQ(d.value("NastrModbus", "ConstCRC").value(), "a001");
    EXPECT_EQ(d.value("NastrModbus", "InversMod").value(), "1");

    ProgramSettings again(file);
    again.ReadProgramSettings();
    EXPECT_TRUE(again.modbus.SwapWords);
    EXPECT_EQ(again.modbus.ConstCRC, 0xA001);
}

TEST_F(ModbusSettingsFormTest, PortNames)
{
    form.setMachinePorts({"ttyUSB0"});
    struct Case
    {
        const char* text;
        bool accepted;
    } cases[] = {
        {"COM1", true},  {"COM12", true}, {"COM", false},    {"COM123", false},  {"COMx", false},
        {"LPT1", false}, {"com1", false}, {"ttyUSB0", true}, {"ttyUSB9", false}, {"", false},
    };
    for (const Case& c : cases) {
        settings.modbus.TestPortName = "COM5";
        form.FormActivate();
        dialogs.asked.clear();
        form.port = QString::fromUtf8(c.text);
        EXPECT_TRUE(form.apply()) << c.text;
        EXPECT_EQ(settings.modbus.TestPortName, c.accepted ? c.text : "COM5") << c.text;
        EXPECT_EQ(form.port, c.accepted ? c.text : "COM2") << c.text;
        EXPECT_EQ(dialogs.asked,
                  c.accepted ? QStringList{} : QStringList{"info: Неверно введен COM порт"})
            << c.text;
    }
}

TEST_F(ModbusSettingsFormTest, WrongAddressAndTimeAreReportedAndStoredAsZero)
{
    form.FormActivate();
    form.slaveAddress = "";
    form.answerTime = "";
    EXPECT_TRUE(form.apply());
    EXPECT_EQ(dialogs.asked, (QStringList{"info: Неверно введен Slave-адрес ВЕГ",
                                          "info: Неверно введено время ожидания ответа"}));
    EXPECT_EQ(settings.modbus.SlaveAddress, 0);
    EXPECT_EQ(settings.modbus.AnswerSeconds, 0);
    EXPECT_EQ(form.slaveAddress, "0");
    EXPECT_EQ(form.answerTime, "0");
    EXPECT_EQ(written().value("NastrModbus", "SetMod").value(), "0");
}

TEST_F(ModbusSettingsFormTest, ACrcThatDoesNotReadStoresNothing)
{
    form.FormActivate();
    const ModbusLinkSettings before = settings.modbus;
    form.port = "COM7";
    form.slaveAddress = "2";
    form.constCrc = "";
    EXPECT_FALSE(form.apply());
    ASSERT_EQ(dialogs.asked.size(), 1);
    EXPECT_TRUE(dialogs.asked[0].startsWith("info: ")) << dialogs.asked[0].toStdString();
    EXPECT_EQ(settings.modbus.TestPortName, before.TestPortName);
    EXPECT_EQ(settings.modbus.SlaveAddress, before.SlaveAddress);
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(ModbusSettingsFormTest, AnUnwritableFileIsReportedAndTheSettingsStayInForce)
{
    ProgramSettings elsewhere(dir.filePath("missing/folder/vegconf.ini"));
    ModbusSettingsForm f(elsewhere, dialogs);
    f.FormActivate();
    f.answerTime = "4";
    EXPECT_TRUE(f.apply());
    EXPECT_EQ(elsewhere.modbus.AnswerSeconds, 4);
    EXPECT_EQ(dialogs.asked.size(), 1);
}

} // namespace
