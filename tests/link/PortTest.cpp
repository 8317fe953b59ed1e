#include "LinkFixture.h"

#include "core/port/QtSerialPort.h"

using namespace veg;

TEST(PortName, WindowsNumbersAboveNineTakeThePrefix)
{
    struct Case
    {
        const char* name;
        const char* opened;
    } cases[] = {
        {"COM1", "COM1"},
        {"COM9", "COM9"},
        {"COM10", "\\\\.\\COM10"},
        {"COM12", "\\\\.\\COM12"},
        {"COMX", "\\\\.\\COMX"},
        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"/dev/ttyS12", "/dev/ttyS12"},
        {"/dev/pts/7", "/dev/pts/7"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KalO::systemPortName(QString::fromLatin1(c.name)), QString::fromLatin1(c.opened))
            << c.name;
}

TEST(PortName, ThePrefixIsAWindowsForm)
{
#ifndef Q_OS_WIN
    EXPECT_EQ(QtSerialPort::qtPortName(QStringLiteral("\\\\.\\ttyUSB1")),
              QStringLiteral("ttyUSB1"));
    EXPECT_EQ(QtSerialPort::qtPortName(QStringLiteral("/dev/ttyACM0")),
              QStringLiteral("/dev/ttyACM0"));
#else
    EXPECT_EQ(QtSerialPort::qtPortName(QStringLiteral("\\\\.\\COM12")),
              QStringLiteral("\\\\.\\COM12"));
#endif
}

struct PortTest : LinkFixture
{
};

TEST_F(PortTest, OpeningSetsUpTheLine)
{
    shared.TraceLevel = 4;
    auto p = std::make_unique<FakePort>(clock);
    port = p.get();
    link = std::make_unique<KalO>(std::move(p), context(), QStringLiteral("COM10"), KalO::kRs232, 7,
                                  std::array<std::uint8_t, 2>{0, 2});
    EXPECT_TRUE(link->PortOpen());
    EXPECT_EQ(port->openedName, QStringLiteral("\\\\.\\COM10"));
    EXPECT_EQ(port->baud, 38400);
    EXPECT_EQ(link->BaudIndex(), 7);
    EXPECT_EQ(link->Retries(), 2);
    EXPECT_EQ(port->events, (QStringList{"open \\\\.\\COM10", "baud 38400", "format 2 -", "dtr 0",
                                         "rts 0", "purge"}));
    EXPECT_EQ(logLines, QStringList{QStringLiteral("Инициализация порта \\\\.\\COM10")});
    // 100 ms after the speed change
    EXPECT_EQ(clock.nowMs(), 100);
}

TEST_F(PortTest, ASpeedOutsideTheTableOpensAt9600)
{
    for (int index : {-1, 13, 99}) {
        makeLink(KalO::kRs232, index);
        EXPECT_EQ(port->baud, 9600) << index;
        EXPECT_EQ(link->BaudIndex(), 5) << index;
    }
}

TEST_F(PortTest, AFailedOpenLeavesTheLinkClosed)
{
    shared.TraceLevel = 4;
    makeLink(KalO::kRs232, 5, [](FakePort& p) { p.openFails = true; });
    EXPECT_FALSE(link->PortOpen());
    LinkAnswer a;
    EXPECT_EQ(link->ReadParam(0xF000, 2, direct(), a), Status::Aborted);
    EXPECT_EQ(link->WriteParam(0x0100, QByteArray(1, '\2'), direct()), Status::Aborted);
    EXPECT_TRUE(port->writes.isEmpty());

    logLines.clear();
    EXPECT_FALSE(link->OpenPort(5));
    EXPECT_EQ(logLines,
              (QStringList{QStringLiteral("Инициализация порта COM1"),
                           QStringLiteral("C_port=FFFFFFFF INVALID_HANDLE_VALUE=FFFFFFFF")}));
}

TEST_F(PortTest, ALinkWithoutAPortNameStaysClosed)
{
    makeLink(KalO::kRs232, 5, {}, QString());
    EXPECT_FALSE(link->PortOpen());
    EXPECT_TRUE(port->events.isEmpty());
    link->ClosePort();
    EXPECT_FALSE(link->PortOpen());
    EXPECT_TRUE(port->events.isEmpty());
}
