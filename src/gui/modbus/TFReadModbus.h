#pragma once

#include "core/modbus/ModbusReadForm.h"
#include "core/port/DailyLog.h"
#include "core/port/SystemClock.h"

#include <QDialog>

class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace veg {

class Dialogs;
struct ModbusLinkSettings;

// "Чтение по Modbus": a thin view over ModbusReadForm, on the machine's serial ports and clock,
// logging into the daily exchange log.
class TFReadModbus : public QDialog
{
    Q_OBJECT
public:
    // `environment` replaces the real port, clock and log (tests); by default the window uses
    // QtSerialPort, the system clock and the daily log in the program's folder.
    TFReadModbus(const ModbusLinkSettings& settings, Dialogs& dialogs, QWidget* parent = nullptr,
                 std::optional<ModbusReadForm::Environment> environment = std::nullopt);

    ModbusReadForm& form() { return m_form; }
    int exec() override; // activation, then the modal loop
    void FormActivate();

protected:
    // Every way of closing passes here: during a reading the reading is stopped first.
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ModbusReadForm::Environment realEnvironment();
    void render();
    void readClicked();

    SystemClock m_clock;
    DailyLog m_log;
    ModbusReadForm m_form;
    bool m_closePending = false;
    int m_closeResult = 0;

    QLineEdit* m_registers = nullptr;
    QPushButton* m_read = nullptr;
    QTableWidget* m_grid = nullptr;
    QProgressBar* m_progress = nullptr;
};

} // namespace veg
