// The gateway search against the simulator: a gateway at its network number, a master module
// (device type 0x0601, not a gateway) at its own, silence everywhere else.

#include "RecordingView.h"
#include "SimGateway.h"

#include "core/exchange/GatewaySearch.h"
#include "sim/TimedBytes.h"

#include <gtest/gtest.h>

using namespace veg;
using namespace veg::sim;

namespace {

using Range = GatewaySearch::Range;

struct Search
{
    SimGateway g;
    RecordingView view;
    bool ok = false;

    Search(Route route, Range gateways, bool searchGateways, Range masters = {1, 1},
           bool searchMasters = false, SimOptions o = {})
        : g(route, o)
    {
        g.settings.GatewayNumber = 0x77; // what the settings held before
        if (!g.session->OpenLink())
            return;
        ok = GatewaySearch(*g.session, view)
                 .SearchGateways(gateways, searchGateways, masters, searchMasters);
    }
};

// Two simulators on one line: both hear every request, each answers for its own numbers.
class TwoGatewaysPort : public SerialPort
{
public:
    TwoGatewaysPort(GatewaySimulator& a, GatewaySimulator& b, ManualClock& clock)
        : m_a(a), m_b(b), m_clock(clock), m_incoming(clock)
    {}
    bool open(const QString&) override { return m_open = true; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    bool setBaudRate(int) override { return true; }
    bool setFrameFormat(bool, bool) override { return true; }
    bool setCharacterFormat(Parity, StopBits) override { return true; }
    void setTimeouts(int readMs, int) override { m_readMs = readMs; }
    int read(std::uint8_t* buffer, int n) override
    {
        return m_open ? m_incoming.read(buffer, n, m_readMs) : -1;
    }
    bool write(const std::uint8_t* data, int n) override
    {
        const QByteArray bytes(reinterpret_cast<const char*>(data), n);
        for (GatewaySimulator* sim : {&m_a, &m_b}) {
            sim->receive(bytes, m_clock.nowMs() * 1000);
            for (const auto& out : sim->takeOutput())
                for (char c : out.bytes)
                    m_incoming.push((out.dueUs + 999) / 1000, std::uint8_t(c));
        }
        return m_open;
    }
    bool purgeInput() override
    {
        m_incoming.dropArrived();
        return true;
    }
    bool setDtr(bool) override { return true; }
    bool setRts(bool) override { return true; }
    std::optional<std::uint32_t> modemStatus() override { return std::nullopt; }

private:
    GatewaySimulator& m_a;
    GatewaySimulator& m_b;
    ManualClock& m_clock;
    TimedBytes m_incoming;
    bool m_open = false;
    int m_readMs = 0;
};

FoundDevice gateway(std::uint8_t n, bool checked, const char* name = "ВЕГ (Modbus)")
{
    return FoundDevice{n, QString::fromUtf8(name), true, checked};
}

} // namespace

TEST(GatewaySearch, EqualBoundsProbeOneNumber)
{
    Search s(Route::Direct, {0x25, 0x25}, true);
    EXPECT_TRUE(s.ok);
    EXPECT_EQ(s.view.found, std::vector<FoundDevice>{gateway(0x25, true)});
    EXPECT_EQ(s.g.settings.GatewayNumber, 0x25);
    EXPECT_EQ(s.view.progress, (std::vector<int>{0, 128}));
    EXPECT_EQ(s.view.captions, QStringList{"Идет поиск"});
}

TEST(GatewaySearch, AGatewayFollowedBySilence)
{
    for (Route r : {Route::Direct, Route::Can}) {
        Search s(r, {0x24, 0x27}, true);
        EXPECT_TRUE(s.ok) << routeName(r);
        EXPECT_EQ(s.g.session->LastStatus, Status::Ok);
        EXPECT_EQ(s.view.found, std::vector<FoundDevice>{gateway(0x25, true)});
        EXPECT_EQ(s.g.settings.GatewayNumber, 0x25);
        EXPECT_EQ(s.view.progress.back(), 128);
    }
}

TEST(GatewaySearch, ADeviceThatIsNotAGatewayIsNotListed)
{
    // The master module answers with its own type in the gateway range; as the last number it
    // ends the search successfully without a row.
    Search s(Route::Direct, {0x01, 0x01}, true);
    EXPECT_TRUE(s.ok);
    EXPECT_TRUE(s.view.found.empty());
    EXPECT_EQ(s.g.settings.GatewayNumber, 0x77);
}

TEST(GatewaySearch, NothingFound)
{
    Search s(Route::Direct, {0x30, 0x31}, true);
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(s.g.session->LastStatus, Status::NoGateways);
    EXPECT_EQ(s.g.session->ErrorText, "ВЕГ не найдены");
    EXPECT_EQ(s.g.settings.GatewayNumber, 0x77);
}

TEST(GatewaySearch, TheMasterModuleFirstThenTheGatewaysBehindIt)
{
    Search s(Route::Direct, {0x25, 0x25}, true, {0x00, 0x03}, true);
    EXPECT_TRUE(s.ok);
    EXPECT_EQ(s.view.found,
              (std::vector<FoundDevice>{FoundDevice{0x01, "Ведущий модуль", false, false},
                                        gateway(0x25, true)}));
    EXPECT_TRUE(s.g.settings.ViaAdapter);
    EXPECT_EQ(s.g.settings.AdapterNumber, 0x01);
    // The gateway was asked through the module.
    EXPECT_EQ(s.g.session->PrepareTarget(0x25).Address, 0x01);
}

TEST(GatewaySearch, NoMasterModuleMeansNoGatewaySearch)
{
    SimOptions o;
    o.masterModule = false;
    Search s(Route::Direct, {0x25, 0x25}, true, {0x00, 0x02}, true, o);
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(s.g.session->LastStatus, Status::NoMasterModule);
    EXPECT_TRUE(s.view.found.empty());
    EXPECT_FALSE(s.g.settings.ViaAdapter);
    EXPECT_FALSE(s.g.sim->device().journal().contains("read F000"));
}

TEST(GatewaySearch, ANegativeReceiptAtTheLastNumberIsReported)
{
    // Through the master module, a number with no gateway behind it is refused by the module.
    Search s(Route::Transit, {0x25, 0x26}, true);
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(s.g.session->LastStatus, Status::NegativeReceipt);
    EXPECT_EQ(s.view.found, std::vector<FoundDevice>{gateway(0x25, true)});
}

TEST(GatewaySearch, SeveralGatewaysTheFirstChosen)
{
    // Two gateways on one RS-232 line, at 0x22 (Магистраль-1) and 0x25 (Modbus).
    SimOptions a;
    a.gatewayNumber = 0x22;
    a.variant = 0;
    a.masterModule = false;
    GatewaySimulator first(a);
    SimGateway g(Route::Direct); // its simulator plays 0x25 and the master module
    LinkSession session(g.settings, g.session->context(),
                        [&] { return std::make_unique<TwoGatewaysPort>(first, *g.sim, g.clock); });
    ASSERT_TRUE(session.OpenLink());
    RecordingView view;
    ASSERT_TRUE(GatewaySearch(session, view).SearchGateways({0x20, 0x26}, true, {}, false));
    EXPECT_EQ(view.found, (std::vector<FoundDevice>{gateway(0x22, true, "ВЕГ (Магистраль-1)"),
                                                    gateway(0x25, false)}));
    EXPECT_EQ(g.settings.GatewayNumber, 0x22);
}

TEST(GatewaySearch, TheOperatorsAbort)
{
    SimGateway g(Route::Direct);
    ASSERT_TRUE(g.session->OpenLink());
    RecordingView view;
    g.pumpHook = [&] {
        if (g.pumps == 5)
            g.shared.AbortRequested = true;
    };
    EXPECT_FALSE(GatewaySearch(*g.session, view).SearchGateways({0x30, 0x40}, true, {}, false));
    EXPECT_EQ(g.session->LastStatus, Status::Aborted);
    // And between two probes of the master module's range, where no wait would see it.
    SimOptions o;
    o.masterModule = false;
    SimGateway m(Route::Direct, o);
    ASSERT_TRUE(m.session->OpenLink());
    m.pumpHook = [&] {
        if (m.pumps == 3)
            m.shared.AbortRequested = true;
    };
    EXPECT_FALSE(GatewaySearch(*m.session, view).SearchGateways({0x25, 0x25}, true, {0, 9}, true));
    EXPECT_EQ(m.session->LastStatus, Status::Aborted);
}
