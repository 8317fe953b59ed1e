#pragma once

#include "core/exchange/ExchangeSteps.h"

#include <cstdint>

namespace veg {

// Scans ranges of network numbers: on an RS-232 line first for the master module through which
// the gateways are reached, then for gateways (directly or through the module found). Every
// gateway found becomes a row; the first is chosen. Changes the exchange settings in memory:
// `ViaAdapter` and `AdapterNumber` by the module found, `GatewayNumber` by the gateway chosen.
class GatewaySearch : public ExchangeSteps
{
public:
    struct Range
    {
        std::uint8_t from = 0;
        std::uint8_t to = 0;
        int count() const { return int(to) - int(from) + 1; }
    };

    using ExchangeSteps::ExchangeSteps;

    // True when the search ended with status 0; the rows are shown through the view.
    bool SearchGateways(Range gateways, bool searchGateways, Range masters, bool searchMasters);

private:
    // ReadParam(0xF000, 2) to network number `n`; the device type code, low byte first.
    LinkStatus probe(std::uint8_t n, std::uint16_t& typeCode);
    void searchMaster(Range masters);
    void searchGatewaysIn(Range gateways);
};

} // namespace veg
