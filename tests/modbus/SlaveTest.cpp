// The simulated gateway's Modbus side, read by the real master in virtual time: what it serves
// from the gateway's parameters (telemetry, telesignals, telecontrol), its CRC constant, byte
// orders and address, its exceptions, and the trace of coil writes.

#include "MasterFixture.h"

#include "core/config/GatewayConfig.h"
#include "core/modbus/ModbusBits.h"
#include "core/modbus/ModbusFloat.h"
#include "core/settings/ModbusLinkSettings.h"
#include "core/modbus/ModbusReading.h"
#include "sim/GatewayDevice.h"
#include "sim/ModbusSlave.h"

using namespace veg;
using sim::ModbusSlave;

namespace {

struct SlaveTest : MasterFixture
{
    sim::SimOptions options;
    sim::GatewayDevice device{options};
    ModbusSlave slave{device};
    ModbusLinkSettings settings;
    QStringList traced;

    void SetUp() override
    {
        MasterFixture::SetUp();
        // The port's far end is the slave: what the master writes reaches it at once, its
        // answers arrive when they are due.
        port->onWrite = [this](FakePort& fp, const QByteArray& bytes) {
            slave.receive(bytes, clock.nowMs() * 1000);
            for (const auto& out : slave.takeOutput())
                fp.arrive(out.bytes, out.dueUs / 1000 - clock.nowMs());
        };
        open();
        settings.AnswerSeconds = 1;
        settings.ConstCRC = 0xA001;
        slave.setTrace([this](const QString& line) { traced << line; });
    }

    // A Modbus configuration with telemetry rows 0, 1 and 5 in use at registers 0, 2 and 100;
    // telesignal rows 0, 1 and 3 at discrete inputs 0, 1 and 7 (row 3 a bit of a group
    // parameter), row 5 holding input 9 but not in use; commands: coil 10 a pulse, coil 12 a
    // potential one, coil 14 without its reference for 1.
    void preload(std::uint8_t address, std::uint16_t crc, bool invers, bool swap)
    {
        GatewayConfig c;
        c.CreateFor(ProtocolVariant::Modbus);
        c.Common.AdrExt = address;
        c.Common.Const1 = crc;
        c.Common.Invers = invers;
        c.Common.SWAP = swap;
        for (auto [row, reg] : {std::pair{0, 0}, {1, 2}, {5, 100}}) {
            TcTuEntry& e = c.TiFloatTable[std::size_t(row)];
            e.Kind = 0;
            e.NetNumber = 0x1A;
            e.ParamNumber = std::uint16_t(0x0301 + row);
            e.Extra = reg;
        }
        for (auto [row, input, kind] : {std::tuple{0, 0, 0}, {1, 1, 0}, {3, 7, 1}}) {
            TcTuEntry& e = c.ModbusTcTable[std::size_t(row)];
            e.Kind = std::uint8_t(kind);
            e.NetNumber = kind == 0 ? 0x1A : 0;
            e.ParamNumber = std::uint16_t(kind == 0 ? 0x0101 + row : 0x0105);
            e.Extra = input;
        }
        c.ModbusTcTable[5].Extra = 9;
        ModbusCoilEntry& pulse = c.ModbusCoilTable[0];
        pulse.Coil = 10;
        pulse.TypeTU = 0x10; // a pulse with two steps
        pulse.TU1 = {0, 0x1A, 0x0201, 1};
        pulse.TU0 = {0, 0x1A, 0x0202, 1};
        pulse.TimeTU1 = 5;
        pulse.TimeTU0 = 3;
        ModbusCoilEntry& potential = c.ModbusCoilTable[1];
        potential.Coil = 12;
        potential.TypeTU = 0x01;
        potential.TU1 = {2, 0x1B, 0x0A10, 4};
        c.ModbusCoilTable[2].Coil = 14;
        ModbusSlave::preload(device, c);
        settings.SlaveAddress = address;
        settings.ConstCRC = crc;
        settings.InvertBytes = invers;
        settings.SwapWords = swap;
    }

