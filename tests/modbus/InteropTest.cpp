// The master on the real serial port layer against a third-party Modbus RTU slave (libmodbus)
// over a pseudo-terminal. Each read costs the master's prescribed drain and pauses in real
// time; the one answer time the tests wait through runs on a clock ten times faster.

#include "LibmodbusSlave.h"

#include "core/modbus/ModbusBits.h"
#include "core/modbus/ModbusMaster.h"
#include "core/modbus/ModbusReading.h"
#include "core/monitor/ModbusMonitor.h"
#include "core/port/QtSerialPort.h"
#include "core/port/SystemClock.h"
#include "core/settings/ModbusLinkSettings.h"

#include <QThread>

#include <gtest/gtest.h>

using namespace veg;

namespace {

// Real time for the port, ten times faster for the master's answer deadlines and pauses, so
// that waiting out an answer time costs a tenth of it.
class FastClock : public Clock
{
public:
    qint64 nowMs() override { return m_real.nowMs() * 10; }
    void sleepMs(int ms) override { m_real.sleepMs(ms / 10); }
    QTime timeOfDay() override { return m_real.timeOfDay(); }

private:
    SystemClock m_real;
};

class InteropTest : public ::testing::Test
{
protected:
    SystemClock systemClock;
    FastClock fastClock;
    QStringList trace;
    ModbusLinkSettings settings;
    std::unique_ptr<LibmodbusSlave> slave;
    std::unique_ptr<ModbusMaster> master;

    void start(LibmodbusSlave::Options options, Clock* clock = nullptr)
    {
        slave = std::make_unique<LibmodbusSlave>(std::move(options));
        ASSERT_FALSE(slave->path().isEmpty());
        LinkContext c;
        c.clock = clock ? clock : &systemClock;
        c.log = [this](const QString& line) { trace << line; };
        master = std::make_unique<ModbusMaster>(std::make_unique<QtSerialPort>(), c);
        ASSERT_TRUE(master->OpenTestPort(slave->path(), 5, 2, 0))
            << master->openErrorText().toStdString();
        settings.SlaveAddress = 1;
        settings.ConstCRC = 0xA001;
        settings.AnswerSeconds = 1;
    }

    ModbusReading read(int reg) { return ReadHoldingRegister(*master, settings, reg, {}); }
};

TEST_F(InteropTest, FloatsInTheFourByteOrders)
{
    // -123.456 is C2 F6 E9 79; each pair of registers holds it in one of the gateway's orders.
    start({.registers = {{0, 0x79E9},
                         {1, 0xF6C2}, // neither option
                         {2, 0xC2F6},
                         {3, 0xE979}, // invert the bytes
                         {4, 0xE979},
                         {5, 0xC2F6}, // swap the halves
                         {6, 0xF6C2},
                         {7, 0x79E9}}}); // both
    struct Case
    {
        int reg;
        bool invert, swap;
    } cases[] = {{0, false, false}, {2, true, false}, {4, false, true}, {6, true, true}};
    for (const Case& c : cases) {
        settings.InvertBytes = c.invert;
        settings.SwapWords = c.swap;
        const ModbusReading r = read(c.reg);
        EXPECT_EQ(r.code, 0) << c.reg << " " << r.note.toStdString();
        EXPECT_EQ(r.value, "-123.4560") << c.reg;
    }
    EXPECT_EQ(trace[0], ">> 01 03 00 00 00 02 C4 0B ");
}

TEST_F(InteropTest, AnUnknownRegisterIsAnIllegalAddress)
{
    start({.registers = {{0, 0}, {1, 0}}});
    const ModbusReading r = read(5);
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(r.note, "Запрещенный адрес данных (код ошибки 4)");
    EXPECT_EQ(trace.last(), "<< 01 83 02 C0 F1 ");
}

TEST_F(InteropTest, ASlaveThatAnswersOnlyTheSecondAttemptIsRead)
{
    start({.registers = {{10, 0x0000}, {11, 0x803F}}, .ignoreFirst = 1}, &fastClock);
    const ModbusReading r = read(10);
    EXPECT_EQ(r.code, 0) << r.note.toStdString();
    EXPECT_EQ(r.value, "1.0000");
    EXPECT_EQ(slave->requests().size(), 2);
    EXPECT_EQ(trace.size(), 4);
    EXPECT_EQ(trace[1], "<< ");
}

TEST_F(InteropTest, WithCrcConstantZeroNeitherSideCarriesACrc)
{
    start({.registers = {{0, 0x0000}, {1, 0x4040}}, .noCrc = true});
    settings.ConstCRC = 0;
    const ModbusReading r = read(0);
    EXPECT_EQ(r.code, 0) << r.note.toStdString();
    EXPECT_EQ(r.value, "3.0000");
    EXPECT_EQ(slave->requests(), QList<QByteArray>{QByteArray::fromHex("010300000002")});
    EXPECT_EQ(trace.last(), "<< 01 03 04 00 00 40 40 ");
}

TEST_F(InteropTest, AnAcknowledgeIsFollowedByTheAnswer)
{
    start({.registers = {{0, 0x3F80}, {1, 0x0000}}, .acknowledgeFirst = 1});
    settings.InvertBytes = true;
    const ModbusReading r = read(0);
    EXPECT_EQ(r.code, 0) << r.note.toStdString();
    EXPECT_EQ(r.value, "1.0000");
    EXPECT_EQ(slave->requests().size(), 2);
    EXPECT_EQ(trace[1], "<< 01 83 05 81 33 ");
}

TEST_F(InteropTest, AnotherSlavesAddressGetsNoAnswer)
{
    start({.slave = 7, .registers = {{0, 0}, {1, 0}}}, &fastClock);
    const ModbusReading r = read(0);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.note, "Нет ответа от устройства (код ошибки 1)");
}

