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
        "check", "Загрузить файл .veg, как это делает Файл -> Загрузить, и вывести, что в нём не "
                 "так: по строке на находку (ERROR или WARNING, где, что, через табуляцию), затем "
                 "итог; код выхода 0, если ERROR нет, иначе 1");
    check->add_option("FILE", file, "файл конфигурации")->required();
    check->add_option("--settings", settingsPath,
                      "файл настроек программы: папки базы данных (BaseK19) и названия задач "
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
