#pragma once

#include "core/app/FileCommands.h"
#include "core/config/GatewayConfig.h"
#include "core/ui/ProgressSink.h"
#include "core/database/ControllerRefsEditor.h"
#include "core/editors/EditorSession.h"
#include "core/editors/EditorSet.h"
#include "gui/app/QtTablePrinter.h"

#include <QMainWindow>

#include <map>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;

namespace veg {

class ConfigOverviewView;
class Dialogs;
class EditorDialog;
class ProgramSettings;
class TFCommon;
class TFDopNastr;
class TFGroup;
class TFModbusTU;
class TFNastrObm;
class TFObmenModbus;
class TFReadModbus;
class TFObmen;
class TFTask;
class TFWay;

// The main window: the program's frame, owner of the configuration. It renders the state of
// `FileCommands` (caption, status bar, visible menus) and forwards the menu commands to it.
class TFNastr : public QMainWindow
{
    Q_OBJECT
public:
    TFNastr(ProgramSettings& settings, Dialogs& dialogs, QWidget* parent = nullptr);
    ~TFNastr() override;

    GatewayConfig& config() { return m_config; }
    FileCommands& commands() { return m_commands; }
    // Menu commands by their object names ("N_New_Modbus", "N_Load", ...), for the other windows
    // of the program to hook into and for tests.
    QAction* action(const QString& name) const;
    QMenu* vegSettingsMenu() const { return m_vegMenu; }

    // Renders the state of the file commands and the overview of the configuration. Everything
    // that replaces or changes the configuration (New, Load, an editor or the controller list
    // closing, a read-back from the gateway) ends with it.
    void refresh();

    // The forms of the editor windows (the scenario runner drives the same ones).
    EditorSet& editors() { return m_editors; }
    // An editor window by its name ("TFCommon", "TFGroup", "TFModbusTU", ...), nullptr for others.
    EditorDialog* editorWindow(const QString& windowName) const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormActivate();
    void buildMenu();
    void makeEditorWindows();
    // An editor window by its form's window name, opened by its main-menu item (none: a
    // sub-block window, which its point's window opens).
    void addEditorWindow(const char* item, EditorDialog* window);
    // `tableRow` >= 0: the window opens with that row of its table current.
    void openEditor(const QString& windowName, int tableRow = -1);
    // The window of a main-menu item of "Настройки ВЕГ" (the overview's double click).
    void openMenuWindow(EditorId item, int tableRow = -1);
    QAction* addItem(QMenu* menu, const QString& name, const QString& caption);

    // The progress bar and its label under the menu, as the file reader and writer drive them.
    class Progress : public ProgressSink
    {
    public:
        explicit Progress(TFNastr& window) : m_window(window) {}
        void show(const QString& label) override;
        void advance(int step) override;
        void hide() override;
        void done() override;

    private:
        TFNastr& m_window;
        bool m_busyCursor = false;
    };

    GatewayConfig m_config;
    Progress m_progressSink{*this};
    ProgramSettings& m_settings;
    Dialogs& m_dialogs;
    FileCommands m_commands;
    QtTablePrinter m_tablePrinter{this, m_dialogs};
    EditorSession m_editorSession;
    EditorSet m_editors;
    bool m_activated = false;

    QMenu* m_fileMenu = nullptr;
    QMenu* m_commonMenu = nullptr;
    QMenu* m_vegMenu = nullptr;
    QMenu* m_modbusMenu = nullptr;
    std::map<QString, QAction*> m_actions;
    QLabel* m_statusPanel = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_progressLabel = nullptr;
    ConfigOverviewView* m_overview = nullptr;

    // The other windows, made once with the main window and shown modally by its menu.
    TFNastrObm* m_nastrObm = nullptr;
    TFDopNastr* m_dopNastr = nullptr;
    TFWay* m_way = nullptr;
    TFTask* m_task = nullptr;
    TFCommon* m_common = nullptr;
    TFGroup* m_group = nullptr;
    TFModbusTU* m_modbusTu = nullptr;
    std::map<QString, EditorDialog*> m_editorWindows;
    TFObmen* m_obmen = nullptr;
    // The table editors that keep their references in step with the controller list; each
    // registers itself here when it is made.
    ControllerRefsEditors m_refsEditors;

public:
    TFNastrObm* nastrObm() const { return m_nastrObm; }
    TFDopNastr* dopNastr() const { return m_dopNastr; }
    TFWay* way() const { return m_way; }
    TFTask* task() const { return m_task; }
    TFObmenModbus* obmenModbus() const { return m_obmenModbus; }
    TFReadModbus* readModbus() const { return m_readModbus; }
    TFObmen* obmen() const { return m_obmen; }

private:
    // The Modbus link test's windows.
    TFObmenModbus* m_obmenModbus = nullptr;
    TFReadModbus* m_readModbus = nullptr;
};

} // namespace veg
