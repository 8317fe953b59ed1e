// Building the controller database objects of a large site: 2,000 algorithm files in nested
// directories, 32 controllers with 40 algorithms each, against reading the same files' bytes once.
#include "core/database/DatabaseSource.h"
#include "core/database/FileTreeIndex.h"
#include "core/database/Task_CL.h"
#include "dbbuilder/DatabaseBuilder.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

constexpr int AlgorithmCount = 2000;
constexpr int Groups = 20; // ALG/Группа NN/Подгруппа MM/XXXX.ALG: 20 x 10 x 10 files
constexpr int Subgroups = 10;
constexpr int ControllerCount = 32;
constexpr int AlgorithmsPerController = 40;
constexpr int DescriptorsPerAlgorithm = 8;

std::uint16_t algorithmNumber(int i)
{
    return std::uint16_t(0x0100 + i);
}

// Algorithm i of controller c: spread over the whole tree, different for every controller.
int algorithmOf(int c, int k)
{
    return (c * 61 + k * 47) % AlgorithmCount;
}

struct Site
{
    QTemporaryDir Dir;
    QStringList Queues;
    QStringList FilesRead; // every file the 32 controllers read, once each time they read it

    Site()
    {
        QJsonArray algorithms;
        QStringList algorithmPaths;
        for (int i = 0; i < AlgorithmCount; ++i) {
            const int group = i % Groups;
            const int sub = (i / Groups) % Subgroups;
            const QString dir = QStringLiteral("Группа %1/Подгруппа %2").arg(group).arg(sub);
            algorithms.append(QJsonObject{
                {"dir", dir},
                {"number", algorithmNumber(i)},
                {"longName", QStringLiteral("Алгоритм %1").arg(i)},
                {"shortName", QStringLiteral("А%1").arg(i)},
                {"descriptors", QJsonArray{QJsonObject{{"number", 1},
                                                       {"repeat", DescriptorsPerAlgorithm},
                                                       {"longName", "Параметр %1"},
                                                       {"shortName", "П%1"},
                                                       {"type", 4}}}}});
            algorithmPaths.append("ALG/" + dir + "/" + veg::databaseFileStem(algorithmNumber(i)) +
                                  ".ALG");
        }
        QJsonArray modules, templates, queues;
        for (int c = 0; c < ControllerCount; ++c) {
            const int code = 0x1000 + c;
            QJsonArray list, tasks;
            for (int k = 0; k < AlgorithmsPerController; ++k) {
                const int a = algorithmOf(c, k);
                list.append(algorithmNumber(a));
                tasks.append(QJsonObject{
                    {"number", k + 1},
                    {"algorithm", algorithmNumber(a)},
                    {"longName", QStringLiteral("Задача %1").arg(k + 1)},
                    {"attributeWord", 0x1111},
                    {"params", QJsonArray{QJsonObject{{"number", 0x0100 * (k + 1)},
                                                      {"descriptor", 1},
                                                      {"repeat", DescriptorsPerAlgorithm},
                                                      {"longName", "Параметр задачи %1"},
                                                      {"attributeWord", 0x1111}}}}});
                FilesRead.append(algorithmPaths[a]);
            }
            modules.append(QJsonObject{{"code", code}, {"algorithms", list}});
            templates.append(QJsonObject{
                {"code", code},
                {"tasks", QJsonArray{QJsonObject{{"number", 1},
                                                 {"algorithm", algorithmNumber(algorithmOf(c, 0))},
                                                 {"longName", "Диагностика"}}}}});
            const QString queue = QStringLiteral("Очереди/Контроллер %1.tsk").arg(c + 1);
            queues.append(QJsonObject{
                {"file", queue}, {"netNumber", c + 1}, {"moduleCode", code}, {"tasks", tasks}});
            Queues.append(Dir.filePath(queue));
            FilesRead.append(queue);
            FilesRead.append("MOD/" + veg::databaseFileStem(std::uint16_t(code)) + ".mod");
            FilesRead.append("TASK/" + veg::databaseFileStem(std::uint16_t(code)) + ".tsk");
        }
        const vegdb::BuildResult r = vegdb::buildDatabase(QJsonObject{{"algorithms", algorithms},
                                                                      {"modules", modules},
                                                                      {"templates", templates},
                                                                      {"queues", queues}},
                                                          Dir.path());
        if (!r.Ok)
            std::fprintf(stderr, "bench_database: %s\n", qPrintable(r.Error));
        for (QString& f : FilesRead) {
            f = Dir.filePath(f);
            if (!QFile::exists(f))
                std::fprintf(stderr, "bench_database: missing %s\n", qPrintable(f));
        }
        // A site's database was written long before it is read: date the directories back, so
        // that the tree index trusts their modification times.
        namespace fs = std::filesystem;
        const auto past = fs::file_time_type::clock::now() - std::chrono::hours(1);
        for (const auto& e : fs::recursive_directory_iterator(
                 fs::path(QFile::encodeName(Dir.path()).toStdString()))) {
            if (e.is_directory())
                fs::last_write_time(e.path(), past);
        }
    }

