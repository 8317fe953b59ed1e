#include "core/app/ConfigOverview.h"

#include "core/check/ConfigCheck.h"
#include "core/check/DatabaseState.h"
#include "core/config/ConfigFile.h"
#include "core/config/GatewayConfig.h"
#include "core/editors/CommonSettingsForm.h"
#include "core/editors/ParamTreeBuilder.h"
#include "core/text/NumberText.h"

namespace veg {

namespace {

QString hex2(std::uint32_t n)
{
    return NumberText::hex(n, 2);
}

QString canSpeed(const CommonSettings& m)
{
    if (m.V_CAN < kCanSpeedCount)
        return CommonSettingsForm::canSpeeds()[m.V_CAN].trimmed() + QStringLiteral(" кбит/с");
    return QStringLiteral("скорость без кода (в файле «%1»)")
        .arg(fileCanSpeedTable().value(m.V_CAN, QString::number(m.V_CAN)));
}

QString lineSpeed(const CommonSettings& m)
{
    if (m.V_Ext < kLineSpeedCount)
        return CommonSettingsForm::lineSpeeds()[m.V_Ext] + QStringLiteral(" бод");
    return QStringLiteral("скорость без кода (в файле «%1»)")
        .arg(fileLineSpeedTable().value(m.V_Ext, QString::number(m.V_Ext)));
}

// "10 бит"; "11 бит, чёт" — a 10-bit character has no room for a parity bit.
QString characterFormat(std::uint8_t bits, std::uint8_t parity)
{
    if (bits == 1)
        return QStringLiteral("10 бит");
    const QString format =
        bits == 0 ? QStringLiteral("11 бит") : QStringLiteral("формат %1").arg(bits);
    const char* const parities[] = {"чёт", "нечёт", "без контроля"};
    return format + QStringLiteral(", ") +
           (parity < 3 ? QString::fromUtf8(parities[parity])
                       : QStringLiteral("контроль %1").arg(parity));
}

QString settingsInWords(const GatewayConfig& c)
{
    const CommonSettings& m = c.Common;
    const QString transmit = characterFormat(m.TBit, m.TCon);
    QString format;
    if (c.Protocol == ProtocolVariant::KtsEnergia) {
        // Its window shows the transmit format only.
        format = QStringLiteral("передача ") + transmit;
    } else {
        const QString receive = characterFormat(m.RBit, m.RCon);
        format = receive == transmit ? receive
                                     : QStringLiteral("приём ") + receive +
                                           QStringLiteral(", передача ") + transmit;
    }
    return QStringLiteral("CAN ") + canSpeed(m) + QStringLiteral(", линия ") + lineSpeed(m) +
           QStringLiteral(", ") + format;
}

// The gateway's addresses on the upper line, as its general settings name them.
QStringList gatewayAddresses(const GatewayConfig& c)
{
    const CommonSettings& m = c.Common;
    switch (c.Protocol) {
    case ProtocolVariant::Magistral1:
        return {QStringLiteral("адрес ИКП %1, ОКП %2").arg(hex2(m.AdrExt), hex2(m.AdrOKP))};
    case ProtocolVariant::Modbus:
    case ProtocolVariant::UnkTm:
        return {QStringLiteral("slave-адрес %1").arg(hex2(m.AdrExt))};
    case ProtocolVariant::Hart:
        return {QStringLiteral("короткий адрес %1").arg(hex2(m.AdrExt))};
    case ProtocolVariant::KtsEnergia:
    case ProtocolVariant::None:
        break;
    }
    return {};
}

QString tableTitle(const GatewayConfig& c, TableId t)
{
    switch (t) {
    case TableId::GroupParams:
        if (c.Protocol == ProtocolVariant::UnkTm)
            return QStringLiteral("Параметры ниток");
        if (c.Protocol == ProtocolVariant::Hart)
            return QStringLiteral("Параметры устройств HART");
        return QStringLiteral("Групповые параметры");
    case TableId::OkpSubblockTypes:
        return QStringLiteral("Субблоки обычного КП");
    case TableId::TcTuTable:
        return QStringLiteral("ТС и ТУ обычного КП");
    case TableId::IkpTable:
        return QStringLiteral("Телеизмерения интеллектуального КП");
    case TableId::ModbusCoilTable:
        return QStringLiteral("ТУ (Coils)");
    case TableId::ModbusTcTable:
        return QStringLiteral("ТС (Discrete Inputs)");
    case TableId::TiFloatTable:
        return QStringLiteral("ТИ (Holding Registers)");
    case TableId::UnkThreads:
        return QStringLiteral("Нитки");
    case TableId::HartDevices:
        return QStringLiteral("Устройства HART");
    case TableId::KtsGroups:
        return QStringLiteral("Гребёнка");
    case TableId::KtsSignals:
        return QStringLiteral("ТС");
    }
    return {};
}

ConfigOverview::Node controllerNode(const ControllerEntry& e)
{
    ConfigOverview::Node n;
    n.title = e.QueuePath.isEmpty() ? QStringLiteral("Контроллер") : queueName(e.QueuePath);
    n.details << QStringLiteral("сетевой номер %1").arg(hex2(e.NetNumber));
    switch (databaseState(e)) {
    case DatabaseState::Missing:
        n.details << QStringLiteral("нет базы данных");
        n.marked = true;
        break;
    case DatabaseState::ModuleMissing:
        n.details << QStringLiteral("модуль не найден");
        n.marked = true;
        break;
    case DatabaseState::Read:
        break;
    }
    return n;
}

} // namespace

ConfigOverview describeConfiguration(const GatewayConfig& config,
                                     const AdditionalSettings& additional)
{
    ConfigOverview o;
    if (config.Protocol == ProtocolVariant::None)
        return o;
    o.present = true;
    const QString protocol = protocolName(config.Protocol);
    o.master = {QStringLiteral("Верхний уровень"), {QStringLiteral("ведущий ") + protocol}, false};
    o.gateway.title = QStringLiteral("ВЕГ-78");
    o.gateway.details << protocol << gatewayAddresses(config) << lineSpeed(config.Common);
    o.bus = {QStringLiteral("CAN-BUS"),
             {canSpeed(config.Common),
              QStringLiteral("адрес ВЕГ-78 %1").arg(hex2(config.Common.AdrCAN))},
             false};
    for (const ControllerEntry& e : config.Controllers)
        o.controllers.push_back(controllerNode(e));
    o.settings = settingsInWords(config);

    const ProtocolCatalogue& cat = config.catalogue();
    for (TableId t : cat.tables) {
        o.tables.push_back({t, tableTitle(config, t), config.RowsInUse(t), config.RowCount(t),
                            cat.editorOf(t).value_or(EditorId::GatewayCommon)});
    }

    const ConfigCheck check(config, additional);
    o.findings = check.findings();
    o.summary = check.summary();
    o.errors = check.errors();
    return o;
}

} // namespace veg
