#include "gui/link/TFNastrObm.h"

#include "core/ui/Dialogs.h"
#include "core/settings/ProgramSettings.h"
#include "gui/app/FormControls.h"
#include "gui/widgets/ScreenFit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPortInfo>
#include <QSpinBox>
#include <QVBoxLayout>

namespace veg {

using FormControls::checkButton;
using FormControls::labelled;
using FormControls::radioGroup;

TFNastrObm::TFNastrObm(ProgramSettings& settings, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_form(settings, dialogs)
{
    setObjectName(QStringLiteral("TFNastrObm"));
    setWindowTitle(QStringLiteral("Настройка обмена"));
    ScreenFit::keepOnScreen(this);
    QStringList machine;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        machine << info.portName();
    m_form.setMachinePorts(machine);

    auto* layout = new QGridLayout(this);
    m_linkBox = radioGroup(this, QStringLiteral("Вид связи"), ExchangeSettings::linkTypeTexts(), 1,
                           m_link, QStringLiteral("RadioGroupLink"));
    layout->addWidget(m_linkBox, 0, 0);
    // The machine's ports, COM1 ... COM8 and the ports the settings named, or a name typed.
    m_portBox = new QGroupBox(QStringLiteral("Последовательный порт"), this);
    m_portBox->setObjectName(QStringLiteral("RadioGroupPort"));
    m_port = FormControls::portBox(m_portBox, QStringLiteral("ComboPort"));
    auto* portLayout = new QVBoxLayout(m_portBox);
    portLayout->addWidget(m_port);
    portLayout->addStretch();
    layout->addWidget(m_portBox, 0, 1);

    m_crcBox = radioGroup(this, QStringLiteral("Расчет CRC"), ExchangeSettings::checksumTexts(), 2,
                          m_crc, QStringLiteral("RadioGroupCrc"));
    layout->addWidget(m_crcBox, 1, 0);
    m_pcNumber = new QLineEdit(this);
    m_pcNumber->setObjectName(QStringLiteral("EditPcNumber"));
    m_pcNumber->installEventFilter(this);
    m_pcPanel = labelled(this, QStringLiteral("Сетевой номер компьютера \r\nпо шине CAN-BUS  (Hex)"), m_pcNumber);
    layout->addWidget(m_pcPanel, 1, 0); // in the place of "Расчет CRC"

    m_retries = new QSpinBox(this);
    m_retries->setObjectName(QStringLiteral("SpinRetries"));
    m_retries->setRange(ExchangeSettingsForm::kMinRetries, ExchangeSettingsForm::kMaxRetries);
    layout->addWidget(labelled(this, QStringLiteral("Количество повторов"), m_retries), 1, 1);

    m_speed = new QComboBox(this);
    m_speed->setObjectName(QStringLiteral("ComboSpeed"));
    m_speed->addItems(ExchangeSettings::serialSpeeds());
    m_speedPanel = labelled(this, QStringLiteral("Частота обмена"), m_speed);
    layout->addWidget(m_speedPanel, 2, 0);
    m_canSpeed = new QComboBox(this);
    m_canSpeed->setObjectName(QStringLiteral("ComboCanSpeed"));
    m_canSpeed->addItems(ExchangeSettings::canSpeeds());
    m_canSpeedPanel = labelled(this, QStringLiteral("Частота обмена по шине \r\nCAN-BUS (Kбод)"), m_canSpeed);
    layout->addWidget(m_canSpeedPanel, 2, 0); // in the place of the serial speed

    m_gateway = new QLineEdit(this);
    m_gateway->setObjectName(QStringLiteral("EditGateway"));
    m_gateway->setMaxLength(2);
    layout->addWidget(labelled(this, QStringLiteral("Сетевой номер ВЕГ (Hex)"), m_gateway), 2, 1);

    m_viaAdapter = new QCheckBox(QStringLiteral("Связь через адаптер"), this);
    m_viaAdapter->setObjectName(QStringLiteral("CheckAdapter"));
    layout->addWidget(m_viaAdapter, 3, 0);
    m_adapter = new QLineEdit(this);
    m_adapter->setObjectName(QStringLiteral("EditAdapter"));
    layout->addWidget(labelled(this, QStringLiteral("Сетевой номер адаптера (Hex)"), m_adapter, &m_adapterLabel), 3, 1);

    m_answerWait = new QLineEdit(this);
    m_answerWait->setObjectName(QStringLiteral("EditAnswerWait"));
    layout->addWidget(labelled(this, QStringLiteral("Максимальное время ожидания ответа (в секундах)"), m_answerWait), 4, 0, 1, 2);

    auto* apply = new QPushButton(QStringLiteral("Применить"), this);
    apply->setObjectName(QStringLiteral("ButtonApply"));
    m_writeRounds = new QSpinBox(this);
    m_writeRounds->setObjectName(QStringLiteral("SpinWriteRounds"));
    m_writeRounds->setRange(0, ExchangeSettings::kMaxWriteRounds);
    m_writeRounds->setToolTip(QStringLiteral(
        "Сколько раз после паузы повторить при записи запрос, не прошедший все повторы"));
    layout->addWidget(labelled(this, QStringLiteral("Повторных циклов при записи"), m_writeRounds), 5, 0);
    layout->addWidget(apply, 5, 1, Qt::AlignRight);

    auto guard = [this](auto handler) {
        return [this, handler](auto... args) {
            if (!m_rendering) {
                handler(args...);
                render();
            }
        };
    };
    connect(m_link, &QButtonGroup::idClicked, this, guard([this](int id) { m_form.chooseLinkType(id); }));
    connect(m_port, &QComboBox::activated, this, guard([this](int i) { m_form.choosePort(i); }));
    connect(m_port->lineEdit(), &QLineEdit::textEdited, this,
            guard([this](const QString& t) { m_form.editPort(t); }));
    connect(m_crc, &QButtonGroup::idClicked, this, guard([this](int id) { m_form.chooseChecksum(id); }));
    connect(m_retries, &QSpinBox::valueChanged, this, guard([this](int v) { m_form.chooseRetries(v); }));
    connect(m_writeRounds, &QSpinBox::valueChanged, this, guard([this](int v) { m_form.chooseWriteRounds(v); }));
    connect(m_speed, &QComboBox::activated, this, guard([this](int i) { m_form.chooseSpeed(i); }));
    connect(m_canSpeed, &QComboBox::activated, this, guard([this](int i) { m_form.chooseCanSpeed(i); }));
    connect(m_viaAdapter, &QCheckBox::clicked, this, guard([this](bool on) { m_form.chooseViaAdapter(on); }));
    connect(m_pcNumber, &QLineEdit::textEdited, this, guard([this](const QString& t) { m_form.editPcNumber(t); }));
    connect(m_gateway, &QLineEdit::textEdited, this, guard([this](const QString& t) { m_form.editGatewayNumber(t); }));
    connect(m_adapter, &QLineEdit::textEdited, this, guard([this](const QString& t) { m_form.editAdapterNumber(t); }));
    connect(m_answerWait, &QLineEdit::textEdited, this, guard([this](const QString& t) { m_form.editAnswerWait(t); }));
    connect(apply, &QPushButton::clicked, this, [this] {
        m_form.apply();
        m_applied = true;
        accept();
    });
}

int TFNastrObm::exec()
{
    FormActivate();
    return QDialog::exec();
}

void TFNastrObm::FormActivate()
{
    m_form.FormActivate();
    m_applied = false;
    // The port list is made anew: the machine's ports may have changed.
    m_rendering = true;
    FormControls::setPorts(m_port, m_form.ports);
    m_rendering = false;
    render();
    m_linkBox->setFocus();
}

void TFNastrObm::render()
{
    m_rendering = true;
    const ExchangeSettingsForm& f = m_form;
    checkButton(m_link, f.linkType);
    if (m_port->currentText() != f.port) {
        m_port->setCurrentIndex(int(f.ports.indexOf(f.port)));
        m_port->setEditText(f.port);
    }
    checkButton(m_crc, f.checksum);
    m_retries->setValue(f.retries);
    m_writeRounds->setValue(f.writeRounds);
    m_speed->setCurrentIndex(f.speed);
    m_canSpeed->setCurrentIndex(f.canSpeed);
    m_pcNumber->setText(f.pcNumber);
    m_gateway->setText(f.gatewayNumber);
    m_viaAdapter->setChecked(f.viaAdapter);
    m_adapter->setText(f.adapterNumber);
    m_answerWait->setText(f.answerWait);
    const ExchangeSettingsForm::Visibility v = f.visibility();
    m_pcPanel->setVisible(v.pcNumberPanel);
    m_canSpeedPanel->setVisible(v.canSpeedPanel);
    m_crcBox->setVisible(v.checksumGroup);
    m_speedPanel->setVisible(v.serialSpeedPanel);
    m_viaAdapter->setVisible(v.adapterCheck);
    m_adapter->setVisible(v.adapterNumber);
    m_adapterLabel->setVisible(v.adapterNumber);
    m_speed->setEnabled(v.speedEnabled);
    m_gateway->setEnabled(v.gatewayEnabled);
    m_rendering = false;
}

bool TFNastrObm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pcNumber && event->type() == QEvent::KeyPress) {
        // Only printable characters go through the filter: Tab, Enter, Esc and the editing keys
        // keep their work (leaving the box, applying, closing).
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (!text.isEmpty() && text.at(0).isPrint() && !ExchangeSettingsForm::pcNumberKey(text.at(0)))
            return true; // swallowed
    }
    return QDialog::eventFilter(watched, event);
}

void TFNastrObm::done(int result)
{
    if (!m_applied)
        m_form.closeRequested();
    m_applied = true; // asked once per closing
    QDialog::done(result);
}

TFDopNastr::TFDopNastr(ProgramSettings& settings, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("TFDopNastr"));
    setWindowTitle(QStringLiteral("Дополнительные настройки"));
    ScreenFit::keepOnScreen(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(radioGroup(this, QStringLiteral("Название задачи"),
                                 {AdditionalSettings::longText(), AdditionalSettings::shortText()}, 1,
                                 m_names, QStringLiteral("RadioGroupNames")));
    connect(m_names, &QButtonGroup::idClicked, this,
            [this](int id) { m_settings.additional.ShortTaskNames = id == 1; });
}

int TFDopNastr::exec()
{
    checkButton(m_names, m_settings.additional.ShortTaskNames ? 1 : 0);
    return QDialog::exec();
}

void TFDopNastr::done(int result)
{
    QString error;
    if (!m_settings.WriteAdditionalSettings(&error))
        m_dialogs.info(error);
    QDialog::done(result);
}

} // namespace veg
