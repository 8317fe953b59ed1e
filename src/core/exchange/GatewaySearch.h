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

    // The quick search ("Быстрый поиск"): every number is first asked once, with the answer
    // time of `QuickAnswerTime` for the route; a number that answered anything is asked again
    // with the link's attempts and waits, and that answer decides, as in the normal search.
    // Both the master module's range and the gateways' are scanned so. A device that answers
    // later than the quick answer time is not found. Off by default.
    void setQuick(bool on) { m_quick = on; }

    // True when the search ended with status 0; the rows are shown through the view.
    bool SearchGateways(Range gateways, bool searchGateways, Range masters, bool searchMasters);

private:
    // The probe of network number `n` (quick, then confirmed, in the quick search); the
    // device type code, low byte first.
    LinkStatus probe(std::uint8_t n, std::uint16_t& typeCode);
    // ReadParam(0xF000, 2) to network number `n` with the link's timing as it stands.
    LinkStatus ask(const LinkTarget& target, std::uint16_t& typeCode);
    // The quick search's answer time for the route of the range about to be scanned, in the log.
    void announceQuick();
    bool m_quick = false;
    void searchMaster(Range masters);
    void searchGatewaysIn(Range gateways);
};

} // namespace veg
