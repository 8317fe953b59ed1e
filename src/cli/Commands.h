#pragma once

#include "core/config/GatewayConfig.h"

#include <CLI/CLI.hpp>

#include <string>

namespace veg {
class ProgramSettings;
}

namespace vegctl {

// The exit status a command's callback leaves for main(): 0 success, otherwise the command's
// failure status (1 a refused file, 3 a failed exchange, ...).
int& exitStatus();

// Prints the message on standard error and leaves `status` for main().
void fail(const QString& message, int status = 1);

// The program settings file of --settings (else vegctl's own beside the executable), read once.
extern std::string settingsPath;
veg::ProgramSettings& settings();
// File -> Load without the questions: the controllers get their databases from the settings'
// folders. False (with the message printed) when the file is refused.
bool loadFile(veg::GatewayConfig& c, const std::string& path);
// File -> Save As without the questions: the whole configuration into `path` (".veg" appended
// to a path without any "."). False with the message printed.
bool saveAs(veg::GatewayConfig& c, const std::string& path);
// The system's decimal separator, with which vegconf shows and writes numbers.
QChar systemDecimalSeparator();

// Each group of subcommands lives in its own file and adds itself to the program.
void addConfigCommands(CLI::App& app);   // dump, new, resave
void addDatabaseCommands(CLI::App& app); // db
void addLinkCommands(CLI::App& app);     // param, access
void addModbusCommands(CLI::App& app);   // modbus read, inputs, coils, write-coil
void addEditCommands(CLI::App& app);     // edit
void addExchangeCommands(CLI::App& app); // image, write, read, search, verify
void addCheckCommands(CLI::App& app);    // check
void addImportCommands(CLI::App& app);   // import
void addDiffCommands(CLI::App& app);     // diff

} // namespace vegctl
