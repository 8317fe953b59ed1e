#pragma once

#include "core/database/ControllerRefsEditor.h"
#include "core/editors/SubblockRowsForm.h"

namespace veg {

// "Настройка интеллектуального КП. Субблок s" (TFNastrIKP): the four telemetry values of one
// sub-block of the intelligent controlled point, row s × 4 + m ("Телеизмерение" 1-4), each a
// controller parameter of TypeCode 4 ("параметр"; Kind = its value format) or empty ("данных
// нет"). For the controller list it answers for the whole intelligent-point table.
class IkpSubblockForm : public SubblockRowsForm, public ControllerRefsEditor
{
public:
    explicit IkpSubblockForm(EditorSession& session) : SubblockRowsForm(session) {}

    QString windowName() const override { return QStringLiteral("TFNastrIKP"); }
    QString caption() const override;
    int subblockCount() const override;

    bool RebindController(int controllerIndex) override;
    void RemoveControllerRefs(int controllerIndex) override;
    bool ChangedFlags::*changedFlag() const override { return &ChangedFlags::IkpChanged; }

    // Candidates: TypeCode exactly 4, the task's algorithm not in Algorithms32; no length test.
    static bool offersCandidate(const Task_CL& database, const TaskRecord& task,
                                const ParamCandidate& candidate);

protected:
    std::vector<Selector> selectors() const override;
    int boxCount() const override;
    int tableRow(int box) const override;
    QString boxCaption(int box) const override
    {
        return QStringLiteral("Телеизмерение %1").arg(box + 1);
    }
    QString positionText() const override;
    QString pageCaption() const override { return QStringLiteral("Параметр"); }
    std::vector<std::pair<QString, Source>> sources() const override;
    TreeOptions treeOptions() const override;
    ParamCore& core(int row) const override;
    QString& name(int row) const override;
    void storeParameter(int row, const PlacedParam& placed) override;
    void emptyRow(int row) override;
    void markChanged() override;

private:
    TiEntry& entry(int row) const;
};

} // namespace veg
