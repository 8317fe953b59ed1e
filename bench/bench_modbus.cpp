// One holding-register read of the Modbus link test against vegsim's Modbus side on a
// pseudo-terminal, compared with its floor: the pauses the master prescribes (2 ms before the
// drain, the drain's 500 ms read, 100 ms after the attempt), the request and the answer on the
// wire, and the simulator's own turnaround.
//
// vegsim holds every answer for the wire time of request and answer at the chosen speed
// (--pace), since a pseudo-terminal itself moves bytes at no speed at all.
//
// Run: bench_modbus [--benchmark_...]; VEGSIM may name the simulator (default: beside this
// program in the build tree).

#include "LinkBench.h"

#include "core/config/ConfigFile.h"
#include "core/config/GatewayConfig.h"
#include "core/modbus/ModbusCrc.h"
#include "core/settings/ModbusLinkSettings.h"
#include "core/modbus/ModbusMaster.h"
#include "core/modbus/ModbusReading.h"
#include "core/port/QtSerialPort.h"
#include "core/port/SystemClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <vector>

using namespace veg;

namespace {

constexpr int kRequestBytes = 8;
constexpr int kAnswerBytes = 9;
constexpr double kPausesMs =
    ModbusMaster::kPauseBeforeMs + ModbusMaster::kByteReadMs + ModbusMaster::kPauseAfterMs;

QString simulatorPath()
{
    if (const char* env = std::getenv("VEGSIM"))
        return QString::fromLocal8Bit(env);
    return QStringLiteral(VEGSIM_PATH);
}

// vegsim with a one-row Modbus configuration at register 0, slave 1, the standard CRC.
class Simulator
{
public:
    explicit Simulator(int baud)
    {
        GatewayConfig c;
        c.CreateFor(ProtocolVariant::Modbus);
        c.Common.AdrExt = 1;
        c.Common.Const1 = 0xA001;
        c.TiFloatTable[0].Kind = 0;
        c.TiFloatTable[0].NetNumber = 1;
        c.TiFloatTable[0].ParamNumber = 0x0301;
        c.TiFloatTable[0].Extra = 0;
        const QString veg = m_dir.filePath(QStringLiteral("bench.veg"));
        SaveConfiguration(c, veg, true);
        m_process.start(simulatorPath(), {"--pty", "--modbus-pty", "--modbus-veg", veg, "--pace",
                                          QString::number(baud), "--image", "/dev/null"});
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

// The simulator's turnaround: a raw request and its whole answer, less the paced wire time;
// the median of many.
double turnaroundMs(const QString& path, int baud)
{
    QtSerialPort port;
    if (!port.open(path))
        return -1;
    port.setBaudRate(baud);
    port.setCharacterFormat(SerialPort::Parity::None, SerialPort::StopBits::One);
    port.setTimeouts(1000, 10);
    const QByteArray request = withModbusCrc(0xA001, QByteArray::fromHex("010300000002"));
    std::vector<double> samples;
    std::uint8_t answer[kAnswerBytes];
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer t;
        t.start();
        port.write(reinterpret_cast<const std::uint8_t*>(request.constData()), int(request.size()));
        if (port.read(answer, kAnswerBytes) != kAnswerBytes)
            return -1;
        samples.push_back(double(t.nsecsElapsed()) / 1e6);
        QThread::msleep(200); // longer than the simulator's frame gap
    }
    port.close();
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2] - double(kRequestBytes + kAnswerBytes) * 10 * 1000 / baud;
}

void readRegister(benchmark::State& state)
{
    const int baud = int(state.range(0));
    Simulator sim(baud);
    if (sim.path().isEmpty()) {
        state.SkipWithError("vegsim did not start");
        return;
    }
    const double turnaround = turnaroundMs(sim.path(), baud);
    if (turnaround < 0) {
        state.SkipWithError("no raw answer from vegsim");
        return;
    }

    SystemClock clock;
    LinkShared shared;
    int logLines = 0;
    const LinkContext c = benchContext(clock, shared, [&logLines](const QString&) { ++logLines; });
    ModbusMaster master(std::make_unique<QtSerialPort>(), c);
    ModbusLinkSettings settings;
    settings.SlaveAddress = 1;
    settings.ConstCRC = 0xA001;
    settings.AnswerSeconds = 1;
    settings.ModbusSpeedIndex = int(ModbusMaster::kSpeeds.size()) - 1;
    for (int i = 0; i < int(ModbusMaster::kSpeeds.size()); ++i) {
        if (ModbusMaster::kSpeeds[std::size_t(i)] == baud)
            settings.ModbusSpeedIndex = i;
    }
    if (!master.OpenTestPort(sim.path(), settings.ModbusSpeedIndex, 2, 0)) {
        state.SkipWithError("port did not open");
        return;
    }

    int failures = 0;
    QElapsedTimer total;
    total.start();
    for (auto _ : state) {
        if (ReadHoldingRegister(master, settings, 0, {}).code != 0)
            ++failures;
    }
    const double perReadMs = double(total.nsecsElapsed()) / 1e6 / double(state.iterations());
    const double wireMs = double(kRequestBytes + kAnswerBytes) * 10 * 1000 / baud;
    const double floorMs = kPausesMs + wireMs + turnaround;
    state.counters["ms_per_read"] = perReadMs;
    state.counters["floor_ms"] = floorMs;
    state.counters["pauses_ms"] = kPausesMs;
    state.counters["wire_ms"] = wireMs;
    state.counters["turnaround_ms"] = turnaround;
    state.counters["ratio"] = perReadMs / floorMs;
    state.counters["failures"] = failures;
    if (failures > 0)
        state.SkipWithError("reads failed");
}

} // namespace

BENCHMARK(readRegister)->Arg(9600)->Arg(19200)->Iterations(30)->Unit(benchmark::kMillisecond);

VEG_LINK_BENCHMARK_MAIN()
