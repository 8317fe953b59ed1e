#include "core/editors/TuSubblockForm.h"

#include "core/config/GatewayConfig.h"
#include "core/config/ValueRules.h"
#include "core/settings/AdditionalSettings.h"
#include "core/editors/ModbusTelecontrolForm.h"

namespace veg {

QString TuSubblockForm::caption() const
{
    return QStringLiteral("Телеуправление. Субблок ") + QString::number(subblock());
}

int TuSubblockForm::subblockCount() const
{
    return Rows::OkpSubblocks;
}

std::vector<SubblockRowsForm::Selector> TuSubblockForm::selectors() const
{
    return {{QStringLiteral("Operation"), QStringLiteral("Номер операции"),
             Rows::OperationsPerTuSubblock}};
}

int TuSubblockForm::boxCount() const
{
    return Rows::OperationsPerTuSubblock;
}

int TuSubblockForm::tableRow(int box) const
{
    return tcTuRow(subblock(), box);
}

QString TuSubblockForm::positionText() const
{
    return QStringLiteral("Операция %1").arg(choice(0) + 1);
}

std::vector<std::pair<QString, SubblockRowsForm::Source>> TuSubblockForm::sources() const
{
    return {{QStringLiteral("сигнал"), Source::Parameter},
            {QStringLiteral("управления нет"), Source::None}};
}

TreeOptions TuSubblockForm::treeOptions() const
{
    TreeOptions o;
    o.shortTaskNames = session().additional.ShortTaskNames;
    o.offer = &ModbusTelecontrolForm::offersCandidate;
    o.numberInText = false;
    return o;
}

std::optional<SubblockRowsForm::Spin> TuSubblockForm::spin() const
{
    return Spin{durationField(), QStringLiteral("Длительность сигнала, сек"),
                ValueRules::kShortestPulse, ValueRules::kLongestPulse, std::nullopt};
}

std::optional<int> TuSubblockForm::spinValueOf(int row) const
{
    return entry(row).Extra;
}

TcTuEntry& TuSubblockForm::entry(int row) const
{
    return config().TcTuTable[std::size_t(row)];
}

ParamCore& TuSubblockForm::core(int row) const
{
    return entry(row);
}

QString& TuSubblockForm::name(int row) const
{
    return entry(row).Name;
}

void TuSubblockForm::storeParameter(int row, const PlacedParam& placed)
{
    TcTuEntry& e = entry(row);
    e.Kind = formatKind(e.Kind, placed);
    e.NetNumber = placed.netNumber;
    e.TaskNumber = placed.taskNumber;
    e.ParamNumber = placed.paramNumber;
    e.Extra = spinValue();
    e.Name = placed.name;
}

void TuSubblockForm::emptyRow(int row)
{
    entry(row) = TcTuEntry{};
}

void TuSubblockForm::markChanged()
{
    config().Changed.TuChanged = true;
}

} // namespace veg
