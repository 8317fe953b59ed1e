#pragma once

// What the link benchmarks share: vegsim on a pseudo-terminal, the adapter's configuration, and
// the simulator's own turnaround, which is part of every request's floor.

#include "core/link/LinkFrames.h"
#include "core/port/LinkContext.h"
#include "core/port/QtSerialPort.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <vector>

// The context of a link in a benchmark: its clock and shared state, the message loop pumped (the
// ports are Qt's), the log lines given to `log` or dropped.
inline veg::LinkContext benchContext(veg::Clock& clock, veg::LinkShared& shared,
                                     std::function<void(const QString&)> log = {})
{
    veg::LinkContext c;
    c.clock = &clock;
    c.shared = &shared;
    c.pump = [] { QCoreApplication::processEvents(); };
    c.log = log ? std::move(log) : [](const QString&) {};
    return c;
}

// The main of a benchmark over a serial port: Qt's event loop for the port, then the benchmarks.
#define VEG_LINK_BENCHMARK_MAIN()                                                                  \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        QCoreApplication app(argc, argv);                                                          \
        benchmark::Initialize(&argc, argv);                                                        \
        benchmark::RunSpecifiedBenchmarks();                                                       \
        benchmark::Shutdown();                                                                     \
        return 0;                                                                                  \
    }

// vegsim on a pseudo-terminal for the length of a benchmark: started with its options, its
// terminal read from the first line it prints, stopped with SIGTERM. VEGSIM may name the program
// (default: the one of this build tree).
class VegsimProcess
{
public:
    explicit VegsimProcess(const QStringList& options)
    {
        const char* env = std::getenv("VEGSIM");
        m_process.start(env ? QString::fromLocal8Bit(env) : QStringLiteral(VEGSIM_PATH),
                        options + QStringList{"--pty", "--image", "/dev/null"});
        m_process.waitForStarted(10000);
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~VegsimProcess()
    {
        ::kill(pid_t(m_process.processId()), SIGTERM);
        m_process.waitForFinished(5000);
    }
    VegsimProcess(const VegsimProcess&) = delete;
    VegsimProcess& operator=(const VegsimProcess&) = delete;

    // Empty when the simulator did not start.
    const QString& path() const { return m_path; }

private:
    QProcess m_process;
    QString m_path;
};

// A simulated adapter understands raw frames only after its configuration block.
inline void configureAdapter(const QString& path)
{
    veg::QtSerialPort p;
    p.open(path);
    QByteArray block(36, '\0');
    block[24] = char(0xFF);
    block[28] = char(0xFF);
    block[32] = 0x02;
    block[33] = char(0xE0);
    block[34] = 0x41;
    block[35] = char(0x100 - veg::LinkFrames::sum8(block));
    p.write(reinterpret_cast<const std::uint8_t*>(block.constData()), 36);
    std::uint8_t reply[3];
    p.setTimeouts(1000, 10);
    p.read(reply, 3);
    p.close();
}

// The simulator's turnaround: a raw request written to the pseudo-terminal and the whole answer
// read back, less the wire time the simulator paces at `baud`; the median of many. -1 when it
// does not answer.
inline double turnaroundMs(const QString& path, const QByteArray& request, int answerBytes,
                           int baud)
{
    veg::QtSerialPort port;
    if (!port.open(path))
        return -1;
    port.setBaudRate(baud);
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
    const double wireMs = double(request.size() + answerBytes) * 10 * 1000 / baud;
    return samples[samples.size() / 2] - wireMs;
}
