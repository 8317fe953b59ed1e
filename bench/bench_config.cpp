// Load and save of the largest configuration the program makes: Magistral-1 with all fourteen
// sub-blocks of telesignals (448 rows) and the 48 telemetry rows filled, names of 60 characters,
// 32 controllers; beside them the raw read and write of the same bytes.
#include "core/config/ConfigFile.h"
#include "core/config/GatewayConfig.h"
#include "core/text/IniDocument.h"

#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace veg;

namespace {

QString name60(int i)
{
    return QStringLiteral("Сигнал %1 выключателя фидера/Положение(КП подстанции)")
        .arg(i, 3, 10, QChar(u'0'))
        .leftJustified(60, u'ж');
}

GatewayConfig largest(const QTemporaryDir& dir)
{
    GatewayConfig c;
    c.CreateFor(ProtocolVariant::Magistral1);
    c.ResetCommon();
    for (int i = 0; i < 32; ++i) {
        const QString queue = dir.filePath(QStringLiteral("kp%1.que").arg(i));
        QFile f(queue);
        f.open(QIODevice::WriteOnly);
        c.Controllers.push_back({nullptr, queue, std::uint8_t(0x10 + i), true});
    }
    for (int s = 0; s < Rows::OkpSubblocks; ++s)
        c.OkpSubblockTypes[std::size_t(s)] = SubblockTc;
    for (int i = 0; i < Rows::TcTu; ++i) {
        TcTuEntry& e = c.TcTuTable[std::size_t(i)];
        e.Kind = 0;
        e.NetNumber = std::uint8_t(0x10 + i % 32);
        e.ParamNumber = std::uint16_t(0x0200 + i);
        e.TaskNumber = std::uint16_t(i % 40);
        e.Name = name60(i);
    }
    for (int i = 0; i < Rows::Ikp; ++i) {
        TiEntry& e = c.IkpTable[std::size_t(i)];
        e.Kind = 2;
        e.NetNumber = std::uint8_t(0x10 + i % 32);
        e.ParamNumber = std::uint16_t(0x0400 + i);
        e.TaskNumber = std::uint16_t(i % 40);
        e.Name = name60(i);
    }
    for (int g = 0; g < Rows::GroupSlots; ++g)
        c.GroupParams[std::size_t(g)] = {0x10, std::uint16_t(0x0100 + g), 1, name60(g)};
    return c;
}

struct Fixture
{
    QTemporaryDir dir;
    GatewayConfig config = largest(dir);
    QString file = dir.filePath(QStringLiteral("largest.veg"));
    QByteArray bytes;
    Fixture()
    {
        SaveConfiguration(config, file, true);
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        bytes = f.readAll();
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_LoadLargest(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        GatewayConfig c;
        const LoadResult r = LoadConfiguration(c, f.file, {});
        if (!r.loaded())
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(c);
    }
    state.SetBytesProcessed(state.iterations() * f.bytes.size());
}

// The same load from the bytes in memory: the text's parse and the model, without the file system
// (neither the file's read nor the 32 controllers' existence checks).
void BM_LoadLargestFromBytes(benchmark::State& state)
{
    Fixture& f = fixture();
    GatewayConfig noControllers = f.config;
    noControllers.Controllers.clear();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("noctl.veg"));
    SaveConfiguration(noControllers, file, true);
    QFile in(file);
    in.open(QIODevice::ReadOnly);
    const QByteArray bytes = in.readAll();
    for (auto _ : state) {
        const IniDocument doc = IniDocument::fromBytes(bytes);
        GatewayConfig c;
        const LoadResult r = LoadConfiguration(c, doc, file, {});
        if (!r.loaded())
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(c);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_SaveLargest(benchmark::State& state)
{
    Fixture& f = fixture();
    const QString out = f.dir.filePath(QStringLiteral("save.veg"));
    for (auto _ : state) {
        QFile::remove(out); // Save As into a new file, as the user's first save
        const SaveResult r = SaveConfiguration(f.config, out, true);
        if (!r.ok)
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(state.iterations() * f.bytes.size());
}

void BM_SaveLargestOverExisting(benchmark::State& state)
{
    Fixture& f = fixture();
    const QString out = f.dir.filePath(QStringLiteral("over.veg"));
    SaveConfiguration(f.config, out, true);
    for (auto _ : state) {
        const SaveResult r = SaveConfiguration(f.config, out, true);
        if (!r.ok)
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(state.iterations() * f.bytes.size());
}

void BM_RawRead(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        QFile file(f.file);
        file.open(QIODevice::ReadOnly);
        QByteArray b = file.readAll();
        benchmark::DoNotOptimize(b);
    }
    state.SetBytesProcessed(state.iterations() * f.bytes.size());
}

void BM_RawWrite(benchmark::State& state)
{
    Fixture& f = fixture();
    const QString out = f.dir.filePath(QStringLiteral("raw.veg"));
    for (auto _ : state) {
        QFile::remove(out);
        QFile file(out);
        file.open(QIODevice::WriteOnly);
        file.write(f.bytes);
    }
    state.SetBytesProcessed(state.iterations() * f.bytes.size());
}

// The same bytes written the way a save puts them on disk: a temporary file renamed over the
// target.
void BM_RawWriteAtomic(benchmark::State& state)
{
    Fixture& f = fixture();
    const QString out = f.dir.filePath(QStringLiteral("rawatomic.veg"));
    for (auto _ : state) {
        QSaveFile file(out);
        file.open(QIODevice::WriteOnly);
        file.write(f.bytes);
        file.commit();
    }
    state.SetBytesProcessed(state.iterations() * f.bytes.size());
}

} // namespace

BENCHMARK(BM_LoadLargest)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadLargestFromBytes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveLargest)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveLargestOverExisting)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawRead)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawWrite)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawWriteAtomic)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
