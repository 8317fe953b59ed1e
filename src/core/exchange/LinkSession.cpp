#include "core/exchange/LinkSession.h"

#include "core/text/IniDocument.h"

namespace veg {

namespace {
// The adapter line runs at 115200 baud whatever the serial speed of the settings.
constexpr int kAdapterSpeedIndex = 10;
} // namespace

LinkSession::LinkSession(ExchangeSettings& settings, LinkContext context, PortFactory makePort)
    : m_settings(settings), m_context(std::move(context)), m_makePort(std::move(makePort))
{}

LinkSession::~LinkSession() = default;

QString LinkSession::portError() const
{
    QString text = QStringLiteral("Ошибка инициализации порта ") + m_settings.PortName;
    // The reason, where the system gives one (a port in use, no right to it).
    if (m_link && !m_link->PortOpen())
        if (const QString why = m_link->OpenErrorText(); !why.isEmpty())
            text += u'\n' + why;
    return text;
}

bool LinkSession::OpenLink(const KalO::Settings& adapterSettings)
{
    const bool can = m_settings.AdapterKind == ExchangeSettings::kCanBus;
    if (!m_link) {
        m_link = std::make_unique<KalO>(m_makePort(), m_context, m_settings.PortName,
                                        m_settings.AdapterKind,
                                        can ? kAdapterSpeedIndex : m_settings.SpeedIndex);
    }
    LastStatus = Status::Ok;
    ErrorText.clear();
    if (!m_link->PortOpen()) {
        refuse(portError());
        return false;
    }
    m_link->SetRetries(m_settings.Retries);
    if (can) {
        m_link->LoadAdapterConfig(adapterSettings,
                                  KalO::canSpeedPosition(m_settings.CanSpeedIndex));
        if (!m_link->InitAdapter()) {
            setStatus(Status::AdapterInitFailed);
            return false;
        }
    }
    return true;
}

void LinkSession::CloseLinks()
{
    if (m_link)
        m_link->ClosePort();
    m_link.reset();
}

LinkTarget LinkSession::targetFor(const ExchangeSettings& s, std::uint8_t net)
{
    const bool can = s.AdapterKind == ExchangeSettings::kCanBus;
    const bool transit = s.ViaAdapter && !can;
    LinkTarget t;
    t.Route = transit ? LinkTarget::kTransit : LinkTarget::kDirect;
    t.RequestKind = can ? LinkTarget::kCanRequest : LinkTarget::kSerialRequest;
    t.LineKind = s.AdapterKind;
    t.Address = transit ? s.AdapterNumber : net;
    t.Destination = net;
    t.ChecksumKind = s.ChecksumKind;
    return t;
}

LinkTarget LinkSession::PrepareTarget(std::uint8_t net)
{
    m_context.shared->AbortRequested = false;
    LastStatus = Status::Ok;
    ErrorText.clear();
    return targetFor(m_settings, net);
}

void LinkSession::setStatus(LinkStatus status)
{
    LastStatus = status;
    ErrorText = StatusMessage(status);
}

void LinkSession::refuse(const QString& reason)
{
    LastStatus = kRefused;
    ErrorText = reason;
}

KalO::Settings LinkSession::adapterSettingsFrom(const QString& settingsPath)
{
    KalO::Settings out;
    if (settingsPath.isEmpty())
        return out;
    IniDocument::FileStatus status = IniDocument::FileStatus::Ok;
    QString error;
    const IniDocument doc = IniDocument::fromFile(settingsPath, &status, &error);
    if (status != IniDocument::FileStatus::Ok)
        return out;
    for (const auto& entry : doc.entries(QStringLiteral("Parametr")))
        out.push_back(entry);
    return out;
}

} // namespace veg
