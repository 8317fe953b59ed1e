#pragma once

#include "core/monitor/ModbusMonitorForm.h"
#include "core/port/DailyLog.h"
#include "core/port/SystemClock.h"

#include <QDialog>

#include <optional>

class QChartView;
class QLabel;
class QLineSeries;
class QPushButton;
class QTableWidget;
class QTimer;
class QValueAxis;

namespace veg {

class Dialogs;
class GatewayConfig;
struct ModbusLinkSettings;

// "Монитор Modbus": a thin view over ModbusMonitorForm, on the machine's serial ports and clock,
// logging into the daily exchange log. The rows of the configuration's Modbus tables, the cycle
// figures, the commands of a selected coil row and the trend of a selected telemetry row.
class TFMonitorModbus : public QDialog
{
    Q_OBJECT
public:
    // `environment` replaces the real port, clock and log (tests).
    TFMonitorModbus(const GatewayConfig& config, const ModbusLinkSettings& settings,
                    Dialogs& dialogs, QWidget* parent = nullptr,
                    std::optional<ModbusMonitorForm::Environment> environment = std::nullopt);
    ~TFMonitorModbus() override;

    ModbusMonitorForm& form() { return *m_form; }
    int exec() override;

protected:
    // Every way of closing passes here: during polling the polling is stopped first.
    void done(int result) override;

private:
    ModbusMonitorForm::Environment realEnvironment();
    void render();
    void renderTrend();
    void startClicked();
    int selectedRow() const;

    SystemClock m_clock;
    DailyLog m_log;
    std::unique_ptr<ModbusMonitorForm> m_form;
    bool m_closePending = false;
    bool m_closing = false;
    int m_closeResult = 0;

    QPushButton* m_start = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_on = nullptr;
    QPushButton* m_off = nullptr;
    QPushButton* m_record = nullptr;
    QLabel* m_figures = nullptr;
    QTableWidget* m_grid = nullptr;
    QChartView* m_chartView = nullptr;
    QLineSeries* m_series = nullptr;
    QValueAxis* m_axisX = nullptr;
    QValueAxis* m_axisY = nullptr;
    QTimer* m_timer = nullptr;
};

} // namespace veg
