#pragma once

#include "core/editors/ControllerTreeForm.h"

namespace veg {

struct KtsSignal;

// "Настройка ТС" (TFKTC_TC): the 16 telesignals of a КТС Энергия configuration (KtsSignals). A
// row takes its signal from a controller parameter ("параметр", with the controller's tree) or
// from one bit of a group parameter ("группа", with the group tree of the configuration's four
// slots: ParamNumber holds the slot in its high byte and the bit in its low byte). A row is
// deleted where it stands.
//
// Whether a row is a parameter or a group row is what its column 1 shows: a choice there empties
// the row in the table, and the kind stays with the grid row until the row gets its signal. The
// inversion boxes and the bit numbers are kept in the grid while the window is open and stored on
// closing (the grid-changed flag says whether any of them changed), all rows or none.
class KtsSignalsForm : public ControllerTreeForm
{
public:
    explicit KtsSignalsForm(EditorSession& session);

    enum Column
    {
        NumberColumn = 0,
        KindColumn = 1,
        ControllerColumn = 2,
        ParameterColumn = 3,
        InversionColumn = 4,
        BitColumn = 5,
        ColumnCount = 6
    };

    QString windowName() const override { return QStringLiteral("TFKTC_TC"); }
    QString caption() const override { return QStringLiteral("Настройка ТС"); }
    std::optional<TableId> gridTable() const override { return TableId::KtsSignals; }
    void FormActivate() override;

    void clickCell(int row, int column) override;
    void dropOnCell(int row, int column) override;
    void place(int slot = -1) override;

    bool RebindController(int controllerIndex) override;
    void RemoveControllerRefs(int controllerIndex) override;
    bool ChangedFlags::*changedFlag() const override { return &ChangedFlags::KtsSignalChanged; }

    static QStringList kindItems()
    {
        return {QStringLiteral("параметр"), QStringLiteral("группа")};
    }

protected:
    bool offers(const Task_CL& database, const TaskRecord& task,
                const ParamCandidate& candidate) const override;
    void fillRow(int row) override;
    QString wrongCellMessage() const override { return {}; }
    void storeReference(int row, int column, const PlacedParam& placed) override;
    bool cellChanged(int row, int column, const QString& text) override;
    QStringList dropDownItems(int row, int column) const override;
    void choiceMade(int row, int column, int index) override;
    void checkChanged(int row, int column, bool checked) override;
    void menuCommand(const QString& item, int row, int column) override;
    bool closeCheck() override;

private:
    enum class Kind
    {
        None,
        Parameter,
        Group
    };
    KtsSignal& entry(int row) const;
    Kind& kind(int row) { return m_kinds[std::size_t(dataIndex(row))]; }
    Kind kind(int row) const { return m_kinds[std::size_t(dataIndex(row))]; }
    void syncTree(int row);
    // The group tree; false (hidden) when no slot is used.
    bool showGroupTree();
    // Column 3 and its hint from the row.
    void showReferenceOf(int row);
    // Flags with the row's inversion box in bit 7.
    std::uint8_t withInversion(int row, std::uint8_t source) const;

    std::vector<Kind> m_kinds;
    bool m_gridChanged = false;
};

} // namespace veg
