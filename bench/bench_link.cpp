// ReadParam against vegsim on a pseudo-terminal at 115200 baud, by each route, compared with
// the floor of a request: its bytes on the wire, the pauses the link prescribes and the
// simulator's own turnaround.
//
// vegsim holds every answer for the wire time of request and answer at 115200 baud (--pace),
// since a pseudo-terminal itself moves bytes at no speed at all.
//
// Run: bench_link [--benchmark_...]; VEGSIM may name the simulator (default: beside this
// program in the build tree).

#include "LinkBench.h"
#include "core/link/KalO.h"
#include "core/link/LinkFrames.h"
#include "core/port/QtSerialPort.h"
#include "core/port/SystemClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

using namespace veg;

namespace {

constexpr int kBaud = 115200;

struct Route
{
    const char* name;
    QStringList simOptions;
    bool can;
    bool transit;
    int checksumKind;
    // Bytes on the wire of one ReadParam(0xF000, 2) and its answer.
    int wireBytes;
    // The link's fixed waits per request: the 2 ms send pause and the 10 ms flush read on the
    // serial line; on the adapter the 10 ms flush read and, at trace level 3, the 10 ms read
    // of whatever still arrives after the answer.
    double pausesMs;
};

QByteArray rawRequest(const Route& r)
{
    if (r.can) {
        QByteArray f = QByteArray::fromHex("25 80 00 00 04 00 02 00 F0 00 00 00 00");
        return f;
    }
    const QByteArray data =
        r.transit ? QByteArray::fromHex("112500F0") : QByteArray::fromHex("0100F0");
    return LinkFrames::serialFrame(data, 0x40, r.transit ? 0x01 : 0x25, r.checksumKind).whole();
}

void readParam(benchmark::State& state, Route r)
{
    VegsimProcess sim(r.simOptions + QStringList{"--pace", QString::number(kBaud)});
    if (sim.path().isEmpty()) {
        state.SkipWithError("vegsim did not start");
        return;
    }
    if (r.can)
        configureAdapter(sim.path());
    const int answerBytes = r.wireBytes - int(rawRequest(r).size());
    const double turnaround = turnaroundMs(sim.path(), rawRequest(r), answerBytes, kBaud);
    if (turnaround < 0) {
        state.SkipWithError("no raw answer from vegsim");
        return;
    }

    SystemClock clock;
    LinkShared shared;
    shared.TraceLevel = 3; // as the exchange window runs its commands
    int logLines = 0;
    const LinkContext c = benchContext(clock, shared, [&logLines](const QString&) { ++logLines; });
    KalO link(std::make_unique<QtSerialPort>(), c, sim.path(), r.can ? KalO::kCanBus : KalO::kRs232,
              10);
    link.SetRetries(3);
    if (r.can) {
        link.LoadAdapterConfig(KalO::Settings{}, 0);
        if (!link.InitAdapter()) {
            state.SkipWithError("adapter did not answer its reset");
            return;
        }
    }
    LinkTarget t;
    t.Route = r.transit ? LinkTarget::kTransit : LinkTarget::kDirect;
    t.LineKind = r.can ? KalO::kCanBus : KalO::kRs232;
    t.RequestKind = r.can ? LinkTarget::kCanRequest : LinkTarget::kSerialRequest;
    t.Address = r.transit ? 0x01 : 0x25;
    t.Destination = 0x25;
    t.ChecksumKind = r.checksumKind;

    int failures = 0;
    QElapsedTimer total;
    total.start();
    for (auto _ : state) {
        LinkAnswer a;
        if (link.ReadParam(0xF000, 2, t, a) != Status::Ok || a.data(0) != 0x42)
            ++failures;
    }
    const double perRequestMs = double(total.nsecsElapsed()) / 1e6 / double(state.iterations());
    const double wireMs = double(r.wireBytes) * 10 * 1000 / kBaud;
    const double floorMs = wireMs + r.pausesMs + turnaround;
    state.counters["ms_per_request"] = perRequestMs;
    state.counters["floor_ms"] = floorMs;
    state.counters["wire_ms"] = wireMs;
    state.counters["pauses_ms"] = r.pausesMs;
    state.counters["turnaround_ms"] = turnaround;
    state.counters["ratio"] = perRequestMs / floorMs;
    state.counters["failures"] = failures;
    if (failures > 0)
        state.SkipWithError("requests failed");
}

const Route kDirect{"direct", {"--crc", "0"}, false, false, 0, 18, 12.0};
const Route kDirectCrc{"direct_crc_in_data", {"--crc", "1"}, false, false, 1, 22, 12.0};
const Route kTransit{"transit", {"--crc", "0"}, false, true, 0, 18, 12.0};
const Route kCan{"can_adapter", {"--link", "can", "--adapter-variant", "1"}, true, false, 0, 26,
                 20.0};

} // namespace

BENCHMARK_CAPTURE(readParam, direct, kDirect)->Iterations(1000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(readParam, direct_crc_in_data, kDirectCrc)
    ->Iterations(1000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(readParam, transit, kTransit)->Iterations(1000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(readParam, can_adapter, kCan)->Iterations(1000)->Unit(benchmark::kMillisecond);

VEG_LINK_BENCHMARK_MAIN()
