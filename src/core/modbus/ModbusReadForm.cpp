#include "core/modbus/ModbusReadForm.h"

#include "core/ui/Dialogs.h"
#include "core/settings/ModbusLinkSettings.h"
#include "core/modbus/ModbusReading.h"
#include "core/port/DailyLog.h"
#include "core/port/SerialPort.h"

namespace veg {

ModbusReadForm::ModbusReadForm(const ModbusLinkSettings& settings, Dialogs& dialogs,
                               Environment environment)
    : m_settings(settings), m_dialogs(dialogs), m_env(std::move(environment))
{
    rows.assign(1, Row{});
}

ModbusReadForm::~ModbusReadForm() = default;

QStringList ModbusReadForm::headers()
{
    return {QStringLiteral("№"), QStringLiteral("Адрес Modbus параметров ТИ (Holding Registers)"),
            QStringLiteral("Значение параметров ТИ с плавающей точкой"),
            QStringLiteral("Примечание")};
}

QChar ModbusReadForm::registerKey(QChar key)
{
    const bool pass = key.unicode() == 8 || key == u',' || (key >= u'0' && key <= u'9');
    return pass ? key : QChar(0);
}

bool ModbusReadForm::portOpen() const
{
    return m_master && m_master->isOpen();
}

void ModbusReadForm::FormActivate()
{
    progressVisible = false;
    progressPosition = 0;
    rows.assign(1, Row{QStringLiteral("1"), {}, {}, {}});
}

void ModbusReadForm::notify()
{
    if (changed)
        changed();
}

void ModbusReadForm::stepProgress()
{
    progressPosition += kProgressStep;
    if (progressPosition > kProgressMaximum)
        progressPosition = 0;
    notify();
}

void ModbusReadForm::log(const QString& line)
{
    if (m_env.log && !m_env.log->append(line))
        m_logFailed = true;
    if (m_env.pump)
        m_env.pump();
}

bool ModbusReadForm::ensurePort()
{
    if (portOpen())
        return true;
    if (!m_master) {
        LinkContext context;
        context.clock = m_env.clock;
        context.shared = &m_shared;
        context.pump = m_env.pump;
        context.log = [this](const QString& line) { log(line); };
        m_master = std::make_unique<ModbusMaster>(m_env.makePort(), std::move(context));
    }
    const ModbusLinkSettings& s = m_settings;
    if (m_master->OpenTestPort(s))
        return true;
    QString message = QStringLiteral("Ошибка открытия порта ") + s.TestPortName;
    const QString why = m_master->openErrorText();
    if (!why.isEmpty())
        message += u'\n' + why;
    m_dialogs.info(message);
    return false;
}

void ModbusReadForm::readClicked()
{
    if (m_reading)
        return;
    rows.assign(1, Row{});
    notify();
    QString message;
    const auto list = ParseRegisterList(registers, &message);
    if (!list) {
        m_dialogs.info(message);
        return;
    }
    if (!ensurePort())
        return;

    m_reading = true;
    m_shared.AbortRequested = false;
    m_logFailed = false;
    for (std::size_t j = 0; j < list->size(); ++j) {
        const int reg = (*list)[j];
        progressVisible = true;
        notify();
        const ModbusReading r = ReadHoldingRegister(
            *m_master, m_settings, reg, [this] { stepProgress(); }, m_env.decimalSeparator);
        if (r.aborted)
            break;
        Row& row = rows.back();
        row[0] = QString::number(j + 1);
        row[1] = QString::number(reg);
        row[2] = r.value;
        row[3] = r.note;
        rows.push_back(Row{});
        notify();
    }
    progressPosition = 0;
    progressVisible = false;
    m_reading = false;
    notify();
    if (m_logFailed && m_env.log) {
        m_dialogs.info(QStringLiteral("Журнал обмена не записан: ") + m_env.log->currentPath());
    }
}

void ModbusReadForm::FormClose()
{
    if (m_master)
        m_master->CloseTestPort();
}

} // namespace veg
