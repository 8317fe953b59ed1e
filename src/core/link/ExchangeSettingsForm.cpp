#include "core/link/ExchangeSettingsForm.h"

#include "core/ui/Dialogs.h"
#include "core/settings/ProgramSettings.h"
#include "core/port/PortNames.h"
#include "core/text/NumberText.h"

#include <algorithm>

namespace veg {

namespace {
const QString kDefaultGateway = QStringLiteral("25");
constexpr int kDefaultSpeed = 5; // 9600
} // namespace

ExchangeSettingsForm::ExchangeSettingsForm(ProgramSettings& settings, Dialogs& dialogs)
    : m_settings(settings), m_dialogs(dialogs)
{
}

ExchangeSettingsForm::Visibility ExchangeSettingsForm::visibility() const
{
    const bool can = linkType == 1;
    Visibility v;
    v.pcNumberPanel = v.canSpeedPanel = can;
    v.checksumGroup = v.serialSpeedPanel = v.adapterCheck = !can;
    v.adapterNumber = !can && viaAdapter;
    v.speedEnabled = v.gatewayEnabled = viaAdapter || can;
    return v;
}

void ExchangeSettingsForm::FormActivate()
{
    const ExchangeSettings& e = m_settings.exchange;
    linkType = e.AdapterKind == ExchangeSettings::kCanBus ? 1 : 0;
    if (!e.PortName.trimmed().isEmpty() && !m_namedPorts.contains(e.PortName))
        m_namedPorts << e.PortName;
    ports = offeredPorts(m_machinePorts, m_namedPorts);
    port = e.PortName;
    // What the window shows is what applying writes: a file's value outside the choices or the
    // spin box's range is shown (and written) as the window can hold it.
    checksum = e.ChecksumKind <= 2 ? e.ChecksumKind : 0;
    retries = std::clamp(e.Retries, kMinRetries, kMaxRetries);
    writeRounds = std::clamp(e.WriteRounds, 0, ExchangeSettings::kMaxWriteRounds);
    speed = e.SpeedIndex;
    pcNumber = QString::number(e.PcNumber);
    canSpeed = e.CanSpeedIndex;
    gatewayNumber = NumberText::hex(e.GatewayNumber, 2);
    viaAdapter = e.ViaAdapter;
    adapterNumber = NumberText::hex(e.AdapterNumber, 2);
    answerWait = QString::number(e.AnswerWaitSeconds);
    changed = false;
}

void ExchangeSettingsForm::chooseLinkType(int index)
{
    linkType = index;
    if (index == 0 && !viaAdapter) {
        speed = kDefaultSpeed;
        gatewayNumber = kDefaultGateway;
    }
    changed = true;
}

void ExchangeSettingsForm::chooseViaAdapter(bool checked)
{
    viaAdapter = checked;
    if (!checked) {
        speed = kDefaultSpeed;
        gatewayNumber = kDefaultGateway;
    }
    // In force at once, whether or not the window's values are applied later.
    m_settings.exchange.ViaAdapter = checked;
    changed = true;
}

bool ExchangeSettingsForm::apply()
{
    ExchangeSettings& e = m_settings.exchange;
    if (!port.trimmed().isEmpty())
        e.PortName = port.trimmed();
    port = e.PortName;
    if (!m_namedPorts.contains(e.PortName))
        m_namedPorts << e.PortName;
    e.AdapterKind = linkType == 1 ? ExchangeSettings::kCanBus : ExchangeSettings::kRs232;
    e.ViaAdapter = linkType == 1 ? false : viaAdapter;
    e.PortIndex = int(portNames().indexOf(e.PortName));
    e.ChecksumKind = static_cast<std::uint8_t>(std::clamp(checksum, 0, 2));
    e.SpeedIndex = speed;
    e.CanSpeedIndex = canSpeed;
    e.Retries = retries;
    e.WriteRounds = std::clamp(writeRounds, 0, ExchangeSettings::kMaxWriteRounds);
    // A number that does not read is stored as 0 and shown as "0".
    auto hexOrZero = [](QString& text) -> std::uint8_t {
        const auto v = NumberText::parseHex(text);
        if (!v)
            text = QStringLiteral("0");
        return static_cast<std::uint8_t>(v.value_or(0));
    };
    auto decOrZero = [](QString& text) -> int {
        const auto v = NumberText::parseDec(text);
        if (!v)
            text = QStringLiteral("0");
        return int(v.value_or(0));
    };
    e.GatewayNumber = hexOrZero(gatewayNumber);
    e.AdapterNumber = hexOrZero(adapterNumber);
    e.PcNumber = decOrZero(pcNumber);
    e.AnswerWaitSeconds = decOrZero(answerWait);

    ProgramSettings::ExchangeTexts texts{pcNumber, adapterNumber, gatewayNumber, answerWait};
    QString error;
    const bool written = m_settings.WriteExchangeSettings(&error, &texts);
    changed = false;
    if (!written)
        m_dialogs.info(error);
    return written;
}

bool ExchangeSettingsForm::closeRequested()
{
    if (changed && m_dialogs.confirm(QStringLiteral("Сохранить изменения?")))
        apply();
    changed = false;
    return true;
}

} // namespace veg
