#pragma once

#include "core/config/GatewayConfig.h"

#include <QJsonValue>
#include <QString>

#include <vector>

namespace veg {

// One field in which two configurations differ.
//
// `path` names the field as the JSON of a configuration does: "Protocol", "IsReadBack",
// "Common.V_Ext", "Controllers[1].Path", "TiFloatTable[12].Extra",
// "ModbusCoilTable[0].TU1.ParamNumber", "OkpSubblockTypes[3]", "ParoleWr". `left` and `right` are
// the two values in the file's notation where it has one: addresses and network numbers two
// hexadecimal digits ("1A"), parameter numbers four, TypeTU one or more, CRC constants four; yes/no
// fields "YES"/"NO"; the two speeds as the speeds they stand for (9600, not the file's "2400"); the
// HART long address as its three bytes ("0A 1B 2C"); passwords 32 hexadecimal digits; sub-block
// types with their names ("2 (ТУ)"); the file's type "Input"/"Read"; texts in double quotes
// (a thread name without the blanks that pad it); everything else decimal. A controller or a row
// that only one side has shows "-" on the other. `leftValue` and `rightValue` are the two values
// as the JSON holds them (undefined for "-").
struct ConfigDifference
{
    QString path;
    QString left;
    QString right;
    QJsonValue leftValue;
    QJsonValue rightValue;

    // "PATH: LEFT -> RIGHT"
    QString text() const;
    // In the words of the windows that show the field: the window, the row, the field and the
    // two values under their names: "Телеуправление, строка 4, TU1.ParamNumber: в ВЕГ 0012, в
    // файле 0011" (with `rightName` "в ВЕГ" and `leftName` "в файле"; the right side first).
    QString inWords(const QString& leftName, const QString& rightName) const;
};

// What a comparison covers besides the protocol, the general settings and the tables.
struct DiffOptions
{
    bool fileType = true;    // IsReadBack: the file's "Read" or "Input"
    bool controllers = true; // the controller list: path and network number of each
    bool controllerPaths = true; // a controller's task queue; without it its network number only
};

// Every field in which `b` differs from `a`, in a stable order: protocol, file type, general
// settings, controllers, then the protocol's tables in the order File -> New makes them, row by
// row, field by field. Configurations of different protocols differ in "Protocol"; of the rest only
// the general settings that every protocol keeps (AdrCAN, V_CAN, V_Ext, RBit, TBit, tbegin,
// trepeat, TimeR_T) and the controllers are compared then: the tables of two protocols have nothing
// in common. The file state (file name, changed flags) and whether a controller's database was
// found are not part of a configuration's content and are never compared.
std::vector<ConfigDifference> compareConfigs(const GatewayConfig& a, const GatewayConfig& b,
                                             const DiffOptions& options = {});

} // namespace veg
