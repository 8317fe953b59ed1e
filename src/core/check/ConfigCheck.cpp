#include "core/check/ConfigCheck.h"

#include "core/check/ConfigReferences.h"
#include "core/check/DatabaseState.h"
#include "core/check/HeadlessEditors.h"
#include "core/config/ConfigFile.h"
#include "core/config/GatewayConfig.h"
#include "core/config/ValueRules.h"
#include "core/database/Task_CL.h"
#include "core/editors/GridNumbers.h"
#include "core/editors/ModbusTelecontrolForm.h"
#include "core/editors/ModbusTelesignalForm.h"
#include "core/editors/ParamTreeBuilder.h"
#include "core/editors/TiFloatForm.h"
#include "core/exchange/GatewayImage.h"
#include "core/text/NumberText.h"

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <tuple>

namespace veg {

namespace {

constexpr quint64 kLargestNumber = 0xFFFF; // the gateway keeps Modbus numbers in 16 bits

QString hex2(std::uint32_t n)
{
    return NumberText::hex(n, 2);
}

QString rowText(int index)
{
    return QStringLiteral("строка ") + QString::number(index + 1);
}

class Checker
{
public:
    Checker(const GatewayConfig& config, HeadlessEditors& editors)
        : m_config(config), m_editors(editors)
    {}

    std::vector<CheckFinding> run()
    {
        if (m_config.Protocol == ProtocolVariant::None)
            return {};
        speeds();
        controllers();
        references();
        numbers();
        ownerless();
        for (CheckFinding& f : m_editors.closingFindings())
            m_out.push_back(std::move(f));
        windowValues();
        // Window by window, in the order of the protocol's menu; within a window as found.
        const std::vector<EditorId>& order = m_config.catalogue().editors;
        auto rank = [&](const CheckFinding& f) {
            const auto it =
                f.editor ? std::find(order.begin(), order.end(), *f.editor) : order.end();
            return it - order.begin();
        };
        std::stable_sort(
            m_out.begin(), m_out.end(),
            [&](const CheckFinding& a, const CheckFinding& b) { return rank(a) < rank(b); });
        return std::move(m_out);
    }

private:
    // `tableRow`: the row (from 0) the window opens on, -1 for none.
    void add(Severity severity, EditorId editor, const QString& row, const QString& field,
             const QString& text, int tableRow = -1)
    {
        m_out.push_back({severity, m_editors.caption(editor), row, field, text, editor, tableRow});
    }

    // The general settings hold list positions; a file can give positions beyond the lists,
    // which the gateway image has no code for. Whether that stops a write is the image's rule
    // (asked for each speed alone); where the protocol's image carries no general settings
    // (КТС Энергия) the gateway never gets them, and only the window cannot show the speed.
    void speeds()
    {
        const CommonSettings& m = m_config.Common;
        auto severity = [&](bool can) {
            GatewayConfig alone = m_config;
            (can ? alone.Common.V_Ext : alone.Common.V_CAN) = 0;
            return GatewayImage::refusal(alone).isEmpty() ? Severity::Warning : Severity::Error;
        };
        if (ValueRules::canSpeed(m.V_CAN))
            add(severity(true), EditorId::GatewayCommon, {},
                QStringLiteral("Частота обмена по шине CAN-BUS"),
                QStringLiteral("У скорости нет кода ВЕГ-78 (в файле «%1»): выберите 300, 150, "
                               "100, 50 или 20 кбит/с")
                    .arg(fileCanSpeedTable().value(m.V_CAN, QString::number(m.V_CAN))));
        if (ValueRules::lineSpeed(m.V_Ext))
            add(severity(false), EditorId::GatewayCommon, {},
                QStringLiteral("Частота обмена внешняя линия - ВЕГ"),
                QStringLiteral("У скорости нет кода ВЕГ-78 (в файле «%1»): выберите от 300 до "
                               "19200 бод")
                    .arg(fileLineSpeedTable().value(m.V_Ext, QString::number(m.V_Ext))));
    }

