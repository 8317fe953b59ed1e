#include "core/monitor/ModbusMonitorForm.h"

#include "core/config/GatewayConfig.h"
#include "core/port/Clock.h"
#include "core/port/DailyLog.h"
#include "core/port/SerialPort.h"
#include "core/settings/ModbusLinkSettings.h"
#include "core/ui/Dialogs.h"

namespace veg {

ModbusMonitorForm::ModbusMonitorForm(const GatewayConfig& config,
                                     const ModbusLinkSettings& settings, Dialogs& dialogs,
                                     Environment environment)
    : m_settings(settings), m_dialogs(dialogs), m_env(std::move(environment)),
      m_monitor(std::make_unique<ModbusMonitor>(MonitorRowsOf(config), settings, *m_env.clock,
                                                m_env.decimalSeparator))
{
    if (!m_env.now)
        m_env.now = [] { return QDateTime::currentDateTime(); };
    m_changedAtMs.assign(m_monitor->rows().size(), -1);
    m_trends.resize(m_monitor->rows().size());
    m_monitor->changed = [this](const MonitorChange& c) { onChange(c); };
    m_monitor->progressed = [this] { notify(); };
}

ModbusMonitorForm::~ModbusMonitorForm() = default;

QStringList ModbusMonitorForm::headers()
{
    return {QStringLiteral("Таблица"),  QStringLiteral("Номер"),     QStringLiteral("Параметр"),
            QStringLiteral("Значение"), QStringLiteral("Изменение"), QStringLiteral("Ошибка")};
}

std::array<QString, ModbusMonitorForm::kColumns> ModbusMonitorForm::cells(int row) const
{
    const MonitorRow& r = m_monitor->rows()[std::size_t(row)];
    const MonitorState& s = m_monitor->states()[std::size_t(row)];
    return {tableText(r.table),
            QString::number(r.number),
            r.text,
            s.code == 0 ? s.value : QString(),
            s.changedAt.isValid() ? s.changedAt.toString(QStringLiteral("hh:mm:ss")) : QString(),
            s.note};
}

bool ModbusMonitorForm::highlighted(int row) const
{
    const qint64 at = m_changedAtMs[std::size_t(row)];
    return at >= 0 && m_env.clock->nowMs() - at < kHighlightMs;
}

QString ModbusMonitorForm::figures() const
{
    if (!m_lastCycle)
        return QStringLiteral("Опрос не выполнялся");
    QString seconds = QString::number(double(m_lastCycle->durationMs) / 1000.0, 'f', 1);
    seconds.replace(u'.', m_env.decimalSeparator);
    QString text = QStringLiteral("Цикл %1 с   Ответили %2   Не ответили %3")
                       .arg(seconds)
                       .arg(m_lastCycle->answered)
                       .arg(m_lastCycle->failed);
    if (m_lastFullCycle.isValid())
        text += QStringLiteral("   Последний полный цикл ") +
                m_lastFullCycle.toString(QStringLiteral("hh:mm:ss"));
    return text;
}

std::vector<QPointF> ModbusMonitorForm::trend(int row) const
{
    std::vector<QPointF> points;
    if (row < 0 || row >= rowCount())
        return points;
    const qint64 now = m_env.clock->nowMs();
    for (const auto& [at, value] : m_trends[std::size_t(row)])
        points.emplace_back(double(at - now) / 1000.0, double(value));
    return points;
}

void ModbusMonitorForm::notify()
{
    if (changed)
        changed();
}

void ModbusMonitorForm::log(const QString& line)
{
    if (m_env.log && !m_env.log->append(line))
        m_logFailed = true;
    if (m_env.pump)
        m_env.pump();
}

bool ModbusMonitorForm::ensurePort()
{
    if (m_master && m_master->isOpen())
        return true;
    if (!m_master) {
        LinkContext context;
        context.clock = m_env.clock;
        context.shared = &m_shared;
        context.pump = m_env.pump;
        context.log = [this](const QString& line) { log(line); };
        m_master = std::make_unique<ModbusMaster>(m_env.makePort(), std::move(context));
    }
    const ModbusLinkSettings& s = m_settings;
    if (m_master->OpenTestPort(s))
        return true;
    QString message = QStringLiteral("Ошибка открытия порта ") + s.TestPortName;
    if (const QString why = m_master->openErrorText(); !why.isEmpty())
        message += u'\n' + why;
    m_dialogs.info(message);
    return false;
}

void ModbusMonitorForm::onChange(const MonitorChange& c)
{
    m_changedAtMs[std::size_t(c.row)] = m_env.clock->nowMs();
    if (m_csv.isOpen() && !m_csv.write(MonitorCsv::line(
                              m_env.now(), m_monitor->rows()[std::size_t(c.row)], c.shown()))) {
        const QString path = m_csv.path();
        m_csv.close();
        m_dialogs.info(QStringLiteral("Запись в файл остановлена: ") + path);
    }
    notify();
}

void ModbusMonitorForm::afterCycle(const MonitorCycle& cycle)
{
    m_lastCycle = cycle;
    ++m_cycles;
    if (!cycle.aborted)
        m_lastFullCycle = cycle.finishedAt;
    const qint64 now = m_env.clock->nowMs();
    for (int row = 0; row < rowCount(); ++row) {
        const MonitorState& s = m_monitor->states()[std::size_t(row)];
        auto& t = m_trends[std::size_t(row)];
        if (m_monitor->rows()[std::size_t(row)].table == MonitorTable::Telemetry && s.answered())
            t.emplace_back(now, s.floatValue);
        while (!t.empty() && now - t.front().first > kTrendMs)
            t.pop_front();
    }
}

void ModbusMonitorForm::start()
{
    if (m_polling || !ensurePort())
        return;
    m_polling = true;
    m_stopRequested = false;
    m_shared.AbortRequested = false;
    m_logFailed = false;
    notify();
    while (!m_stopRequested) {
        const MonitorCycle cycle = m_monitor->runCycle(*m_master);
        afterCycle(cycle);
        notify();
        if (cycle.aborted)
            break;
        if (m_pendingCommand) {
            const auto [row, on] = *m_pendingCommand;
            m_pendingCommand.reset();
            giveCommand(row, on);
        }
        if (m_env.pump)
            m_env.pump();
    }
    m_pendingCommand.reset();
    m_polling = false;
    m_shared.AbortRequested = false;
    notify();
    if (m_logFailed && m_env.log)
        m_dialogs.info(QStringLiteral("Журнал обмена не записан: ") + m_env.log->currentPath());
}

void ModbusMonitorForm::stop()
{
    m_stopRequested = true;
    m_shared.AbortRequested = true;
}

void ModbusMonitorForm::giveCommand(int row, bool on)
{
    if (!ensurePort())
        return;
    m_shared.AbortRequested = false;
    m_monitor->writeCoil(*m_master, m_dialogs, row, on);
    notify();
}

void ModbusMonitorForm::writeCoil(int row, bool on)
{
    if (row < 0 || row >= rowCount() ||
        m_monitor->rows()[std::size_t(row)].table != MonitorTable::Telecontrol)
        return;
    if (m_polling)
        m_pendingCommand = {row, on};
    else
        giveCommand(row, on);
}

void ModbusMonitorForm::toggleRecording()
{
    if (m_csv.isOpen()) {
        m_csv.close();
        notify();
        return;
    }
    const auto path = m_dialogs.saveFile(QStringLiteral("*.csv|*.csv|*.* (Все файлы)|*.*"));
    if (!path)
        return;
    if (!m_csv.open(*path))
        m_dialogs.info(QStringLiteral("Ошибка открытия файла ") + *path + u'\n' +
                       m_csv.errorText());
    notify();
}

void ModbusMonitorForm::FormClose()
{
    stop();
    m_csv.close();
    if (m_master && !m_polling)
        m_master->CloseTestPort();
}

} // namespace veg
