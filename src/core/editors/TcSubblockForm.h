#pragma once

#include "core/database/ControllerRefsEditor.h"
#include "core/editors/SubblockRowsForm.h"

namespace veg {

// "Телесигнализация. Субблок s" (TFTC): the 32 telesignals of one ТС sub-block of the ordinary
// controlled point, by "Телеоперация" (1-4) and "Разряд" (1-8): row s × 32 + o × 8 + b. A signal
// comes from a controller parameter ("сигнал"), from bit "Номер бита" of a group parameter
// ("группа": Kind 1, ParamNumber slot × 256 + bit, NetNumber 255) or is empty ("данных нет").
//
// For the controller list it answers for the telesignal rows: every row of Магистраль-1's ТС/ТУ
// table, or in a Modbus configuration the discrete inputs, which are laid out as the same rows.
class TcSubblockForm : public SubblockRowsForm, public ControllerRefsEditor
{
public:
    explicit TcSubblockForm(EditorSession& session) : SubblockRowsForm(session) {}

    QString windowName() const override { return QStringLiteral("TFTC"); }
    QString caption() const override;
    int subblockCount() const override;

    bool RebindController(int controllerIndex) override;
    void RemoveControllerRefs(int controllerIndex) override;
    bool ChangedFlags::*changedFlag() const override;

    static QString bitNumberField() { return QStringLiteral("BitNumber"); }

protected:
    std::vector<Selector> selectors() const override;
    int boxSelector() const override { return 1; }
    int boxCount() const override { return 8; }
    int tableRow(int box) const override;
    QString boxCaption(int box) const override
    {
        return QStringLiteral("Разряд %1").arg(box + 1);
    }
    QString positionText() const override;
    QString pageCaption() const override { return QStringLiteral("Сигнал"); }
    std::vector<std::pair<QString, Source>> sources() const override;
    TreeOptions treeOptions() const override;
    std::optional<Spin> spin() const override;
    std::optional<int> spinValueOf(int row) const override;
    ParamCore& core(int row) const override;
    QString& name(int row) const override;
    bool isGroupRow(int row) const override;
    void storeParameter(int row, const PlacedParam& placed) override;
    void storeGroupBit(int row, int slot, int bit, const QString& nodeText) override;
    void emptyRow(int row) override;
    void markChanged() override;

private:
    TcTuEntry& entry(int row) const;
    // The rows the controller list's operations walk: the ТС/ТУ table, or the discrete inputs.
    std::vector<TcTuEntry>* signalRows() const;
};

} // namespace veg
