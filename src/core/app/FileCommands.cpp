#include "core/app/FileCommands.h"

#include "core/ui/Dialogs.h"
#include "core/settings/ProgramSettings.h"
#include "core/ui/ProgressSink.h"

#include <QFileInfo>

namespace veg {

namespace {
QString protocolSuffix(ProtocolVariant p)
{
    return QStringLiteral("(протокол %1)").arg(protocolName(p));
}
} // namespace

FileCommands::FileCommands(GatewayConfig& config, ProgramSettings& settings, Dialogs& dialogs,
                           ProgressSink& progress)
    : m_config(config), m_settings(settings), m_dialogs(dialogs), m_progress(progress),
      m_caption(startCaption())
{
    m_config.ClearAllChanged();
    m_config.IsNewFile = m_config.HasFile = m_config.IsReadBack = false;
}

QString FileCommands::startCaption()
{
    return QStringLiteral("Настройка протоколов и работа с  ВЕГ78 (версия 18)");
}

MainMenuState FileCommands::menusFor(ProtocolVariant p)
{
    MainMenuState m;
    if (p == ProtocolVariant::None)
        return m;
    m.vegSettings = m.save = m.saveAs = true;
    using E = EditorId;
    static const std::pair<EditorId, bool MainMenuState::*> items[] = {
        {E::GatewayCommon, &MainMenuState::gatewayCommon},
        {E::Controllers, &MainMenuState::controllerList},
        {E::Group, &MainMenuState::groupParams},
        {E::Okp, &MainMenuState::okp},
        {E::Ikp, &MainMenuState::ikp},
        {E::ModbusTu, &MainMenuState::modbusTu},
        {E::ModbusTc, &MainMenuState::modbusTc},
        {E::TiFloat, &MainMenuState::tiFloat},
        {E::Unk, &MainMenuState::unk},
        {E::Hart, &MainMenuState::hart},
        {E::KtsGroups, &MainMenuState::ktsGroups},
        {E::KtsSignals, &MainMenuState::ktsSignals},
    };
    const ProtocolCatalogue& cat = catalogueOf(p);
    for (const auto& [editor, item] : items)
        m.*item = cat.has(editor);
    return m;
}

QStringList FileCommands::start()
{
    m_progress.done();
    m_menus = MainMenuState{};
    m_caption = startCaption();
    return m_settings.ReadProgramSettings();
}

void FileCommands::ApplyProtocolView(const QString& suffix)
{
    m_menus = menusFor(m_config.Protocol);
    m_caption = QStringLiteral("Настройка протоколов и работа с ВЕГ78 ") + suffix +
                QStringLiteral("(версия 18)");
}

void FileCommands::installReadBack(GatewayConfig config)
{
    m_config = std::move(config);
    ApplyProtocolView(protocolSuffix(m_config.Protocol));
    m_status = QStringLiteral("Прочитаны данные из ВЕГ");
}

bool FileCommands::ConfirmDiscard()
{
    if (!m_config.AnyChanged())
        return true;
    const QString question = m_config.IsReadBack ? QStringLiteral("Сохранить данные?")
                                                 : QStringLiteral("Сохранить изменения?");
    if (m_dialogs.confirm(question))
        return save(); // a save that did not happen keeps the changes: the command stops
    m_config.ClearAllChanged();
    return true;
}

void FileCommands::newConfiguration(ProtocolVariant protocol)
{
    if (protocol == ProtocolVariant::None || !ConfirmDiscard())
        return;
    m_config.Protocol = protocol;
    m_config.IsNewFile = true;
    m_config.HasFile = false;
    m_config.IsReadBack = false;
    m_config.CreateFor(protocol);
    ApplyProtocolView(protocolSuffix(protocol));
    m_config.ResetCommon();
    const QStringList errors = m_settings.ReadDatabaseDirectories();
    for (const QString& e : errors)
        m_dialogs.info(e);
    m_config.ClearControllers();
    m_status = QStringLiteral("Новый файл");
}

void FileCommands::load()
{
    if (!ConfirmDiscard())
        return;
    const auto path = m_dialogs.openFile(fileFilter());
    if (!path)
        return;
    if (!QFileInfo(*path).isFile()) {
        m_dialogs.info(QStringLiteral("Файл %1 не найден").arg(*path));
        return;
    }
    m_progress.show(QStringLiteral("Идет загрузка файла"));
    LoadOptions options;
    options.directories = m_settings.database;
    options.makeDatabase = m_factory;
    const LoadResult result = LoadConfiguration(m_config, *path, options, &m_progress);
    if (!result.loaded()) {
        m_progress.done();
        m_dialogs.info(result.message);
        return;
    }
    ApplyProtocolView(protocolSuffix(m_config.Protocol));
    m_status = *path;
    for (const QString& notice : result.notices)
        m_dialogs.info(notice);
    if (result.databaseMissing) {
        m_progress.hide();
        if (m_openControllerList)
            m_openControllerList();
    }
    m_progress.done();
}

bool FileCommands::writeFile(const QString& path, bool whole)
{
    const SaveResult result = SaveConfiguration(m_config, path, whole, m_saveOptions, &m_progress);
    if (!result.ok) {
        m_dialogs.info(result.message);
        return false;
    }
    m_status = path;
    return true;
}

bool FileCommands::save()
{
    if (m_config.Protocol == ProtocolVariant::None)
        return false;
    if (m_config.IsNewFile || m_config.IsReadBack || m_config.FileName.isEmpty())
        return saveAs();
    if (!m_dialogs.confirm(
            QStringLiteral("Файл %1 уже существует.Заменить?").arg(m_config.FileName)))
        return saveAs();
    // Only the changed sections go into the configuration's own file; a file that has gone since
    // it was loaded gets every section, so that nothing of the configuration is missing from it.
    const bool whole = !QFileInfo(m_config.FileName).isFile();
    return writeFile(m_config.FileName, whole);
}

bool FileCommands::saveAs()
{
    if (m_config.Protocol == ProtocolVariant::None)
        return false;
    const auto chosen = m_dialogs.saveFile(fileFilter());
    if (!chosen || chosen->isEmpty())
        return false;
    QString path = *chosen;
    if (!path.contains(u'.'))
        path += QStringLiteral(".veg");
    if (QFileInfo::exists(path) &&
        !m_dialogs.confirm(QStringLiteral("Файл %1 уже существует.Заменить?").arg(path)))
        return false;
    return writeFile(path, true);
}

bool FileCommands::exitRequested()
{
    return ConfirmDiscard();
}

} // namespace veg
