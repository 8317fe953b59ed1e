#pragma once

#include "core/config/ConfigRecords.h"
#include "core/database/ControllerRefsEditor.h"
#include "core/editors/EditorForm.h"
#include "core/editors/ParamTreeBuilder.h"

#include <optional>

namespace veg {

// The table-editor pattern, written once: a grid whose data rows are the rows of one table, a
// parameter tree built from the controller list, "<< Поместить" (and a double click, and a drop)
// putting the selected parameter into the current reference cell, click-sync of the tree with
// the references of the grid, the "нет" marker of rows not in use, the key filters of the cell
// kinds, in-cell drop-downs, cell checks, the context menu with "Удалить" (moving the rows behind
// up: the table keeps its length), activation with its filling flag, and the closing checks.
//
// An editor states only what is its own: its columns (setupGrid), its tree (treeOptions), how one
// row is shown (fillRow), where a reference is (isReferenceCell, referenceAt, mainReference),
// how a placed parameter, a typed value and a choice are stored (storeReference, cellChanged,
// choiceMade), its closing checks (closeCheck) and its messages. Rows are addressed by their
// grid row; dataIndex() gives the table row.
class TableEditorForm : public EditorForm, public ControllerRefsEditor
{
public:
    explicit TableEditorForm(EditorSession& session) : EditorForm(session) {}

    const EditorGrid* grid() const override { return &m_grid; }
    const ParamTree* tree() const override { return &m_tree; }

    void FormActivate() override;
    bool closeRequested() override { return closeCheck(); }

    void clickCell(int row, int column) override;
    bool showTableRow(int index) override;
    CellEdit beginEdit() override;
    KeyOutcome cellKey(QChar key, const QString& text) override;
    void endEdit(const QString& text) override;
    void cancelEdit() override;
    void chooseInCell(int index) override;
    void checkCell(int row, int column, bool checked) override;
    void deleteKey() override;
    void dropOnCell(int row, int column) override;
    QStringList contextMenu(const UiTarget& target) override;
    void contextCommand(const QString& item) override;
    void selectNode(int node) override { m_tree.select(node); }
    void place(int slot = -1) override { PlaceParameter(); }
    std::vector<FormField> fields() const override;
    QString press(const QString& id) override;
    QString note() const override { return m_grid.note; }

    // The pattern's operations.
    // Builds the editor's tree; false with "Нет списка контроллеров!" when there are no
    // controllers.
    bool BuildParameterTree(std::uint8_t expandNet = 255);
    void LocateReference(std::uint8_t kind, std::uint16_t taskNumber, std::uint16_t paramNumber,
                         std::uint8_t netNumber);
    // "<< Поместить" (also a double click and a drop): the selected parameter into the current
    // reference cell. Editors whose rows take a parameter wherever the current cell of the row is
    // place in their own way.
    virtual void PlaceParameter();

    // The table whose row n each data row n of the grid shows (none for a transposed grid, whose
    // rows are the fields of a record): a row a closing check stops on is that table's row.
    virtual std::optional<TableId> gridTable() const { return std::nullopt; }

    // The id of the "<< Поместить" button among the fields.
    static QString placeButton() { return QStringLiteral("Поместить"); }
    static QString marker() { return QStringLiteral("нет"); }
    // A number cell's text as typed, without the marker: everything before its first "н" (the
    // user may type a number in front of "нет" without deleting it).
    static QString withoutMarker(QString text);
    // A masked edit's text with every place free ("_").
    static QString emptyMask(const QString& mask);

protected:
    struct Column
    {
        Column(QString heading, int width, CellKind kind, bool reference = false,
               QStringList items = {})
            : heading(std::move(heading)), width(width), kind(kind), reference(reference),
              items(std::move(items))
        {}
        QString heading; // the heading of all heading rows (merge others with m_grid.merge)
        int width;       // pixels of the original screen
        CellKind kind;
        bool reference;    // the column shows references
        QStringList items; // a drop-down column's items
    };
    // A grid of `headingRows` heading rows and `dataRows` data rows, column 0 the row numbers.
    void setupGrid(int headingRows, int dataRows, const std::vector<Column>& columns);
    int dataIndex(int row) const { return row - m_grid.headingRows(); }
    int gridRow(int index) const { return index + m_grid.headingRows(); }
    int firstDataRow() const { return m_grid.headingRows(); }

