// The exchange window's rules over a real serial port: vegsim on a pseudo-terminal, killed in the
// middle of a write and started again from what it held, a line that loses and damages answers,
// the comparison with the gateway by every route, and the operator's abort.

#include "FakeHost.h"
#include "SampleConfigs.h"
#include "SimProcess.h"
#include "TestSupport.h"

#include "core/settings/ProgramSettings.h"
#include "core/exchange/ConfigurationHost.h"
#include "core/exchange/ExchangeForm.h"
#include "core/exchange/GatewayImage.h"
#include "core/port/QtSerialPort.h"
#include "core/port/SystemClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

using namespace veg;
using namespace vegtest;

namespace {

struct ExchangeEndToEnd : ::testing::Test
{
    QTemporaryDir dir;
    SystemClock clock;
    ProgramSettings settings{dir.filePath("vegconf.ini")};
    ScriptedDialogs dialogs;
    FakeHost host;
    std::function<void()> pumpHook;
    qint64 longestPumpGapMs = 0;
    QElapsedTimer sincePump;

    std::unique_ptr<ExchangeForm> form(const QString& port)
    {
        settings.exchange.AdapterKind = ExchangeSettings::kRs232;
        settings.exchange.PortName = port;
        settings.exchange.Retries = 1;
        settings.exchange.BackupBeforeWrite = false;
        host.config = sample::config(ProtocolVariant::Modbus);
        host.config.HasFile = true;
        sincePump.start();
        return std::make_unique<ExchangeForm>(
            settings, dialogs, host, clock,
            [this] {
                // The window stays responsive: its messages are pumped at short intervals.
                longestPumpGapMs = std::max(longestPumpGapMs, sincePump.restart());
                QCoreApplication::processEvents();
                if (pumpHook) {
                    pumpHook();
                    // What the test does in the pump (stopping a simulator) is not the window's.
                    sincePump.restart();
                }
            },
            [] { return std::make_unique<QtSerialPort>(); },
            std::make_unique<DailyLog>(dir.path()));
    }

    // Calls `hook` with every line the exchange log gets (the memo keeps only its last 500).
    void onEachLine(ExchangeForm& f, std::function<void(const QString&)> hook)
    {
        f.changed = [&f, hook, lines = qsizetype(0)]() mutable {
            if (f.memo.size() < lines)
                lines = 0;
            for (; lines < f.memo.size(); ++lines)
                hook(f.memo[lines]);
        };
    }

    QString saved(const QJsonObject& image, const char* name)
    {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(image).toJson());
        return file.fileName();
    }
};

// The image of the file in the form of `vegctl image`.
QSet<QString> imageLines(const GatewayConfig& config)
{
    QSet<QString> out;
    for (const ImageWrite& w : GatewayImage::encode(config))
        out << w.text();
    return out;
}

// What vegsim writes with --image for a gateway that holds the file's image, each element
// passed through `plant` first.
QJsonObject heldImage(const GatewayConfig& config, const std::function<void(ImageWrite&)>& plant)
{
    QJsonArray params;
    for (ImageWrite w : GatewayImage::encode(config)) {
        plant(w);
        QJsonObject p{{"param", QString::number(w.param, 16).toUpper().rightJustified(4, u'0')},
                      {"data", QString::fromLatin1(w.bytes.toHex(' ').toUpper())}};
        if (!w.isPlain())
            p["index"] = w.index;
        params.append(p);
    }
    return {{"gateway", "25"}, {"typeCode", "0642"}, {"runState", 0}, {"accessLevel", 0},
            {"params", params}};
}

struct RouteCase
{
    const char* name;
    QStringList sim;
    std::uint8_t kind;
    bool viaAdapter;
};

const RouteCase kRoutes[] = {
    {"direct", {}, ExchangeSettings::kRs232, false},
    {"transit", {"--master", "01"}, ExchangeSettings::kRs232, true},
    {"can_adapter", {"--link", "can"}, ExchangeSettings::kCanBus, false},
};

} // namespace

