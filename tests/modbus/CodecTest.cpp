// The CRC with its configurable constant, the four float byte orders and the result texts.

#include "core/modbus/ModbusCrc.h"
#include "core/modbus/ModbusFloat.h"
#include "core/modbus/ModbusResult.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <bit>

using namespace veg;

namespace {

QByteArray hexBytes(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

TEST(ModbusCrcTest, StandardConstantGivesTheModbusCrcAndOthersFollowTheirConstant)
{
    // Reference frames as a Modbus RTU master sends them, CRC low byte first.
    EXPECT_EQ(withModbusCrc(0xA001, hexBytes("010300000002")), hexBytes("010300000002C40B"));
    EXPECT_EQ(withModbusCrc(0xA001, hexBytes("110300000002")), hexBytes("110300000002C69B"));
    EXPECT_EQ(withModbusCrc(0x8408, hexBytes("010300050002")), hexBytes("010300050002380B"));
    EXPECT_EQ(ModbusCrc(0xA001, QByteArray()), 0xFFFF);
    EXPECT_EQ(ModbusCrc(0x1234, nullptr, 0), 0xFFFF);

    EXPECT_TRUE(hasModbusCrc(0xA001, hexBytes("0103040000803FDBE3")));
    EXPECT_FALSE(hasModbusCrc(0xA001, hexBytes("0103040000803FDBE4")));
    EXPECT_FALSE(hasModbusCrc(0x8408, hexBytes("0103040000803FDBE3")));
    // Too short to hold anything and a CRC: never taken as checked, whatever the bytes.
    EXPECT_FALSE(hasModbusCrc(0xA001, hexBytes("FFFF")));
    EXPECT_FALSE(hasModbusCrc(0xA001, QByteArray()));
}

TEST(ModbusFloatTest, FourByteOrdersDecodeAndEncode)
{
    struct Case
    {
        bool invert, swap;
        const char* one; // D0..D3 of 1.0 (0x3F800000)
    } cases[] = {
        {false, false, "0000803F"},
        {true, false, "3F800000"},
        {false, true, "00003F80"},
        {true, true, "803F0000"},
    };
    for (const Case& c : cases) {
        const QByteArray d = hexBytes(c.one);
        EXPECT_EQ(DecodeFloat(std::uint8_t(d[0]), std::uint8_t(d[1]), std::uint8_t(d[2]),
                              std::uint8_t(d[3]), c.invert, c.swap),
                  1.0f)
            << c.one;
        const auto e = EncodeFloat(1.0f, c.invert, c.swap);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(e.data()), 4), d) << c.one;
        // A value with four different bytes goes through every order unchanged.
        const float v = -123.456f;
        const auto b = EncodeFloat(v, c.invert, c.swap);
        EXPECT_EQ(
            std::bit_cast<std::uint32_t>(DecodeFloat(b[0], b[1], b[2], b[3], c.invert, c.swap)),
            std::bit_cast<std::uint32_t>(v));
    }
}

TEST(ModbusResultTest, CodesTextsAndExceptions)
{
    EXPECT_EQ(ModbusResult::text(0), "OK");
    EXPECT_EQ(ModbusResult::text(1), "Нет ответа от устройства");
    EXPECT_EQ(ModbusResult::text(4), "Запрещенный адрес данных");
    EXPECT_EQ(ModbusResult::text(11), "Ошибка приема");
    EXPECT_EQ(ModbusResult::text(99), "Ошибка приема");
    EXPECT_EQ(ModbusResult::note(4), "Запрещенный адрес данных (код ошибки 4)");
    struct
    {
        int exception, code;
    } cases[] = {{1, 3}, {2, 4}, {5, 7}, {6, 8}, {8, 10}, {9, 11}, {255, 11}, {0, 11}};
    for (const auto& c : cases)
        EXPECT_EQ(ModbusResult::fromException(c.exception), c.code) << c.exception;
    EXPECT_EQ(ModbusResult::writeFailedNote(),
              "Ошибка записи в последовательный порт (код ошибки 8)");
}

} // namespace
