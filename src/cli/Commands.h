#pragma once

#include "core/config/GatewayConfig.h"

#include <CLI/CLI.hpp>
#include <QJsonObject>

namespace vegctl {

// The exit status a command's callback leaves for main(): 0 success, otherwise the command's
// failure status (1 a refused file, 3 a failed exchange, ...).
int& exitStatus();

// The configuration as the dump command prints it.
QJsonObject configJson(const veg::GatewayConfig& config);

// Each group of subcommands lives in its own file and adds itself to the program.
void addConfigCommands(CLI::App& app);   // dump, new, resave
void addDatabaseCommands(CLI::App& app); // db
void addLinkCommands(CLI::App& app);     // param, access
void addModbusCommands(CLI::App& app);   // modbus read

} // namespace vegctl
