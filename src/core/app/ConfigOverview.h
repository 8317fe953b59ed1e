#pragma once

#include "core/check/CheckFinding.h"
#include "core/config/ProtocolCatalogue.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace veg {

class GatewayConfig;
struct AdditionalSettings;

// What the main window shows of the configuration at a glance, computed from it: the line as a
// chain (the upper-level master, the gateway with its protocol, addresses and line speed, CAN-BUS
// with its speed, each controller with its network number), the gateway's settings in words,
// each table with its rows in use out of its size, and the findings of ConfigCheck.
struct ConfigOverview
{
    // One box of the line's drawing.
    struct Node
    {
        QString title;
        QStringList details;
        bool marked = false; // a controller whose database or module was not found
        friend bool operator==(const Node&, const Node&) = default;
    };
    struct Table
    {
        TableId table = TableId::GroupParams;
        QString title;
        int used = 0;
        int size = 0;
        EditorId editor = EditorId::Group; // the main-menu window that edits it
        friend bool operator==(const Table&, const Table&) = default;
    };

    bool present = false; // false: no configuration yet (nothing else is filled)
    Node master;
    Node gateway;
    Node bus;
    std::vector<Node> controllers;
    QString settings; // "CAN 300 кбит/с, линия 9600 бод, 11 бит, чёт"
    std::vector<Table> tables;
    std::vector<CheckFinding> findings;
    QString summary; // "Ошибок: 0, предупреждений: 1"
    int errors = 0;
};

ConfigOverview describeConfiguration(const GatewayConfig& config,
                                     const AdditionalSettings& additional);

} // namespace veg
