#pragma once

#include "core/config/GatewayConfig.h"
#include "core/exchange/ExchangeSteps.h"

namespace veg {

// Writes a configuration into the gateway: access, the general settings, the stop of the work
// cycle and its poll, the protocol's tables in the order of the image, the restart. Every stage
// leaves its outcome in the session's LastStatus and ErrorText; nothing in the configuration
// changes.
//
// A request that fails on a line fault after the link's attempts (no answer, a damaged frame) is
// sent again in further rounds after a pause (the settings' WriteRounds) before the write gives
// up. The tables' elements the gateway confirmed are counted, so that a write that failed or was
// aborted while the gateway was stopped can be continued with the element that failed.
class GatewayWriter : public ExchangeSteps
{
public:
    GatewayWriter(LinkSession& session, ExchangeView& view);

    // The whole write: true when the gateway holds the configuration and runs again.
    bool write(const GatewayConfig& config);
    // The continuation of a write that ended while the gateway was stopped: access, then the
    // tables from element `from` on (in the order of the image; those before it are not sent
    // again), then the restart. Refused when the gateway is running.
    bool resume(const GatewayConfig& config, int from);

    // The tables' elements the gateway confirmed, counted from the first of the image.
    int tableElementsDone() const { return m_done; }
    // The last write stopped the gateway and did not restart it.
    bool leftStopped() const { return m_leftStopped; }

    bool WriteSettings(const GatewayConfig& config);
    bool WriteTables(const GatewayConfig& config);
    bool WriteProtocolTables(const GatewayConfig& config, const LinkTarget& target, int from = 0);

    // Polls of the run state after a stop request: (trepeat + 15) × 10 + 1, 100 ms apart.
    static int stopPolls(std::uint16_t trepeat) { return (int(trepeat) + 15) * 10 + 1; }

private:
    // One element: a plain parameter or element `element` of an indexed one; `select` sends
    // the parameter's selection first (the first element of a series, or the first element a
    // continuation sends).
    LinkStatus send(const ImageParam& p, int element, const QByteArray& bytes, bool select,
                    const LinkTarget& target);
    bool stopGateway(const GatewayConfig& config, const LinkTarget& target);
    bool restart(const LinkTarget& target);

    int m_done = 0;
    bool m_leftStopped = false;
};

} // namespace veg
