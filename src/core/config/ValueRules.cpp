#include "core/config/ValueRules.h"

#include "core/config/GatewayConfig.h"
#include "core/text/NumberText.h"

#include <algorithm>

namespace veg::ValueRules {

namespace {

// `what` names the values in the genitive ("номеров Coil"); `unit` follows the limits.
QString range(qint64 v, qint64 lo, qint64 hi, const QString& what, const QString& unit = {})
{
    QString text = QStringLiteral("%1 вне диапазона %2 %3…%4").arg(v).arg(what).arg(lo).arg(hi);
    if (!unit.isEmpty())
        text += u' ' + unit;
    return text;
}

// A number cell that refuses the value with its message.
std::optional<Refusal> outside(qint64 v, qint64 lo, qint64 hi, const QString& what,
                               const QString& message, const QString& unit = {})
{
    if (v >= lo && v <= hi)
        return std::nullopt;
    return Refusal{range(v, lo, hi, what, unit), message, {}};
}

// A spin box, which goes no further than its limits.
std::optional<Refusal> spin(qint64 v, qint64 lo, qint64 hi, const QString& what,
                            const char* caption, const QString& unit = {})
{
    if (v >= lo && v <= hi)
        return std::nullopt;
    return Refusal{range(v, lo, hi, what, unit), {}, QString::fromUtf8(caption)};
}

} // namespace

QString Refusal::text() const
{
    if (!message.isEmpty())
        return reason + QStringLiteral(" (окно отвечает: \"%1\")").arg(message);
    if (!spinBox.isEmpty())
        return reason +
               QStringLiteral(" (поле \"%1\" в окне не выходит за эти пределы)").arg(spinBox);
    return reason;
}

std::optional<Refusal> canSpeed(qint64 index)
{
    if (index >= 0 && index < kCanSpeedCount)
        return std::nullopt;
    return Refusal{QStringLiteral("%1 — не из списка скоростей CAN-BUS в окне (0…4: 300, 150, "
                                  "100, 50, 20 кбит/с)")
                       .arg(index),
                   {},
                   {}};
}

std::optional<Refusal> lineSpeed(qint64 index)
{
    if (index >= 0 && index < kLineSpeedCount)
        return std::nullopt;
    return Refusal{QStringLiteral("%1 — не из списка скоростей линии в окне (0…6: 300, 600, "
                                  "1200, 2400, 4800, 9600, 19200 бод)")
                       .arg(index),
                   {},
                   {}};
}

std::optional<Refusal> coil(qint64 number)
{
    if (number % 2 != 0)
        return Refusal{
            QStringLiteral("%1 — нечётный номер; номер Coil должен быть чётным").arg(number),
            QStringLiteral("Coil должен быть кратен 2!"),
            {}};
    if (number > kLastCoil || number < 0)
        return Refusal{range(number, 0, kLastCoil, QStringLiteral("номеров Coil")),
                       QStringLiteral("Coil не должен превышать 65534!"),
                       {}};
    return std::nullopt;
}

std::optional<Refusal> coilPulse(qint64 seconds)
{
    return outside(seconds, kShortestPulse, kLongestPulse, QStringLiteral("длительности импульса"),
                   QStringLiteral("Введите значение от 1с до 256с"), QStringLiteral("с"));
}

std::optional<Refusal> subblockPulse(qint64 seconds)
{
    return spin(seconds, kShortestPulse, kLongestPulse, QStringLiteral("длительности сигнала"),
                "Длительность сигнала, сек", QStringLiteral("с"));
}

std::optional<Refusal> discreteInput(qint64 number)
{
    return outside(number, 0, kLastRegister, QStringLiteral("номеров Discret Inputs"),
                   QStringLiteral("Номер Discret Inputs должен быть не больше 65535!"));
}

std::optional<Refusal> telesignalBit(qint64 bit)
{
    return outside(bit, 0, kLastBit, QStringLiteral("номеров бита"),
                   QStringLiteral("Номер бита должен быть не больше 31!"));
}

std::optional<Refusal> subblockBit(qint64 bit)
{
    return spin(bit, 0, kLastBit, QStringLiteral("номеров бита"), "Номер бита");
}

std::optional<Refusal> ktsBit(qint64 bit)
{
    return outside(bit, 0, kLastBit, QStringLiteral("номеров бита"),
                   QStringLiteral("Номер бита не больше 31!"));
}

std::optional<Refusal> holdingRegister(qint64 number)
{
    return outside(number, 0, kLastRegister, QStringLiteral("номеров Holding Registers"),
                   QStringLiteral("Номер Holding registers должен быть не больше 65535!"));
}

std::optional<Refusal> ktsDecimals(qint64 digits)
{
    return spin(digits, 0, kMostDecimals, QStringLiteral("числа знаков после запятой"),
                "Кол. знаков после запятой");
}

namespace {

// Where a refused value is: its JSON path and, for a row's value, the table and the row.
struct Place
{
    QString path;
    std::optional<TableId> table;
    int row = -1;
};

Place common(const char* field)
{
    return {QStringLiteral("Common.") + QLatin1String(field), std::nullopt, -1};
}

Place row(TableId id, const char* table, std::size_t i, const char* field = nullptr)
{
    QString p = QStringLiteral("%1[%2]").arg(QLatin1String(table)).arg(i);
    if (field)
        p += u'.' + QLatin1String(field);
    return {p, id, int(i)};
}

// The refusals of one configuration, with the places of their fields.
class Finder
{
public:
    std::vector<RefusedValue> found;

