#pragma once

#include "core/editors/GridNumbers.h"
#include "core/editors/TableEditorForm.h"

namespace veg {

// "Телесигнализация" (TFModbusTC): the 128 discrete inputs of ModbusTcTable. A row is in use when
// its Kind (its source) is not 255: 0 a controller parameter ("параметр"), 1 a bit of a group
// parameter ("группа": ParamNumber slot × 256 + bit, NetNumber 0). Column 2 chooses the source of
// the row and with it the tree the window shows (the telecontrol parameter tree or the group
// tree); the tree follows the current row when another row is clicked. "<< Поместить" puts the
// selected node into column 4 of the current row, whatever cell of the row is current; the row's
// number in column 1 must be there first. "Удалить" empties the row where it stands.
//
// Beyond the rules of the table: a discrete-input number that two rows use is marked in both and
// named in the line under the grid; it does not keep the window open.
class ModbusTelesignalForm : public TableEditorForm
{
public:
    explicit ModbusTelesignalForm(EditorSession& session);

    enum Column
    {
        NumberColumn = 0,
        InputColumn = 1,
        SourceColumn = 2,
        BitColumn = 3,
        SignalColumn = 4,
        ColumnCount = 5
    };

    QString windowName() const override { return QStringLiteral("TFModbusTC"); }
    QString caption() const override { return QStringLiteral("Телесигнализация"); }

    bool RebindController(int controllerIndex) override;
    void RemoveControllerRefs(int controllerIndex) override;
    bool ChangedFlags::*changedFlag() const override { return &ChangedFlags::ModbusTcChanged; }

    void PlaceParameter() override;
    void dropOnCell(int row, int column) override;
    // A key typed into the number, bit or signal cell is a change of the table.
    KeyOutcome cellKey(QChar key, const QString& text) override;

    static QString parameterItem() { return QStringLiteral("параметр"); }
    static QString groupItem() { return QStringLiteral("группа"); }
    // A telesignal claims one discrete input.
    static NumberClaim inputNumbers()
    {
        return {1, QStringLiteral("Discret Input"), QStringLiteral("Discret Inputs")};
    }
    std::optional<TableId> gridTable() const override { return TableId::ModbusTcTable; }

protected:
    TreeOptions treeOptions() const override;
    void fillRow(int row) override;
    bool isReferenceCell(int row, int column) const override;
    QString wrongCellMessage() const override { return {}; }
    void storeReference(int row, int column, const PlacedParam& placed) override {}
    bool cellChanged(int row, int column, const QString& text) override;
    void choiceMade(int row, int column, int index) override;
    bool activateTree() override;
    void syncTreeWithCell(int row, int column) override;
    void afterClick(int row, int column) override;
    void deleteRow(int row) override;
    void resetTableRow(int index) override;
    void rowsChanged() override;
    bool closeCheck() override;

private:
    TcTuEntry& entry(int row) const;
    // The tree follows the row: no source chosen hides it; "группа" shows the group tree with the
    // row's slot selected, anything else the parameter tree with the row's parameter located.
    void syncRow(int row);
    // Shows the tree of a source; false when it could not be shown (the form said why).
    bool showTree(bool group);
    int m_syncedRow = -1; // the row the tree shows
};

} // namespace veg
