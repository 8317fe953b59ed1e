#pragma once

#include "core/editors/GridNumbers.h"
#include "core/ui/PrintTable.h"
#include "core/editors/TableEditorForm.h"

namespace veg {

// "Телеизмерение параметров с плавающей точкой" (TFTIFloat): the 64 floating-point telemetry
// values of TiFloatTable, each published from its holding register (column 1) and taken from a
// controller parameter whose TypeCode, masked with 0x87, is 4 (Kind = its value format). A row is
// in use when its Kind is not 255. "<< Поместить" puts the selected parameter into column 2 of
// the current row, whatever cell of the row is current; its register must be there first. The
// context menu also offers "Вставить", and "Печать" prints the rows in use with the reference's
// numbers and the gateway's addresses.
//
// A register number beyond 65535 is refused and sets the window's error flag, as does a register
// left empty beside a name; the flag keeps the window open until column 1 of some row is checked
// again.
//
// Beyond the rules of the table: a float takes two registers, so rows whose pairs overlap
// (100 and 101) are marked and named in the line under the grid; it does not keep the window open.
// An insertion that pushes a row in use out of the table names that row in the line too.
class TiFloatForm : public TableEditorForm
{
public:
    explicit TiFloatForm(EditorSession& session);

    enum Column
    {
        NumberColumn = 0,
        RegisterColumn = 1,
        NameColumn = 2,
        ColumnCount = 3
    };

    QString windowName() const override { return QStringLiteral("TFTIFloat"); }
    QString caption() const override
    {
        return QStringLiteral("Телеизмерение параметров с плавающей точкой");
    }
    void FormActivate() override;

    bool RebindController(int controllerIndex) override;
    void RemoveControllerRefs(int controllerIndex) override;
    bool ChangedFlags::*changedFlag() const override { return &ChangedFlags::TiFloatChanged; }

    KeyOutcome cellKey(QChar key, const QString& text) override;
    void PlaceParameter() override;
    void dropOnCell(int row, int column) override;
    std::vector<FormField> fields() const override;
    QString press(const QString& id) override;

    // The table "Печать" prints: the grid's three columns, then "Номер параметра", "Сетевой номер
    // К-19", "Сетевой номер CAN ВЕГ-78" and "Сетевой номер Modbus ВЕГ-78"; the heading row and
    // every row in use, in order.
    PrintTable printTable() const;

    static QString printButton() { return QStringLiteral("Печать"); }
    static QString insertItem() { return QStringLiteral("Вставить"); }
    // A floating-point value takes two holding registers: n and n + 1.
    static NumberClaim registerNumbers()
    {
        return {2, QStringLiteral("Holding Register"), QStringLiteral("Holding Registers")};
    }
    std::optional<TableId> gridTable() const override { return TableId::TiFloatTable; }
    // Candidates: TypeCode masked with 0x87 equal to 4; no length or Algorithms32 test.
    static bool offersCandidate(const Task_CL& database, const TaskRecord& task,
                                const ParamCandidate& candidate);

protected:
    TreeOptions treeOptions() const override;
    void fillRow(int row) override;
    bool isReferenceCell(int row, int column) const override;
    QString wrongCellMessage() const override { return {}; }
    void storeReference(int row, int column, const PlacedParam& placed) override {}
    bool cellChanged(int row, int column, const QString& text) override;
    bool activateTree() override;
    void syncTreeWithCell(int row, int column) override;
    QStringList menuItems(int row, int column) const override;
    void menuCommand(const QString& item, int row, int column) override;
    void removeTableRow(int index) override;
    void insertTableRow(int index) override;
    void rowsChanged() override;
    bool closeCheck() override;

private:
    TcTuEntry& entry(int row) const;
    void syncRow(int row);

    // The error flag of the register column, with what set it.
    bool m_error = false;
    QString m_errorMessage;
    int m_errorRow = -1;
    QString m_lostNote; // the row an insertion pushed out, until the next activation
};

} // namespace veg
