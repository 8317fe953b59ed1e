#pragma once

#include "core/editors/GridNumbers.h"
#include "core/editors/TableEditorForm.h"

namespace veg {

struct ModbusCoilEntry;

// "Телеуправление" (TFModbusTU): the Modbus coil commands of ModbusCoilTable. A row is in use
// when its TU1 reference holds a parameter (its Kind is not 255). Grid rows 3-18 under three
// heading rows; the columns, their drop-downs, the grey cells of a row's type and steps, the
// checks of coil numbers and pulse durations and the closing checks are this editor's.
//
// Beyond the rules of the table: a coil number that two rows use is marked in both rows and
// named in the line under the grid ("Coil 12: строки 3 и 7"); it does not keep the window open.
class ModbusTelecontrolForm : public TableEditorForm
{
public:
    explicit ModbusTelecontrolForm(EditorSession& session);

    enum Column
    {
        NumberColumn = 0,
        CoilColumn = 1,
        TypeColumn = 2,
        StepsColumn = 3,
        Tu1Column = 4,
        Tu0Column = 5,
        Oc1Column = 6,
        Oc1SignColumn = 7,
        Oc0Column = 8,
        Oc0SignColumn = 9,
        Time1Column = 10,
        Time0Column = 11,
        Ready1Column = 12,
        Ready1ValueColumn = 13,
        Ready0Column = 14,
        Ready0ValueColumn = 15,
        ColumnCount = 16
    };
    static constexpr int kHeadingRows = 3;

    QString windowName() const override { return QStringLiteral("TFModbusTU"); }
    QString caption() const override { return QStringLiteral("Телеуправление"); }

    bool RebindController(int controllerIndex) override;
    void RemoveControllerRefs(int controllerIndex) override;
    bool ChangedFlags::*changedFlag() const override { return &ChangedFlags::ModbusCoilChanged; }

    // The candidates of the telecontrol tree (also the telesignal editor's): TypeCode 0, length 0,
    // the task's algorithm not in Algorithms32.
    static bool offersCandidate(const Task_CL& database, const TaskRecord& task,
                                const ParamCandidate& candidate);
    static QStringList typeItems()
    {
        return {QStringLiteral("импульс"), QStringLiteral("потенциал")};
    }
    static QStringList stepItems() { return {QStringLiteral(" 1"), QStringLiteral(" 2")}; }
    static QStringList signItems() { return {QStringLiteral("ОС=0"), QStringLiteral("ОС=1")}; }
    static QStringList valueItems() { return {QStringLiteral(" 0"), QStringLiteral(" 1")}; }
    // A command claims one coil.
    static NumberClaim coilNumbers()
    {
        return {1, QStringLiteral("Coil"), QStringLiteral("Coils")};
    }
    std::optional<TableId> gridTable() const override { return TableId::ModbusCoilTable; }

protected:
    TreeOptions treeOptions() const override;
    void fillRow(int row) override;
    std::optional<ParamCore> referenceAt(int row, int column) const override;
    std::optional<ParamCore> mainReference(int row) const override;
    QString wrongCellMessage() const override;
    void storeReference(int row, int column, const PlacedParam& placed) override;
    bool cellChanged(int row, int column, const QString& text) override;
    bool dropDownAllowed(int row, int column) override;
    void choiceMade(int row, int column, int index) override;
    void afterClick(int row, int column) override;
    void removeTableRow(int index) override;
    void rowsChanged() override;
    bool closeCheck() override;

private:
    ModbusCoilEntry& entry(int row) const;
    // The cells a row's type and steps disable (from the model).
    static bool disabled(const ModbusCoilEntry& e, int column);
    // One cell as activation shows it (for a row in use: empty when disabled).
    void showCell(int row, int column);
    // Greys and empties the disabled cells of a row; the cells that become white show what the
    // model holds for them.
    void applyDisabled(int row);
};

} // namespace veg