// Discrete inputs, coils and a coil write against the slave's map, with an unmapped number
// for each function.
TEST_F(InteropTest, InputsAndCoilsAreReadAndACoilWriteChangesTheSlavesCoil)
{
    start({.coils = {{10, false}, {11, true}, {12, false}},
           .inputs = {{3, true}, {4, false}, {5, true}}});
    struct Case
    {
        const char* what;
        std::function<ModbusReading()> run;
        const char* value;
        int code;
    } cases[] = {
        {"input 3", [&] { return ReadDiscreteInput(*master, settings, 3, {}); }, "1", 0},
        {"input 4", [&] { return ReadDiscreteInput(*master, settings, 4, {}); }, "0", 0},
        {"input 5", [&] { return ReadDiscreteInput(*master, settings, 5, {}); }, "1", 0},
        {"input 6", [&] { return ReadDiscreteInput(*master, settings, 6, {}); }, "", 4},
        {"coil 11", [&] { return ReadCoil(*master, settings, 11, {}); }, "1", 0},
        {"coil 12", [&] { return ReadCoil(*master, settings, 12, {}); }, "0", 0},
        {"coil 9", [&] { return ReadCoil(*master, settings, 9, {}); }, "", 4},
        {"write 12 on", [&] { return WriteCoil(*master, settings, 12, true, {}); }, "1", 0},
        {"coil 12 again", [&] { return ReadCoil(*master, settings, 12, {}); }, "1", 0},
        {"write 11 off", [&] { return WriteCoil(*master, settings, 11, false, {}); }, "0", 0},
        {"write 13", [&] { return WriteCoil(*master, settings, 13, true, {}); }, "", 4},
    };
    for (const Case& c : cases) {
        const ModbusReading r = c.run();
        EXPECT_EQ(r.code, c.code) << c.what << " " << r.note.toStdString();
        EXPECT_EQ(r.value, QString::fromUtf8(c.value)) << c.what;
    }
    EXPECT_TRUE(slave->coil(12));
    EXPECT_FALSE(slave->coil(11));
    EXPECT_FALSE(slave->coil(10));
    // The requests as a standard slave takes them: one item each; a write echoed.
    EXPECT_EQ(trace[0], ">> 01 02 00 03 00 01 49 CA ");
    EXPECT_TRUE(trace.contains(">> 01 05 00 0C FF 00 4C 39 ")) << trace.join('\n').toStdString();
    EXPECT_TRUE(trace.contains("<< 01 05 00 0C FF 00 4C 39 ")) << trace.join('\n').toStdString();
}