    ModbusReading read(int reg) { return ReadHoldingRegister(*master, settings, reg, {}); }
    ModbusReading input(int n) { return ReadDiscreteInput(*master, settings, n, {}); }
    ModbusReading coil(int n) { return ReadCoil(*master, settings, n, {}); }
    ModbusReading write(int n, bool on) { return WriteCoil(*master, settings, n, on, {}); }
    // The request leaves after the drain.
    qint64 requestUs() { return (clock.nowMs() + 502) * 1000; }

    static QString shown(float v) { return QString::number(double(v), 'f', 4); }
};

TEST_F(SlaveTest, ServesTheTelemetryTableInEveryByteOrder)
{
    for (int order = 0; order < 4; ++order) {
        const bool invers = order & 1;
        const bool swap = order & 2;
        SCOPED_TRACE(order);
        preload(0x11, 0xA001, invers, swap);
        for (auto [row, reg] : {std::pair{0, 0}, {1, 2}, {5, 100}}) {
            const qint64 at = clock.nowMs() + 502; // the request leaves after the drain
            const ModbusReading r = read(reg);
            EXPECT_EQ(r.code, 0) << r.note.toStdString();
            EXPECT_EQ(r.value, shown(ModbusSlave::plantValue(row, at * 1000))) << reg;
        }
    }
    // Read with the other order, the same bytes make another number.
    settings.InvertBytes = !settings.InvertBytes;
    EXPECT_NE(read(0).value, shown(ModbusSlave::plantValue(0, (clock.nowMs() + 502) * 1000)));
}

TEST_F(SlaveTest, UnknownRegistersGetExceptionTwoAndAStraddleIsServed)
{
    preload(1, 0xA001, false, false);
    EXPECT_EQ(read(4).note, "Запрещенный адрес данных (код ошибки 4)");
    EXPECT_EQ(read(101).code, 4); // the second word of row 5 and a register of no row
    EXPECT_EQ(read(1).code, 0);   // the second word of row 0, the first of row 1
}

TEST_F(SlaveTest, ValuesMoveWithTime)
{
    preload(1, 0xA001, false, false);
    const QString first = read(0).value;
    clock.advance(10000);
    EXPECT_NE(read(0).value, first);
}

TEST_F(SlaveTest, CrcConstantAndAddressAreTheGatewaysOwn)
{
    preload(1, 0x8408, false, false);
    EXPECT_EQ(read(0).code, 0);
    settings.ConstCRC = 0xA001; // the master's constant differs: the slave takes it for noise
    EXPECT_EQ(read(0).code, 1);

    preload(1, 0, false, false); // no CRC: the bare request and the seven-byte answer
    EXPECT_EQ(read(2).code, 0);
    EXPECT_EQ(port->writes.last(), hexBytes("010300020002"));

    preload(9, 0xA001, false, false);
    settings.SlaveAddress = 8;
    EXPECT_EQ(read(0).code, 1);
}

TEST_F(SlaveTest, AStoppedGatewayIsBusy)
{
    preload(1, 0xA001, false, false);
    device.write(0xF01A, QByteArray(1, 1)); // the exchange stops the work cycle to write
    EXPECT_EQ(read(0).note, "Устройство Slave находится в состоянии занятости (код ошибки 8)");
    device.write(0xF01A, QByteArray(1, 0));
    EXPECT_EQ(read(0).code, 0);
}

TEST_F(SlaveTest, ATableWrittenOverTheLinkIsServedAtOnce)
{
    EXPECT_EQ(read(0).code, 4); // nothing written yet: address 1, the standard CRC, no rows
    device.writeAt(0x0301, 3, hexBytes("0003041A"));
    device.writeAt(0x0300, 3, hexBytes("0700"));
    EXPECT_EQ(read(7).value, shown(ModbusSlave::plantValue(3, (clock.nowMs() + 502) * 1000)));
    device.writeAt(0x0301, 3, hexBytes("FFFFFFFF")); // the row emptied
    EXPECT_EQ(read(7).code, 4);
}

TEST_F(SlaveTest, DiscreteInputsAreTheTelesignalsAndChangeWithTime)
{
    preload(0x11, 0xA001, false, false);
    for (auto [row, n] : {std::pair{0, 0}, {1, 1}, {3, 7}}) {
        const qint64 at = requestUs();
        const ModbusReading r = input(n);
        EXPECT_EQ(r.code, 0) << r.note.toStdString();
        EXPECT_EQ(r.value, ModbusSlave::plantInput(row, at) ? "1" : "0") << n;
    }
    EXPECT_EQ(input(9).note, "Запрещенный адрес данных (код ошибки 4)"); // row 5: not in use
    EXPECT_EQ(input(2).code, 4);
    EXPECT_EQ(coil(0).code, 4); // a telesignal is no coil

    QStringList seen;
    for (int i = 0; i < 8; ++i) {
        seen << input(0).value;
        clock.advance(3000);
    }
    EXPECT_TRUE(seen.contains("0") && seen.contains("1")) << seen.join(' ').toStdString();
}

TEST_F(SlaveTest, CoilsKeepWhatIsWrittenAndTraceTheParameterToSet)
{
    preload(0x11, 0xA001, false, false);
    EXPECT_EQ(coil(10).value, "0"); // every coil starts at 0
    EXPECT_EQ(write(10, true).value, "1");
    EXPECT_EQ(coil(10).value, "1");
    EXPECT_EQ(coil(12).value, "0"); // the other coil is its own
    EXPECT_EQ(write(12, true).code, 0);
    EXPECT_EQ(write(10, false).value, "0");
    EXPECT_EQ(coil(10).value, "0");
    EXPECT_EQ(write(12, false).code, 0);
    EXPECT_EQ(traced, (QStringList{"Modbus coil 10 = 1: ТУ1 00 0201 1A, импульс 5 с",
                                   "Modbus coil 12 = 1: ТУ1 02 0A10 1B, потенциал",
                                   "Modbus coil 10 = 0: ТУ0 00 0202 1A, импульс 3 с",
                                   "Modbus coil 12 = 0: ТУ0 FF FFFF FF, потенциал"}));

    // Numbers of no command in use: the write is refused and nothing is traced.
    traced.clear();
    for (int n : {14, 11, 0, 0xFFFF}) {
        EXPECT_EQ(write(n, true).code, 4) << n;
        EXPECT_EQ(coil(n).code, 4) << n;
    }
    EXPECT_TRUE(traced.isEmpty());
}

TEST_F(SlaveTest, AStoppedGatewayTakesNoCommand)
{
    preload(1, 0xA001, false, false);
    device.write(0xF01A, QByteArray(1, 1));
    EXPECT_EQ(write(10, true).code, 8);
    EXPECT_EQ(input(0).code, 8);
    device.write(0xF01A, QByteArray(1, 0));
    EXPECT_EQ(coil(10).value, "0");
    EXPECT_TRUE(traced.isEmpty());
}

TEST_F(SlaveTest, TelesignalsAndCommandsWrittenOverTheLinkAreServedAtOnce)
{
    EXPECT_EQ(input(4).code, 4);
    device.writeAt(0x0303, 2, hexBytes("0001101A"));
    device.writeAt(0x0302, 2, hexBytes("0400"));
    EXPECT_EQ(input(4).code, 0);
    device.writeAt(0x0305, 7, hexBytes("0003011A"));
    device.writeAt(0x030C, 7, hexBytes("0003021A"));
    device.writeAt(0x0307, 7, hexBytes("00"));
    device.writeAt(0x0306, 7, hexBytes("0A"));
    device.writeAt(0x0304, 7, hexBytes("2000"));
    EXPECT_EQ(write(0x20, true).code, 0);
    EXPECT_EQ(traced, QStringList{"Modbus coil 32 = 1: ТУ1 00 0301 1A, импульс 10 с"});
    device.writeAt(0x0304, 7, hexBytes("FFFF")); // the command taken out of use
    EXPECT_EQ(coil(0x20).code, 4);
}

TEST_F(SlaveTest, SeveralItemsInOneRequestArePackedFromTheLowestBit)
{
    // Ten telesignals at inputs 100 to 109: two data bytes, the second holding two items.
    for (int row = 0; row < 10; ++row) {
        device.writeAt(0x0303, std::uint16_t(row), hexBytes("0001011A"));
        device.writeAt(0x0302, std::uint16_t(row), QByteArray(1, char(100 + row)) + '\0');
    }
    const qint64 at = 7500000;
    QByteArray expected = hexBytes("0102020000");
    for (int row = 0; row < 10; ++row) {
        if (ModbusSlave::plantInput(row, at))
            expected[3 + row / 8] = char(expected[3 + row / 8] | (1 << (row % 8)));
    }
    slave.receive(withModbusCrc(0xA001, hexBytes("01020064000A")), at);
    const auto out = slave.takeOutput();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out.front().bytes, withModbusCrc(0xA001, expected));
    EXPECT_NE(expected.mid(3), hexBytes("0000")); // the moment shows some signals set
}

