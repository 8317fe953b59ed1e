#pragma once

#include "core/config/GatewayConfig.h"

namespace veg {

// What the exchange needs of the window that owns the configuration: the configuration to
// write, the unsaved-changes prompt before a read-back replaces it, and the place to put a
// complete read-back.
class ConfigurationHost
{
public:
    virtual ~ConfigurationHost() = default;
    virtual const GatewayConfig& configuration() const = 0;
    // True when the configuration may be replaced (nothing pending, or the user answered).
    virtual bool ConfirmDiscard() = 0;
    // Puts a complete read-back in place of the configuration and shows its protocol.
    virtual void installReadBack(GatewayConfig config) = 0;
};

} // namespace veg
