#include "CheckLines.h"
#include "MeteringFixture.h"

#include "core/config/GatewayConfig.h"

using namespace veg;

namespace {

// The metering station (21) and the boiler house (22).
using MeteringCheckTest = MeteringFixture;

} // namespace

// A thread's controller and its parameters: a missing controller is reported once for the
// thread, not for each of its parameters; a thread without controller but with parameters is a
// warning.
TEST_F(MeteringCheckTest, UnkThreads)
{
    GatewayConfig c = station(ProtocolVariant::UnkTm);
    c.UnkThreads[0].SetN = 0x21;
    c.GroupParams[std::size_t(unkGroupRow(0, 0))] = {255, 0x0101, 1, "Плотн"};
    c.GroupParams[std::size_t(unkGroupRow(0, 1))] = {255, 0x0999, 1, "нет такого"};
    c.GroupParams[std::size_t(unkGroupRow(0, 2))] = {255, 0xFF00, 1, "не параметр"};
    c.UnkThreads[1].SetN = 0x3C;
    c.GroupParams[std::size_t(unkGroupRow(1, 0))] = {255, 0x0101, 1, "Плотн"};
    c.GroupParams[std::size_t(unkGroupRow(1, 5))] = {255, 0x0102, 1, "CO2"};
    c.GroupParams[std::size_t(unkGroupRow(2, 3))] = {255, 0x0103, 1, "N2"};
    c.GroupParams[std::size_t(unkGroupRow(2, 4))] = {255, 0x0104, 1, "Уст"};
    EXPECT_EQ(checkLines(c),
              QStringList({"ERROR | Вычислитель, нитка 1, Процент CO2 | Параметра 0999 нет в базе "
                           "данных контроллера 21 (Узел учёта)",
                           "ERROR | Вычислитель, нитка 2, CAN-адрес модуля на нитке | "
                           "Контроллера с сетевым номером 3C нет в списке контроллеров",
                           "WARNING | Вычислитель, нитка 3 | У нитки нет контроллера, но задано "
                           "параметров: 2; окно их не показывает, а в ВЕГ-78 они записываются"}));
}

TEST_F(MeteringCheckTest, HartDevices)
{
    GatewayConfig c = station(ProtocolVariant::Hart);
    c.HartDevices[3].SetN = 0x22;
    c.GroupParams[std::size_t(hartGroupRow(3, 0))] = {255, 0x0101, 5, "ПлК"};
    c.GroupParams[std::size_t(hartGroupRow(3, 1))] = {255, 0x010A, 5, "Отказ"}; // the station's
    c.GroupParams[std::size_t(hartGroupRow(5, 4))] = {255, 0x0108, 1, "МесQ"};
    EXPECT_EQ(checkLines(c),
              QStringList({"ERROR | Настройка параметров, устройство 4, Параметр отказа | "
                           "Параметра 010A нет в базе данных контроллера 22 (Котельная)",
                           "WARNING | Настройка параметров, устройство 6 | У устройства нет "
                           "контроллера, но задано параметров: 1; окно их не показывает, а в "
                           "ВЕГ-78 они записываются"}));
}

// КТС Энергия: the rows' controllers and parameters, a telesignal from an unset group slot, and
// the windows' closing checks (a row with a controller but no parameter) for every such row.
TEST_F(MeteringCheckTest, KtsRows)
{
    GatewayConfig c = station(ProtocolVariant::KtsEnergia);
    c.GroupParams[0] = {0x21, 0x0321, 3, "ГрУ"};
    c.KtsGroups[0] = {0x3C, 0x0101, 0, 100, 2, 1, "Плотн"};
    c.KtsGroups[2].SetN = 0x21; // no parameter yet
    c.KtsGroups[5].SetN = 0x22;
    c.KtsSignals[1] = {0x01, 255, 0x0004, 0xFFFF, "бит 4"};
    c.KtsSignals[2] = {0x01, 255, 0x0105, 0xFFFF, "бит 5"};
    c.KtsSignals[3] = {0x00, 0x22, 0x0202, 6, "Насос"};
    EXPECT_EQ(checkLines(c),
              QStringList({"ERROR | Гребёнка, строка 1, CAN-адрес модуля | Контроллера с "
                           "сетевым номером 3C нет в списке контроллеров",
                           "ERROR | Гребёнка, строка 3 | Введите параметр или удалите строку!",
                           "ERROR | Гребёнка, строка 6 | Введите параметр или удалите строку!",
                           "ERROR | Настройка ТС, строка 3 | Сигнал из бита 5 группового "
                           "параметра 2, а он не задан",
                           "ERROR | Настройка ТС, строка 4, Параметр ТС | Параметра 0202 нет в "
                           "базе данных контроллера 22 (Котельная)"}));
}
