#include "core/editors/IkpSubblockForm.h"

#include "core/config/GatewayConfig.h"
#include "core/settings/AdditionalSettings.h"
#include "core/database/Task_CL.h"
#include "core/editors/ReferenceRules.h"

namespace veg {

QString IkpSubblockForm::caption() const
{
    return QStringLiteral("Настройка интеллектуального КП. Субблок ") + QString::number(subblock());
}

int IkpSubblockForm::subblockCount() const
{
    return Rows::IkpSubblocks;
}

bool IkpSubblockForm::offersCandidate(const Task_CL& database, const TaskRecord& task,
                                      const ParamCandidate& candidate)
{
    return candidate.TypeCode == 4 && !database.IsAlgorithm32(task.Algorithm);
}

std::vector<SubblockRowsForm::Selector> IkpSubblockForm::selectors() const
{
    return {{QStringLiteral("Measurement"), QStringLiteral("Телеизмерение"),
             Rows::MeasurementsPerIkpSubblock}};
}

int IkpSubblockForm::boxCount() const
{
    return Rows::MeasurementsPerIkpSubblock;
}

int IkpSubblockForm::tableRow(int box) const
{
    return ikpRow(subblock(), box);
}

QString IkpSubblockForm::positionText() const
{
    return QStringLiteral("Телеизмерение %1").arg(choice(0) + 1);
}

std::vector<std::pair<QString, SubblockRowsForm::Source>> IkpSubblockForm::sources() const
{
    return {{QStringLiteral("параметр"), Source::Parameter},
            {QStringLiteral("данных нет"), Source::None}};
}

TreeOptions IkpSubblockForm::treeOptions() const
{
    TreeOptions o;
    o.shortTaskNames = session().additional.ShortTaskNames;
    o.offer = &IkpSubblockForm::offersCandidate;
    o.numberInText = false;
    return o;
}

TiEntry& IkpSubblockForm::entry(int row) const
{
    return config().IkpTable[std::size_t(row)];
}

ParamCore& IkpSubblockForm::core(int row) const
{
    return entry(row);
}

QString& IkpSubblockForm::name(int row) const
{
    return entry(row).Name;
}

void IkpSubblockForm::storeParameter(int row, const PlacedParam& placed)
{
    TiEntry& e = entry(row);
    e.Kind = formatKind(e.Kind, placed);
    e.NetNumber = placed.netNumber;
    e.TaskNumber = placed.taskNumber;
    e.ParamNumber = placed.paramNumber;
    e.Name = placed.name;
}

void IkpSubblockForm::emptyRow(int row)
{
    entry(row) = TiEntry{};
}

void IkpSubblockForm::markChanged()
{
    config().Changed.IkpChanged = true;
}

bool IkpSubblockForm::RebindController(int controllerIndex)
{
    std::vector<RefSlot> refs;
    for (TiEntry& e : config().IkpTable)
        refs.push_back({e.NetNumber, e.ParamNumber, &e.TaskNumber, &e.Name});
    return RebindReferences(config(), controllerIndex, refs);
}

void IkpSubblockForm::RemoveControllerRefs(int controllerIndex)
{
    if (controllerIndex < 0 || controllerIndex >= int(config().Controllers.size()))
        return;
    const std::uint8_t net = config().Controllers[std::size_t(controllerIndex)].NetNumber;
    for (TiEntry& e : config().IkpTable) {
        if (e.NetNumber == net)
            e = TiEntry{};
    }
}

} // namespace veg