    void add(const Place& at, std::optional<Refusal> r)
    {
        if (r)
            found.push_back({at.path, *std::move(r), at.table, at.row});
    }
    // A value of a choice that is none of the window's items.
    void choice(const Place& at, qint64 v, std::initializer_list<qint64> items, const char* what)
    {
        if (std::find(items.begin(), items.end(), v) == items.end())
            add(at,
                Refusal{QStringLiteral("%1 — не из списка %2").arg(v).arg(QString::fromUtf8(what)),
                        {},
                        {}});
    }
    // The ParamNumber of a row that takes one bit of a group parameter: slot × 256 + bit.
    void groupBit(const Place& at, std::uint16_t paramNumber,
                  std::optional<Refusal> (*bitRule)(qint64))
    {
        const int slot = paramNumber >> 8;
        const int bit = paramNumber & 0xFF;
        const QString what =
            QStringLiteral("%1 (%2) — бит %3 группового параметра GroupParams[%4]; ")
                .arg(paramNumber)
                .arg(NumberText::hex(paramNumber, 4))
                .arg(bit)
                .arg(slot);
        if (slot >= Rows::GroupSlots) {
            add(at,
                Refusal{what +
                            QStringLiteral("индексы GroupParams — 0…%1").arg(Rows::GroupSlots - 1),
                        {},
                        {}});
        } else if (auto r = bitRule(bit)) {
            r->reason = what + r->reason;
            add(at, std::move(r));
        }
    }
};

void commonRefusals(const CommonSettings& m, Finder& f)
{
    f.add(common("V_CAN"), canSpeed(m.V_CAN));
    f.add(common("V_Ext"), lineSpeed(m.V_Ext));
    const char* format = "форматов символа (0 — 11 бит, 1 — 10 бит)";
    const char* parity = "видов контроля чётности (0 — по чётности, 1 — по нечётности, 2 — нет)";
    f.choice(common("RBit"), m.RBit, {0, 1}, format);
    f.choice(common("TBit"), m.TBit, {0, 1}, format);
    f.choice(common("RCon"), m.RCon, {0, 1, 2}, parity);
    f.choice(common("TCon"), m.TCon, {0, 1, 2}, parity);
    if (m.AdrLong[0] != 0 || m.AdrLong[1] != 2)
        f.add(common("AdrLong"), Refusal{QStringLiteral("байты 0 и 1 длинного адреса HART всегда "
                                                        "равны 0 и 2, а здесь они %1 и %2")
                                             .arg(m.AdrLong[0])
                                             .arg(m.AdrLong[1]),
                                         {},
                                         {}});
}

void magistralRefusals(const GatewayConfig& c, Finder& f)
{
    for (std::size_t s = 0; s < c.OkpSubblockTypes.size(); ++s)
        f.choice(row(TableId::OkpSubblockTypes, "OkpSubblockTypes", s), c.OkpSubblockTypes[s],
                 {0, 1, 2}, "типов подблока (0 — нет, 1 — ТС, 2 — ТУ)");
    for (std::size_t r = 0; r < c.TcTuTable.size(); ++r) {
        const TcTuEntry& e = c.TcTuTable[r];
        const std::size_t s = r / Rows::SignalsPerTcSubblock;
        const int type = s < c.OkpSubblockTypes.size() ? c.OkpSubblockTypes[s] : int(SubblockNone);
        if (e.Kind == 255)
            continue;
        if (type == SubblockTc && isGroupBitRow(e, SignalTable::Magistral))
            f.groupBit(row(TableId::TcTuTable, "TcTuTable", r, "ParamNumber"), e.ParamNumber,
                       &subblockBit);
        if (type == SubblockTu)
            f.add(row(TableId::TcTuTable, "TcTuTable", r, "Extra"), subblockPulse(e.Extra));
    }
}

void modbusRefusals(const GatewayConfig& c, Finder& f)
{
    const char* table = "ModbusCoilTable";
    const char* sign = "знаков ОС в окне (0 — ОС=0, 1 — ОС=1; 255 — нет)";
    const char* ready = "значений готовности в окне (0, 1; 255 — нет)";
    for (std::size_t i = 0; i < c.ModbusCoilTable.size(); ++i) {
        const ModbusCoilEntry& e = c.ModbusCoilTable[i];
        if (e.Coil != 0xFFFF)
            f.add(row(TableId::ModbusCoilTable, table, i, "Coil"), coil(e.Coil));
        f.choice(row(TableId::ModbusCoilTable, table, i, "TypeTU"), e.TypeTU,
                 {0x00, 0x01, 0x10, 0x11},
                 "типов ТУ в окне (0 — импульс, 1 — потенциал; 16 и 17 — то же в "
                 "две ступени)");
        f.add(row(TableId::ModbusCoilTable, table, i, "TimeTU1"), coilPulse(e.TimeTU1));
        f.add(row(TableId::ModbusCoilTable, table, i, "TimeTU0"), coilPulse(e.TimeTU0));
        f.choice(row(TableId::ModbusCoilTable, table, i, "OC1.Kind"), e.OC1.Kind, {0, 1, 255},
                 sign);
        f.choice(row(TableId::ModbusCoilTable, table, i, "OC0.Kind"), e.OC0.Kind, {0, 1, 255},
                 sign);
        f.choice(row(TableId::ModbusCoilTable, table, i, "READY1.Kind"), e.READY1.Kind, {0, 1, 255},
                 ready);
        f.choice(row(TableId::ModbusCoilTable, table, i, "READY0.Kind"), e.READY0.Kind, {0, 1, 255},
                 ready);
    }
    for (std::size_t r = 0; r < c.ModbusTcTable.size(); ++r) {
        const TcTuEntry& e = c.ModbusTcTable[r];
        f.choice(row(TableId::ModbusTcTable, "ModbusTcTable", r, "Kind"), e.Kind, {0, 1, 255},
                 "источников в окне (0 — параметр, 1 — группа; 255 — строка не используется)");
        if (e.Kind == 255)
            continue;
        f.add(row(TableId::ModbusTcTable, "ModbusTcTable", r, "Extra"), discreteInput(e.Extra));
        if (isGroupBitRow(e, SignalTable::Modbus))
            f.groupBit(row(TableId::ModbusTcTable, "ModbusTcTable", r, "ParamNumber"),
                       e.ParamNumber, &telesignalBit);
    }
    for (std::size_t r = 0; r < c.TiFloatTable.size(); ++r) {
        const TcTuEntry& e = c.TiFloatTable[r];
        if (e.Kind != 255)
            f.add(row(TableId::TiFloatTable, "TiFloatTable", r, "Extra"), holdingRegister(e.Extra));
    }
}

void ktsRefusals(const GatewayConfig& c, Finder& f)
{
    for (std::size_t g = 0; g < c.KtsGroups.size(); ++g)
        f.add(row(TableId::KtsGroups, "KtsGroups", g, "Number"),
              ktsDecimals(c.KtsGroups[g].Number));
    for (std::size_t r = 0; r < c.KtsSignals.size(); ++r) {
        const KtsSignal& k = c.KtsSignals[r];
        const std::uint8_t group = KtsSignal::kGroupSource, checked = KtsSignal::kChecked;
        f.choice(row(TableId::KtsSignals, "KtsSignals", r, "Flags"), k.Flags,
                 {0, group, checked, checked | group, 255},
                 "флагов строки в окне (255 — строка не используется; иначе 1 — источник "
                 "\"группа\", 128 — отметка)");
        if (k.isGroup())
            f.groupBit(row(TableId::KtsSignals, "KtsSignals", r, "ParamNumber"), k.ParamNumber,
                       &ktsBit);
    }
}

} // namespace

std::vector<RefusedValue> refusedValues(const GatewayConfig& config)
{
    Finder f;
    commonRefusals(config.Common, f);
    switch (config.Protocol) {
    case ProtocolVariant::Magistral1:
        magistralRefusals(config, f);
        break;
    case ProtocolVariant::Modbus:
        modbusRefusals(config, f);
        break;
    case ProtocolVariant::KtsEnergia:
        ktsRefusals(config, f);
        break;
    case ProtocolVariant::UnkTm:
    case ProtocolVariant::Hart:
    case ProtocolVariant::None:
        break;
    }
    return std::move(f.found);
}

} // namespace veg::ValueRules
