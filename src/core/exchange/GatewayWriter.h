#pragma once

#include "core/config/GatewayConfig.h"
#include "core/exchange/ExchangeSteps.h"

namespace veg {

// Writes a configuration into the gateway: access, the general settings, the stop of the work
// cycle and its poll, the protocol's tables in the order of the image, the restart. Every stage
// leaves its outcome in the session's LastStatus and ErrorText; nothing in the configuration
// changes.
class GatewayWriter : public ExchangeSteps
{
public:
    using ExchangeSteps::ExchangeSteps;

    // The whole write: true when the gateway holds the configuration and runs again.
    bool write(const GatewayConfig& config);

    bool WriteSettings(const GatewayConfig& config);
    bool WriteTables(const GatewayConfig& config);
    bool WriteProtocolTables(const GatewayConfig& config, const LinkTarget& target);

    // Polls of the run state after a stop request: (trepeat + 15) × 10 + 1, 100 ms apart.
    static int stopPolls(std::uint16_t trepeat) { return (int(trepeat) + 15) * 10 + 1; }

private:
    // One element: a plain parameter or element `element` of an indexed one, the first of a
    // series selecting the parameter.
    LinkStatus send(const ImageParam& p, int element, const QByteArray& bytes,
                    const LinkTarget& target);
    bool stopGateway(const GatewayConfig& config, const LinkTarget& target);
};

} // namespace veg
