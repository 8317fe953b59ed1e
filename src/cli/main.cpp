#include "Arguments.h"
#include "Commands.h"

#include <QGuiApplication>

#include <cstring>
#include <iostream>
#include <memory>

namespace vegctl {
int& exitStatus()
{
    static int status = 0;
    return status;
}
} // namespace vegctl

namespace {

// Printing to a PDF file (edit --print) paints text, which needs the GUI module's fonts; vegctl
// shows no window, so it takes the offscreen platform, which needs no display. Every other command
// keeps the plain core application.
bool printsToPdf(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--print") == 0 || std::strncmp(argv[i], "--print=", 8) == 0)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    std::unique_ptr<QCoreApplication> qapp;
    if (printsToPdf(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qapp = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        qapp = std::make_unique<QCoreApplication>(argc, argv);
    }
    CLI::App app{"vegctl: командная строка vegconf для шлюза ВЕГ-78"};
    vegctl::prepareParser(app, std::string("vegctl ") + VEG_VERSION);
    app.require_subcommand(1);
    vegctl::addConfigCommands(app);
    vegctl::addDatabaseCommands(app);
    vegctl::addLinkCommands(app);
    vegctl::addModbusCommands(app);
    vegctl::addEditCommands(app);
    vegctl::addExchangeCommands(app);
    vegctl::addCheckCommands(app);
    vegctl::addImportCommands(app);
    vegctl::addDiffCommands(app);
    vegctl::finishParser(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e); // --help, --version
    } catch (const CLI::ParseError& e) {
        std::cerr << vegctl::argumentErrorText(app, e);
        return vegctl::kBadArguments;
    }
    return vegctl::exitStatus();
}
