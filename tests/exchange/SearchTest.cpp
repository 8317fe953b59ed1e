// The gateway search against the simulator: a gateway at its network number, a master module
// (device type 0x0601, not a gateway) at its own, silence everywhere else.

#include "RecordingView.h"
#include "SimGateway.h"

#include "core/exchange/GatewaySearch.h"
#include "core/exchange/QuickAnswerTime.h"
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
           bool searchMasters = false, SimOptions o = {}, bool quick = false)
        : g(route, o)
    {
        g.settings.GatewayNumber = 0x77; // what the settings held before
        if (!g.session->OpenLink())
            return;
        GatewaySearch search(*g.session, view);
        search.setQuick(quick);
        ok = search.SearchGateways(gateways, searchGateways, masters, searchMasters);
    }
};

// The quick search of the gateways alone.
struct QuickSearch : Search
{
    QuickSearch(Route route, Range gateways, SimOptions o = {})
        : Search(route, gateways, true, {1, 1}, false, o, true)
    {}
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

// The simulator's port with one byte of what it reads garbled: byte `at` (counted from 1) of
// everything read, once.
class GarblingPort : public SerialPort
{
public:
    GarblingPort(GatewaySimulator& sim, ManualClock& clock, int at) : m_port(sim, clock), m_at(at) {}
    bool open(const QString& name) override { return m_port.open(name); }
    void close() override { m_port.close(); }
    bool isOpen() const override { return m_port.isOpen(); }
    bool setBaudRate(int b) override { return m_port.setBaudRate(b); }
    bool setFrameFormat(bool s, bool c) override { return m_port.setFrameFormat(s, c); }
    bool setCharacterFormat(Parity p, StopBits s) override
    {
        return m_port.setCharacterFormat(p, s);
    }
    void setTimeouts(int r, int w) override { m_port.setTimeouts(r, w); }
    int read(std::uint8_t* buffer, int n) override
    {
        const int got = m_port.read(buffer, n);
        for (int i = 0; i < got; ++i)
            if (++m_read == m_at)
                buffer[i] ^= 0x5A;
        return got;
    }
    bool write(const std::uint8_t* d, int n) override { return m_port.write(d, n); }
    bool purgeInput() override { return m_port.purgeInput(); }
    bool setDtr(bool on) override { return m_port.setDtr(on); }
    bool setRts(bool on) override { return m_port.setRts(on); }
    std::optional<std::uint32_t> modemStatus() override { return m_port.modemStatus(); }

private:
    SimulatorPort m_port;
    int m_at;
    int m_read = 0;
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

TEST(QuickAnswerTime, FromTheLinesSpeedAndRoute)
{
    // The request and the longest answer taken (9 + 13 characters; 11 + 15 with the CRC in the
    // data), 11 bits each; two CAN frames of 160 bits; 50 ms of turnaround per device; twice
    // all that, and 200 ms at least.
    struct Case
    {
        const char* name;
        std::uint8_t kind;
        bool viaAdapter;
        int speedIndex;
        int canSpeedIndex;
        std::uint8_t checksumKind;
        double serialWireMs;
        double canWireMs;
        int turnaroundMs;
        int totalMs;
    };
    const Case cases[] = {
        {"direct 115200", ExchangeSettings::kRs232, false, 10, 0, 0, 2.101, 0, 50, 200},
        {"direct 9600", ExchangeSettings::kRs232, false, 5, 0, 0, 25.208, 0, 50, 200},
        {"direct 1200", ExchangeSettings::kRs232, false, 2, 0, 0, 201.667, 0, 50, 504},
        {"direct 1200, CRC in the data", ExchangeSettings::kRs232, false, 2, 0, 1, 238.333, 0, 50, 577},
        {"direct 1200, CRC for the sum", ExchangeSettings::kRs232, false, 2, 0, 2, 201.667, 0, 50, 504},
        {"direct 300", ExchangeSettings::kRs232, false, 0, 0, 0, 806.667, 0, 50, 1714},
        {"direct, a speed off the list", ExchangeSettings::kRs232, false, -1, 0, 0, 25.208, 0, 50, 200},
        {"master module 9600", ExchangeSettings::kRs232, true, 5, 0, 0, 25.208, 16, 100, 283},
        {"master module 115200", ExchangeSettings::kRs232, true, 10, 0, 0, 2.101, 16, 100, 237},
        {"CAN-BUS 300 kbit/s", ExchangeSettings::kCanBus, false, 5, 0, 0, 2.483, 1.067, 100, 208},
        {"CAN-BUS 50 kbit/s", ExchangeSettings::kCanBus, false, 5, 3, 0, 2.483, 6.4, 100, 218},
        {"CAN-BUS 20 kbit/s", ExchangeSettings::kCanBus, false, 5, 4, 0, 2.483, 16, 100, 237},
        // The CAN-BUS adapter runs at its own speed and never in transit.
        {"CAN-BUS, transit set", ExchangeSettings::kCanBus, true, 0, 4, 0, 2.483, 16, 100, 237},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExchangeSettings s;
        s.AdapterKind = c.kind;
        s.ViaAdapter = c.viaAdapter;
        s.SpeedIndex = c.speedIndex;
        s.CanSpeedIndex = c.canSpeedIndex;
        s.ChecksumKind = c.checksumKind;
        const QuickAnswerTime t = QuickAnswerTime::of(s);
        EXPECT_NEAR(t.serialWireMs, c.serialWireMs, 0.001);
        EXPECT_NEAR(t.canWireMs, c.canWireMs, 0.001);
        EXPECT_EQ(t.turnaroundMs, c.turnaroundMs);
        EXPECT_EQ(t.totalMs, c.totalMs);
    }
}

TEST(GatewaySearch, TheQuickSearchFindsTheGatewayOnEveryRoute)
{
    for (Route r : {Route::Direct, Route::Transit, Route::Can}) {
        SCOPED_TRACE(routeName(r));
        // Through the master module the silence is its refusal; elsewhere 15 silent numbers
        // cost one short wait each, not the link's attempts of three seconds.
        QuickSearch s(r, {0x20, 0x2F});
        EXPECT_EQ(s.view.found, std::vector<FoundDevice>{gateway(0x25, true)});
        EXPECT_EQ(s.g.settings.GatewayNumber, 0x25);
        EXPECT_EQ(s.view.progress.back(), 128);
        if (r != Route::Transit) {
            EXPECT_TRUE(s.ok);
            EXPECT_LT(s.g.clock.nowMs(), 16 * 300 + 3000);
        }
        // The gateway was asked twice: once quickly, once more to be sure.
        EXPECT_EQ(s.g.sim->device().journal().filter("read F000").size(), 2)
            << s.g.sim->device().journal().join('|').toStdString();
        EXPECT_TRUE(s.g.log.filter("Быстрый поиск").size() == 1);
    }
}

TEST(GatewaySearch, AGatewayLaterThanTheQuickAnswerTimeIsFoundOnlyByTheNormalSearch)
{
    // Every answer of the gateway comes `delayMs` late; the quick answer time on RS-232 at
    // 115200 baud is 200 ms, the link's own wait 3 s.
    ASSERT_EQ(QuickAnswerTime::of(SimGateway(Route::Direct).settings).totalMs, 200);
    struct Case
    {
        int delayMs;
        bool foundQuickly;
    };
    for (const Case c : {Case{150, true}, Case{250, false}, Case{2500, false}}) {
        SCOPED_TRACE(c.delayMs);
        SimOptions o;
        o.faults.delay = 1.0;
        o.faults.delayMs = c.delayMs;
        QuickSearch quick(Route::Direct, {0x24, 0x26}, o);
        EXPECT_EQ(quick.ok, c.foundQuickly);
        EXPECT_EQ(quick.view.found.empty(), !c.foundQuickly);
        if (!c.foundQuickly) {
            EXPECT_EQ(quick.g.session->LastStatus, Status::NoGateways);
            EXPECT_EQ(quick.g.settings.GatewayNumber, 0x77);
        }
        Search normal(Route::Direct, {0x24, 0x26}, true, {1, 1}, false, o);
        EXPECT_TRUE(normal.ok);
        EXPECT_EQ(normal.view.found, std::vector<FoundDevice>{gateway(0x25, true)});
    }
}

TEST(GatewaySearch, OneLuckyAnswerListsNothing)
{
    // The gateway answers the quick probe and is never heard again: the second probe, with the
    // link's attempts, decides.
    SimGateway g(Route::Direct);
    g.settings.GatewayNumber = 0x77;
    ASSERT_TRUE(g.session->OpenLink());
    g.pumpHook = [&] {
        if (g.sim->requestsServed() > 0)
            g.sim->setSilent(true);
    };
    RecordingView view;
    GatewaySearch search(*g.session, view);
    search.setQuick(true);
    EXPECT_FALSE(search.SearchGateways({0x25, 0x25}, true, {}, false));
    EXPECT_EQ(g.sim->requestsServed(), 1);
    EXPECT_TRUE(view.found.empty());
    EXPECT_EQ(g.session->LastStatus, Status::NoGateways);
    EXPECT_EQ(g.settings.GatewayNumber, 0x77);
    // The second probe made the link's three attempts with their full waits.
    EXPECT_GE(g.clock.nowMs(), 3 * 3000);
}

TEST(GatewaySearch, AGarbledQuickAnswerIsHeardOutAgain)
{
    // The checksum byte of the gateway's first answer is damaged: the quick probe fails with
    // it, the second probe hears the gateway, and the scan goes on past it.
    SimGateway g(Route::Direct);
    LinkSession session(g.settings, g.session->context(),
                        [&] { return std::make_unique<GarblingPort>(*g.sim, g.clock, 8); });
    ASSERT_TRUE(session.OpenLink());
    RecordingView view;
    GatewaySearch search(session, view);
    search.setQuick(true);
    EXPECT_TRUE(search.SearchGateways({0x25, 0x27}, true, {}, false));
    EXPECT_EQ(view.found, std::vector<FoundDevice>{gateway(0x25, true)});
    EXPECT_EQ(g.sim->device().journal().filter("read F000").size(), 2);
    EXPECT_FALSE(g.log.filter("Result=36").isEmpty()) << g.log.join('\n').toStdString();
}

TEST(GatewaySearch, TheQuickSearchFindsTheMasterModuleFirst)
{
    Search s(Route::Direct, {0x24, 0x25}, true, {0x00, 0x03}, true, {}, true);
    EXPECT_TRUE(s.ok);
    EXPECT_EQ(s.view.found,
              (std::vector<FoundDevice>{FoundDevice{0x01, "Ведущий модуль", false, false},
                                        gateway(0x25, true)}));
    EXPECT_TRUE(s.g.settings.ViaAdapter);
    // One quick wait at 00 (direct) and the module's refusal at 24.
    EXPECT_LT(s.g.clock.nowMs(), 3000);
    // And a module later than the quick answer time is not found by it.
    SimOptions late;
    late.faults.delay = 1.0;
    late.faults.delayMs = 400;
    Search m(Route::Direct, {0x25, 0x25}, true, {0x00, 0x03}, true, late, true);
    EXPECT_FALSE(m.ok);
    EXPECT_EQ(m.g.session->LastStatus, Status::NoMasterModule);
}

TEST(GatewaySearch, TheQuickSearchIsAborted)
{
    for (int atPump : {1, 40}) {
        SCOPED_TRACE(atPump);
        SimGateway g(Route::Direct);
        ASSERT_TRUE(g.session->OpenLink());
        g.pumpHook = [&] {
            if (g.pumps == atPump)
                g.shared.AbortRequested = true;
        };
        RecordingView view;
        GatewaySearch search(*g.session, view);
        search.setQuick(true);
        EXPECT_FALSE(search.SearchGateways({0x00, 0xFF}, true, {}, false));
        EXPECT_EQ(g.session->LastStatus, Status::Aborted);
        EXPECT_LT(g.clock.nowMs(), 10000);
    }
    // After the quick search the link keeps its own timing.
    SimGateway g(Route::Direct);
    ASSERT_TRUE(g.session->OpenLink());
    RecordingView view;
    GatewaySearch search(*g.session, view);
    search.setQuick(true);
    search.SearchGateways({0x30, 0x30}, true, {}, false);
    const qint64 before = g.clock.nowMs();
    LinkAnswer answer;
    EXPECT_EQ(g.session->link()->ReadParam(0xF000, 2, g.session->PrepareTarget(0x31), answer),
              Status::NoAnswer);
    EXPECT_GE(g.clock.nowMs() - before, 3 * 3000);
}
