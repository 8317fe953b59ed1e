#pragma once

#include "core/config/GatewayConfig.h"
#include "core/exchange/ExchangeSteps.h"

#include <vector>

namespace veg {

// One element where the gateway holds other bytes than a configuration's image.
struct ImageDifference
{
    ImageWrite expected;
    QByteArray gateway;

    // "PPPP[i] gateway BB ... file BB ..." (the index only for an element).
    QString text() const;
};

// Reads back, element by element, every element of a configuration's image from the gateway and
// compares it: what is in the gateway is what the configuration says, or the differences.
class GatewayVerifier : public ExchangeSteps
{
public:
    using ExchangeSteps::ExchangeSteps;

    // True when every element was read; `differences` then lists those that differ.
    bool verify(const GatewayConfig& config, std::vector<ImageDifference>& differences);
};

} // namespace veg
