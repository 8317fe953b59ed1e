#pragma once

#include <QStringList>

namespace veg {

// The serial ports the settings windows offer and the settings file's port index counts in,
// shared by the gateway link and the Modbus link test.
inline QStringList portNames()
{
    QStringList out;
    for (int i = 1; i <= 8; ++i)
        out << QStringLiteral("COM%1").arg(i);
    return out;
}

} // namespace veg
