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
        "Сделать файл .veg из JSON команды vegctl dump (с теми же ключами). Ключи, которых нет, "
        "получают то, что даёт Файл -> Новый для протокола; \"Protocol\" обязателен. Всякая "
        "конфигурация, которую загружает файл .veg, импортируется снова. Отклоняется (с путём в "
        "JSON и причиной, и ничего не записывается) только то, чего не удержат конфигурация или "
        "файл: неизвестные ключи, значения не того типа или шире своего поля, тексты длиннее "
        "хранимых, таблицы другой длины и значения, которых файл .veg не вернёт. Значение, "
        "которое отклонило бы только окно редактора (нечётный Coil, импульс 0 с), принимается; "
        "о нём скажет vegctl check. Код выхода 0 записано, 1 файл не записан, 2 отклонено");
    cmd->add_option("FILE", in, "файл JSON, - для стандартного ввода")->required();
    cmd->add_option("OUT", out, "файл конфигурации для записи (.veg)")->required();
    cmd->add_option("--settings", settingsPath,
                    "файл настроек программы с папками базы данных (секция BaseK19)");
    cmd->callback([] { import(in, out); });
}

} // namespace vegctl
