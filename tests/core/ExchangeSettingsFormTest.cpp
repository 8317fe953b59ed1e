#include "TestSupport.h"

#include "core/link/ExchangeSettingsForm.h"
#include "core/port/PortNames.h"
#include "core/settings/ProgramSettings.h"
#include "core/text/HexKeyFilter.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace veg;
using namespace vegtest;

namespace {

class ExchangeSettingsFormTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString file = dir.filePath("vegconf.ini");
    ProgramSettings settings{file};
    ScriptedDialogs dialogs;
    ExchangeSettingsForm form{settings, dialogs};

    IniDocument written() const { return IniDocument::fromBytes(readFile(file)); }
};

} // namespace

TEST_F(ExchangeSettingsFormTest, ActivationShowsTheSettings)
{
    settings.exchange.GatewayNumber = 37;
    settings.exchange.AdapterNumber = 1;
    settings.exchange.PcNumber = 12;
    settings.exchange.PortName = "COM12";
    form.setMachinePorts({"ttyUSB0", "COM3"});
    form.FormActivate();
    EXPECT_EQ(form.gatewayNumber, "25");
    EXPECT_EQ(form.adapterNumber, "01");
    EXPECT_EQ(form.pcNumber, "12");
    EXPECT_EQ(form.answerWait, "2");
    EXPECT_EQ(form.ports.mid(7), (QStringList{"COM8", "ttyUSB0", "COM12"}));
    EXPECT_EQ(form.port, "COM12");
    EXPECT_FALSE(form.changed);
}

TEST(OfferedPorts, ComPortsThenTheMachinesThenTheNamedOnes)
{
    struct Case
    {
        QStringList machine, named, after; // `after`: the list past COM1 ... COM8
    } cases[] = {
        {{}, {}, {}},
        {{"ttyUSB0", "COM3", "ttyS0"}, {"/dev/pts/7"}, {"ttyUSB0", "ttyS0", "/dev/pts/7"}},
        {{"ttyUSB0"}, {"ttyUSB0", "COM2", "COM12"}, {"ttyUSB0", "COM12"}},
        {{"", " "}, {"", "/dev/serial/by-id/usb-FTDI-if00-port0"},
         {"/dev/serial/by-id/usb-FTDI-if00-port0"}},
    };
    for (const Case& c : cases) {
        const QStringList offered = offeredPorts(c.machine, c.named);
        EXPECT_EQ(offered.mid(0, 8), portNames());
        EXPECT_EQ(offered.mid(8), c.after) << c.named.join(',').toStdString();
    }
}

// The port of the settings file stays offered once another is applied; a name may be typed; a
// blank box keeps the port stored before.
TEST_F(ExchangeSettingsFormTest, PortsStayOfferedAndMayBeTyped)
{
    const QString usb = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    settings.exchange.PortName = usb;
    form.setMachinePorts({"ttyS0"});
    form.FormActivate();
    EXPECT_EQ(form.ports.mid(8), (QStringList{"ttyS0", usb}));
    EXPECT_EQ(form.port, usb);

    form.choosePort(int(form.ports.indexOf("COM3")));
    EXPECT_EQ(form.port, "COM3");
    EXPECT_TRUE(form.changed);
    ASSERT_TRUE(form.apply());
    EXPECT_EQ(settings.exchange.PortName, "COM3");
    EXPECT_EQ(settings.exchange.PortIndex, 2);
    form.FormActivate();
    EXPECT_EQ(form.ports.mid(8), (QStringList{"ttyS0", usb})); // still offered
    EXPECT_EQ(form.port, "COM3");

    form.editPort(" /tmp/vegsim-link ");
    ASSERT_TRUE(form.apply());
    EXPECT_EQ(settings.exchange.PortName, "/tmp/vegsim-link");
    EXPECT_EQ(settings.exchange.PortIndex, -1);
    EXPECT_EQ(written().value("Parametr", "Comport").value(), "/tmp/vegsim-link");
    form.FormActivate();
    EXPECT_EQ(form.ports.mid(8), (QStringList{"ttyS0", usb, "/tmp/vegsim-link"}));

    form.editPort("  ");
    ASSERT_TRUE(form.apply());
    EXPECT_EQ(settings.exchange.PortName, "/tmp/vegsim-link");
    EXPECT_EQ(form.port, "/tmp/vegsim-link");
}

TEST_F(ExchangeSettingsFormTest, VisibilityFollowsTheLinkAndTheAdapter)
{
    using V = ExchangeSettingsForm::Visibility;
    struct Case
    {
        int link;
        bool adapter;
        V expected;
    } cases[] = {
        {1, false, {true, true, false, false, false, false, true, true}},
        {1, true, {true, true, false, false, false, false, true, true}},
        {0, false, {false, false, true, true, true, false, false, false}},
        {0, true, {false, false, true, true, true, true, true, true}},
    };
    for (const Case& c : cases) {
        form.linkType = c.link;
        form.viaAdapter = c.adapter;
        EXPECT_EQ(form.visibility(), c.expected) << c.link << c.adapter;
    }
}

