#include "core/link/LinkStatus.h"

#include <gtest/gtest.h>

using namespace veg;

TEST(LinkStatus, MessagesAsTheOperatorSeesThem)
{
    struct Case
    {
        int code;
        const char* text;
    } cases[] = {
        {0, "  OK"},
        {1, "  Нет ответа от контроллера "},
        {5, "  Не получены  данные на запрос "},
        {8, "  Ошибка записи в последовательный порт "},
        {9, "  Выход по требованию оператора"},
        {29, "29"},
        {32, "32"},
        {39, "39"},
        {40, "40"},
        {37, "  ОК ( положительная квитанция )"},
        {54, "  Контроллер не перешел в состояние \"СТОП\""},
        {57, "Не найден ведущий модуль"},
        {58, "ВЕГ не найдены"},
        {59, "Нет ответа от ведущего модуля"},
        {60, "  Старая версия ВЕГ-78 не поддерживается"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StatusMessage(c.code), QString::fromUtf8(c.text)) << c.code;
}

TEST(LinkStatus, SharedTextsAndLeadingBlanks)
{
    EXPECT_EQ(StatusMessage(36), StatusMessage(3));
    EXPECT_EQ(StatusMessage(44), StatusMessage(19));
    for (int code = 0; code < Status::kCount; ++code) {
        const QString text = StatusMessage(code);
        const bool bare =
            code == 29 || code == 32 || code == 39 || code == 40 || (code >= 57 && code <= 59);
        EXPECT_EQ(text.startsWith(QStringLiteral("  ")), !bare) << code;
    }
}

TEST(LinkStatus, CodesOutsideTheTableShowTheirNumber)
{
    EXPECT_EQ(StatusMessage(68), QStringLiteral("68"));
    EXPECT_EQ(StatusMessage(-1), QStringLiteral("-1"));
}

TEST(LinkStatus, GatewayNamesByDeviceType)
{
    struct Case
    {
        std::uint16_t code;
        const char* name; // empty: not a gateway
    } cases[] = {
        {0x0640, "ВЕГ (вариант не задан)"},
        {0x0641, "ВЕГ (Магистраль-1)"},
        {0x0642, "ВЕГ (Modbus)"},
        {0x0643, "ВЕГ (УНК ТМ)"},
        {0x0644, ""},
        {0x0645, "ВЕГ (HART)"},
        {0x0646, "ВЕГ (КТС Энергия)"},
        {0x0647, ""},
        {0x063F, ""},
        {0x0600, ""},
        {0x0042, ""}, // the right low byte alone is not enough
    };
    for (const auto& c : cases)
        EXPECT_EQ(GatewayDeviceName(c.code), QString::fromUtf8(c.name)) << c.code;
    // The names are entries 61..67 of the table.
    EXPECT_EQ(StatusMessage(63), QStringLiteral("ВЕГ (Modbus)"));
}
