#pragma once

#include "core/monitor/ModbusMonitor.h"
#include "core/monitor/MonitorCsv.h"
#include "core/port/LinkContext.h"

#include <QDateTime>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace veg {

class Clock;
class DailyLog;
class Dialogs;
class GatewayConfig;
class SerialPort;
struct ModbusLinkSettings;

// The rules of the window "Монитор Modbus": the rows of the configuration's Modbus tables, polling
// in cycles from "Пуск" until "Стоп" or closing (each wait ending at once on them), the cycle
// figures, the rows changed in the last seconds, the coil commands, the trend of each telemetry
// row, the record of changes in a CSV file, and every request and answer in the daily log. The
// port and the link-test settings are those of "Настройка обмена по Modbus"; the port opens at the
// first "Пуск" and stays open until the window closes.
class ModbusMonitorForm
{
public:
    struct Environment
    {
        std::function<std::unique_ptr<SerialPort>()> makePort;
        Clock* clock = nullptr;
        std::function<void()> pump; // the message pump (once per log line, and in every wait)
        DailyLog* log = nullptr;    // may be null: nothing is logged
        QChar decimalSeparator = u'.';
        std::function<QDateTime()> now; // the date and time of a CSV line; default: the system's
    };

    ModbusMonitorForm(const GatewayConfig& config, const ModbusLinkSettings& settings,
                      Dialogs& dialogs, Environment environment);
    ~ModbusMonitorForm();

    static constexpr int kColumns = 6;
    static QStringList headers();
    // A changed value stays highlighted this long.
    static constexpr qint64 kHighlightMs = 5000;
    // The trend keeps the values of the last minutes.
    static constexpr qint64 kTrendMs = 5 * 60 * 1000;

    const ModbusMonitor& monitor() const { return *m_monitor; }
    int rowCount() const { return int(m_monitor->rows().size()); }
    // The cells of a row, by the columns of headers().
    std::array<QString, kColumns> cells(int row) const;
    // True while the row's last change is less than kHighlightMs old.
    bool highlighted(int row) const;
    // "Цикл 3,6 с   Ответили 33   Не ответили 0   Последний полный цикл 15:04:05".
    QString figures() const;
    // The values of telemetry row `row` in the last minutes: x = seconds before now (≤ 0), y.
    std::vector<QPointF> trend(int row) const;

    bool polling() const { return m_polling; }
    // Cycles run since the window opened, the stopped ones included.
    int cycleCount() const { return m_cycles; }
    bool recording() const { return m_csv.isOpen(); }
    QString recordPath() const { return m_csv.path(); }

    // Called whenever the fields above change during polling.
    std::function<void()> changed;

    // "Пуск": opens the port when needed, then polls until stop(); returns when polling ended.
    void start();
    // "Стоп" (and closing): polling ends at the next wait.
    void stop();
    // A command on coil row `row`: asked and sent at once when not polling, else after the cycle
    // that runs.
    void writeCoil(int row, bool on);
    // "Запись в файл": asks for the file and records every change from now on; again: stops.
    void toggleRecording();
    // Closing the window: polling stops, the record is closed, the port drained and closed.
    void FormClose();

private:
    bool ensurePort();
    void log(const QString& line);
    void notify();
    void onChange(const MonitorChange& change);
    void afterCycle(const MonitorCycle& cycle);
    void giveCommand(int row, bool on);

    const ModbusLinkSettings& m_settings;
    Dialogs& m_dialogs;
    Environment m_env;
    LinkShared m_shared;
    std::unique_ptr<ModbusMaster> m_master;
    std::unique_ptr<ModbusMonitor> m_monitor;
    MonitorCsvFile m_csv;
    bool m_polling = false;
    int m_cycles = 0;
    bool m_stopRequested = false;
    bool m_logFailed = false;
    std::optional<std::pair<int, bool>> m_pendingCommand;
    std::optional<MonitorCycle> m_lastCycle;
    QTime m_lastFullCycle;
    std::vector<qint64> m_changedAtMs;
    std::vector<std::deque<std::pair<qint64, float>>> m_trends;
};

} // namespace veg
