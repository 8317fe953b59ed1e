#include "core/monitor/ModbusMonitor.h"

#include "core/modbus/ModbusBits.h"
#include "core/modbus/ModbusReading.h"
#include "core/modbus/ModbusResult.h"
#include "core/port/Clock.h"
#include "core/settings/ModbusLinkSettings.h"
#include "core/ui/Dialogs.h"

#include <algorithm>

namespace veg {

namespace {

constexpr int kHeader = 3; // address, function, byte count

int dataBytes(MonitorTable table, int count)
{
    return table == MonitorTable::Telemetry ? 2 * count : (count + 7) / 8;
}

QByteArray readRequest(std::uint8_t address, const MonitorRequest& r)
{
    QByteArray b;
    b.append(char(address));
    b.append(char(readFunction(r.table)));
    b.append(char((r.first >> 8) & 0xFF));
    b.append(char(r.first & 0xFF));
    b.append(char((r.count >> 8) & 0xFF));
    b.append(char(r.count & 0xFF));
    return b;
}

// The exceptions that speak of the request's shape (its function, its numbers, its count):
// the numbers asked one by one may fare otherwise.
bool splitsARun(int code)
{
    return code == ModbusResult::IllegalFunction || code == ModbusResult::IllegalAddress ||
           code == ModbusResult::IllegalValue;
}

} // namespace

ModbusMonitor::ModbusMonitor(std::vector<MonitorRow> rows, const ModbusLinkSettings& settings,
                             Clock& clock, QChar decimalSeparator)
    : m_rows(std::move(rows)), m_states(m_rows.size()), m_settings(settings), m_clock(clock),
      m_decimalSeparator(decimalSeparator), m_limits(modbusLimits())
{}

std::vector<MonitorRequest> ModbusMonitor::plan() const
{
    return PlanRequests(m_rows, m_limits, m_singles);
}

bool ModbusMonitor::ask(ModbusMaster& master, const MonitorRequest& request,
                        const ModbusMaster::Progress& progress, MonitorCycle& cycle,
                        std::vector<Outcome>& outcomes, int& exceptionCode)
{
    exceptionCode = 0;
    const int data = dataBytes(request.table, request.count);
    const ModbusAnswer a =
        AskGateway(master, m_settings, readRequest(m_settings.SlaveAddress, request),
                   kHeader + data, progress);
    if (a.aborted)
        return false;
    ++cycle.requests;
    if (progressed)
        progressed();
    auto all = [&](const ModbusReading& r) {
        outcomes.assign(request.rows.size(), Outcome{r.code, r.value, r.note, 0});
    };
    if (a.code != 0) {
        all(FailedTransaction(a));
        return true;
    }
    if (const auto e = ExceptionReading(a.bytes)) {
        exceptionCode = e->code;
        all(*e);
        return true;
    }
    const QByteArray body = m_settings.ConstCRC != 0
                                ? a.bytes.chopped(std::min<qsizetype>(2, a.bytes.size()))
                                : a.bytes;
    const std::uint8_t function = readFunction(request.table);
    if (body.size() < kHeader + data || std::uint8_t(body[1]) != function ||
        std::uint8_t(body[2]) != data) {
        ModbusReading r;
        r.code = ModbusResult::ReceiveError;
        r.note = ModbusResult::note(r.code);
        all(r);
        return true;
    }
    outcomes.clear();
    for (int index : request.rows) {
        const int at = m_rows[std::size_t(index)].number - request.first;
        if (request.table == MonitorTable::Telemetry) {
            // The row's two registers as the answer to them alone would carry them.
            QByteArray one = body.left(2);
            one.append(char(4));
            one.append(body.mid(kHeader + 2 * at, 4));
            const ModbusReading r = InterpretAnswer(one, false, m_settings.InvertBytes,
                                                    m_settings.SwapWords, m_decimalSeparator);
            outcomes.push_back({r.code, r.value, r.note, r.floatValue});
        } else {
            const bool on = (std::uint8_t(body[kHeader + at / 8]) >> (at % 8)) & 1;
            outcomes.push_back({0, on ? QStringLiteral("1") : QStringLiteral("0"), {}, 0});
        }
    }
    return true;
}

void ModbusMonitor::apply(int row, const Outcome& o, MonitorCycle* cycle)
{
    MonitorState& s = m_states[std::size_t(row)];
    const bool change = !s.read || s.code != o.code || s.value != o.value || s.note != o.note;
    s.read = true;
    s.code = o.code;
    s.value = o.value;
    s.note = o.note;
    s.floatValue = o.floatValue;
    if (!change)
        return;
    s.changedAt = m_clock.timeOfDay();
    const MonitorChange c{row, s.changedAt, o.code == 0 ? o.value : QString(),
                          o.code == 0 ? QString() : o.note};
    if (cycle)
        cycle->changes.push_back(c);
    if (changed)
        changed(c);
}

bool ModbusMonitor::readAlone(ModbusMaster& master, const MonitorRequest& run,
                              const ModbusMaster::Progress& progress, MonitorCycle& cycle,
                              int exceptionCode, std::vector<bool>& done)
{
    // The run's numbers in order, each with the rows it serves.
    std::vector<MonitorRequest> alone;
    for (int index : run.rows) {
        const int number = m_rows[std::size_t(index)].number;
        if (alone.empty() || alone.back().first != number)
            alone.push_back({run.table, number, numbersPerRow(run.table), {}});
        alone.back().rows.push_back(index);
    }
    std::vector<int> refused; // numbers the gateway refuses even alone
    bool anyFailed = false;
    for (const MonitorRequest& r : alone) {
        std::vector<Outcome> outcomes;
        int code = 0;
        if (!ask(master, r, progress, cycle, outcomes, code))
            return false;
        for (std::size_t i = 0; i < r.rows.size(); ++i) {
            apply(r.rows[i], outcomes[i], &cycle);
            done[std::size_t(r.rows[i])] = true;
        }
        anyFailed = anyFailed || outcomes.front().code != 0;
        if (code != 0)
            refused.push_back(r.first);
    }
    for (int number : refused)
        m_singles.insert({run.table, number});
    // Every number answers alone, yet not together: this gateway takes none of them in a run.
    // (A run refused as too long is taken up by the shorter limit instead.)
    if (!anyFailed && exceptionCode != ModbusResult::IllegalValue) {
        for (const MonitorRequest& r : alone)
            m_singles.insert({run.table, r.first});
    }
    return true;
}

MonitorCycle ModbusMonitor::runCycle(ModbusMaster& master, const ModbusMaster::Progress& progress)
{
    MonitorCycle cycle;
    const qint64 start = m_clock.nowMs();
    std::vector<bool> done(m_rows.size(), false);
    for (const MonitorRequest& request : plan()) {
        std::vector<Outcome> outcomes;
        int code = 0;
        if (!ask(master, request, progress, cycle, outcomes, code)) {
            cycle.aborted = true;
            break;
        }
        const auto t = std::size_t(request.table);
        if (request.isRun() && splitsARun(code)) {
            if (code == ModbusResult::IllegalValue) {
                // Too long for this gateway: half as many rows next time (at least one fewer),
                // but not fewer than in a run it has answered.
                const int span = numbersPerRow(request.table);
                const int rows = request.count / span;
                const int shorter = std::max(span * ((rows + 1) / 2), m_longestAnswered[t]);
                const int limit = std::min(m_limits[t], std::min(shorter, request.count - 1));
                m_limits[t] = std::max(span, limit / span * span); // whole rows
            }
            if (!readAlone(master, request, progress, cycle, code, done)) {
                cycle.aborted = true;
                break;
            }
            continue;
        }
        if (request.isRun() && outcomes.front().code == 0)
            m_longestAnswered[t] = std::max(m_longestAnswered[t], request.count);
        for (std::size_t i = 0; i < request.rows.size(); ++i) {
            apply(request.rows[i], outcomes[i], &cycle);
            done[std::size_t(request.rows[i])] = true;
        }
    }
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (!done[i])
            continue;
        if (m_states[i].code == 0)
            ++cycle.answered;
        else
            ++cycle.failed;
    }
    cycle.durationMs = m_clock.nowMs() - start;
    if (!cycle.aborted)
        cycle.finishedAt = m_clock.timeOfDay();
    return cycle;
}

