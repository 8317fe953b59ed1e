// Writing a whole Modbus image (general settings and every table: 561 elements) into vegsim on a
// pseudo-terminal at 115200 baud, by each route, compared with the floor of the same requests:
// their bytes on the wire, the pauses the link prescribes, the simulator's turnaround, and the
// 100 ms waits of the stop poll. The write runs as the exchange window runs it by default: with
// its further rounds of failed requests (none are needed on this line), and once without and once
// with the check after the write (the image read back and compared).
//
// vegsim holds every answer for the wire time of request and answer (--pace), since a
// pseudo-terminal itself moves bytes at no speed at all. The counters give the floor's parts and
// the time the same write takes at 9600 baud with the same overhead.
//
// Run: bench_exchange [--benchmark_...]; VEGSIM may name the simulator.

#include "LinkBench.h"
#include "core/config/GatewayConfig.h"
#include "core/exchange/ExchangeView.h"
#include "core/exchange/GatewayComparison.h"
#include "core/exchange/GatewayImage.h"
#include "core/exchange/GatewayWriter.h"
#include "core/exchange/LinkSession.h"
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
constexpr int kStopPolls = 3; // polls the simulator answers "not yet" before it reports stopped

// The real port, counting what crosses it: the requests, and the bytes both ways.
class CountingPort : public QtSerialPort
{
public:
    struct Counts
    {
        long requests = 0;
        long bytes = 0;
    };
    explicit CountingPort(Counts& counts) : m_counts(counts) {}

    int read(std::uint8_t* buffer, int n) override
    {
        const int got = QtSerialPort::read(buffer, n);
        if (got > 0)
            m_counts.bytes += got;
        return got;
    }
    bool write(const std::uint8_t* data, int n) override
    {
        // A serial frame goes out in three pieces, the first with its start byte; an adapter
        // frame in one piece of 13 bytes.
        if (n == LinkFrames::kCanFrameSize ||
            (n <= 4 && (data[0] == LinkFrames::kShortStart || data[0] == LinkFrames::kLongStart)))
            ++m_counts.requests;
        m_counts.bytes += n;
        return QtSerialPort::write(data, n);
    }

private:
    Counts& m_counts;
};

struct Route
{
    const char* name;
    QStringList simOptions;
    bool can;
    bool transit;
    // The link's fixed waits per request: the 2 ms send pause and the 10 ms flush read on the
    // serial line; on the adapter the 10 ms flush read and, at trace level 3, the 10 ms read of
    // whatever still arrives after the answer.
    double pausesMs;
};

// The simulator's turnaround for one request: a raw ReadParam(0xF000) by the route.
double requestTurnaroundMs(const QString& path, const Route& r)
{
    if (r.can) {
        configureAdapter(path);
        return turnaroundMs(path, QByteArray::fromHex("25 80 00 00 04 00 02 00 F0 00 00 00 00"), 13,
                            kBaud);
    }
    const QByteArray data =
        r.transit ? QByteArray::fromHex("112500F0") : QByteArray::fromHex("0100F0");
    return turnaroundMs(
        path, LinkFrames::serialFrame(data, 0x40, r.transit ? 0x01 : 0x25, 0).whole(), 9, kBaud);
}

struct NoView : ExchangeView
{
    void setCaption(const QString&) override {}
    void setProgress(int) override {}
    void clearFound() override {}
    void addFound(const FoundDevice&) override {}
};

GatewayConfig modbusConfiguration()
{
    GatewayConfig c;
    c.CreateFor(ProtocolVariant::Modbus);
    c.ResetCommon();
    for (int i = 0; i < int(c.TiFloatTable.size()); ++i) {
        TcTuEntry& r = c.TiFloatTable[std::size_t(i)];
        r.Kind = 0;
        r.NetNumber = 0x1A;
        r.ParamNumber = std::uint16_t(0x0300 + i);
        r.Extra = 2 * i;
    }
    return c;
}