TEST_F(InteropTest, ACoilWriteWithoutCrc)
{
    start({.coils = {{0, false}}, .noCrc = true});
    settings.ConstCRC = 0;
    const ModbusReading r = WriteCoil(*master, settings, 0, true, {});
    EXPECT_EQ(r.code, 0) << r.note.toStdString();
    EXPECT_EQ(r.value, "1");
    EXPECT_EQ(slave->requests(), QList<QByteArray>{QByteArray::fromHex("01050000FF00")});
    EXPECT_TRUE(slave->coil(0));
}

// The monitor's cycles against the third-party slave: runs in one request each, a run with a
// number the slave lacks split and that number read alone from then on, and a slave that refuses
// long requests read in shorter runs.
struct MonitorInteropTest : InteropTest
{
    std::unique_ptr<ModbusMonitor> monitor;
    QStringList asked; // the requests of the last cycle, without their CRC

    void watch(std::vector<MonitorRow> rows)
    {
        monitor = std::make_unique<ModbusMonitor>(std::move(rows), settings, systemClock);
    }
    MonitorCycle cycle()
    {
        const auto before = slave->requests().size();
        const MonitorCycle c = monitor->runCycle(*master);
        asked.clear();
        for (const QByteArray& r : slave->requests().mid(before))
            asked << QString::fromLatin1(r.left(6).toHex().toUpper());
        return c;
    }
    QString shown(int row) const { return monitor->states()[std::size_t(row)].shown(); }
};

// 1.0, 2.0, 3.0 as floats in registers 0-5 (neither byte-order option).
const std::map<int, std::uint16_t> kThreeFloats = {{0, 0},      {1, 0x803F}, {2, 0},
                                                   {3, 0x0040}, {4, 0},      {5, 0x4040}};

std::vector<MonitorRow> monitorRows()
{
    std::vector<MonitorRow> rows;
    for (int reg : {0, 2, 4})
        rows.push_back({MonitorTable::Telemetry, reg, int(rows.size()), {}, {}});
    for (int input : {3, 4, 5})
        rows.push_back({MonitorTable::Telesignals, input, int(rows.size()), {}, {}});
    rows.push_back({MonitorTable::Telecontrol, 10, 0, {}, {}});
    return rows;
}

TEST_F(MonitorInteropTest, RunsAndANumberTheSlaveLacksWithinARun)
{
    start({.registers = kThreeFloats,
           .coils = {{10, true}},
           .inputs = {{3, true}, {4, false}, {5, true}},
           .holes = {2, 3}}); // register 2 and its float; input 4 stays
    watch(monitorRows());
    MonitorCycle c = cycle();
    EXPECT_EQ(asked, (QStringList{"010300000006", "010300000002", "010300020002", "010300040002",
                                  "010200030003", "010200030001", "010200040001", "010200050001",
                                  "0101000A0001"}));
    EXPECT_EQ(shown(0), "1.0000");
    EXPECT_EQ(shown(1), "Запрещенный адрес данных (код ошибки 4)");
    EXPECT_EQ(shown(2), "3.0000");
    EXPECT_EQ(shown(3), "Запрещенный адрес данных (код ошибки 4)");
    EXPECT_EQ(shown(4), "0");
    EXPECT_EQ(shown(5), "1");
    EXPECT_EQ(shown(6), "1");
    EXPECT_EQ(c.answered, 5);
    EXPECT_EQ(c.failed, 2);
    c = cycle();
    EXPECT_EQ(asked, (QStringList{"010300000002", "010300020002", "010300040002", "010200030001",
                                  "010200040002", "0101000A0001"}));
    EXPECT_EQ(c.answered, 5);
    EXPECT_TRUE(c.changes.empty()); // nothing moved
}

TEST_F(MonitorInteropTest, ASlaveThatRefusesLongRequests)
{
    start({.registers = kThreeFloats,
           .coils = {{10, false}},
           .inputs = {{3, true}, {4, false}, {5, true}},
           .maxQuantity = 4});
    watch(monitorRows());
    MonitorCycle c = cycle();
    EXPECT_EQ(asked.mid(0, 4),
              (QStringList{"010300000006", "010300000002", "010300020002", "010300040002"}));
    EXPECT_EQ(c.answered, 7);
    c = cycle();
    EXPECT_EQ(asked, (QStringList{"010300000004", "010300040002", "010200030003", "0101000A0001"}));
    EXPECT_EQ(c.answered, 7);
    EXPECT_EQ(shown(1), "2.0000");
}

} // namespace