    void controllers()
    {
        std::map<std::uint8_t, std::vector<int>> rowsOf; // network number -> rows from 1
        for (std::size_t i = 0; i < m_config.Controllers.size(); ++i) {
            const ControllerEntry& e = m_config.Controllers[i];
            rowsOf[e.NetNumber].push_back(int(i) + 1);
            const QString row = rowText(int(i));
            const DatabaseState state = databaseState(e);
            if (state != DatabaseState::Read) {
                const QString why =
                    state == DatabaseState::ModuleMissing
                        ? QStringLiteral("Модуль %1 не найден в папках базы данных (Путь к БД)")
                              .arg(NumberText::hex(e.Database->moduleCode(), 4))
                    : e.QueuePath.isEmpty()
                        ? QStringLiteral("Очередь задач не введена")
                        : QStringLiteral("База данных не найдена (%1)").arg(e.QueuePath);
                add(Severity::Warning, EditorId::Controllers, row, {},
                    why + QStringLiteral(": ссылки на параметры контроллера %1 не проверены")
                              .arg(hex2(e.NetNumber)),
                    int(i));
            }
            if (e.NetNumber == m_config.Common.AdrCAN)
                add(Severity::Warning, EditorId::Controllers, row, QStringLiteral("Сетевой номер"),
                    QStringLiteral("Сетевой номер %1 совпадает с адресом ВЕГ-78 на CAN-BUS")
                        .arg(hex2(e.NetNumber)),
                    int(i));
        }
        for (const auto& [net, rows] : rowsOf) {
            if (rows.size() > 1)
                add(Severity::Error, EditorId::Controllers,
                    QStringLiteral("строки ") + rowList(rows), QStringLiteral("Сетевой номер"),
                    QStringLiteral("Сетевой номер %1 у нескольких контроллеров: ВЕГ-78 не "
                                   "различит их на CAN-BUS")
                        .arg(hex2(net)),
                    rows.front() - 1);
        }
    }

    void references()
    {
        // A row whose references name one missing controller is reported once.
        std::set<std::tuple<EditorId, QString, std::uint8_t>> missing;
        for (const ConfigReference& r : collectReferences(m_config)) {
            if (r.kind == ConfigReference::Kind::GroupBit) {
                const int slot = r.paramNumber >> 8;
                const bool set = slot < int(m_config.GroupParams.size()) &&
                                 m_config.GroupParams[std::size_t(slot)].isUsed();
                if (!set)
                    add(Severity::Error, r.editor, r.row, r.field,
                        QStringLiteral("Сигнал из бита %1 группового параметра %2, а он не задан")
                            .arg(r.paramNumber & 0xFF)
                            .arg(slot + 1),
                    r.tableRow);
                continue;
            }
            const auto index = m_config.ControllerIndex(r.netNumber);
            if (!index) {
                if (missing.insert({r.editor, r.row, r.netNumber}).second)
                    add(Severity::Error, r.editor, r.row, r.field,
                        QStringLiteral("Контроллера с сетевым номером %1 нет в списке контроллеров")
                            .arg(hex2(r.netNumber)),
                    r.tableRow);
                continue;
            }
            const ControllerEntry& e = m_config.Controllers[std::size_t(*index)];
            int at = 0;
            if (r.kind == ConfigReference::Kind::Parameter &&
                databaseState(e) == DatabaseState::Read &&
                !e.Database->FindParameterIndex(r.paramNumber, at, false))
                add(Severity::Error, r.editor, r.row, r.field,
                    QStringLiteral("Параметра %1 нет в базе данных контроллера %2 (%3)")
                        .arg(NumberText::hex(r.paramNumber, 4), hex2(r.netNumber),
                             queueName(e.QueuePath)),
                    r.tableRow);
        }
    }

