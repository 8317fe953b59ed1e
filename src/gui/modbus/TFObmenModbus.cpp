#include "gui/modbus/TFObmenModbus.h"

#include "core/settings/ModbusLinkSettings.h"
#include "gui/app/FormControls.h"
#include "gui/widgets/TypedKey.h"
#include "gui/widgets/ScreenFit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPortInfo>
#include <QVBoxLayout>

namespace veg {

using FormControls::checkButton;
using FormControls::labelled;
using FormControls::radioGroup;

namespace {

QLineEdit* edit(QWidget* parent, const QString& name, int maxLength = 0)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    return e;
}

} // namespace

TFObmenModbus::TFObmenModbus(ProgramSettings& settings, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_form(settings, dialogs)
{
    setObjectName(QStringLiteral("TFObmenModbus"));
    setWindowTitle(QStringLiteral("Настройка обмена по Modbus"));
    ScreenFit::keepOnScreen(this);

    auto* layout = new QGridLayout(this);
    m_slave = edit(this, QStringLiteral("EditSlave"), ModbusSettingsForm::kSlaveAddressLength);
    layout->addWidget(labelled(this, QStringLiteral("Slave-адрес ВЕГ протокола Modbus"), m_slave),
                      0, 0);
    m_speed = new QComboBox(this);
    m_speed->setObjectName(QStringLiteral("ComboSpeed"));
    m_speed->addItems(ModbusLinkSettings::speeds());
    layout->addWidget(labelled(this, QStringLiteral("Скорость по Modbus"), m_speed), 0, 1);
    m_port = FormControls::portBox(this, QStringLiteral("ComboPort"));
    m_port->lineEdit()->installEventFilter(this);
    layout->addWidget(labelled(this, QStringLiteral("Последовательный порт"), m_port), 0, 2);

    m_formatBox = radioGroup(this, QStringLiteral("Формат "), ModbusSettingsForm::formatTexts(), 2,
                             m_format, QStringLiteral("RadioGroupFormat"));
    layout->addWidget(m_formatBox, 1, 0);
    m_parityBox = radioGroup(this, QStringLiteral("Контроль"), ModbusSettingsForm::parityTexts(), 1,
                             m_parity, QStringLiteral("RadioGroupParity"));
    layout->addWidget(m_parityBox, 1, 1, 1, 2);

    m_answerTime = edit(this, QStringLiteral("EditAnswerTime"));
    layout->addWidget(labelled(this, QStringLiteral("Время ожидания ответа, с"), m_answerTime), 2,
                      0);
    m_crc = edit(this, QStringLiteral("EditCrc"), ModbusSettingsForm::kConstCrcLength);
    layout->addWidget(labelled(this, QStringLiteral("Константа кода CRC-16"), m_crc), 2, 1);

    auto* order = new QGroupBox(QStringLiteral("Порядок байт в числах с плавающей запятой"), this);
    auto* orderLayout = new QVBoxLayout(order);
    m_invert = new QCheckBox(
        QStringLiteral("Инвертировать порядок байт в числах  формата \"с плавающей точкой\""),
        order);
    m_invert->setObjectName(QStringLiteral("CheckInvert"));
    m_swap =
        new QCheckBox(QStringLiteral("Поменять местами старшие и младшие части в числе"), order);
    m_swap->setObjectName(QStringLiteral("CheckSwap"));
    orderLayout->addWidget(m_invert);
    orderLayout->addWidget(m_swap);
    layout->addWidget(order, 3, 0, 1, 3);

    auto* apply = new QPushButton(QStringLiteral("Применить"), this);
    apply->setObjectName(QStringLiteral("ButtonApply"));
    apply->setAutoDefault(false);
    layout->addWidget(apply, 4, 2, Qt::AlignRight);

    for (QLineEdit* e : {m_slave, m_answerTime, m_crc})
        e->installEventFilter(this);
    m_speed->installEventFilter(this);
    connect(m_format, &QButtonGroup::idClicked, this, [this](int id) {
        if (m_rendering)
            return;
        collect();
        m_form.chooseFormat(id);
        render();
    });
    connect(apply, &QPushButton::clicked, this, [this] {
        collect();
        const bool done = m_form.apply();
        render(); // the replaced texts of refused boxes
        if (done)
            accept();
    });
}

int TFObmenModbus::exec()
{
    FormActivate();
    return QDialog::exec();
}

void TFObmenModbus::FormActivate()
{
    QStringList machine;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        machine << info.portName();
    m_form.setMachinePorts(machine);
    m_form.FormActivate();
    m_rendering = true;
    FormControls::setPorts(m_port, m_form.ports);
    m_rendering = false;
    render();
    if (QAbstractButton* chosen = m_format->checkedButton()) // the focus goes to "Формат "
        chosen->setFocus();
}

void TFObmenModbus::render()
{
    m_rendering = true;
    const ModbusSettingsForm& f = m_form;
    m_slave->setText(f.slaveAddress);
    m_speed->setCurrentIndex(f.speed);
    m_port->setCurrentIndex(int(f.ports.indexOf(f.port)));
    m_port->setEditText(f.port);
    checkButton(m_format, f.format);
    checkButton(m_parity, f.parity);
    m_parityBox->setEnabled(f.parityEnabled());
    m_answerTime->setText(f.answerTime);
    m_crc->setText(f.constCrc);
    m_invert->setChecked(f.invertBytes);
    m_swap->setChecked(f.swapWords);
    m_rendering = false;
}

// The controls' values into the form, before a handler that reads them. The format reaches the
// form only as a choice (chooseFormat), which tells a new format from the same one clicked again.
void TFObmenModbus::collect()
{
    ModbusSettingsForm& f = m_form;
    f.slaveAddress = m_slave->text();
    f.speed = m_speed->currentIndex();
    f.port = m_port->currentText();
    f.parity = m_parity->checkedId() < 0 ? f.parity : m_parity->checkedId();
    f.answerTime = m_answerTime->text();
    f.constCrc = m_crc->text();
    f.invertBytes = m_invert->isChecked();
    f.swapWords = m_swap->isChecked();
}

bool TFObmenModbus::filterKey(QLineEdit* edit, QEvent* event)
{
    const auto key = typedCharacter(*static_cast<QKeyEvent*>(event));
    if (!key)
        return false;
    const QChar typed = *key;
    QString rest = edit->text();
    if (edit->hasSelectedText())
        rest.remove(edit->selectionStart(), edit->selectedText().size());
    QChar entered;
    if (edit == m_slave)
        entered = ModbusSettingsForm::hexKey(rest, ModbusSettingsForm::kSlaveAddressLength, typed);
    else if (edit == m_crc)
        entered = ModbusSettingsForm::hexKey(rest, ModbusSettingsForm::kConstCrcLength, typed);
    else if (edit == m_answerTime)
        entered = ModbusSettingsForm::answerTimeKey(typed);
    else // backspace is judged by the whole text: "COM" stays however much of it is selected
        entered = ModbusSettingsForm::portKey(typed.unicode() == 8 ? edit->text() : rest, typed);
    return takeFilteredKey(*edit, typed, entered);
}

bool TFObmenModbus::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        if (watched == m_slave || watched == m_crc || watched == m_answerTime)
            return filterKey(static_cast<QLineEdit*>(watched), event);
        if (watched == m_port->lineEdit())
            return filterKey(m_port->lineEdit(), event);
        if (watched == m_speed) // the speed is chosen, never typed
            return !static_cast<QKeyEvent*>(event)->text().isEmpty() &&
                   static_cast<QKeyEvent*>(event)->text().at(0).isPrint();
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace veg
