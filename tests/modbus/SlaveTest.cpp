// The simulated gateway's Modbus side, read by the real master in virtual time: what it serves
// from the gateway's parameters, its CRC constant, byte orders and address, and its exceptions.

#include "MasterFixture.h"

#include "core/config/GatewayConfig.h"
#include "core/modbus/ModbusLinkSettings.h"
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
    }

    // A Modbus configuration with rows 0, 1 and 5 in use at registers 0, 2 and 100.
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
        ModbusSlave::preload(device, c);
        settings.SlaveAddress = address;
        settings.ConstCRC = crc;
        settings.InvertBytes = invers;
        settings.SwapWords = swap;
    }

    ModbusReading read(int reg) { return ReadHoldingRegister(*master, settings, reg, {}); }

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

TEST_F(SlaveTest, OtherFunctionsAndCountsAreRefused)
{
    preload(1, 0xA001, false, false);
    struct Case
    {
        const char* request;
        const char* answer;
    } cases[] = {
        {"010400000002", "018401"}, // input registers: not a function of the gateway
        {"010300000000", "018303"}, // no register
        {"01030000007E", "018303"}, // more than 125
        {"000300000002", ""},       // a broadcast is never answered
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
