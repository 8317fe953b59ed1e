#pragma once

#include "core/link/ExchangeSettingsForm.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QWidget;

namespace veg {

// "Настройка обмена": a thin view over ExchangeSettingsForm.
class TFNastrObm : public QDialog
{
    Q_OBJECT
public:
    TFNastrObm(ProgramSettings& settings, Dialogs& dialogs, QWidget* parent = nullptr);

    ExchangeSettingsForm& form() { return m_form; }
    int exec() override; // activation, then the modal loop
    void FormActivate();

protected:
    // Every way of closing (the button, the window's cross, Esc) passes here.
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void render();

    ExchangeSettingsForm m_form;
    bool m_rendering = false;
    bool m_applied = false;

    QButtonGroup* m_link = nullptr;
    QGroupBox* m_linkBox = nullptr;
    QComboBox* m_port = nullptr;
    QGroupBox* m_portBox = nullptr;
    QButtonGroup* m_crc = nullptr;
    QGroupBox* m_crcBox = nullptr;
    QSpinBox* m_retries = nullptr;
    QSpinBox* m_writeRounds = nullptr;
    QWidget* m_speedPanel = nullptr;
    QComboBox* m_speed = nullptr;
    QWidget* m_pcPanel = nullptr;
    QLineEdit* m_pcNumber = nullptr;
    QWidget* m_canSpeedPanel = nullptr;
    QComboBox* m_canSpeed = nullptr;
    QLineEdit* m_gateway = nullptr;
    QCheckBox* m_viaAdapter = nullptr;
    QLabel* m_adapterLabel = nullptr;
    QLineEdit* m_adapter = nullptr;
    QLineEdit* m_answerWait = nullptr;
};

// "Дополнительные настройки": the task-name display option, written when the window closes.
class TFDopNastr : public QDialog
{
    Q_OBJECT
public:
    TFDopNastr(ProgramSettings& settings, Dialogs& dialogs, QWidget* parent = nullptr);
    int exec() override;

protected:
    void done(int result) override;

private:
    ProgramSettings& m_settings;
    Dialogs& m_dialogs;
    QButtonGroup* m_names = nullptr;
};

} // namespace veg