TEST_F(SlaveTest, OtherFunctionsAndCountsAreRefused)
{
    preload(1, 0xA001, false, false);
    struct Case
    {
        const char* request;
        const char* answer;
    } cases[] = {
        {"010400000002", "018401"}, // input registers: not a function of the gateway
        {"010F000A0001", "018F01"}, // nor are several coils at once
        {"010300000000", "018303"}, // no register
        {"01030000007E", "018303"}, // more than 125
        {"000300000002", ""},       // a broadcast is never answered
        {"010200000008", "018202"}, // inputs 2 to 6 are in no row
        {"01020000000A", "018202"},   {"010200000000", "018203"},
        {"0102000007D1", "018203"},                               // more than 2000
        {"0101000A0001", "01010100"}, {"0101000A0003", "018102"}, // coil 11 is no command's
        {"0105000A0001", "018503"},                               // neither FF00 nor 0000
        {"0105000AFFFF", "018503"},   {"0105000A00FF", "018503"},
    };
    for (const Case& c : cases) {
        slave.receive(withModbusCrc(0xA001, hexBytes(c.request)), 0);
        const auto out = slave.takeOutput();
        const QByteArray expected =
            *c.answer ? withModbusCrc(0xA001, hexBytes(c.answer)) : QByteArray();
        EXPECT_EQ(out.empty() ? QByteArray() : out.front().bytes, expected) << c.request;
    }
    // Noise before a request is skipped; the request is still answered.
    slave.receive(hexBytes("FF00") + withModbusCrc(0xA001, hexBytes("010300000002")), 0);
    EXPECT_EQ(slave.takeOutput().size(), 1u);
}

} // namespace