    // The numbers of the Modbus rows in use: none twice, none beyond 16 bits.
    void numbers()
    {
        if (m_config.catalogue().has(TableId::ModbusCoilTable)) {
            claims(TableId::ModbusCoilTable, EditorId::ModbusTu,
                   ModbusTelecontrolForm::coilNumbers(), [&](int i) -> std::optional<qint64> {
                       const std::uint16_t coil = m_config.ModbusCoilTable[std::size_t(i)].Coil;
                       if (coil == 0xFFFF)
                           return std::nullopt;
                       return coil;
                   });
            for (int i = 0; i < int(m_config.ModbusCoilTable.size()); ++i) {
                const std::uint16_t coil = m_config.ModbusCoilTable[std::size_t(i)].Coil;
                // A coil number the window refuses: in 16 bits only an odd one.
                if (m_config.RowInUse(TableId::ModbusCoilTable, i) && coil != 0xFFFF &&
                    ValueRules::coil(coil))
                    add(Severity::Warning, EditorId::ModbusTu, rowText(i), {},
                        QStringLiteral("Coil %1 нечётный: окно принимает только чётные номера")
                            .arg(coil),
                        i);
            }
        }
        if (m_config.catalogue().has(TableId::ModbusTcTable))
            claims(TableId::ModbusTcTable, EditorId::ModbusTc, ModbusTelesignalForm::inputNumbers(),
                   [&](int i) -> std::optional<qint64> {
                       return m_config.ModbusTcTable[std::size_t(i)].Extra;
                   });
        if (m_config.catalogue().has(TableId::TiFloatTable))
            claims(TableId::TiFloatTable, EditorId::TiFloat, TiFloatForm::registerNumbers(),
                   [&](int i) -> std::optional<qint64> {
                       return m_config.TiFloatTable[std::size_t(i)].Extra;
                   });
    }

    void claims(TableId table, EditorId editor, const NumberClaim& claim,
                const std::function<std::optional<qint64>(int)>& numberOf)
    {
        std::vector<std::optional<quint64>> numbers(std::size_t(m_config.RowCount(table)));
        for (int i = 0; i < int(numbers.size()); ++i) {
            const auto n = m_config.RowInUse(table, i) ? numberOf(i) : std::nullopt;
            if (!n)
                continue;
            const SharedNumbers claimed{quint64(std::max<qint64>(*n, 0)),
                                        quint64(std::max<qint64>(*n, 0)) + quint64(claim.span) - 1,
                                        {}};
            if (*n < 0 || claimed.last > kLargestNumber) {
                add(Severity::Error, editor, rowText(i), {},
                    QStringLiteral("%1 вне 0–65535: ВЕГ-78 получит только младшие 16 бит номера")
                        .arg(*n < 0 ? claim.one + u' ' + QString::number(*n)
                                    : numbersText(claimed, claim)),
                    i);
            }
            if (*n >= 0)
                numbers[std::size_t(i)] = quint64(*n);
        }
        for (const SharedNumbers& s : sharedNumbers(numbers, claim.span)) {
            add(Severity::Error, editor, QStringLiteral("строки ") + rowList(s.rows), {},
                numbersText(s, claim) + (s.first == s.last
                                             ? QStringLiteral(": номер у нескольких строк")
                                             : QStringLiteral(": номера у нескольких строк")),
                s.rows.empty() ? -1 : s.rows.front() - 1);
        }
    }

