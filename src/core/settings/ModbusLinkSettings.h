#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace veg {

// How the Modbus link test reaches the gateway (section "NastrModbus" of the settings file).
struct ModbusLinkSettings
{
    QString TestPortName = QStringLiteral("COM2");
    int ModbusSpeedIndex = 5;      // into speeds(), -1 = none
    std::uint8_t CharFormat = 1;   // 0 = 11 bits, 1 = 10 bits
    std::uint8_t ParityChoice = 2; // 0 even, 1 odd, 2 none
    std::uint8_t SlaveAddress = 1;
    int AnswerSeconds = 1;
    std::uint16_t ConstCRC = 0x8408; // 0 = no CRC
    bool InvertBytes = false;
    bool SwapWords = false;

    static QStringList speeds()
    {
        return {QStringLiteral("300"),  QStringLiteral("600"),  QStringLiteral("1200"),
                QStringLiteral("2400"), QStringLiteral("4800"), QStringLiteral("9600"),
                QStringLiteral("19200")};
    }
};

} // namespace veg