TEST_F(ExchangeSettingsFormTest, ChoicesResetSpeedAndGateway)
{
    form.FormActivate();
    form.chooseViaAdapter(true);
    EXPECT_TRUE(settings.exchange.ViaAdapter); // in force at once
    form.chooseSpeed(10);
    form.editGatewayNumber("3F");
    form.chooseViaAdapter(false);
    EXPECT_FALSE(settings.exchange.ViaAdapter);
    EXPECT_EQ(form.speed, 5);
    EXPECT_EQ(form.gatewayNumber, "25");

    form.chooseSpeed(7);
    form.editGatewayNumber("1");
    form.chooseLinkType(0); // RS-232 without the adapter
    EXPECT_EQ(form.speed, 5);
    EXPECT_EQ(form.gatewayNumber, "25");
    EXPECT_TRUE(form.changed);
    form.editGatewayNumber("123");
    EXPECT_EQ(form.gatewayNumber, "12");
}

TEST_F(ExchangeSettingsFormTest, ApplyStoresAndWritesTheTextsAsShown)
{
    writeFile(file, cp1251("[Parametr]\nCNF 321=03 1C 05\n"));
    form.FormActivate();
    form.chooseLinkType(0);
    form.chooseViaAdapter(true);
    form.chooseLinkType(1); // CAN-BUS with the adapter box still checked
    form.editGatewayNumber("");
    form.editAdapterNumber("01");
    form.editPcNumber("x");
    form.editAnswerWait("7");
    form.chooseCanSpeed(3);
    form.chooseRetries(20);
    ASSERT_TRUE(form.apply());
    EXPECT_FALSE(settings.exchange.ViaAdapter);
    EXPECT_EQ(settings.exchange.AdapterKind, ExchangeSettings::kCanBus);
    EXPECT_EQ(settings.exchange.GatewayNumber, 0);
    EXPECT_EQ(form.gatewayNumber, "0");
    EXPECT_EQ(form.pcNumber, "0");
    const IniDocument d = written();
    EXPECT_EQ(d.value("Parametr", "SetNVEG").value(), "0");
    EXPECT_EQ(d.value("Parametr", "AdapterSetn").value(), "01");
    EXPECT_EQ(d.value("Parametr", "Adapter").value(), "0");
    EXPECT_EQ(d.value("Parametr", "VS").value(), "CAN-BUS");
    EXPECT_EQ(d.value("Parametr", "SpeedPC").value(), "50");
    EXPECT_EQ(d.value("Parametr", "KPov").value(), "20");
    EXPECT_EQ(d.value("Parametr", "TimeW").value(), "7");
    EXPECT_EQ(d.value("Parametr", "CNF 321").value(), "03 1C 05");
    EXPECT_FALSE(form.changed);

    // The next start reads back what the window showed.
    ProgramSettings next(file);
    next.ReadProgramSettings();
    EXPECT_EQ(next.exchange.CanSpeedIndex, 3);
    EXPECT_EQ(next.exchange.Retries, 20);
}

TEST_F(ExchangeSettingsFormTest, ClosingAsksOnlyAfterChanges)
{
    form.FormActivate();
    EXPECT_TRUE(form.closeRequested());
    EXPECT_TRUE(dialogs.asked.isEmpty());

    form.chooseChecksum(2);
    dialogs.confirms = {false};
    EXPECT_TRUE(form.closeRequested());
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(settings.exchange.ChecksumKind, 0);

    form.chooseChecksum(2);
    dialogs.confirms = {true};
    EXPECT_TRUE(form.closeRequested());
    EXPECT_EQ(settings.exchange.ChecksumKind, 2);
    EXPECT_EQ(written().value("Parametr", "CRC").value(), "2");
    EXPECT_EQ(dialogs.asked, (QStringList{"confirm: Сохранить изменения?", "confirm: Сохранить изменения?"}));
}

// A value of the file that the window cannot show is shown as the window can hold it, and
// applying writes what is shown.
TEST_F(ExchangeSettingsFormTest, ValuesOutsideTheControlsAreShownAsWritten)
{
    struct Case
    {
        const char* kpov;
        const char* crc;
        int retries, checksum; // shown
    } cases[] = {{"50", "5", 20, 0}, {"0", "2", 1, 2}, {"7", "1", 7, 1}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.kpov);
        writeFile(file, QByteArray("[Parametr]\r\nKPov=") + k.kpov + "\r\nCRC=" + k.crc + "\r\n");
        ProgramSettings s(file);
        s.ReadProgramSettings();
        ExchangeSettingsForm f(s, dialogs);
        f.FormActivate();
        EXPECT_EQ(f.retries, k.retries);
        EXPECT_EQ(f.checksum, k.checksum);
        ASSERT_TRUE(f.apply());
        EXPECT_EQ(written().value("Parametr", "KPov").value(), QString::number(k.retries));
        EXPECT_EQ(written().value("Parametr", "CRC").value(), QString::number(k.checksum));
    }
}

TEST(HexKeyFilter, KeysOfTheHexBoxes)
{
    const std::pair<char16_t, char16_t> cases[] = {
        {8, 8},       {u' ', u' '}, {u'0', u'0'}, {u'9', u'9'}, {u'A', u'A'}, {u'F', u'F'},
        {u'a', u'A'}, {u'f', u'F'}, {u'G', 0},    {u'g', 0},    {u'Ф', u'A'}, {u'ф', u'A'},
        {u'И', u'B'}, {u'и', u'B'}, {u'С', u'C'}, {u'с', u'C'}, {u'В', u'D'}, {u'в', u'D'},
        {u'У', u'E'}, {u'у', u'E'}, {u'А', u'F'}, {u'а', u'F'}, {u'Б', 0},    {u'-', 0},
        {u'.', 0},    {u'\t', 0},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(HexKeyFilter(QChar(in)).unicode(), out) << int(in);
}
