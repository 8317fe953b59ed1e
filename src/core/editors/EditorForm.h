#pragma once

#include "core/editors/EditorGrid.h"
#include "core/editors/EditorSession.h"
#include "core/editors/FormField.h"
#include "core/editors/ParamTree.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace veg {

class Dialogs;
class GatewayConfig;

// What the user points a context menu at: a grid cell, or a field of a window without a grid.
struct UiTarget
{
    int row = -1;
    int column = -1;
    QString field;
};

// The in-cell editor the grid opens on its current cell.
struct CellEdit
{
    CellKind kind = CellKind::Fixed; // Fixed or ReadOnly: no editor, typed keys are swallowed
    QString text;                    // the editor's text at the start
    QStringList items;               // DropDown
    int minimum = 0, maximum = 0;    // Spin
    QString mask;      // Mask: "H" a hexadecimal digit, every other character stands as it is
    int maxLength = 0; // Text, Numeric, Decimal, Hex: at most this many characters (0: no limit)
};

// One key typed into a cell editor.
struct KeyOutcome
{
    bool accepted = false;
    QChar key;               // what the editor receives (the filter may change the key)
    bool clearFirst = false; // the editor's text is emptied before the key ("нет" cleared)
};

// The headless side of one editor window. The window renders what the form holds (its grid,
// its tree, its fields) and forwards every user action to it; the scenario runner drives the
// same forms with the same calls, so a script does exactly what a user does.
//
// How to add an editor:
//  1. Write its form in core/editors. A grid editor derives from TableEditorForm and states its
//     columns (headings, widths, cell kinds), its tree filter (treeOptions), how a row is shown
//     (fillRow), how a placed parameter and a cell change are stored, its choices, its closing
//     checks and its messages; everything else of the pattern (tree, locate, place, drop,
//     click-sync, the "нет" markers, key filters, deleting rows, activation) is the base's. A
//     window without a grid derives from EditorForm and describes its controls as FormFields.
//     If its table names controllers, it implements ControllerRefsEditor as well.
//  2. Add it to EditorSet (window name, menu entry, and the RefsEditorKind it answers for); the
//     main window and the scenario runner then know it, and the controller list reaches it.
//  3. Write its window in gui/editors: an EditorDialog with an EditorGridView, a ParamTreeView
//     and the buttons, or widgets bound to the form's fields with FieldBinding.
//  4. Test it with scenario scripts (ScenarioRunner) and one offscreen window test.
class EditorForm
{
public:
    explicit EditorForm(EditorSession& session) : m_session(session) {}
    virtual ~EditorForm() = default;
    EditorForm(const EditorForm&) = delete;
    EditorForm& operator=(const EditorForm&) = delete;

    // The window's class name ("TFModbusTU") and its caption.
    virtual QString windowName() const = 0;
    virtual QString caption() const = 0;
    // Activation: fills everything from the configuration.
    virtual void FormActivate() = 0;
    // A window opened for one sub-block of a table (the session's current sub-block): how many
    // sub-blocks it can be opened for; 0 for the other windows.
    virtual int subblockCount() const { return 0; }
    // The closing checks: false keeps the window open (the form has said why).
    virtual bool closeRequested() { return true; }

    // --- the grid (editors without a grid keep the defaults)
    virtual const EditorGrid* grid() const { return nullptr; }
    // A click on a cell: it becomes current (the form may move it on) and the tree follows it.
    virtual void clickCell(int row, int column) {}
    // After activation: row `index` (from 0) of the window's table becomes the current row, as
    // by a click on its first cell (how a finding of the check opens its window on its row).
    // False, nothing changed, where the grid does not show that table row.
    virtual bool showTableRow(int index) { return false; }
    // The grid is about to edit its current cell.
    virtual CellEdit beginEdit() { return {}; }
    // A key typed into the editor of the current cell, whose text is `text`.
    virtual KeyOutcome cellKey(QChar key, const QString& text) { return {}; }
    // The editor of the current cell is left with `text`.
    virtual void endEdit(const QString& text) {}
    // The editor is left without a choice or with Esc: the cell shows what it showed before.
    virtual void cancelEdit() {}
    // The drop-down of the current cell: item `index` was chosen.
    virtual void chooseInCell(int index) {}
    // The check box of a cell was clicked.
    virtual void checkCell(int row, int column, bool checked) {}
    // The Delete key on the current cell.
    virtual void deleteKey() {}
    // The selected tree node was dragged onto a cell and dropped.
    virtual void dropOnCell(int row, int column) {}

    // --- context menus, over a cell or a field: the items (the target becomes current first)
    virtual QStringList contextMenu(const UiTarget& target) { return {}; }
    virtual void contextCommand(const QString& item) {}

    // --- the tree
    virtual const ParamTree* tree() const { return nullptr; }
    // A click on a node (-1: none).
    virtual void selectNode(int node) {}
    // A double click on a node: it is selected and placed.
    virtual void treeDoubleClick(int node)
    {
        selectNode(node);
        place();
    }
    // "<< Поместить"; with a slot (0-3) the ">>" button of that slot.
    virtual void place(int slot = -1) {}

    // --- controls of windows without a grid (and the buttons of any window)
    virtual std::vector<FormField> fields() const { return {}; }
    virtual void clickField(const QString& id) {}
    // A key typed into a text field that holds `length` characters, `selected` of them selected
    // (a key other than Backspace replaces them): the character to enter, or QChar(0) to
    // swallow the key.
    virtual QChar fieldKey(const QString& id, QChar key, int length, int selected) { return key; }
    virtual void editField(const QString& id, const QString& text) {}
    // The focus left a text field (a click elsewhere, Tab): a masked field checks its places.
    virtual void leaveField(const QString& id) {}
    virtual void chooseField(const QString& id, int index) {}
    virtual void checkField(const QString& id, bool checked) {}
    virtual void spinField(const QString& id, int value) {}
    // A button. Returns the name of a window to open over this one (a sub-block window), or an
    // empty text. A button that closes the window asks closeRequested itself.
    virtual QString press(const QString& id) { return {}; }
    // A button asked the window to close (after its own work): the window then closes as on
    // "Выход", through closeRequested.
    bool closeAsked() const { return m_closeAsked; }
    void clearCloseAsked() { m_closeAsked = false; }

    // A line under the grid or the fields (empty: none).
    virtual QString note() const { return {}; }

protected:
    GatewayConfig& config() const { return m_session.config; }
    Dialogs& dialogs() const { return m_session.dialogs; }
    EditorSession& session() const { return m_session; }
    void askToClose() { m_closeAsked = true; }

private:
    EditorSession& m_session;
    bool m_closeAsked = false;
};

} // namespace veg