void writeImage(benchmark::State& state, Route r, bool verify)
{
    double turnaround = 0;
    {
        VegsimProcess probe(r.simOptions + QStringList{"--pace", QString::number(kBaud),
                                                       "--stop-polls",
                                                       QString::number(kStopPolls)});
        if (probe.path().isEmpty()) {
            state.SkipWithError("vegsim did not start");
            return;
        }
        turnaround = requestTurnaroundMs(probe.path(), r);
    }
    if (turnaround < 0) {
        state.SkipWithError("no raw answer from vegsim");
        return;
    }
    const GatewayConfig config = modbusConfiguration();
    double totalMs = 0;
    CountingPort::Counts counts;
    int failures = 0;
    for (auto _ : state) {
        state.PauseTiming();
        VegsimProcess sim(r.simOptions + QStringList{"--pace", QString::number(kBaud),
                                                     "--stop-polls", QString::number(kStopPolls)});
        SystemClock clock;
        LinkShared shared;
        ExchangeSettings settings;
        settings.PortName = sim.path();
        settings.AdapterKind = r.can ? ExchangeSettings::kCanBus : ExchangeSettings::kRs232;
        settings.ViaAdapter = r.transit;
        settings.AdapterNumber = 0x01;
        settings.GatewayNumber = 0x25;
        settings.SpeedIndex = 10;
        settings.Retries = 3;
        settings.WriteRounds = ExchangeSettings{}.WriteRounds;
        const LinkContext c = benchContext(clock, shared);
        counts = {};
        LinkSession session(settings, c, [&] { return std::make_unique<CountingPort>(counts); });
        if (!session.OpenLink()) {
            state.SkipWithError("the link did not open");
            return;
        }
        counts = {};
        NoView view;
        GatewayWriter writer(session, view);
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        if (!writer.write(config))
            ++failures;
        else if (verify) {
            GatewayComparison check;
            if (!check.run(session, view, config) || !check.equal())
                ++failures;
        }
        totalMs += double(t.nsecsElapsed()) / 1e6;
        state.PauseTiming();
        session.CloseLinks();
        state.ResumeTiming();
    }
    const double ms = totalMs / double(state.iterations());
    const double requests = double(counts.requests);
    const double wireMs = double(counts.bytes) * 10 * 1000 / kBaud;
    const double pausesMs = requests * r.pausesMs + kStopPolls * 100.0;
    const double floorMs = wireMs + pausesMs + requests * turnaround;
    state.counters["ms_per_write"] = ms;
    state.counters["floor_ms"] = floorMs;
    state.counters["ratio"] = ms / floorMs;
    state.counters["requests"] = requests;
    state.counters["wire_ms"] = wireMs;
    state.counters["pauses_ms"] = pausesMs;
    state.counters["turnaround_ms"] = turnaround;
    // The same write on a 9600-baud serial line: the wire time grows, the rest stays. (The
    // adapter line always runs at 115200 baud.)
    if (!r.can)
        state.counters["ms_at_9600"] = ms - wireMs + double(counts.bytes) * 10 * 1000 / 9600;
    state.counters["failures"] = failures;
    if (failures > 0)
        state.SkipWithError("the write failed");
}

const Route kDirect{"direct", {"--crc", "0"}, false, false, 12.0};
const Route kTransit{"transit", {"--crc", "0"}, false, true, 12.0};
const Route kCan{"can_adapter", {"--link", "can", "--adapter-variant", "1"}, true, false, 20.0};

} // namespace

BENCHMARK_CAPTURE(writeImage, direct, kDirect, false)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(writeImage, transit, kTransit, false)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(writeImage, can_adapter, kCan, false)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(writeImage, direct_verify, kDirect, true)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(writeImage, transit_verify, kTransit, true)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(writeImage, can_adapter_verify, kCan, true)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

VEG_LINK_BENCHMARK_MAIN()