QString ModbusMonitor::coilQuestion(int row, bool on) const
{
    const MonitorRow& r = m_rows.at(std::size_t(row));
    const QString parameter = on || r.offText.isEmpty() ? r.text : r.offText;
    return QStringLiteral("Подать команду ТУ: записать %1 в Coil %2?\nУстановка в %1: %3")
        .arg(on ? 1 : 0)
        .arg(r.number)
        .arg(parameter);
}

std::optional<MonitorChange> ModbusMonitor::writeCoil(ModbusMaster& master, Dialogs& dialogs,
                                                      int row, bool on,
                                                      const ModbusMaster::Progress& progress)
{
    if (row < 0 || row >= int(m_rows.size()) ||
        m_rows[std::size_t(row)].table != MonitorTable::Telecontrol)
        return std::nullopt;
    if (!dialogs.confirm(coilQuestion(row, on)))
        return std::nullopt;
    const ModbusReading r =
        WriteCoil(master, m_settings, m_rows[std::size_t(row)].number, on, progress);
    if (r.aborted)
        return std::nullopt;
    apply(row, {r.code, r.value, r.note, 0}, nullptr);
    const MonitorState& s = m_states[std::size_t(row)];
    return MonitorChange{row, m_clock.timeOfDay(), r.code == 0 ? r.value : QString(),
                         r.code == 0 ? QString() : s.note};
}

} // namespace veg
