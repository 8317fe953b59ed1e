#pragma once

#include "core/modbus/ModbusSettingsForm.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;

namespace veg {

// "Настройка обмена по Modbus": a thin view over ModbusSettingsForm.
class TFObmenModbus : public QDialog
{
    Q_OBJECT
public:
    TFObmenModbus(ProgramSettings& settings, Dialogs& dialogs, QWidget* parent = nullptr);

    ModbusSettingsForm& form() { return m_form; }
    int exec() override; // activation, then the modal loop
    void FormActivate();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void render();
    void collect();
    bool filterKey(QLineEdit* edit, QEvent* event);

    ModbusSettingsForm m_form;
    bool m_rendering = false;

    QLineEdit* m_slave = nullptr;
    QComboBox* m_speed = nullptr;
    QComboBox* m_port = nullptr;
    QButtonGroup* m_format = nullptr;
    QGroupBox* m_formatBox = nullptr;
    QButtonGroup* m_parity = nullptr;
    QGroupBox* m_parityBox = nullptr;
    QLineEdit* m_answerTime = nullptr;
    QLineEdit* m_crc = nullptr;
    QCheckBox* m_invert = nullptr;
    QCheckBox* m_swap = nullptr;
};

} // namespace veg
