#pragma once

#include "core/exchange/ConfigurationHost.h"

// The window that owns the configuration, for the exchange's tests: it answers the
// unsaved-changes prompt as told and counts what it was asked.
struct FakeHost : veg::ConfigurationHost
{
    veg::GatewayConfig config;
    bool confirm = true;
    int asked = 0;
    int installed = 0;

    const veg::GatewayConfig& configuration() const override { return config; }
    bool ConfirmDiscard() override
    {
        ++asked;
        return confirm;
    }
    void installReadBack(veg::GatewayConfig c) override
    {
        config = std::move(c);
        ++installed;
    }
};
