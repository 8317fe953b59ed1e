// The gateway search over all 256 network numbers (00-FF) of a direct RS-232 line at 115200
// baud, one gateway present (vegsim at 25, its master module at 01), the quick search against the
// normal one in the same run.
//
// vegsim holds every answer for the wire time of request and answer (--pace), since a
// pseudo-terminal itself moves bytes at no speed at all. The normal search waits out three
// attempts of three seconds at every silent number, over half an hour for the whole range: it
// runs over 20-2F (sixteen numbers, the gateway among them) and its time is scaled to 256 numbers
// per number; VEG_BENCH_FULL_SEARCH=1 runs it over 00-FF instead.
//
// Run: bench_search [--benchmark_...]; VEGSIM may name the simulator.

#include "LinkBench.h"
#include "core/exchange/ExchangeView.h"
#include "core/exchange/GatewaySearch.h"
#include "core/exchange/LinkSession.h"
#include "core/exchange/QuickAnswerTime.h"
#include "core/port/QtSerialPort.h"
#include "core/port/SystemClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

using namespace veg;

namespace {

constexpr int kBaud = 115200;
constexpr int kNumbers = 256;

struct FoundView : ExchangeView
{
    std::vector<FoundDevice> found;
    void setCaption(const QString&) override {}
    void setProgress(int) override {}
    void clearFound() override { found.clear(); }
    void addFound(const FoundDevice& row) override { found.push_back(row); }
};

void search(benchmark::State& state, bool quick)
{
    const bool whole = quick || std::getenv("VEG_BENCH_FULL_SEARCH") != nullptr;
    const GatewaySearch::Range range =
        whole ? GatewaySearch::Range{0x00, 0xFF} : GatewaySearch::Range{0x20, 0x2F};
    double totalMs = 0;
    int quickAnswerMs = 0;
    bool foundOnlyTheGateway = true;
    for (auto _ : state) {
        state.PauseTiming();
        VegsimProcess sim({"--crc", "0", "--pace", QString::number(kBaud)});
        if (sim.path().isEmpty()) {
            state.SkipWithError("vegsim did not start");
            return;
        }
        SystemClock clock;
        LinkShared shared;
        ExchangeSettings settings;
        settings.PortName = sim.path();
        settings.AdapterKind = ExchangeSettings::kRs232;
        settings.ViaAdapter = false;
        settings.GatewayNumber = 0x77;
        settings.SpeedIndex = 10;
        settings.Retries = 3;
        quickAnswerMs = QuickAnswerTime::of(settings).totalMs;
        const LinkContext c = benchContext(clock, shared);
        LinkSession session(settings, c, [] { return std::make_unique<QtSerialPort>(); });
        if (!session.OpenLink()) {
            state.SkipWithError("the link did not open");
            return;
        }
        FoundView view;
        GatewaySearch searching(session, view);
        searching.setQuick(quick);
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        searching.SearchGateways(range, true, {}, false);
        totalMs += double(t.nsecsElapsed()) / 1e6;
        state.PauseTiming();
        foundOnlyTheGateway = foundOnlyTheGateway && view.found.size() == 1 &&
                              view.found[0].number == 0x25 && settings.GatewayNumber == 0x25;
        session.CloseLinks();
        state.ResumeTiming();
    }
    const double ms = totalMs / double(state.iterations());
    state.counters["numbers"] = range.count();
    state.counters["s_per_search"] = ms / 1000;
    state.counters["ms_per_number"] = ms / range.count();
    state.counters["s_for_256"] = ms / 1000 * kNumbers / range.count();
    if (quick)
        state.counters["answer_time_ms"] = quickAnswerMs;
    state.counters["found"] = foundOnlyTheGateway ? 1 : 0;
    if (!foundOnlyTheGateway)
        state.SkipWithError("the search did not find the one gateway at 25");
}

} // namespace

BENCHMARK_CAPTURE(search, quick, true)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(search, normal, false)->Iterations(1)->Unit(benchmark::kSecond);

VEG_LINK_BENCHMARK_MAIN()
