// ReadParam against vegsim on a pseudo-terminal at 115200 baud, by each route, compared with
// the floor of a request: its bytes on the wire, the pauses the link prescribes and the
// simulator's own turnaround.
//
// vegsim holds every answer for the wire time of request and answer at 115200 baud (--pace),
// since a pseudo-terminal itself moves bytes at no speed at all.
//
// Run: bench_link [--benchmark_...]; VEGSIM may name the simulator (default: beside this
// program in the build tree).

#include "core/link/KalO.h"
#include "core/link/LinkFrames.h"
#include "core/port/QtSerialPort.h"
#include "core/port/SystemClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <vector>

using namespace veg;

namespace {

constexpr int kBaud = 115200;

QString simulatorPath()
{
    if (const char* env = std::getenv("VEGSIM"))
        return QString::fromLocal8Bit(env);
    return QStringLiteral(VEGSIM_PATH);
}

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

class Simulator
{
public:
    explicit Simulator(const QStringList& options)
    {
        m_process.start(simulatorPath(),
                        options + QStringList{"--pty", "--pace", QString::number(kBaud), "--image",
                                              "/dev/null"});
        m_process.waitForStarted(10000);
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~Simulator()
    {
        ::kill(pid_t(m_process.processId()), SIGTERM);
        m_process.waitForFinished(5000);
    }
    const QString& path() const { return m_path; }

private:
    QProcess m_process;
    QString m_path;
};

// The simulator's turnaround: a raw request written to the pseudo-terminal and the whole
// answer read back, less the paced wire time; the median of many.
double turnaroundMs(const QString& path, const QByteArray& request, int answerBytes)
{
    QtSerialPort port;
    if (!port.open(path))
        return -1;
    port.setBaudRate(kBaud);
    port.setFrameFormat(false, false);
    port.setTimeouts(1000, 10);
    std::vector<double> samples;
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(answerBytes), 0);
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer t;
        t.start();
        port.write(reinterpret_cast<const std::uint8_t*>(request.constData()), int(request.size()));
        if (port.read(buffer.data(), answerBytes) != answerBytes)
            return -1;
        samples.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    port.close();
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    const double wireMs = double(request.size() + answerBytes) * 10 * 1000 / kBaud;
    return samples[samples.size() / 2] - wireMs;
}

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
    Simulator sim(r.simOptions);
    if (sim.path().isEmpty()) {
        state.SkipWithError("vegsim did not start");
        return;
    }
    if (r.can) {
        // the adapter must have its block before raw frames are understood
        QtSerialPort p;
        p.open(sim.path());
        QByteArray block(36, '\0');
        block[24] = char(0xFF);
        block[28] = char(0xFF);
        block[32] = 0x02;
        block[33] = char(0xE0);
        block[34] = 0x41;
        block[35] = char(0x100 - LinkFrames::sum8(block));
        p.write(reinterpret_cast<const std::uint8_t*>(block.constData()), 36);
        std::uint8_t reply[3];
        p.setTimeouts(1000, 10);
        p.read(reply, 3);
        p.close();
    }
    const int answerBytes = r.wireBytes - int(rawRequest(r).size());
    const double turnaround = turnaroundMs(sim.path(), rawRequest(r), answerBytes);
    if (turnaround < 0) {
        state.SkipWithError("no raw answer from vegsim");
        return;
    }

    SystemClock clock;
    LinkShared shared;
    shared.TraceLevel = 3; // as the exchange window runs its commands
    int logLines = 0;
    LinkContext c;
    c.clock = &clock;
    c.shared = &shared;
    c.pump = [] { QCoreApplication::processEvents(); };
    c.log = [&logLines](const QString&) { ++logLines; };
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

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
