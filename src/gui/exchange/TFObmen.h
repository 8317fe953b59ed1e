#pragma once

#include "core/exchange/ExchangeForm.h"
#include "core/port/SystemClock.h"

#include <QDialog>

#include <array>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace veg {

class ConfigurationHost;
class Dialogs;
class ProgramSettings;

// The exchange window "Обмен с ВЕГ-78": a thin view of ExchangeForm. It renders the form's state
// and forwards its events; while a command runs the link pumps the message loop, so the window
// repaints and "Прервать" acts.
class TFObmen : public QDialog
{
    Q_OBJECT
public:
    // `makePort` gives the serial port of each opening (the real one by default).
    TFObmen(ProgramSettings& settings, Dialogs& dialogs, ConfigurationHost& host,
            QWidget* parent = nullptr, LinkSession::PortFactory makePort = {},
            std::unique_ptr<DailyLog> log = {}, Clock* clock = nullptr);
    ~TFObmen() override;

    ExchangeForm& form() { return *m_form; }
    QAction* menuItem(ExchangeForm::Command command) const;

signals:
    // A read-back took the place of the configuration.
    void configurationReplaced();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void done(int result) override;

private:
    void render();
    void renderGrid();
    void renderMemo();
    bool rangeKey(int box, QKeyEvent* pressed);

    SystemClock m_systemClock;
    std::unique_ptr<ExchangeForm> m_form;
    bool m_busyCursor = false;
    int m_memoShown = 0;

    QAction* m_n1 = nullptr;
    QAction* m_n2 = nullptr;
    QAction* m_n3 = nullptr;
    QAction* m_compare = nullptr;
    QAction* m_resume = nullptr;
    QLabel* m_repeats = nullptr;
    QCheckBox* m_verify = nullptr;
    QCheckBox* m_backup = nullptr;
    QCheckBox* m_quick = nullptr;
    QLabel* m_caption = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_action = nullptr;
    QPushButton* m_abort = nullptr;
    QCheckBox* m_gateways = nullptr;
    QCheckBox* m_masters = nullptr;
    QWidget* m_gatewayRow = nullptr;
    QWidget* m_masterRow = nullptr;
    std::array<QLineEdit*, 4> m_range{};
    QTableWidget* m_grid = nullptr;
    QPlainTextEdit* m_memo = nullptr;
};

} // namespace veg
