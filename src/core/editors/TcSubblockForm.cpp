#include "core/editors/TcSubblockForm.h"

#include "core/config/GatewayConfig.h"
#include "core/config/ValueRules.h"
#include "core/settings/AdditionalSettings.h"
#include "core/editors/ModbusTelecontrolForm.h"
#include "core/editors/ReferenceRules.h"
#include "core/editors/TelesignalRows.h"

namespace veg {

QString TcSubblockForm::caption() const
{
    return QStringLiteral("Телесигнализация. Субблок ") + QString::number(subblock());
}

int TcSubblockForm::subblockCount() const
{
    return Rows::OkpSubblocks;
}

std::vector<SubblockRowsForm::Selector> TcSubblockForm::selectors() const
{
    return {{QStringLiteral("Operation"), QStringLiteral("Телеоперация"), 4},
            {QStringLiteral("Bit"), QStringLiteral("Разряд"), 8}};
}

int TcSubblockForm::tableRow(int box) const
{
    return tcTuRow(subblock(), choice(0) * 8 + box);
}

QString TcSubblockForm::positionText() const
{
    return QStringLiteral("Операция %1 разряд %2").arg(choice(0) + 1).arg(choice(1) + 1);
}

std::vector<std::pair<QString, SubblockRowsForm::Source>> TcSubblockForm::sources() const
{
    return {{QStringLiteral("сигнал"), Source::Parameter},
            {QStringLiteral("группа"), Source::Group},
            {QStringLiteral("данных нет"), Source::None}};
}

TreeOptions TcSubblockForm::treeOptions() const
{
    TreeOptions o;
    o.shortTaskNames = session().additional.ShortTaskNames;
    o.offer = &ModbusTelecontrolForm::offersCandidate;
    return o;
}

std::optional<SubblockRowsForm::Spin> TcSubblockForm::spin() const
{
    return Spin{bitNumberField(), QStringLiteral("Номер бита"), 0, ValueRules::kLastBit,
                Source::Group};
}

std::optional<int> TcSubblockForm::spinValueOf(int row) const
{
    if (!isGroupRow(row))
        return std::nullopt;
    return entry(row).ParamNumber & 0xFF;
}

TcTuEntry& TcSubblockForm::entry(int row) const
{
    return config().TcTuTable[std::size_t(row)];
}

ParamCore& TcSubblockForm::core(int row) const
{
    return entry(row);
}

QString& TcSubblockForm::name(int row) const
{
    return entry(row).Name;
}

bool TcSubblockForm::isGroupRow(int row) const
{
    return isGroupBitRow(entry(row), SignalTable::Magistral);
}

void TcSubblockForm::storeParameter(int row, const PlacedParam& placed)
{
    TcTuEntry& e = entry(row);
    e.Kind = 0;
    e.NetNumber = placed.netNumber;
    e.TaskNumber = placed.taskNumber;
    e.ParamNumber = placed.paramNumber;
    e.Name = placed.name;
}

void TcSubblockForm::storeGroupBit(int row, int slot, int bit, const QString& nodeText)
{
    // The task number is left as it was.
    TcTuEntry& e = entry(row);
    e.Kind = 1;
    e.NetNumber = 255;
    e.ParamNumber = std::uint16_t(slot * 256 + bit);
    e.Name = cutName(nodeText);
}

void TcSubblockForm::emptyRow(int row)
{
    entry(row) = TcTuEntry{};
}

void TcSubblockForm::markChanged()
{
    config().Changed.TcChanged = true;
}

std::vector<TcTuEntry>* TcSubblockForm::signalRows() const
{
    if (config().catalogue().has(TableId::TcTuTable))
        return &config().TcTuTable;
    if (config().catalogue().has(TableId::ModbusTcTable))
        return &config().ModbusTcTable;
    return nullptr;
}

bool TcSubblockForm::RebindController(int controllerIndex)
{
    std::vector<TcTuEntry>* rows = signalRows();
    if (!rows)
        return true;
    return rebindSignalRows(config(), controllerIndex, *rows,
                            rows == &config().TcTuTable ? SignalTable::Magistral
                                                        : SignalTable::Modbus);
}

void TcSubblockForm::RemoveControllerRefs(int controllerIndex)
{
    std::vector<TcTuEntry>* rows = signalRows();
    if (rows) {
        removeSignalRows(config(), controllerIndex, *rows,
                         rows == &config().TcTuTable ? SignalTable::Magistral
                                                     : SignalTable::Modbus);
    }
}

bool ChangedFlags::*TcSubblockForm::changedFlag() const
{
    return signalRows() == &config().ModbusTcTable ? &ChangedFlags::ModbusTcChanged
                                                   : &ChangedFlags::TcChanged;
}

} // namespace veg