    QString alg() const { return Dir.filePath("ALG"); }
    QString mod() const { return Dir.filePath("MOD"); }
    QString tsk() const { return Dir.filePath("TASK"); }
};

Site& site()
{
    static Site s;
    return s;
}

void buildAll(benchmark::State& state, bool dropIndex)
{
    Site& s = site();
    for (auto _ : state) {
        if (dropIndex)
            veg::FileTreeIndex::dropShared();
        std::vector<std::unique_ptr<veg::Task_CL>> controllers;
        controllers.reserve(ControllerCount);
        for (const QString& q : s.Queues)
            controllers.push_back(std::make_unique<veg::Task_CL>(q, s.alg(), s.mod(), s.tsk()));
        benchmark::DoNotOptimize(controllers.back()->params().size());
        if (controllers.back()->taskCount() != AlgorithmsPerController + 1 ||
            controllers.back()->descriptors().size() !=
                std::size_t(AlgorithmsPerController * DescriptorsPerAlgorithm)) {
            state.SkipWithError("the controllers were not read completely");
            break;
        }
    }
}

// The index of the algorithm tree already built by an earlier load: the burst checks once that
// the tree has not changed (at most once per trust interval), the rest use it as it is.
void BM_Build32Controllers(benchmark::State& state)
{
    buildAll(state, false);
}
BENCHMARK(BM_Build32Controllers)->Unit(benchmark::kMillisecond);

// The index is built afresh once, for the first controller, as after a change of the tree.
void BM_Build32ControllersFreshIndex(benchmark::State& state)
{
    buildAll(state, true);
}
BENCHMARK(BM_Build32ControllersFreshIndex)->Unit(benchmark::kMillisecond);

// Every controller checks the whole tree for changes (no trust interval).
void BM_Build32ControllersCheckEach(benchmark::State& state)
{
    const auto trust = veg::FileTreeIndex::trustInterval();
    veg::FileTreeIndex::setTrustInterval(std::chrono::milliseconds(0));
    buildAll(state, false);
    veg::FileTreeIndex::setTrustInterval(trust);
}
BENCHMARK(BM_Build32ControllersCheckEach)->Unit(benchmark::kMillisecond);

// The floor: the bytes of every file those 32 loads read, each read once per load.
void BM_ReadTheSameFilesOnce(benchmark::State& state)
{
    Site& s = site();
    for (auto _ : state) {
        qsizetype total = 0;
        for (const QString& f : s.FilesRead) {
            QFile file(f);
            if (file.open(QIODevice::ReadOnly))
                total += file.readAll().size();
        }
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_ReadTheSameFilesOnce)->Unit(benchmark::kMillisecond);

// What a walk of the tree per algorithm would cost: one controller's 40 lookups.
void BM_FortyLookupsWithoutSharedIndex(benchmark::State& state)
{
    Site& s = site();
    for (auto _ : state) {
        for (int k = 0; k < AlgorithmsPerController; ++k) {
            const veg::FileTreeIndex index(s.alg());
            benchmark::DoNotOptimize(
                index.find(veg::databaseFileStem(algorithmNumber(algorithmOf(0, k))) + ".ALG"));
        }
    }
}
BENCHMARK(BM_FortyLookupsWithoutSharedIndex)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