    // --- what an editor states
    virtual TreeOptions treeOptions() const = 0;
    // Shows grid row `row` from its table row.
    virtual void fillRow(int row) = 0;
    // Whether the cell takes a parameter (the default: a reference cell that is not grey).
    virtual bool isReferenceCell(int row, int column) const;
    // The reference a cell shows (click-sync); none for other cells.
    virtual std::optional<ParamCore> referenceAt(int row, int column) const { return std::nullopt; }
    // The reference the tree shows when the row is selected on activation.
    virtual std::optional<ParamCore> mainReference(int row) const { return std::nullopt; }
    // The box of a placing outside the reference cells.
    virtual QString wrongCellMessage() const = 0;
    virtual void storeReference(int row, int column, const PlacedParam& placed) = 0;
    // A typed value left in a cell (it already shows `text`): checks and stores it; false
    // refuses it and the cell shows its previous text again.
    virtual bool cellChanged(int row, int column, const QString& text) = 0;
    // The drop-down of a cell may open (it may say why not).
    virtual bool dropDownAllowed(int row, int column) { return true; }
    // The items of a cell's drop-down (the default: its column's).
    virtual QStringList dropDownItems(int row, int column) const;
    // Item `index` chosen in a cell that already shows it.
    virtual void choiceMade(int row, int column, int index) {}
    virtual void checkChanged(int row, int column, bool checked) {}
    // The in-cell editor of a cell (the default from its kind and its drop-down items).
    virtual CellEdit editorFor(int row, int column) const;
    // After a click has made the cell current and the tree has followed it: editors move the
    // current cell out of cells that are disabled for the row.
    virtual void afterClick(int row, int column) {}
    // The tree's part of activation, after the rows were filled: the default builds the editor's
    // tree, makes the first data row current and locates its main reference. False hides the
    // grid and the tree (the form has said why).
    virtual bool activateTree();
    // Click-sync: the tree shows the reference of the clicked cell.
    virtual void syncTreeWithCell(int row, int column);
    // Context-menu items over a data cell, and their commands.
    virtual QStringList menuItems(int row, int column) const { return {deleteItem()}; }
    virtual void menuCommand(const QString& item, int row, int column);
    // "Удалить": the default asks "Удалить N строку?"; then, by m_deleteMode, the table row is
    // removed (the rows behind move up and an empty row is appended: removeTableRow) or emptied
    // where it stands (resetTableRow).
    virtual void deleteRow(int row);
    // Removes table row `index`: the rows behind move up, an empty row is appended.
    virtual void removeTableRow(int index) {}
    // Empties table row `index` where it stands.
    virtual void resetTableRow(int index) {}
    // "Вставить" where an editor offers it: the table rows from `index` to the second-to-last
    // move down by one (the last row's contents are lost) and row `index` is empty.
    virtual void insertTableRow(int index) {}
    // After rows were filled, moved or changed: notes and marks that depend on several rows.
    virtual void rowsChanged() {}
    virtual bool closeCheck() = 0;

    static QString deleteItem() { return QStringLiteral("Удалить"); }
    void markChanged();
    // Removes `row` from the grid as "Удалить" does (the table row must be removed already).
    void removeGridRow(int row);
    // Inserts an empty row at grid row `row` into the table and the grid (insertTableRow), the
    // grid filled anew from it on; sets the changed flag.
    void insertRow(int row);
    // Sets a reference cell's text and hint.
    void showReference(int row, int column, const QString& name, const QString& hint);
    // A name as the grid shows it: the stored name, or in a configuration read back from a
    // gateway the name derived from the database.
    QString shownName(std::uint8_t netNumber, std::uint16_t paramNumber, const QString& stored,
                      bool group = false) const;
    TreeOptions defaultTreeOptions() const;

    EditorGrid m_grid;
    ParamTree m_tree;
    enum class DeleteMode
    {
        MoveUp,
        InPlace
    };
    DeleteMode m_deleteMode = DeleteMode::MoveUp;
    // Column 0 holds the row numbers (setupGrid); a transposed grid, whose column 0 holds the
    // titles of its rows, lays out m_grid itself and clears this.
    bool m_rowNumbers = true;
    bool m_filling = false;  // set for the whole of activation: cell changes are ignored
    bool m_clickSync = true; // cleared while a drop is being placed
    bool m_editing = false;  // an in-cell editor is open on the current cell
    QString m_editText;      // the current cell's text when its editor opened
    QString m_editorStart;   // the text the editor opened with
};

} // namespace veg
