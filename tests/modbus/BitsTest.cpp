// Coils and discrete inputs as the link test reaches them: the requests on the wire, what an
// answer means, the exception-5 repeat and where the answer reading stops, in virtual time.

#include "MasterFixture.h"

#include "core/modbus/ModbusBits.h"
#include "core/settings/ModbusLinkSettings.h"

using namespace veg;

namespace {

QByteArray crc(const char* hex)
{
    return withModbusCrc(0xA001, hexBytes(hex));
}

TEST(BitAnswerTest, ReadAnswers)
{
    struct Case
    {
        const char* answer;
        int function;
        bool withCrc;
        int code;
        const char* value;
    } cases[] = {
        {"01010101", 1, false, 0, "1"},
        {"01020100", 2, false, 0, "0"},
        {"010101FE", 1, false, 0, "0"}, // only the lowest bit is the item asked for
        {"01020103AAAA", 2, true, 0, "1"},
        {"018202AAAA", 2, true, 4, ""},
        {"018101", 1, false, 3, ""},
        {"01820B", 2, false, 11, ""},
        // An answer of another function is not the state asked for.
        {"01020101", 1, false, 11, ""},
        {"01030101", 2, false, 11, ""},
        // No data byte: with the CRC taken off, nothing is left to read.
        {"010101AAAA", 1, true, 11, ""},
        {"01010001", 1, false, 11, ""}, // byte count 0
        {"01", 1, false, 11, ""},
        {"", 2, true, 11, ""},
    };
    for (const Case& c : cases) {
        const ModbusReading r =
            InterpretBitAnswer(hexBytes(c.answer), std::uint8_t(c.function), c.withCrc);
        EXPECT_EQ(r.code, c.code) << c.answer;
        EXPECT_EQ(r.value, QString::fromUtf8(c.value)) << c.answer;
        EXPECT_EQ(r.note.isEmpty(), c.code == 0) << c.answer;
    }
    EXPECT_EQ(InterpretBitAnswer(hexBytes("018202"), 2, false).note,
              "Запрещенный адрес данных (код ошибки 4)");
}

TEST(BitAnswerTest, AWriteSucceedsOnlyWhenItsRequestComesBack)
{
    const QByteArray on = coilWriteRequest(1, 0x0010, true);
    const QByteArray off = coilWriteRequest(1, 0x0010, false);
    EXPECT_EQ(on, hexBytes("01050010FF00"));
    EXPECT_EQ(off, hexBytes("010500100000"));
    struct Case
    {
        QByteArray answer, request;
        bool withCrc;
        int code;
        const char* value;
    } cases[] = {
        {withModbusCrc(0xA001, on), on, true, 0, "1"},
        {off, off, false, 0, "0"},
        {withModbusCrc(0xA001, off), on, true, 11, ""}, // the other value
        {hexBytes("01050012FF00"), on, false, 11, ""},  // another coil
        {on.left(5), on, false, 11, ""},                // cut short
        {hexBytes("018503"), on, false, 5, ""},
        {hexBytes("018501AAAA"), on, true, 3, ""},
    };
    for (const Case& c : cases) {
        const ModbusReading r = InterpretCoilWriteAnswer(c.answer, c.request, c.withCrc);
        EXPECT_EQ(r.code, c.code) << c.answer.toHex().constData();
        EXPECT_EQ(r.value, QString::fromUtf8(c.value)) << c.answer.toHex().constData();
    }
}

struct BitRequestTest : MasterFixture
{
    ModbusLinkSettings settings;

    enum Op
    {
        Input,
        Coil,
        WriteOn,
        WriteOff
    };

