#pragma once

#include "core/editors/ControllerTreeForm.h"

#include <optional>

namespace veg {

struct KtsGroup;

// "Гребёнка" (TFKTC_Gr): the 16 analog group values of a КТС Энергия configuration (KtsGroups):
// a controller, its parameter, the scale and the decimals of each. A row is deleted where it
// stands. The tree shows the parameters of the current row's controller only.
//
// The scales and decimals are kept in the grid while the window is open and stored on closing
// (the grid-changed flag says whether any of them changed), all rows or none: a scale that does
// not read keeps the window open with every row as it was.
class KtsGroupsForm : public ControllerTreeForm
{
public:
    explicit KtsGroupsForm(EditorSession& session);

    enum Column
    {
        NumberColumn = 0,
        ControllerColumn = 1,
        ParameterColumn = 2,
        BeginColumn = 3,
        EndColumn = 4,
        DecimalsColumn = 5,
        ColumnCount = 6
    };

    QString windowName() const override { return QStringLiteral("TFKTC_Gr"); }
    QString caption() const override { return QStringLiteral("Гребёнка"); }
    std::optional<TableId> gridTable() const override { return TableId::KtsGroups; }
    void FormActivate() override;

    void clickCell(int row, int column) override;
    void dropOnCell(int row, int column) override;
    void place(int slot = -1) override;

    bool RebindController(int controllerIndex) override;
    void RemoveControllerRefs(int controllerIndex) override;
    bool ChangedFlags::*changedFlag() const override { return &ChangedFlags::KtsGroupChanged; }

    // A scale as the grid shows it: rounded to 8 significant digits, then in fixed notation with
    // `decimals` decimals and the system decimal separator (a value of more than 8 integer
    // digits in exponent notation).
    static QString scaleText(float value, int decimals, QChar separator);
    // A scale cell's text read with the system decimal separator; none when it does not read as
    // a finite 32-bit number.
    static std::optional<float> readScale(const QString& text, QChar separator);

protected:
    bool offers(const Task_CL& database, const TaskRecord& task,
                const ParamCandidate& candidate) const override;
    void fillRow(int row) override;
    QString wrongCellMessage() const override { return {}; }
    void storeReference(int row, int column, const PlacedParam& placed) override;
    bool cellChanged(int row, int column, const QString& text) override;
    QStringList dropDownItems(int row, int column) const override;
    void choiceMade(int row, int column, int index) override;
    CellEdit editorFor(int row, int column) const override;
    void deleteRow(int row) override;
    void resetTableRow(int index) override;
    bool closeCheck() override;

private:
    KtsGroup& entry(int row) const;
    void syncTree(int row);

    bool m_gridChanged = false;
};

} // namespace veg
