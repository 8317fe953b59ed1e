// One register as the read window reads it: the answer's meaning, the exception-5 repeat, and
// the register list.

#include "MasterFixture.h"

#include "core/settings/ModbusLinkSettings.h"
#include "core/modbus/ModbusReading.h"

using namespace veg;

namespace {

TEST(InterpretAnswerTest, ValuesWordsAndErrors)
{
    struct Case
    {
        const char* answer;
        bool withCrc, invert, swap;
        int code;
        const char* value;
        const char* note;
    } cases[] = {
        {"0103040000803FDBE3", true, false, false, 0, "1.0000", ""},
        {"0103043F800000", false, true, false, 0, "1.0000", ""}, // no CRC: 7 bytes hold a float
        {"010304C2F6E979AAAA", true, true, false, 0, "-123.4560", ""},
        {"010304E979C2F6AAAA", true, false, true, 0, "-123.4560", ""},
        {"010304F6C279E9AAAA", true, true, true, 0, "-123.4560", ""},
        {"0103021234AAAA", true, false, false, 0, "4660", ""}, // one register: the word
        {"010302FFFF", false, false, false, 0, "65535", ""},
        {"018302C0F1", true, false, false, 4, "", "Запрещенный адрес данных (код ошибки 4)"},
        {"018301", false, false, false, 3, "", "Запрещенная функция (код ошибки 3)"},
        {"018309AAAA", true, false, false, 11, "", "Ошибка приема (код ошибки 11)"},
        {"018300AAAA", true, false, false, 11, "", "Ошибка приема (код ошибки 11)"},
        // Too short to hold a register: not read as whatever lies behind it.
        {"010304AAAA", true, false, false, 11, "", "Ошибка приема (код ошибки 11)"},
        {"01", false, false, false, 11, "", "Ошибка приема (код ошибки 11)"},
    };
    for (const Case& c : cases) {
        const ModbusReading r = InterpretAnswer(hexBytes(c.answer), c.withCrc, c.invert, c.swap);
        EXPECT_EQ(r.code, c.code) << c.answer;
        EXPECT_EQ(r.value, QString::fromUtf8(c.value)) << c.answer;
        EXPECT_EQ(r.note, QString::fromUtf8(c.note)) << c.answer;
    }
    EXPECT_EQ(InterpretAnswer(hexBytes("0103040000803FDBE3"), true, false, false, u',').value,
              "1,0000");
    EXPECT_EQ(InterpretAnswer(hexBytes("0103040000807FAAAA"), true, false, false).value, "INF");
}

struct ReadRegisterTest : MasterFixture
{
    ModbusLinkSettings settings;

    ModbusReading read(int reg) { return ReadHoldingRegister(*master, settings, reg, {}); }
};

TEST_F(ReadRegisterTest, RequestsTwoRegistersAtTheSlaveAddress)
{
    settings.SlaveAddress = 0x11;
    settings.ConstCRC = 0xA001;
    open();
    answers = {registerAnswer(0x11, hexBytes("0000A040"))};
    const ModbusReading r = read(0x0102);
    EXPECT_EQ(port->writes, QList<QByteArray>{withModbusCrc(0xA001, hexBytes("110301020002"))});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.value, "5.0000");
}

TEST_F(ReadRegisterTest, AnAcknowledgeIsAskedOnceMore)
{
    settings.ConstCRC = 0xA001;
    struct Case
    {
        const char* name;
        std::vector<QByteArray> answers;
        int requests, code;
    } cases[] = {
        {"acknowledged, then answered",
         {hexBytes("0183058133"), registerAnswer(1, hexBytes("0000803F"))},
         2,
         0},
        {"acknowledged twice", {hexBytes("0183058133"), hexBytes("0183058133")}, 2, 7},
        {"another exception is not repeated",
         {hexBytes("018302C0F1"), registerAnswer(1, hexBytes("0000803F"))},
         1,
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        open();
        answers = c.answers;
        const ModbusReading r = read(5);
        EXPECT_EQ(port->writes.size(), c.requests);
        EXPECT_EQ(r.code, c.code);
    }
}

TEST_F(ReadRegisterTest, WithoutCrcTheShorterAnswerEndsTheReading)
{
    settings.ConstCRC = 0;
    open();
    answers = {hexBytes("0103043F800000")};
    settings.InvertBytes = true;
    answerDelayMs = 0;
    const ModbusReading r = read(0);
    EXPECT_EQ(port->writes, QList<QByteArray>{hexBytes("010300000002")});
    EXPECT_EQ(r.value, "1.0000");
    EXPECT_EQ(clock.nowMs(), 2 + 500 + 100); // seven bytes end it, not the gap
}

TEST_F(ReadRegisterTest, FailuresCarryTheirNote)
{
    open();
    EXPECT_EQ(read(5).note, "Нет ответа от устройства (код ошибки 1)");
    port->writeFails = true;
    const ModbusReading r = read(5);
    EXPECT_EQ(r.code, 8);
    EXPECT_EQ(r.note, "Ошибка записи в последовательный порт (код ошибки 8)");
    EXPECT_TRUE(r.value.isEmpty());
}

TEST(RegisterListTest, CommaSeparatedDecimalNumbers)
{
    const QString wrong = QStringLiteral("Неверно введены номера регистров");
    struct Case
    {
        const char* text;
        std::vector<int> registers;
        const char* message;
    } cases[] = {
        {"5,7", {5, 7}, ""},
        {"5,7,", {5, 7}, ""},
        {"0,65535", {0, 65535}, ""},
        {"12", {12}, ""},
        {"", {}, "Не введен номер регистра"},
        {"5,x", {}, "Неверно введены номера регистров"},
        {"5,,7", {}, "Неверно введены номера регистров"},
        {",5", {}, "Неверно введены номера регистров"},
        {",", {}, "Неверно введены номера регистров"},
        {"65536", {}, "Неверно введены номера регистров"},
        {"-1", {}, "Неверно введены номера регистров"},
    };
    for (const Case& c : cases) {
        QString message;
        const auto list = ParseRegisterList(QString::fromUtf8(c.text), &message);
        EXPECT_EQ(list.value_or(std::vector<int>{}), c.registers) << c.text;
        EXPECT_EQ(list.has_value(), *c.message == 0) << c.text;
        EXPECT_EQ(message, QString::fromUtf8(c.message)) << c.text;
    }
}

} // namespace
