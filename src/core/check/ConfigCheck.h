#pragma once

#include "core/check/CheckFinding.h"

#include <vector>

namespace veg {

class GatewayConfig;
struct AdditionalSettings;

// What is wrong with a configuration before it is written into a gateway, found without a
// window. vegctl check prints it; the main window's overview shows it.
//
// Errors (the gateway would misbehave, a write would be refused, or a window would refuse to
// close):
//  - a speed of the general settings without a gateway code (a file can hold one), where the
//    protocol's image carries the general settings (a warning for КТС Энергия, whose does not);
//  - two controllers of the list with one network number;
//  - a reference to a network number that is not in the controller list;
//  - a reference to a parameter that the controller's database does not have (when the database
//    was read);
//  - a telesignal from a bit of a group parameter that is not set;
//  - Modbus coils or discrete inputs that two rows use, holding registers that two floating-point
//    values share (a value takes two: 100 and 101 collide), and numbers beyond 65535, of which
//    the gateway gets only the low 16 bits;
//  - every row that a window's closing check stops on, with that window's own box;
//  - a value that a window would refuse when typed or cannot show (ValueRules: a pulse of 0 s, a
//    bit above 31, a type or sign that is none of the window's items) where the gateway gets it:
//    in the general settings or in a row in use (not a coil command's pulse when the command is
//    no pulse), unless a closing check already stopped on that row.
// Warnings:
//  - a controller whose database was not found, or whose module the library folders do not
//    hold: its references are not checked;
//  - a controller whose network number is the gateway's own CAN-BUS address;
//  - an odd coil number (the window takes even ones only);
//  - such a value that the gateway does not use: in a row not in use, or the pulse of a coil
//    command that is no pulse;
//  - an УНК ТМ thread or a HART device without controller but with parameters: the window does
//    not show them, yet they go into the gateway.
//
// The findings come window by window in the order of the protocol's menu.
class ConfigCheck
{
public:
    ConfigCheck(const GatewayConfig& config, const AdditionalSettings& additional);

    const std::vector<CheckFinding>& findings() const { return m_findings; }
    int errors() const;
    int warnings() const;
    // "Ошибок: 2, предупреждений: 1".
    QString summary() const;

private:
    std::vector<CheckFinding> m_findings;
};

} // namespace veg
