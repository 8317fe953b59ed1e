#pragma once

#include "core/modbus/ModbusMaster.h"
#include "core/port/LinkContext.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace veg {

class Clock;
class DailyLog;
class Dialogs;
class SerialPort;
struct ModbusLinkSettings;

// The rules of the window "Чтение по Modbus": the register list, the port opened at the first
// read and kept open until the window closes, one grid row per register with its value or its
// error, the progress bar, and every request and answer in the daily log. The window renders
// the fields whenever `changed` is called and forwards its events.
class ModbusReadForm
{
public:
    struct Environment
    {
        std::function<std::unique_ptr<SerialPort>()> makePort;
        Clock* clock = nullptr;
        std::function<void()> pump; // the message pump (once per log line, and in every wait)
        DailyLog* log = nullptr;    // may be null: nothing is logged
        QChar decimalSeparator = u'.';
    };

    ModbusReadForm(const ModbusLinkSettings& settings, Dialogs& dialogs, Environment environment);
    ~ModbusReadForm();

    static constexpr int kColumns = 4;
    using Row = std::array<QString, kColumns>;
    static QStringList headers();

    // The edit "Номера регистров".
    QString registers;
    // The grid's rows below its heading row; after a reading, one empty row more than registers.
    std::vector<Row> rows;
    bool progressVisible = false;
    int progressPosition = 0;
    static constexpr int kProgressMaximum = 100;
    static constexpr int kProgressStep = 10;

    // Called whenever the fields above change during a reading.
    std::function<void()> changed;

    void FormActivate();
    // "Чтение".
    void readClicked();
    // Closing the window: the port is drained and closed.
    void FormClose();

    bool reading() const { return m_reading; }
    // Stops a reading at its next wait; the registers not read by then get no row.
    void requestAbort() { m_shared.AbortRequested = true; }
    bool portOpen() const;

    // The register edit takes digits, the comma and backspace.
    static QChar registerKey(QChar key);

private:
    bool ensurePort();
    void stepProgress();
    void log(const QString& line);
    void notify();

    const ModbusLinkSettings& m_settings;
    Dialogs& m_dialogs;
    Environment m_env;
    LinkShared m_shared;
    std::unique_ptr<ModbusMaster> m_master;
    bool m_reading = false;
    bool m_logFailed = false;
};

} // namespace veg
