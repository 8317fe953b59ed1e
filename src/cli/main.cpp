#include "Commands.h"

#include <QCoreApplication>

namespace vegctl {
int& exitStatus()
{
    static int status = 0;
    return status;
}
} // namespace vegctl

int main(int argc, char** argv)
{
    QCoreApplication qapp(argc, argv);
    CLI::App app{"vegctl: command-line companion of vegconf for the ВЕГ-78 gateway"};
    app.set_version_flag("--version", std::string("vegctl ") + VEG_VERSION);
    app.require_subcommand(1);
    vegctl::addConfigCommands(app);
    vegctl::addDatabaseCommands(app);
    vegctl::addLinkCommands(app);
    vegctl::addModbusCommands(app);
    vegctl::addEditCommands(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    return vegctl::exitStatus();
}