namespace {

TEST_F(SlaveTest, RunsOfNumbersAndAGatewayThatTakesShortRequestsOnly)
{
    preload(1, 0xA001, false, false);
    auto ask = [this](const char* request) {
        slave.receive(withModbusCrc(0xA001, hexBytes(request)), 0);
        const auto out = slave.takeOutput();
        return out.empty() ? QByteArray() : out.front().bytes.chopped(2);
    };
    // Rows 0 and 1 at registers 0-3 in one answer, each row's float in its two registers.
    QByteArray both = hexBytes("010308");
    for (int row : {0, 1}) {
        const auto d = EncodeFloat(ModbusSlave::plantValue(row, 0), false, false);
        both.append(reinterpret_cast<const char*>(d.data()), 4);
    }
    EXPECT_EQ(ask("010300000004"), both);
    EXPECT_EQ(ask("010300000006"), hexBytes("018302")); // register 4 is in no row
    EXPECT_EQ(ask("010200000002").left(3), hexBytes("010201"));
    EXPECT_EQ(ask("010200000003"), hexBytes("018202")); // input 2 is in no row

    slave.setMaxQuantity(2);
    struct Case
    {
        const char* request;
        const char* answer; // the start of the answer
    } cases[] = {
        {"010300000004", "018303"}, // four registers are too many now
        {"010300000002", "010304"}, // two are served
        {"010300040002", "018302"}, // a short request for a number of no row is still exception 2
        {"010200000002", "010201"},
        {"010200000003", "018203"}, // too many before any number is looked at
        {"0101000A0001", "010101"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ask(c.request).left(3), hexBytes(c.answer)) << c.request;
    slave.setMaxQuantity(0);
    EXPECT_EQ(ask("010300000004"), both);
}

} // namespace
