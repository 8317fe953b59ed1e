#pragma once

#include "core/modbus/ModbusMaster.h"
#include "core/monitor/MonitorPlan.h"
#include "core/monitor/MonitorRows.h"

#include <QChar>
#include <QString>
#include <QTime>

#include <functional>
#include <optional>
#include <set>
#include <vector>

namespace veg {

class Clock;
class Dialogs;
struct ModbusLinkSettings;

// What the monitor knows of one row: its last value or its last error, and when either changed.
struct MonitorState
{
    bool read = false; // answered or failed at least once
    int code = 0;      // ModbusResult code of the last reading, 0 when it answered
    QString value;     // the last value read ("0"/"1", or the float as the read window shows it)
    QString note;      // the last error with its code; empty when it answered
    float floatValue = 0;
    QTime changedAt; // the last change of value or error
    bool answered() const { return read && code == 0; }
    // The value, or the error when the row did not answer.
    QString shown() const { return code == 0 ? value : note; }
};

struct MonitorChange
{
    int row = 0;
    QTime time;
    QString value; // empty when the row failed
    QString note;  // empty when the row answered
    QString shown() const { return note.isEmpty() ? value : note; }
};

struct MonitorCycle
{
    int requests = 0; // requests sent, splits included
    int answered = 0; // rows that answered in this cycle
    int failed = 0;   // rows that failed
    qint64 durationMs = 0;
    QTime finishedAt; // set only for a full cycle
    bool aborted = false;
    std::vector<MonitorChange> changes;
};

// The Modbus monitor: every row in use of a configuration's Modbus tables read in cycles through
// the link test's master, the numbers that follow each other in one request. When the gateway
// answers a run with exception 1, 2 or 3, the run's numbers are read one by one in the same
// cycle, so that a number the gateway lacks never hides its neighbours, and the monitor keeps
// what it learned for the next cycles: exception 3 halves the rows of the longest request of
// that table (never below the longest run the gateway answered); a number that fails alone is read
// alone from then on, and a run whose every number answers alone is read number by number. Other
// failures (no answer, a wrong CRC, a busy gateway) are the failure of every row of the request.
class ModbusMonitor
{
public:
    ModbusMonitor(std::vector<MonitorRow> rows, const ModbusLinkSettings& settings, Clock& clock,
                  QChar decimalSeparator = u'.');

    const std::vector<MonitorRow>& rows() const { return m_rows; }
    const std::vector<MonitorState>& states() const { return m_states; }
    // The requests the next cycle starts with.
    std::vector<MonitorRequest> plan() const;
    const MonitorLimits& limits() const { return m_limits; }
    // Shorter requests from the start, for a gateway known to take no more (at least one row).
    void setLimits(const MonitorLimits& limits) { m_limits = limits; }
    const std::set<MonitorSingle>& singles() const { return m_singles; }

    // Called at once for every change, while the cycle goes on.
    std::function<void(const MonitorChange&)> changed;
    // Called after every request.
    std::function<void()> progressed;

    // One cycle over every row. Stops at the first request whose wait was aborted; the rows not
    // read by then keep their state.
    MonitorCycle runCycle(ModbusMaster& master, const ModbusMaster::Progress& progress = {});

    // The Yes/No question before a command: the value, the coil and the controller parameter the
    // gateway sets for it.
    QString coilQuestion(int row, bool on) const;
    // Writes `on` to the coil of command row `row` (function 5) after the question; the answer
    // becomes the row's state. Nullopt when the row is no command or the user said No.
    std::optional<MonitorChange> writeCoil(ModbusMaster& master, Dialogs& dialogs, int row, bool on,
                                           const ModbusMaster::Progress& progress = {});

private:
    struct Outcome
    {
        int code = 0;
        QString value;
        QString note;
        float floatValue = 0;
    };
    // Asks one request; false when the wait was aborted. `exceptionCode` gets the ModbusResult
    // code of an exception answer (0 for none).
    bool ask(ModbusMaster& master, const MonitorRequest& request, const ModbusMaster::Progress& p,
             MonitorCycle& cycle, std::vector<Outcome>& outcomes, int& exceptionCode);
    bool readAlone(ModbusMaster& master, const MonitorRequest& run, const ModbusMaster::Progress& p,
                   MonitorCycle& cycle, int exceptionCode, std::vector<bool>& done);
    void apply(int row, const Outcome& outcome, MonitorCycle* cycle);

    std::vector<MonitorRow> m_rows;
    std::vector<MonitorState> m_states;
    const ModbusLinkSettings& m_settings;
    Clock& m_clock;
    QChar m_decimalSeparator;
    MonitorLimits m_limits;
    MonitorLimits m_longestAnswered{};
    std::set<MonitorSingle> m_singles;
};

} // namespace veg
