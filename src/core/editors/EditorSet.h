#pragma once

#include "core/config/ProtocolCatalogue.h"
#include "core/editors/EditorSession.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace veg {

class CommonSettingsForm;
class ControllerRefsEditor;
class ControllerRefsEditors;
class EditorForm;
class GroupParamsForm;
class ModbusTelecontrolForm;

// The forms of every editor window, made once for a run (as the windows are), by their window
// names. The main window binds its windows to them; the scenario runner opens them by name; the
// controller list reaches those that hold references through the registry.
class EditorSet
{
public:
    explicit EditorSet(EditorSession& session);
    ~EditorSet();
    EditorSet(const EditorSet&) = delete;
    EditorSet& operator=(const EditorSet&) = delete;

    EditorSession& session() const { return m_session; }

    CommonSettingsForm& commonSettings() const;
    GroupParamsForm& groupParams() const;
    ModbusTelecontrolForm& modbusTelecontrol() const;

    // "TFCommon", "TFGroup", "TFModbusTU", ...; nullptr for another name.
    EditorForm* form(const QString& windowName) const;
    // The form of this type, nullptr when the set has none.
    template <typename Form> Form* find() const
    {
        for (const Entry& e : m_entries) {
            if (auto* f = dynamic_cast<Form*>(e.form.get()))
                return f;
        }
        return nullptr;
    }
    QStringList windowNames() const;
    // Whether the window can be reached for the configuration's protocol: its menu item is shown.
    bool available(const QString& windowName) const;
    // The main-menu item through which a window is reached: its own, or for a window that another
    // window opens (a sub-block window) the item of that window.
    std::optional<EditorId> menuItem(const QString& windowName) const;
    // The window a main-menu item opens (not the sub-block windows behind it); empty for an item
    // whose window has no form here (the controller list).
    QString windowOf(EditorId item) const;

    // Adds every form that keeps references to controllers to the controller list's registry.
    void registerRefsEditors(ControllerRefsEditors& registry) const;

private:
    struct Entry
    {
        std::unique_ptr<EditorForm> form;
        std::optional<EditorId> menu;
        std::optional<RefsEditorKind> refs;
        ControllerRefsEditor* refsEditor = nullptr;
    };
    template <typename Form>
    Form& add(std::optional<EditorId> menu, std::optional<RefsEditorKind> refs);
    const Entry* entry(const QString& windowName) const;

    EditorSession& m_session;
    std::vector<Entry> m_entries;
    CommonSettingsForm* m_common = nullptr;
    GroupParamsForm* m_group = nullptr;
    ModbusTelecontrolForm* m_modbusTu = nullptr;
};

} // namespace veg