TEST_F(ExchangeEndToEnd, KillingTheSimulatorMidWrite)
{
    auto sim = std::make_unique<SimProcess>(QStringList{});
    ASSERT_FALSE(sim->path().isEmpty());
    auto f = form(sim->path());
    f->FormActivate();
    f->N1Click(ExchangeForm::Command::Write);
    const GatewayConfig before = host.config;
    int requests = 0;
    pumpHook = [&] {
        // Well into the tables, the simulator goes away.
        if (++requests == 400 && sim)
            sim.reset();
    };
    f->Button1Click();
    EXPECT_EQ(f->caption, "ВЕГ-78");
    ASSERT_EQ(dialogs.asked.size(), 1);
    // The link's message, then what the stopped gateway needs.
    const QString& box = dialogs.asked[0];
    const QString note = u'\n' + ExchangeForm::stoppedNote();
    EXPECT_TRUE(box == "info: Нет ответа от контроллера" + note ||
                box == "info: Ошибка записи в последовательный порт" + note)
        << box.toStdString();
    EXPECT_FALSE(f->busy);
    EXPECT_EQ(host.config, before);
    EXPECT_LT(longestPumpGapMs, 200);
    EXPECT_TRUE(f->closeRequested());
}

TEST_F(ExchangeEndToEnd, TheOperatorsAbort)
{
    SimProcess sim({});
    ASSERT_FALSE(sim.path().isEmpty());
    auto f = form(sim.path());
    f->FormActivate();
    f->N1Click(ExchangeForm::Command::Write);
    const GatewayConfig before = host.config;
    int pumps = 0;
    pumpHook = [&] {
        if (++pumps == 300)
            f->Button2Click();
    };
    f->Button1Click();
    EXPECT_EQ(f->caption, "Запись прервана");
    EXPECT_EQ(f->progress, 0);
    EXPECT_TRUE(dialogs.asked.isEmpty()) << dialogs.asked.join('|').toStdString();
    EXPECT_EQ(host.config, before);
    EXPECT_TRUE(f->closeRequested());
}

TEST_F(ExchangeEndToEnd, RestartedFromItsImageTheSimulatorTakesTheRestOfTheWrite)
{
    for (const RouteCase& route : kRoutes) {
        SCOPED_TRACE(route.name);
        dialogs.asked.clear();
        // A stable port name: the link to the terminal of whichever simulator runs.
        const QString port = dir.filePath(QStringLiteral("vegsim-%1.tty").arg(route.name));
        const QStringList options = route.sim + QStringList{"--link-name", port};
        auto sim = std::make_unique<SimProcess>(options);
        ASSERT_FALSE(sim->path().isEmpty());
        auto f = form(port);
        host.config = sample::config(ProtocolVariant::Hart);
        host.config.HasFile = true;
        settings.exchange.AdapterKind = route.kind;
        settings.exchange.ViaAdapter = route.viaAdapter;
        settings.exchange.AdapterNumber = 0x01;
        f->session().setAnswerWaitMs(500);
        f->FormActivate();
        ASSERT_TRUE(dialogs.asked.isEmpty()) << dialogs.asked.join('|').toStdString();
        f->N1Click(ExchangeForm::Command::Write);

        // Well into the tables the simulator is stopped as by the system: it writes its image.
        QJsonObject held;
        int sent = 0;
        onEachLine(*f, [&](const QString& line) {
            if (line.startsWith(">> ") && ++sent == 100 && sim) {
                held = sim->stop();
                sim.reset();
            }
        });
        f->Button1Click();
        f->changed = {};
        ASSERT_EQ(dialogs.asked.size(), 1);
        EXPECT_TRUE(dialogs.asked[0].endsWith(u'\n' + ExchangeForm::stoppedNote()))
            << dialogs.asked[0].toStdString();
        EXPECT_TRUE(f->resumeEnabled);
        // It went down stopped, holding a part of the image.
        ASSERT_FALSE(held.isEmpty());
        EXPECT_EQ(held.value("runState").toInt(), GatewayImage::kStopped);
        const QSet<QString> image = imageLines(host.config);
        const QSet<QString> before = storeLines(held);
        EXPECT_TRUE(image.contains(before)) << route.name;
        EXPECT_LT(before.size(), image.size());
        EXPECT_GT(before.size(), 50);

        // Started again from its image, the window closed and opened again, and continued.
        sim = std::make_unique<SimProcess>(options +
                                           QStringList{"--start-image", saved(held, "held.json")});
        ASSERT_FALSE(sim->path().isEmpty());
        EXPECT_TRUE(f->closeRequested());
        dialogs.asked.clear();
        f->FormActivate();
        ASSERT_TRUE(dialogs.asked.isEmpty()) << dialogs.asked.join('|').toStdString();
        EXPECT_TRUE(f->resumeEnabled);
        f->N1Click(ExchangeForm::Command::Resume);
        f->Button1Click();
        EXPECT_EQ(f->caption, "Запись завершена, ВЕГ совпадает с конфигурацией");
        EXPECT_TRUE(dialogs.asked.isEmpty()) << dialogs.asked.join('|').toStdString();
        EXPECT_FALSE(f->resumeEnabled);
        EXPECT_TRUE(f->closeRequested());

        const QJsonObject after = sim->stop();
        EXPECT_EQ(storeLines(after), image);
        EXPECT_EQ(after.value("runState").toInt(), GatewayImage::kRunning);
    }
}

