#pragma once

#include "core/exchange/LinkSession.h"
#include "core/settings/ExchangeSettings.h"
#include "core/port/LinkContext.h"
#include "core/port/SystemClock.h"

#include <CLI/CLI.hpp>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace vegctl {

// The link options shared by every command that talks to a gateway.
struct LinkOptions
{
    std::string port;
    std::string link = "rs232";
    int baud = 9600;
    bool viaAdapter = false;
    std::string adapter = "01";
    std::string gateway = "25";
    int crc = 0;
    int retries = 3;
    int canSpeed = 300;
    int trace = -1;
    std::string settings;
};

void addLinkOptions(CLI::App* cmd, LinkOptions& o);

// "N" and the status message on standard error, exit status 3.
void failStatus(veg::LinkStatus status);
// A hexadecimal number up to `max`; otherwise a message and exit status 2.
std::optional<std::uint32_t> hexArg(const std::string& text, std::uint32_t max, const char* what);

// A link set up from the options as the exchange window sets it up from its settings. Ctrl+C
// asks the running exchange to stop, as the window's "Прервать" does.
class CliLink
{
public:
    CliLink();
    ~CliLink();

    // False with the message printed: an option that does not read (exit 2), a port that does
    // not open or an adapter that does not answer (exit 3).
    bool open(const LinkOptions& options);

    veg::LinkSession& session() { return *m_session; }
    veg::ExchangeSettings& settings() { return m_settings; }
    veg::LinkShared& shared() { return m_shared; }
    veg::Clock& clock() { return m_clock; }

private:
    veg::SystemClock m_clock;
    veg::LinkShared m_shared;
    veg::ExchangeSettings m_settings;
    std::unique_ptr<veg::LinkSession> m_session;
};

} // namespace vegctl