    ModbusReading run(Op op, int address)
    {
        switch (op) {
        case Input:
            return ReadDiscreteInput(*master, settings, address, {});
        case Coil:
            return ReadCoil(*master, settings, address, {});
        case WriteOn:
            return WriteCoil(*master, settings, address, true, {});
        case WriteOff:
            break;
        }
        return WriteCoil(*master, settings, address, false, {});
    }
};

TEST_F(BitRequestTest, EachFunctionAsksForOneItemAndReadsItsAnswer)
{
    settings.SlaveAddress = 0x11;
    settings.ConstCRC = 0xA001;
    struct Case
    {
        Op op;
        const char* request;
        const char* answer;
        const char* value;
    } cases[] = {
        {Input, "110201020001", "11020101", "1"},
        {Coil, "110101020001", "11010100", "0"},
        {WriteOn, "11050102FF00", "11050102FF00", "1"},
        {WriteOff, "110501020000", "110501020000", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        SetUp();
        open();
        answers = {crc(c.answer)};
        answerDelayMs = 0;
        const qint64 start = clock.nowMs();
        const ModbusReading r = run(c.op, 0x0102);
        EXPECT_EQ(port->writes, QList<QByteArray>{crc(c.request)});
        EXPECT_EQ(r.code, 0) << r.note.toStdString();
        EXPECT_EQ(r.value, QString::fromUtf8(c.value));
        // The answer's known length ends the reading, not the gap of 1.5 s.
        EXPECT_EQ(clock.nowMs() - start, 2 + 500 + 100);
    }
}

TEST_F(BitRequestTest, WithoutCrcTheBareAnswerIsRead)
{
    settings.ConstCRC = 0;
    open();
    answers = {hexBytes("01020101"), hexBytes("010500070000")};
    answerDelayMs = 0;
    EXPECT_EQ(run(Input, 7).value, "1");
    EXPECT_EQ(run(WriteOff, 7).value, "0");
    EXPECT_EQ(port->writes,
              (QList<QByteArray>{hexBytes("010200070001"), hexBytes("010500070000")}));
    EXPECT_EQ(clock.nowMs(), 2 * (2 + 500 + 100));
}

TEST_F(BitRequestTest, AnAcknowledgeIsAskedOnceMoreForEveryFunction)
{
    settings.ConstCRC = 0xA001;
    struct Case
    {
        Op op;
        std::vector<QByteArray> answers;
        int requests, code;
        const char* value;
    } cases[] = {
        {Input, {crc("018205"), crc("01020101")}, 2, 0, "1"},
        {Coil, {crc("018105"), crc("01010100")}, 2, 0, "0"},
        {WriteOn, {crc("018505"), crc("01050005FF00")}, 2, 0, "1"},
        {WriteOn, {crc("018505"), crc("018505")}, 2, 7, ""},
        {Coil, {crc("018102"), crc("01010101")}, 1, 4, ""}, // other exceptions are final
        {Input, {crc("018206"), crc("01020101")}, 1, 8, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(&c - cases));
        SetUp();
        open();
        answers = c.answers;
        const ModbusReading r = run(c.op, 5);
        EXPECT_EQ(port->writes.size(), c.requests);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.value, QString::fromUtf8(c.value));
    }
}

TEST_F(BitRequestTest, FailedTransactionsCarryTheirNote)
{
    settings.ConstCRC = 0xA001;
    settings.AnswerSeconds = 2;
    open();
    ModbusReading r = run(Input, 3);
    EXPECT_EQ(r.note, "Нет ответа от устройства (код ошибки 1)");
    EXPECT_EQ(port->writes.size(), 2); // one repeat after no answer

    answers = {QByteArray(), QByteArray(), hexBytes("01020101AAAA")};
    EXPECT_EQ(run(Coil, 3).note, "Несовпадение CRC16 в ответе (код ошибки 2)");

    port->writeFails = true;
    r = run(WriteOn, 3);
    EXPECT_EQ(r.code, 8);
    EXPECT_EQ(r.note, "Ошибка записи в последовательный порт (код ошибки 8)");
    EXPECT_TRUE(r.value.isEmpty());
}

TEST_F(BitRequestTest, AStoppedReadingShowsNothing)
{
    settings.ConstCRC = 0xA001;
    open();
    pumpHook = [this] { shared.AbortRequested = true; };
    const ModbusReading r = run(WriteOn, 3);
    EXPECT_TRUE(r.aborted);
    EXPECT_TRUE(r.value.isEmpty());
    EXPECT_TRUE(r.note.isEmpty());
}

} // namespace
