#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace veg {

// How the PC reaches the gateway. One program-wide instance, read from section "Parametr" of
// the program settings file at start and written back by the exchange settings window.
struct ExchangeSettings
{
    static constexpr std::uint8_t kRs232 = 0;
    static constexpr std::uint8_t kCanBus = 12;

    std::uint8_t AdapterKind = kCanBus; // 0 = RS-232, 12 = CAN-BUS
    QString PortName = QStringLiteral("COM2");
    int PortIndex = 1;             // position of PortName in portNames(), -1 = none
    std::uint8_t ChecksumKind = 0; // 0 none, 1 in the data, 2 in place of the check byte
    int SpeedIndex = 5;            // into serialSpeeds(), -1 = none
    int CanSpeedIndex = 0;         // into canSpeeds(), -1 = none
    bool ViaAdapter = false;       // RS-232 only: transit through the master module
    std::uint8_t GatewayNumber = 0x25;
    std::uint8_t AdapterNumber = 1;
    int PcNumber = 0;
    int Retries = 3;
    int AnswerWaitSeconds = 2;
    // Further rounds, after a pause, of a write request that failed after its attempts
    // ("Повторных циклов при записи", key "WriteRounds").
    int WriteRounds = 2;
    static constexpr int kMaxWriteRounds = 20;
    // The exchange window's check boxes: "Проверить после записи" (key "VerifyWrite") and
    // "Сохранить копию из ВЕГ перед записью" (key "BackupBeforeWrite").
    bool VerifyAfterWrite = true;
    bool BackupBeforeWrite = true;
    // "Быстрый поиск" (key "QuickSearch"): the search asks each number once, briefly.
    bool QuickSearch = false;

    // The link-type choice as displayed and as stored in "VS" (the first with its blank).
    static QStringList linkTypeTexts()
    {
        return {QStringLiteral("RS-232 "), QStringLiteral("CAN-BUS")};
    }
    static QStringList serialSpeeds()
    {
        return {QStringLiteral("300"),   QStringLiteral("600"),   QStringLiteral("1200"),
                QStringLiteral("2400"),  QStringLiteral("4800"),  QStringLiteral("9600"),
                QStringLiteral("19200"), QStringLiteral("38400"), QStringLiteral("56000"),
                QStringLiteral("57600"), QStringLiteral("115200")};
    }
    // CAN speeds in kbit/s, as the settings window displays them (blanks included).
    static QStringList canSpeeds()
    {
        return {QStringLiteral("300"), QStringLiteral("150"), QStringLiteral("100"),
                QStringLiteral("  50"), QStringLiteral("  20")};
    }
    static QStringList checksumTexts()
    {
        return {QStringLiteral("не рассчитывается"), QStringLiteral("в данных"),
                QStringLiteral("вместо КС ")};
    }
};

} // namespace veg