TEST_F(ExchangeEndToEnd, ALineThatLosesAndDamagesAnswersCarriesTheWrite)
{
    // One answer in ten lost, one in twenty with a wrong checksum; the default attempts and
    // further rounds.
    SimProcess sim({"--drop", "0.1", "--corrupt", "0.05", "--seed", "11"});
    ASSERT_FALSE(sim.path().isEmpty());
    auto f = form(sim.path());
    settings.exchange.Retries = ExchangeSettings{}.Retries;
    ASSERT_EQ(settings.exchange.WriteRounds, 2);
    host.config = sample::config(ProtocolVariant::Hart);
    host.config.HasFile = true;
    // A pseudo-terminal answers at once: lost answers are judged lost sooner than on a cable.
    f->session().setAnswerWaitMs(300);
    f->FormActivate();
    f->N1Click(ExchangeForm::Command::Write);
    f->setVerifyChecked(false);
    int rounds = 0;
    onEachLine(*f, [&](const QString& line) { rounds += line.startsWith("Повторный цикл"); });
    QElapsedTimer t;
    t.start();
    f->Button1Click();
    const qint64 ms = t.elapsed();
    f->changed = {};
    EXPECT_EQ(f->caption, "Запись завершена");
    EXPECT_TRUE(dialogs.asked.isEmpty()) << dialogs.asked.join('|').toStdString();
    // The faults were there and were carried.
    EXPECT_GT(f->repeatedRequests(), 10);
    std::printf("noisy line: %lld ms, %d repeated requests, %d further rounds\n",
                static_cast<long long>(ms), f->repeatedRequests(), rounds);
    EXPECT_TRUE(f->closeRequested());
    const QJsonObject image = sim.stop();
    EXPECT_EQ(storeLines(image), imageLines(host.config));
    EXPECT_EQ(image.value("runState").toInt(), GatewayImage::kRunning);
}

TEST_F(ExchangeEndToEnd, TheComparisonFindsWhatTheGatewayHoldsOtherwiseByEveryRoute)
{
    host.config = sample::config(ProtocolVariant::Hart);
    // The gateway holds the file's image but for the code of the third HART device.
    const QString held = saved(heldImage(host.config,
                                         [](ImageWrite& w) {
                                             if (w.param == 0x0806 && w.index == 2)
                                                 w.bytes = QByteArray(1, char(0x7F));
                                         }),
                               "held.json");
    for (const RouteCase& route : kRoutes) {
        SCOPED_TRACE(route.name);
        SimProcess sim(route.sim + QStringList{"--start-image", held});
        ASSERT_FALSE(sim.path().isEmpty());
        auto f = form(sim.path());
        host.config = sample::config(ProtocolVariant::Hart);
        host.config.HasFile = true;
        settings.exchange.AdapterKind = route.kind;
        settings.exchange.ViaAdapter = route.viaAdapter;
        settings.exchange.AdapterNumber = 0x01;
        dialogs.asked.clear();
        f->FormActivate();
        f->N1Click(ExchangeForm::Command::Compare);
        f->Button1Click();
        EXPECT_EQ(f->caption, "Конфигурация в ВЕГ отличается от загруженной");
        EXPECT_TRUE(dialogs.asked.isEmpty()) << dialogs.asked.join('|').toStdString();
        EXPECT_TRUE(f->memoVisible);
        EXPECT_EQ(f->memo.filter("Различия ВЕГ и конфигурации (1):").size(), 1);
        EXPECT_EQ(f->memo.filter("Не сравниваются (их нет в образе ВЕГ)").size(), 1);
        const QStringList words = f->memo.filter(": в ВЕГ ");
        ASSERT_EQ(words.size(), 1) << f->memo.join('\n').toStdString();
        // The HART window's table, its row counted from 1, the gateway's value and the file's.
        EXPECT_EQ(words[0], "Настройка параметров, строка 3, KodHart: в ВЕГ 7F, в файле 04");
        EXPECT_TRUE(f->closeRequested());
    }
}
