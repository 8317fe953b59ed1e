#pragma once

#include "core/exchange/LinkSession.h"
#include "core/settings/ExchangeSettings.h"
#include "sim/GatewaySimulator.h"
#include "sim/ManualClock.h"
#include "sim/SimulatorPort.h"

#include <QStringList>

#include <functional>
#include <memory>

// The three routes to a gateway, as the exchange settings choose them.
enum class Route
{
    Direct,  // RS-232 straight to the gateway
    Transit, // RS-232 through the master module
    Can,     // the CAN-BUS adapter
};

inline const char* routeName(Route r)
{
    switch (r) {
    case Route::Direct:
        return "direct";
    case Route::Transit:
        return "transit";
    case Route::Can:
        return "can";
    }
    return "?";
}

// The in-process simulator behind a link session in virtual time: the exchange runs its real
// link code against it and a 3-second time-out costs nothing.
struct SimGateway
{
    veg::sim::ManualClock clock;
    veg::LinkShared shared;
    veg::ExchangeSettings settings;
    std::unique_ptr<veg::sim::GatewaySimulator> sim;
    veg::sim::SimulatorPort* port = nullptr; // the port of the session's link
    std::unique_ptr<veg::LinkSession> session;
    QStringList log;
    std::function<void()> pumpHook;
    int pumps = 0;
    bool openFails = false;

    explicit SimGateway(Route route, veg::sim::SimOptions o = {}) { start(route, o); }

    void start(Route route, veg::sim::SimOptions o = {})
    {
        o.line = route == Route::Can ? veg::sim::SimOptions::Line::CanAdapter
                                     : veg::sim::SimOptions::Line::Serial;
        sim = std::make_unique<veg::sim::GatewaySimulator>(o);
        settings = veg::ExchangeSettings{};
        settings.PortName = QStringLiteral("COM1");
        settings.AdapterKind =
            route == Route::Can ? veg::ExchangeSettings::kCanBus : veg::ExchangeSettings::kRs232;
        settings.ViaAdapter = route == Route::Transit;
        settings.AdapterNumber = o.masterNumber;
        settings.GatewayNumber = o.gatewayNumber;
        settings.ChecksumKind = std::uint8_t(o.checksumKind);
        settings.SpeedIndex = 10;
        settings.Retries = 3;
        veg::LinkContext c;
        c.clock = &clock;
        c.shared = &shared;
        c.pump = [this] {
            ++pumps;
            if (pumpHook)
                pumpHook();
        };
        c.log = [this](const QString& line) { log << line; };
        session = std::make_unique<veg::LinkSession>(settings, c, [this] {
            auto p = std::make_unique<veg::sim::SimulatorPort>(*sim, clock);
            p->setOpenFails(openFails);
            port = p.get();
            return p;
        });
    }
};
