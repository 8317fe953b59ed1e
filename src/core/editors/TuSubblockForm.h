#pragma once

#include "core/editors/SubblockRowsForm.h"

namespace veg {

// "Телеуправление. Субблок s" (TFTU): the six telecontrol operations of one ТУ sub-block, row
// s × 32 + o ("Номер операции" 1-6). An operation writes a controller parameter ("сигнал"; Kind =
// the parameter's value format) with a pulse of "Длительность сигнала, сек" (Extra, 1-255), or is
// empty ("управления нет"). Its rows share the ТС/ТУ table, whose controller references the
// telesignal window (TFTC) keeps in step with the controller list.
class TuSubblockForm : public SubblockRowsForm
{
public:
    explicit TuSubblockForm(EditorSession& session) : SubblockRowsForm(session) {}

    QString windowName() const override { return QStringLiteral("TFTU"); }
    QString caption() const override;
    int subblockCount() const override;

    static QString durationField() { return QStringLiteral("Duration"); }

protected:
    std::vector<Selector> selectors() const override;
    int boxCount() const override;
    int tableRow(int box) const override;
    QString boxCaption(int box) const override
    {
        return QStringLiteral("Операция %1").arg(box + 1);
    }
    QString positionText() const override;
    QString pageCaption() const override { return QStringLiteral("Сигнал"); }
    std::vector<std::pair<QString, Source>> sources() const override;
    TreeOptions treeOptions() const override;
    std::optional<Spin> spin() const override;
    std::optional<int> spinValueOf(int row) const override;
    ParamCore& core(int row) const override;
    QString& name(int row) const override;
    void storeParameter(int row, const PlacedParam& placed) override;
    void emptyRow(int row) override;
    void markChanged() override;

private:
    TcTuEntry& entry(int row) const;
};

} // namespace veg
