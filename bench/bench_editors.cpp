// Opening the grid editors on a big site: 32 controllers, each with 30 tasks of 60 parameters that
// the editor's tree offers (57,600 parameter nodes): "Телеуправление", "Телесигнализация" (128
// discrete inputs) and "Телеизмерение параметров с плавающей точкой" (64 rows; its site's
// parameters are of TypeCode 4). Measured: the form's activation (grid and tree as data), for
// "Телеуправление" also with the tree's item model reset over it, and the window opening offscreen
// (activation, the views' rendering, the first painting).
#include "core/ui/Dialogs.h"
#include "core/config/GatewayConfig.h"
#include "core/database/Task_CL.h"
#include "core/editors/EditorSession.h"
#include "core/editors/ModbusTelecontrolForm.h"
#include "core/editors/ModbusTelesignalForm.h"
#include "core/editors/TiFloatForm.h"
#include "core/settings/AdditionalSettings.h"
#include "dbbuilder/DatabaseBuilder.h"
#include "gui/editors/GridTreeDialog.h"
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
    std::unique_ptr<veg::ModbusTelesignalForm> TcForm;
    std::unique_ptr<veg::TiFloatForm> TiForm;
    int ParameterNodes = 0;

    // `typeCode`: the TypeCode of every parameter (0: commands and signals, 4: floats).
    explicit Site(int typeCode)
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
                                                                   {"type", typeCode}}}}});
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
        // Every discrete input and every telemetry in use, the first of the last controller.
        for (int i = 0; i < veg::Rows::ModbusTc; ++i) {
            Config.ModbusTcTable[std::size_t(i)] = {
                {0, std::uint8_t(0x10 + ControllerCount - 1 - i % ControllerCount),
                 std::uint16_t(0x1E01 + i % ParamsPerTask), 30},
                i,
                QStringLiteral("Сигнал %1").arg(i)};
        }
        for (int i = 0; i < veg::Rows::TiFloat; ++i) {
            Config.TiFloatTable[std::size_t(i)] = {
                {0, std::uint8_t(0x10 + ControllerCount - 1 - i % ControllerCount),
                 std::uint16_t(0x1E01 + i % ParamsPerTask), 30},
                2 * i,
                QStringLiteral("Измерение %1").arg(i)};
        }
        Session = std::make_unique<veg::EditorSession>(Config, Dialogs, Additional);
        Form = std::make_unique<veg::ModbusTelecontrolForm>(*Session);
        TcForm = std::make_unique<veg::ModbusTelesignalForm>(*Session);
        TiForm = std::make_unique<veg::TiFloatForm>(*Session);
        veg::TableEditorForm& counted =
            typeCode == 4 ? static_cast<veg::TableEditorForm&>(*TiForm) : *Form;
        counted.FormActivate();
        for (int n = 0; n < counted.tree()->size(); ++n)
            ParameterNodes += counted.tree()->node(n).level == 2;
    }
};

Site& site()
{
    static Site s(0);
    return s;
}

Site& floatSite()
{
    static Site s(4);
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

// "Телесигнализация": 128 rows in use; the first row's parameter tree built and located.
void BM_TelesignalFormActivate(benchmark::State& state)
{
    Site& s = site();
    for (auto _ : state) {
        s.TcForm->FormActivate();
        benchmark::DoNotOptimize(s.TcForm->tree()->size());
    }
    state.counters["parameter nodes"] = s.ParameterNodes;
}
BENCHMARK(BM_TelesignalFormActivate)->Unit(benchmark::kMillisecond);

// Opens a grid editor's window offscreen: activation, rendering, showing and painting it once.
void openWindow(benchmark::State& state, veg::GridTreeDialog& window)
{
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

void BM_TelesignalWindowOpens(benchmark::State& state)
{
    veg::GridTreeDialog window(*site().TcForm);
    openWindow(state, window);
}
BENCHMARK(BM_TelesignalWindowOpens)->Unit(benchmark::kMillisecond);

// "Телеизмерение параметров с плавающей точкой": 64 rows in use over a tree of 57,600 floats.
void BM_TiFloatFormActivate(benchmark::State& state)
{
    Site& s = floatSite();
    for (auto _ : state) {
        s.TiForm->FormActivate();
        benchmark::DoNotOptimize(s.TiForm->tree()->size());
    }
    state.counters["parameter nodes"] = s.ParameterNodes;
}
BENCHMARK(BM_TiFloatFormActivate)->Unit(benchmark::kMillisecond);

void BM_TiFloatWindowOpens(benchmark::State& state)
{
    veg::GridTreeDialog window(*floatSite().TiForm);
    openWindow(state, window);
}
BENCHMARK(BM_TiFloatWindowOpens)->Unit(benchmark::kMillisecond);

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
    floatSite();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
