#pragma once

#include "core/config/ConfigFile.h"
#include "core/config/GatewayConfig.h"
#include "core/exchange/ConfigurationHost.h"

#include <QString>

#include <functional>

namespace veg {

class Dialogs;
class ProgramSettings;
class ProgressSink;

// Which commands of the main menu are visible.
struct MainMenuState
{
    // Top-level menus and the file commands that need a configuration.
    bool commonSettings = true; // "Общие настройки"
    bool vegSettings = false;   // "Настройки ВЕГ"
    bool exchangeSettings = true;
    bool exchange = true;
    bool modbusTest = true;
    bool save = false;
    bool saveAs = false;
    // Items of "Настройки ВЕГ".
    bool gatewayCommon = false, controllerList = false, groupParams = false;
    bool okp = false, ikp = false;
    bool modbusTu = false, modbusTc = false, tiFloat = false;
    bool unk = false, hart = false, ktsGroups = false, ktsSignals = false;

    friend bool operator==(const MainMenuState&, const MainMenuState&) = default;
};

// The main window's file commands and the state it shows: the caption, the status bar, the
// visible menus. The window only renders this state and forwards menu commands. It is also what
// the exchange reads the configuration from and puts a read-back into.
class FileCommands : public ConfigurationHost
{
public:
    FileCommands(GatewayConfig& config, ProgramSettings& settings, Dialogs& dialogs,
                 ProgressSink& progress);

    static QString fileFilter() { return QStringLiteral("*.veg|*.veg|*.* (All files)|*.*"); }
    static QString startCaption();

    QString caption() const { return m_caption; }
    QString statusText() const { return m_status; }
    MainMenuState menus() const { return m_menus; }
    static MainMenuState menusFor(ProtocolVariant protocol);

    // The start-up state of the window: no configuration, the settings file read. Returns the
    // messages of settings values that did not read.
    QStringList start();

    // Menu commands.
    void newConfiguration(ProtocolVariant protocol);
    void load();
    bool save();
    bool saveAs();
    // File -> Exit and the closing of the window: true when the window may close.
    bool exitRequested();

    // The unsaved-changes prompt. Returns true when the command may go on: nothing was pending,
    // the user chose No, or chose Yes and the configuration was saved.
    bool ConfirmDiscard() override;
    // Shows the view of the current protocol; `suffix` is the caption's "(протокол ...)" part.
    void ApplyProtocolView(const QString& suffix);
    // A configuration read back from the gateway, complete, takes the place of the current one;
    // the window shows its protocol and "Прочитаны данные из ВЕГ".
    void installReadBack(GatewayConfig config) override;
    const GatewayConfig& configuration() const override { return m_config; }

    void setDatabaseFactory(ControllerDatabaseFactory factory) { m_factory = std::move(factory); }
    void setSaveOptions(const SaveOptions& options) { m_saveOptions = options; }
    // Opens the controller list (modal) when a loaded file names controllers without a database.
    void setControllerListOpener(std::function<void()> open)
    {
        m_openControllerList = std::move(open);
    }

    const GatewayConfig& config() const { return m_config; }

private:
    bool writeFile(const QString& path, bool whole);

    GatewayConfig& m_config;
    ProgramSettings& m_settings;
    Dialogs& m_dialogs;
    ProgressSink& m_progress;
    ControllerDatabaseFactory m_factory;
    SaveOptions m_saveOptions;
    std::function<void()> m_openControllerList;

    QString m_caption;
    QString m_status;
    MainMenuState m_menus;
};

} // namespace veg