    // The values a window would refuse when typed, or cannot show, which a file or an import can
    // still give (a pulse of 0 s: a missing "TimeTU1-" key reads 0). The speeds, the odd coils
    // and the Modbus numbers beyond 16 bits have findings of their own above, and a row that a window's closing check already stopped
    // on is not told twice. Where the gateway gets the value (the general settings, a row in
    // use) it misbehaves with it: an error; a pulse of a coil command that is no pulse is never
    // used, and a row not in use never reaches the gateway: a warning.
    void windowValues()
    {
        std::set<std::pair<EditorId, QString>> closing;
        for (const CheckFinding& f : m_out) {
            if (f.editor && !f.row.isEmpty())
                closing.insert({*f.editor, f.row});
        }
        for (const ValueRules::RefusedValue& r : ValueRules::refusedValues(m_config)) {
            const bool toldAbove =
                r.path == u"Common.V_CAN" || r.path == u"Common.V_Ext" ||
                (r.table == TableId::ModbusCoilTable && r.path.endsWith(u".Coil")) ||
                ((r.table == TableId::ModbusTcTable || r.table == TableId::TiFloatTable) &&
                 r.path.endsWith(u".Extra"));
            if (toldAbove)
                continue;
            const std::optional<EditorId> editor =
                r.table ? m_config.catalogue().editorOf(*r.table) : EditorId::GatewayCommon;
            if (!editor)
                continue; // none: every table a window's rule looks at has its window
            const QString row = r.table ? rowPlace(m_config, *r.table, r.row) : QString();
            if (closing.count({*editor, row}))
                continue;
            bool harmful = !r.table || m_config.RowInUse(*r.table, r.row);
            if (r.table == TableId::ModbusCoilTable && r.path.contains(u".TimeTU") &&
                (m_config.ModbusCoilTable[std::size_t(r.row)].TypeTU & 0x01) != 0)
                harmful = false; // a potential command: its pulse is not used
            add(harmful ? Severity::Error : Severity::Warning, *editor, row, {},
                r.path + QStringLiteral(": ") + r.refusal.text());
        }
    }

    // УНК ТМ threads and HART devices keep their parameters in group slots of their own; one
    // without controller shows none of them in its window, yet they go into the gateway.
    void ownerless()
    {
        auto count = [&](int first, int n, std::uint16_t limit) {
            int used = 0;
            for (int k = first; k < first + n; ++k)
                used += m_config.GroupParams[std::size_t(k)].ParamNumber < limit ? 1 : 0;
            return used;
        };
        for (int t = 0; t < int(m_config.UnkThreads.size()); ++t) {
            if (m_config.UnkThreads[std::size_t(t)].SetN != 255)
                continue;
            if (const int n = count(unkGroupRow(t, 0), Rows::ParamsPerUnkThread, 0xFF00))
                add(Severity::Warning, EditorId::Unk, QStringLiteral("нитка %1").arg(t + 1), {},
                    QStringLiteral("У нитки нет контроллера, но задано параметров: %1; окно их не "
                                   "показывает, а в ВЕГ-78 они записываются")
                        .arg(n));
        }
        for (int d = 0; d < int(m_config.HartDevices.size()); ++d) {
            if (m_config.HartDevices[std::size_t(d)].SetN != 255)
                continue;
            if (const int n = count(hartGroupRow(d, 0), Rows::ParamsPerHartDevice, 0xFFFF))
                add(Severity::Warning, EditorId::Hart, QStringLiteral("устройство %1").arg(d + 1),
                    {},
                    QStringLiteral("У устройства нет контроллера, но задано параметров: %1; окно "
                                   "их не показывает, а в ВЕГ-78 они записываются")
                        .arg(n));
        }
    }

    const GatewayConfig& m_config;
    HeadlessEditors& m_editors;
    std::vector<CheckFinding> m_out;
};

} // namespace

ConfigCheck::ConfigCheck(const GatewayConfig& config, const AdditionalSettings& additional)
{
    HeadlessEditors editors(config, additional);
    m_findings = Checker(config, editors).run();
}

int ConfigCheck::errors() const
{
    return int(std::count_if(m_findings.begin(), m_findings.end(),
                             [](const CheckFinding& f) { return f.severity == Severity::Error; }));
}

int ConfigCheck::warnings() const
{
    return int(m_findings.size()) - errors();
}

QString ConfigCheck::summary() const
{
    return QStringLiteral("Ошибок: %1, предупреждений: %2").arg(errors()).arg(warnings());
}

} // namespace veg
