#include "Commands.h"

#include "core/check/ConfigCheck.h"
#include "core/config/GatewayConfig.h"
#include "core/settings/ProgramSettings.h"

#include <iostream>

namespace vegctl {

void addCheckCommands(CLI::App& app)
{
    static std::string file;
    CLI::App* check = app.add_subcommand(
        "check", "Load a .veg file as File -> Load does and print what is wrong with it: one line "
                 "per finding (ERROR or WARNING, where, what, separated by tabs), then a summary; "
                 "exit 0 when there is no ERROR, 1 otherwise");
    check->add_option("FILE", file, "configuration file")->required();
    check->add_option("--settings", settingsPath,
                      "program settings file: the database folders (BaseK19) and task names "
                      "(DopNastr)");
    check->callback([] {
        veg::GatewayConfig config;
        if (!loadFile(config, file))
            return;
        const veg::ConfigCheck result(config, settings().additional);
        for (const veg::CheckFinding& f : result.findings()) {
            std::cout << (veg::severityWord(f.severity) + u'\t' + f.where() + u'\t' + f.text)
                             .toStdString()
                      << '\n';
        }
        std::cout << result.summary().toStdString() << std::endl;
        exitStatus() = result.errors() > 0 ? 1 : 0;
    });
}

} // namespace vegctl
