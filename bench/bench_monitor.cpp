// One polling cycle of the Modbus monitor against vegsim's Modbus side on a pseudo-terminal at
// 9600 baud, for the demo Modbus configuration and for one with every table full (64 ТИ, 128 ТС,
// 16 ТУ rows in use): the requests of a cycle against the contiguous runs of its numbers, and the
// cycle time against its floor (per request the pauses the master prescribes: 2 ms before the
// drain, the drain's 500 ms read, 100 ms after the attempt; plus every request and answer on the
// wire). The same cycle read one number per request, from the same simulator, for comparison.
//
// vegsim holds every answer for the wire time of request and answer (--pace), since a
// pseudo-terminal itself moves bytes at no speed at all.
//
// Run: bench_monitor [--benchmark_...]; VEGSIM may name the simulator (default: beside this
// program in the build tree).

#include "LinkBench.h"

#include "core/config/ConfigFile.h"
#include "core/config/GatewayConfig.h"
#include "core/modbus/ModbusMaster.h"
#include "core/monitor/ModbusMonitor.h"
#include "core/port/QtSerialPort.h"
#include "core/port/SystemClock.h"
#include "core/settings/ModbusLinkSettings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <csignal>
#include <cstdlib>

using namespace veg;

namespace {

constexpr int kBaud = 9600;
constexpr double kPausesMs =
    ModbusMaster::kPauseBeforeMs + ModbusMaster::kByteReadMs + ModbusMaster::kPauseAfterMs;

QString simulatorPath()
{
    if (const char* env = std::getenv("VEGSIM"))
        return QString::fromLocal8Bit(env);
    return QStringLiteral(VEGSIM_PATH);
}

// Every table full: telemetry at registers 0, 2, ... 126, telesignals at inputs 0-127, commands
// at coils 0, 2, ... 30 (the gateway's coil numbers are even).
GatewayConfig fullConfiguration()
{
    GatewayConfig c;
    c.CreateFor(ProtocolVariant::Modbus);
    c.Common.AdrExt = 1;
    c.Common.Const1 = 0xA001;
    for (int i = 0; i < 64; ++i) {
        TcTuEntry& e = c.TiFloatTable[std::size_t(i)];
        e.Kind = 0;
        e.NetNumber = 0x1A;
        e.ParamNumber = std::uint16_t(0x0300 + i);
        e.Extra = 2 * i;
        e.Name = QStringLiteral("ТИ %1").arg(i);
    }
    for (int i = 0; i < 128; ++i) {
        TcTuEntry& e = c.ModbusTcTable[std::size_t(i)];
        e.Kind = 0;
        e.NetNumber = 0x1A;
        e.ParamNumber = std::uint16_t(0x0100 + i);
        e.Extra = i;
        e.Name = QStringLiteral("ТС %1").arg(i);
    }
    for (int i = 0; i < 16; ++i) {
        ModbusCoilEntry& e = c.ModbusCoilTable[std::size_t(i)];
        e.Coil = std::uint16_t(2 * i);
        e.TypeTU = 0x01;
        e.TU1 = {0, 0x1A, std::uint16_t(0x0200 + i), 1};
        e.NameTU1 = QStringLiteral("ТУ %1").arg(i);
    }
    return c;
}

GatewayConfig configuration(int which)
{
    if (which == 1)
        return fullConfiguration();
    GatewayConfig c;
    LoadConfiguration(c, QStringLiteral(VEG_DEMO_DIR "/Котельная-Modbus.veg"), {});
    return c;
}

// vegsim serving `config`, paced at kBaud.
class Simulator
{
public:
    explicit Simulator(GatewayConfig config)
    {
        const QString veg = m_dir.filePath(QStringLiteral("bench.veg"));
        SaveConfiguration(config, veg, true);
        m_process.start(simulatorPath(), {"--pty", "--modbus-pty", "--modbus-veg", veg, "--pace",
                                          QString::number(kBaud), "--image", "/dev/null"});
        m_process.waitForStarted(10000);
        QStringList lines;
        while (lines.size() < 2 && m_process.waitForReadyRead(10000)) {
            while (m_process.canReadLine())
                lines << QString::fromLocal8Bit(m_process.readLine()).trimmed();
        }
        m_path = lines.value(1);
    }
    ~Simulator()
    {
        ::kill(pid_t(m_process.processId()), SIGTERM);
        m_process.waitForFinished(5000);
    }
    const QString& path() const { return m_path; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_path;
};

// Request and answer bytes of a read, CRC included.
double wireMs(const MonitorRequest& r)
{
    const int data = r.table == MonitorTable::Telemetry ? 2 * r.count : (r.count + 7) / 8;
    return double(8 + 5 + data) * 10 * 1000 / kBaud;
}

// range(0): 0 the demo configuration, 1 every table full; range(1): 1 contiguous runs in one
// request, 0 one number per request.
void monitorCycle(benchmark::State& state)
{
    const GatewayConfig config = configuration(int(state.range(0)));
    const bool runs = state.range(1) != 0;
    std::vector<MonitorRow> rows = MonitorRowsOf(config);
    if (rows.empty()) {
        state.SkipWithError("no rows");
        return;
    }
    Simulator sim(config);
    if (sim.path().isEmpty()) {
        state.SkipWithError("vegsim did not start");
        return;
    }
    SystemClock clock;
    LinkShared shared;
    const LinkContext c = benchContext(clock, shared);
    ModbusMaster master(std::make_unique<QtSerialPort>(), c);
    ModbusLinkSettings settings;
    settings.SlaveAddress = config.Common.AdrExt;
    settings.ConstCRC = 0xA001;
    settings.AnswerSeconds = 1;
    settings.InvertBytes = config.Common.Invers;
    settings.SwapWords = config.Common.SWAP;
    if (!master.OpenTestPort(sim.path(), 5, 2, 0)) { // 9600, no parity, one stop bit
        state.SkipWithError("port did not open");
        return;
    }
    const std::size_t contiguousRuns = PlanRequests(rows, modbusLimits()).size();
    ModbusMonitor monitor(std::move(rows), settings, clock);
    if (!runs)
        monitor.setLimits({2, 1, 1});
    const auto plan = monitor.plan();
    double wire = 0;
    for (const MonitorRequest& r : plan)
        wire += wireMs(r);

    int requests = 0, failed = 0;
    QElapsedTimer total;
    total.start();
    for (auto _ : state) {
        const MonitorCycle cycle = monitor.runCycle(master);
        requests = cycle.requests;
        failed += cycle.failed;
    }
    const double cycleMs = double(total.nsecsElapsed()) / 1e6 / double(state.iterations());
    const double floorMs = double(plan.size()) * kPausesMs + wire;
    state.counters["rows"] = double(monitor.rows().size());
    state.counters["runs"] = double(contiguousRuns);
    state.counters["requests"] = requests;
    state.counters["cycle_ms"] = cycleMs;
    state.counters["floor_ms"] = floorMs;
    state.counters["wire_ms"] = wire;
    state.counters["ratio"] = cycleMs / floorMs;
    state.counters["failed_rows"] = failed;
    if (failed > 0)
        state.SkipWithError("rows failed");
}

} // namespace

BENCHMARK(monitorCycle)
    ->ArgNames({"full", "runs"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(monitorCycle)
    ->ArgNames({"full", "runs"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

VEG_LINK_BENCHMARK_MAIN()
