#include "Commands.h"

#include "core/database/ControllerDatabases.h"
#include "core/config/ConfigFile.h"
#include "core/config/ConfigJson.h"
#include "core/config/GatewayConfig.h"
#include "core/settings/ProgramSettings.h"
#include "core/text/NumberText.h"

#include <QFileInfo>
#include <QLocale>
#include <QJsonDocument>

#include <cstdio>
#include <iostream>

namespace vegctl {

using namespace veg;

void fail(const QString& message, int status)
{
    std::cerr << message.toStdString() << std::endl;
    exitStatus() = status;
}

// The settings file whose database folders build the controllers' database objects: the one
// given with --settings, else vegctl's own beside the executable.
std::string settingsPath;

ProgramSettings& settings()
{
    static ProgramSettings s(settingsPath.empty() ? ProgramSettings::defaultPath()
                                                  : QString::fromStdString(settingsPath));
    static bool read = false;
    if (!read) {
        read = true;
        for (const QString& e : s.ReadProgramSettings())
            std::cerr << e.toStdString() << std::endl;
    }
    return s;
}

bool loadFile(GatewayConfig& c, const std::string& path)
{
    LoadOptions options;
    options.directories = settings().database;
    options.makeDatabase = controllerDatabaseReader();
    const LoadResult r = LoadConfiguration(c, QString::fromStdString(path), options);
    for (const QString& n : r.notices)
        std::cerr << n.toStdString() << std::endl;
    if (!r.loaded()) {
        fail(r.message);
        return false;
    }
    return true;
}

QChar systemDecimalSeparator()
{
    return QLocale::system().decimalPoint().at(0); // as vegconf shows and writes numbers
}

bool saveAs(GatewayConfig& c, const std::string& path)
{
    QString p = QString::fromStdString(path);
    if (!p.contains(u'.'))
        p += QStringLiteral(".veg");
    SaveOptions options;
    options.decimalSeparator = systemDecimalSeparator();
    const SaveResult r = SaveConfiguration(c, p, true, options);
    if (!r.ok)
        fail(r.message);
    return r.ok;
}

void addConfigCommands(CLI::App& app)
{
    static std::string dumpPath, newProtocol, newOut, resaveIn, resaveOut;

    CLI::App* dump = app.add_subcommand("dump", "Загрузить файл .veg и вывести конфигурацию в виде JSON");
    dump->add_option("FILE", dumpPath, "файл конфигурации")->required();
    dump->add_option("--settings", settingsPath, "файл настроек программы с папками базы данных (секция BaseK19)");
    dump->callback([] {
        GatewayConfig c;
        if (!loadFile(c, dumpPath))
            return;
        std::cout << QJsonDocument(ConfigJson::toJson(c)).toJson(QJsonDocument::Indented).toStdString();
    });

    CLI::App* create = app.add_subcommand("new", "Создать новую конфигурацию и сохранить её");
    create->add_option("PROTOCOL", newProtocol, "Магистраль-1, Modbus, УНК ТМ, HART или КТС Энергия")->required();
    create->add_option("OUT", newOut, "файл для записи")->required();
    create->callback([] {
        const ProtocolVariant p = protocolFromName(QString::fromStdString(newProtocol));
        if (p == ProtocolVariant::None) {
            fail(QStringLiteral("Неизвестный протокол: %1").arg(QString::fromStdString(newProtocol)));
            return;
        }
        GatewayConfig c;
        c.Protocol = p;
        c.IsNewFile = true;
        c.CreateFor(p);
        c.ResetCommon();
        c.ClearControllers();
        saveAs(c, newOut);
    });

    CLI::App* resave = app.add_subcommand("resave", "Загрузить файл .veg и сохранить его целиком в другой");
    resave->add_option("IN", resaveIn, "файл конфигурации")->required();
    resave->add_option("OUT", resaveOut, "файл для записи")->required();
    resave->add_option("--settings", settingsPath, "файл настроек программы с папками базы данных (секция BaseK19)");
    resave->callback([] {
        GatewayConfig c;
        if (loadFile(c, resaveIn))
            saveAs(c, resaveOut);
    });
}

} // namespace vegctl
