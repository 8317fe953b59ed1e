#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace veg {

// The gateway's upper-level protocol. The five names, in this order, are the protocol-name
// table of the configuration file, the window caption and the menus.
enum class ProtocolVariant : std::uint8_t {
    Magistral1 = 0,
    Modbus = 1,
    UnkTm = 2,
    Hart = 3,
    KtsEnergia = 4,
    None = 255,
};

inline constexpr int kProtocolCount = 5;

inline QStringList protocolNames()
{
    return {QStringLiteral("Магистраль-1"), QStringLiteral("Modbus"), QStringLiteral("УНК ТМ"),
            QStringLiteral("HART"), QStringLiteral("КТС Энергия")};
}

// "" for ProtocolVariant::None.
inline QString protocolName(ProtocolVariant p)
{
    const auto i = static_cast<int>(p);
    return i < kProtocolCount ? protocolNames().at(i) : QString();
}

// Exact match, letter case included; None for any other text.
inline ProtocolVariant protocolFromName(const QString& name)
{
    const int i = protocolNames().indexOf(name);
    return i < 0 ? ProtocolVariant::None : static_cast<ProtocolVariant>(i);
}

} // namespace veg
