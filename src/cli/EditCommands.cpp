#include "Commands.h"

#include "core/config/GatewayConfig.h"
#include "core/config/ProgramSettings.h"
#include "core/editors/ScenarioRunner.h"

#include <QFile>
#include <QTextStream>

#include <cstdio>
#include <iostream>

namespace vegctl {

namespace {

// The script's text: a file, or standard input for "-". Scripts are UTF-8.
bool readScript(const std::string& path, QString& text)
{
    QFile f;
    const bool stdinScript = path == "-";
    const bool opened =
        stdinScript ? f.open(stdin, QIODevice::ReadOnly)
                    : (f.setFileName(QString::fromStdString(path)), f.open(QIODevice::ReadOnly));
    if (!opened)
        return false;
    text = QString::fromUtf8(f.readAll());
    return true;
}

} // namespace

void addEditCommands(CLI::App& app)
{
    static std::string file, script, out;
    CLI::App* edit = app.add_subcommand(
        "edit", "Load a .veg file as File -> Load does and run an editor session from a script");
    edit->add_option("FILE", file, "configuration file")->required();
    edit->add_option("SCRIPT", script, "the script (\"-\" for standard input)")->required();
    edit->add_option(
        "--settings", settingsPath,
        "program settings file: the database folders (BaseK19) and task names (DopNastr)");
    edit->add_option("--out", out,
                     "save the configuration at the end into this file, as Save As does");
    edit->footer(veg::ScenarioRunner::languageHelp().toStdString());
    edit->callback([] {
        QString text;
        if (!readScript(script, text)) {
            fail(QStringLiteral("Сценарий %1 не читается").arg(QString::fromStdString(script)));
            return;
        }
        veg::GatewayConfig config;
        if (!loadFile(config, file))
            return;
        veg::ScenarioRunner runner(config, settings().additional, systemDecimalSeparator());
        runner.setSink([](const QString& line) { std::cout << line.toStdString() << '\n'; });
        const veg::ScenarioRunner::Result r = runner.run(text);
        std::cout.flush();
        if (!r.ok) {
            fail(QStringLiteral("%1:%2: %3")
                     .arg(QString::fromStdString(script))
                     .arg(r.line)
                     .arg(r.error));
            return;
        }
        if (!out.empty())
            saveAs(config, out);
    });
}

} // namespace vegctl
