#include "core/modbus/ModbusSettingsForm.h"

#include "core/ui/Dialogs.h"
#include "core/settings/ProgramSettings.h"
#include "core/port/PortNames.h"
#include "core/text/HexKeyFilter.h"
#include "core/text/NumberText.h"

namespace veg {

namespace {
constexpr char16_t kBackspace = 8;
const QString kComPrefix = QStringLiteral("COM");
const QString kDefaultPort = QStringLiteral("COM2");
constexpr int kMaxComLength = 5;

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}
} // namespace

ModbusSettingsForm::ModbusSettingsForm(ProgramSettings& settings, Dialogs& dialogs)
    : m_settings(settings), m_dialogs(dialogs)
{}

QStringList ModbusSettingsForm::formatTexts()
{
    return {QStringLiteral("11 бит"), QStringLiteral("10 бит")};
}

QStringList ModbusSettingsForm::parityTexts()
{
    return {QStringLiteral("Контроль по четности"), QStringLiteral("Контроль по нечетности"),
            QStringLiteral("Контроля нет")};
}

void ModbusSettingsForm::FormActivate()
{
    const ModbusLinkSettings& m = m_settings.modbus;
    // A port named in the file stays offered, also once another one is applied.
    if (!m.TestPortName.trimmed().isEmpty() && !m_namedPorts.contains(m.TestPortName))
        m_namedPorts << m.TestPortName;
    ports = offeredPorts(m_machinePorts, m_namedPorts);
    port = m.TestPortName;
    speed = m.ModbusSpeedIndex;
    format = m.CharFormat == 0 ? 0 : 1;
    parity = m.ParityChoice <= 2 ? m.ParityChoice : 2;
    slaveAddress = NumberText::hex(m.SlaveAddress, 2);
    answerTime = QString::number(m.AnswerSeconds);
    constCrc = NumberText::hex(m.ConstCRC, 4);
    invertBytes = m.InvertBytes;
    swapWords = m.SwapWords;
}

void ModbusSettingsForm::chooseFormat(int index)
{
    const int chosen = index == 0 ? 0 : 1;
    // The format already chosen, clicked again, is no choice: the parity stays.
    if (chosen == format)
        return;
    format = chosen;
    parity = format == 0 ? 0 : 2;
}

QChar ModbusSettingsForm::portKey(const QString& text, QChar key)
{
    const bool com = text.startsWith(kComPrefix);
    if (key.unicode() == kBackspace)
        return com && text.size() == kComPrefix.size() ? QChar(0) : key;
    // "COM" and at most two digits; the names of other systems' ports are not cut short.
    if (com && text.size() >= kMaxComLength)
        return QChar(0);
    return isDigit(key) ? key : QChar(0);
}

QChar ModbusSettingsForm::hexKey(const QString& text, int maxLength, QChar key)
{
    if (key.unicode() == kBackspace)
        return key;
    if (text.size() >= maxLength)
        return QChar(0);
    return HexKeyFilter(key);
}

QChar ModbusSettingsForm::answerTimeKey(QChar key)
{
    return key.unicode() == kBackspace || isDigit(key) ? key : QChar(0);
}

bool ModbusSettingsForm::portAccepted(const QString& name) const
{
    if (name.startsWith(kComPrefix)) {
        if (name.size() <= kComPrefix.size() || name.size() > kMaxComLength)
            return false;
        for (int i = kComPrefix.size(); i < name.size(); ++i) {
            if (!isDigit(name[i]))
                return false;
        }
        return true;
    }
    // Ports of other systems ("ttyUSB0", "/dev/ttyS1") are taken by the names the list offers:
    // the machine's ports and the one the settings file named.
    return !name.isEmpty() && ports.contains(name);
}

bool ModbusSettingsForm::apply()
{
    ModbusLinkSettings m = m_settings.modbus;
    if (portAccepted(port)) {
        m.TestPortName = port;
    } else {
        m_dialogs.info(QStringLiteral("Неверно введен COM порт"));
        port = kDefaultPort;
    }
    m.InvertBytes = invertBytes;
    m.SwapWords = swapWords;
    m.CharFormat = std::uint8_t(format);
    m.ParityChoice = std::uint8_t(parity);
    const auto address = NumberText::parseHex(slaveAddress);
    if (!address || *address > 0xFF) {
        m_dialogs.info(QStringLiteral("Неверно введен Slave-адрес ВЕГ"));
        slaveAddress = QStringLiteral("0");
    }
    m.SlaveAddress = std::uint8_t(address && *address <= 0xFF ? *address : 0);
    const auto seconds = NumberText::parseDec(answerTime);
    if (!seconds || *seconds < 0) {
        m_dialogs.info(QStringLiteral("Неверно введено время ожидания ответа"));
        answerTime = QStringLiteral("0");
    }
    m.AnswerSeconds = seconds && *seconds >= 0 ? int(*seconds) : 0;
    m.ModbusSpeedIndex = speed;
    const auto crc = NumberText::parseHex(constCrc);
    if (!crc) {
        // Nothing is stored: the settings in use and the file stay as they were.
        m_dialogs.info(NumberText::notAnInteger(u'$' + constCrc));
        return false;
    }
    m.ConstCRC = std::uint16_t(*crc);
    m_settings.modbus = m;

    QString error;
    ProgramSettings::ModbusTexts texts{slaveAddress, answerTime, constCrc};
    if (!m_settings.WriteModbusLinkSettings(&error, &texts))
        m_dialogs.info(error);
    return true;
}

} // namespace veg
