#pragma once

#include "core/config/ProtocolCatalogue.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace veg {

class GatewayConfig;

// One place where a configuration's tables name a controller, one of its parameters, or a bit of
// a group parameter, with the place in the terms of the window that edits it.
struct ConfigReference
{
    enum class Kind
    {
        Controller, // a row's controller (УНК ТМ thread, HART device, КТС row): `netNumber`
        Parameter,  // parameter `paramNumber` of controller `netNumber`
        GroupBit    // a telesignal from bit (paramNumber & 0xFF) of group slot (paramNumber >> 8)
    };
    Kind kind = Kind::Parameter;
    EditorId editor = EditorId::Group;
    QString row; // "строка 3", "нитка 1", "субблок 2, телеоперация 1, разряд 4", "2 параметр"
    QString
        field; // which of the row's references ("Установка в 0", "Плотность газа"); may be empty
    std::uint8_t netNumber = 255;
    std::uint16_t paramNumber = 0xFFFF;
    // The table row (from 0) where the editor's grid shows the reference row by row; -1 for the
    // windows of threads, devices, sub-blocks and group slots.
    int tableRow = -1;
};

// Every reference of the rows the gateway gets (GatewayConfig::RowInUse), table by table in the
// order the protocol's catalogue makes them, each table's rows in order. Empty references are
// left out: a coil command's TU0, feedback and readiness references without a Kind, group slots
// without a parameter, УНК ТМ slot numbers from 0xFF00 on.
std::vector<ConfigReference> collectReferences(const GatewayConfig& config);

// Row `index` of `table` in the terms of the window that edits it, as the references name it:
// "строка 3", "субблок 2, телеоперация 1, разряд 4", "субблок 1, телеизмерение 2", "нитка 1",
// "устройство 2", "субблок 4" (a sub-block's type).
QString rowPlace(const GatewayConfig& config, TableId table, int index);

} // namespace veg
