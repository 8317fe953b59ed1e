#include "SimGateway.h"

#include "core/link/LinkStatus.h"

#include <gtest/gtest.h>

using namespace veg;
using namespace veg::sim;

TEST(LinkSession, OpensTheLinkOnceAsTheSettingsSay)
{
    for (Route r : {Route::Direct, Route::Transit, Route::Can}) {
        SimGateway g(r);
        g.settings.Retries = 7;
        g.settings.SpeedIndex = 3;
        ASSERT_TRUE(g.session->OpenLink()) << routeName(r);
        KalO* link = g.session->link();
        EXPECT_EQ(link->Retries(), 7);
        // The adapter line runs at 115200 baud whatever the serial speed says.
        EXPECT_EQ(g.port->baudRate(), r == Route::Can ? 115200 : 2400) << routeName(r);
        EXPECT_EQ(g.session->LastStatus, Status::Ok);

        // A second opening keeps the link object and its port.
        ASSERT_TRUE(g.session->OpenLink());
        EXPECT_EQ(g.session->link(), link);
        EXPECT_EQ(g.port->openCount(), 1);
        g.session->CloseLinks();
        EXPECT_EQ(g.session->link(), nullptr);
        EXPECT_FALSE(g.session->portReady());
    }
}

TEST(LinkSession, TheAdapterBlockCarriesTheCanSpeedOfTheSettings)
{
    // 300, 150, 100, 50, 20 kbit/s are positions 0, 2, 4, 7, 12 of the adapter's speed bytes.
    const std::uint8_t bytes[] = {0x41, 0x43, 0x45, 0x4B, 0x5D};
    for (int i = 0; i < 5; ++i) {
        SimGateway g(Route::Can);
        g.settings.CanSpeedIndex = i;
        ASSERT_TRUE(g.session->OpenLink());
        EXPECT_EQ(g.session->link()->AdapterConfig()[34], bytes[i]) << i;
    }
}

TEST(LinkSession, FailuresLeaveTheirTexts)
{
    {
        SimGateway g(Route::Direct);
        g.openFails = true;
        g.settings.PortName = QStringLiteral("COM3");
        EXPECT_FALSE(g.session->OpenLink());
        EXPECT_EQ(g.session->ErrorText, QStringLiteral("Ошибка инициализации порта COM3"));
        // The link object stays, with its port closed.
        ASSERT_NE(g.session->link(), nullptr);
        EXPECT_FALSE(g.session->portReady());
        EXPECT_EQ(g.session->portError(), QStringLiteral("Ошибка инициализации порта COM3"));
    }
    {
        // An adapter line with nobody answering the configuration block.
        SimGateway g(Route::Can);
        g.sim = std::make_unique<GatewaySimulator>(SimOptions{}); // a serial gateway
        EXPECT_FALSE(g.session->OpenLink());
        EXPECT_EQ(g.session->LastStatus, Status::AdapterInitFailed);
        EXPECT_EQ(g.session->ErrorText,
                  QStringLiteral("  Ошибка инициализации CAN-контроллера - нет ответа после "
                                 "команды сброс"));
    }
}

TEST(LinkSession, PrepareTargetAddressesByTheRoute)
{
    struct Case
    {
        std::uint8_t kind;
        bool viaAdapter;
        int route, requestKind;
        std::uint8_t address;
    } cases[] = {
        {ExchangeSettings::kRs232, false, LinkTarget::kDirect, LinkTarget::kSerialRequest, 0x31},
        {ExchangeSettings::kRs232, true, LinkTarget::kTransit, LinkTarget::kSerialRequest, 0x07},
        // The adapter line never goes in transit, whatever the check box held.
        {ExchangeSettings::kCanBus, true, LinkTarget::kDirect, LinkTarget::kCanRequest, 0x31},
    };
    for (const Case& c : cases) {
        SimGateway g(Route::Direct);
        g.settings.AdapterKind = c.kind;
        g.settings.ViaAdapter = c.viaAdapter;
        g.settings.AdapterNumber = 0x07;
        g.settings.ChecksumKind = 2;
        g.shared.AbortRequested = true;
        g.session->LastStatus = 41;
        g.session->ErrorText = QStringLiteral("x");
        const LinkTarget t = g.session->PrepareTarget(0x31);
        EXPECT_EQ(t.Route, c.route);
        EXPECT_EQ(t.RequestKind, c.requestKind);
        EXPECT_EQ(t.LineKind, c.kind);
        EXPECT_EQ(t.Address, c.address);
        EXPECT_EQ(t.Destination, 0x31);
        EXPECT_EQ(t.ChecksumKind, 2);
        EXPECT_FALSE(g.shared.AbortRequested);
        EXPECT_EQ(g.session->LastStatus, 0);
        EXPECT_TRUE(g.session->ErrorText.isEmpty());
    }
}
