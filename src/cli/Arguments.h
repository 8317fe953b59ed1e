#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace vegctl {

// vegctl's exit status for a command line it does not take (an unknown command or option, a
// missing argument, a value outside its set, an extra argument), as for every other argument
// it refuses before a file or a port is touched.
inline constexpr int kBadArguments = 2;

// Readies the program's parser before its commands are added, for every command to inherit: the
// help pages in Russian (their labels, the help and version flags), the options in the group
// "Параметры", the commands in the group "Команды", and an option given twice takes its last
// value.
void prepareParser(CLI::App& app, const std::string& version);

// Once the commands are added: their help flags in the group and words of the program's.
void finishParser(CLI::App& app);

// What vegctl prints for a command line the parser refused: a Russian line that names the option
// or argument, then where the command's help is.
std::string argumentErrorText(const CLI::App& app, const CLI::ParseError& e);

} // namespace vegctl
