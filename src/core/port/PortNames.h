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

// The ports a settings window offers: COM1 ... COM8, the machine's ports, then every port the
// settings named (a USB adapter, a pseudo-terminal), each once and in that order; blank names are
// left out. A port named once stays offered although another one is chosen.
inline QStringList offeredPorts(const QStringList& machine, const QStringList& named)
{
    QStringList out = portNames();
    for (const QStringList* list : {&machine, &named})
        for (const QString& p : *list)
            if (!p.trimmed().isEmpty() && !out.contains(p))
                out << p;
    return out;
}

} // namespace veg
