#pragma once

#include "core/settings/ExchangeSettings.h"
#include "core/link/KalO.h"
#include "core/link/LinkStatus.h"
#include "core/link/LinkTarget.h"
#include "core/port/LinkContext.h"
#include "core/port/SerialPort.h"

#include <QString>

#include <functional>
#include <memory>

namespace veg {

// The link to the gateway as the exchange window and vegctl both set it up: one link object made
// from the exchange settings, its number of attempts, the CAN-BUS adapter's configuration block
// and reset, and the addressing of every request. It also keeps the outcome of the last exchange
// step (`LastStatus`, `ErrorText`), which every command of the exchange leaves here.
//
// The settings are read at every request: a search changes the route and the network numbers
// while the link stays open.
class LinkSession
{
public:
    using PortFactory = std::function<std::unique_ptr<SerialPort>()>;

    LinkSession(ExchangeSettings& settings, LinkContext context, PortFactory makePort);
    ~LinkSession();
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    // Makes the link object and opens its port; a session that holds one keeps it. For the
    // CAN-BUS adapter the configuration block is built from `adapterSettings` (the key=value
    // lines of section "Parametr") and the adapter is reset. False when the port did not open
    // (`ErrorText` "Ошибка инициализации порта " + port name) or the adapter did not answer its
    // reset (status 45); the link object stays, with its port closed in the first case.
    bool OpenLink(const KalO::Settings& adapterSettings = {});
    // Closes the port and frees the link object.
    void CloseLinks();

    KalO* link() const { return m_link.get(); }
    // The error text of a command that finds no usable port: no link object, or its port is
    // not open (it did not open, or a failed write closed it).
    bool portReady() const { return m_link && m_link->PortOpen(); }
    QString portError() const;

    // The addressing of the requests to network number `net` by the route of the settings: to
    // `net` directly, or through the master module at the settings' adapter number. Also starts
    // a new step: clears the operator's abort, `LastStatus` and `ErrorText`.
    LinkTarget PrepareTarget(std::uint8_t net);
    // The same addressing without touching the state.
    static LinkTarget targetFor(const ExchangeSettings& settings, std::uint8_t net);

    ExchangeSettings& settings() { return m_settings; }
    const LinkContext& context() const { return m_context; }
    // The answer wait of the links opened from now on, in place of the line's own (0: the
    // line's own); for a simulator's pseudo-terminal only, see LinkContext.
    void setAnswerWaitMs(int ms) { m_context.answerWaitMs = ms; }
    LinkShared& shared() { return *m_context.shared; }

    // The outcome of the last step: a link status (0 = success) and the text shown for it.
    // `kRefused`: the exchange stopped on a rule of its own (no usable port, a configuration it
    // cannot write, a protocol it does not know); `ErrorText` says why.
    static constexpr LinkStatus kRefused = -1;
    LinkStatus LastStatus = Status::Ok;
    QString ErrorText;
    // Sets both from a link status.
    void setStatus(LinkStatus status);
    // Sets `kRefused` and its reason.
    void refuse(const QString& reason);

    // The key=value lines of section "Parametr" of a settings file; empty when it does not read.
    static KalO::Settings adapterSettingsFrom(const QString& settingsPath);

private:
    ExchangeSettings& m_settings;
    LinkContext m_context;
    PortFactory m_makePort;
    std::unique_ptr<KalO> m_link;
};

} // namespace veg
