// vegctl import: a configuration from the JSON that vegctl dump prints, saved as a ".veg" file.

#include "Commands.h"

#include "core/database/ControllerDatabases.h"
#include "core/config/ConfigJson.h"
#include "core/config/GatewayConfig.h"
#include "core/settings/ProgramSettings.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <iostream>

namespace vegctl {

namespace {

using namespace veg;

constexpr int kRefused = 2;

// The JSON text of FILE, "-" standard input; nullopt with the reason printed.
std::optional<QByteArray> readJson(const std::string& path)
{
    QFile f;
    const bool opened = path == "-" ? f.open(stdin, QIODevice::ReadOnly)
                                    : (f.setFileName(QString::fromStdString(path)),
                                       f.open(QIODevice::ReadOnly));
    if (!opened) {
        const QString name = QString::fromStdString(path);
        fail(path == "-"
                 ? QStringLiteral("Не удалось прочитать стандартный ввод: %1").arg(f.errorString())
             : QFileInfo::exists(name)
                 ? QStringLiteral("Не удалось открыть файл %1: %2").arg(name, f.errorString())
                 : QStringLiteral("Файл %1 не найден").arg(name),
             kRefused);
        return std::nullopt;
    }
    return f.readAll();
}

void import(const std::string& in, const std::string& out)
{
    const auto text = readJson(in);
    if (!text)
        return;
    LoadOptions options;
    options.directories = settings().database;
    options.makeDatabase = controllerDatabaseReader();
    GatewayConfig config;
    const ConfigJson::ImportResult r = ConfigJson::fromJson(*text, config, options);
    if (!r.ok()) {
        for (const QString& e : r.errors)
            std::cerr << e.toStdString() << '\n';
        fail(QStringLiteral("Отклонено значений: %1, ничего не записано").arg(r.errors.size()),
             kRefused);
        return;
    }
    if (saveAs(config, out))
        exitStatus() = 0;
}

} // namespace

void addImportCommands(CLI::App& app)
{
    static std::string in, out;
    CLI::App* cmd = app.add_subcommand(
        "import",
        "Make a .veg file from the JSON of vegctl dump (the same keys). Keys left out keep what "
        "File -> New gives for the protocol; \"Protocol\" is required. Refused, with the JSON "
        "path and the reason, and nothing written: unknown keys, values of the wrong type or "
        "beyond their field, tables of another length, values an editor window refuses (with "
        "its own message) and values the .veg file would not keep. Exit 0 written, 1 the file "
        "could not be written, 2 refused");
    cmd->add_option("FILE", in, "JSON file, - for standard input")->required();
    cmd->add_option("OUT", out, "configuration file to write (.veg)")->required();
    cmd->add_option("--settings", settingsPath,
                    "program settings file with the database folders (section BaseK19)");
    cmd->callback([] { import(in, out); });
}

} // namespace vegctl
