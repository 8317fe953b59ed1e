// Opening "Телеуправление" on a big site: 32 controllers, each with 30 tasks of 60 parameters
// that the telecontrol tree offers (57,600 parameter nodes). Measured: the form's activation (grid
// and tree as data), the same with the tree's item model reset over it, and the window opening
// offscreen (activation, the views' rendering, the first painting).
#include "core/app/Dialogs.h"
#include "core/config/GatewayConfig.h"
#include "core/database/Task_CL.h"
#include "core/editors/EditorSession.h"
#include "core/editors/ModbusTelecontrolForm.h"
#include "core/link/ExchangeSettings.h"
#include "dbbuilder/DatabaseBuilder.h"
#include "gui/editors/TFModbusTU.h"
#include "gui/widgets/ParamTreeView.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

constexpr int ControllerCount = 32;
constexpr int TasksPerController = 30;
constexpr int ParamsPerTask = 60;

// Answers nothing: the benchmark's configuration raises no box.
class SilentDialogs : public veg::Dialogs
{
public:
    void info(const QString&) override {}
    bool confirm(const QString&) override { return false; }
    std::optional<QString> openFile(const QString&, int) override { return std::nullopt; }
    std::optional<QString> saveFile(const QString&) override { return std::nullopt; }
    std::optional<QString> pickFolder(const QString&) override { return std::nullopt; }
};

struct Site
{
    QTemporaryDir Dir;
    veg::GatewayConfig Config;
    SilentDialogs Dialogs;
    veg::AdditionalSettings Additional;
    std::unique_ptr<veg::EditorSession> Session;
    std::unique_ptr<veg::ModbusTelecontrolForm> Form;
    int ParameterNodes = 0;

    Site()
    {
        QJsonArray algorithms, moduleList, queues;
        for (int t = 0; t < TasksPerController; ++t) {
            const int number = 0x0100 + t;
            algorithms.append(
                QJsonObject{{"number", number},
                            {"longName", QStringLiteral("Алгоритм %1").arg(t)},
                            {"shortName", QStringLiteral("А%1").arg(t)},
                            {"descriptors", QJsonArray{QJsonObject{{"number", 1},
                                                                   {"repeat", ParamsPerTask},
                                                                   {"longName", "Команда %1"},
                                                                   {"shortName", "К%1"},
                                                                   {"type", 0}}}}});
            moduleList.append(number);
        }
        for (int c = 0; c < ControllerCount; ++c) {
            QJsonArray tasks;
            for (int t = 0; t < TasksPerController; ++t) {
                tasks.append(QJsonObject{
                    {"number", t + 1},
                    {"algorithm", 0x0100 + t},
                    {"longName", QStringLiteral("Задача управления %1").arg(t + 1)},
                    {"shortName", QStringLiteral("ЗУ%1").arg(t + 1)},
                    {"attributeWord", 0x1111},
                    {"params", QJsonArray{QJsonObject{{"number", (t + 1) * 0x100 + 1},
                                                      {"descriptor", 1},
                                                      {"repeat", ParamsPerTask},
                                                      {"longName", "Команда задвижки %1"},
                                                      {"shortName", "Кмд%1"},
                                                      {"attributeWord", 0x1211}}}}});
            }
            queues.append(
                QJsonObject{{"file", QStringLiteral("Очереди/Контроллер %1.tsk").arg(c + 1)},
                            {"netNumber", 0x10 + c},
                            {"moduleCode", 0x1901},
                            {"tasks", tasks}});
        }
        const QJsonObject description{
            {"algorithms", algorithms},
            {"modules", QJsonArray{QJsonObject{{"code", 0x1901}, {"algorithms", moduleList}}}},
            {"queues", queues}};
        const vegdb::BuildResult r = vegdb::buildDatabase(description, Dir.path());
        if (!r.Ok) {
            std::fprintf(stderr, "%s\n", qPrintable(r.Error));
            std::abort();
        }
        Config.Protocol = veg::ProtocolVariant::Modbus;
        Config.CreateFor(Config.Protocol);
        Config.ResetCommon();
        for (int c = 0; c < ControllerCount; ++c) {
            veg::ControllerEntry e;
            e.QueuePath = Dir.filePath(QStringLiteral("Очереди/Контроллер %1.tsk").arg(c + 1));
            e.Database = std::make_shared<veg::Task_CL>(e.QueuePath, Dir.filePath("ALG"),
                                                        Dir.filePath("MOD"), Dir.filePath("TASK"));
            e.NetNumber = std::uint8_t(0x10 + c);
            e.Present = true;
            Config.Controllers.push_back(e);
        }
        // A few commands in use, the first of the last controller (its node is located).
        for (int i = 0; i < 8; ++i) {
            veg::ModbusCoilEntry& row = Config.ModbusCoilTable[std::size_t(i)];
            row.Coil = std::uint16_t(2 * i);
            row.TU1 = {2, std::uint8_t(0x10 + ControllerCount - 1 - i), std::uint16_t(0x1E01 + i),
                       30};
            row.NameTU1 = QStringLiteral("Команда %1").arg(i);
        }
        Session = std::make_unique<veg::EditorSession>(Config, Dialogs, Additional);
        Form = std::make_unique<veg::ModbusTelecontrolForm>(*Session);
        Form->FormActivate();
        for (int n = 0; n < Form->tree()->size(); ++n)
            ParameterNodes += Form->tree()->node(n).level == 2;
    }
};

Site& site()
{
    static Site s;
    return s;
}

void BM_TelecontrolFormActivate(benchmark::State& state)
{
    Site& s = site();
    for (auto _ : state) {
        s.Form->FormActivate();
        benchmark::DoNotOptimize(s.Form->tree()->size());
    }
    state.counters["parameter nodes"] = s.ParameterNodes;
}
BENCHMARK(BM_TelecontrolFormActivate)->Unit(benchmark::kMillisecond);

// The form's activation and the tree's item model made anew over it (the view's part of a
// rebuilt tree: reset and the expanded nodes).
void BM_TelecontrolFormAndTreeModel(benchmark::State& state)
{
    Site& s = site();
    veg::ParamTreeView view(*s.Form);
    for (auto _ : state) {
        s.Form->FormActivate();
        view.render();
        benchmark::DoNotOptimize(view.model()->rowCount({}));
    }
}
BENCHMARK(BM_TelecontrolFormAndTreeModel)->Unit(benchmark::kMillisecond);

// The window opening offscreen: activation, rendering, showing and painting it once.
void BM_TelecontrolWindowOpens(benchmark::State& state)
{
    Site& s = site();
    veg::TFModbusTU window(*s.Form);
    for (auto _ : state) {
        window.FormActivate();
        window.show();
        window.repaint();
        QCoreApplication::processEvents();
        state.PauseTiming();
        window.hide();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TelecontrolWindowOpens)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    site(); // built before the first measurement
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
