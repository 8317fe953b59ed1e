// The exchange window's rules over a real serial port: vegsim on a pseudo-terminal, killed in the
// middle of a write, and the operator's abort.

#include "FakeHost.h"
#include "SampleConfigs.h"
#include "SimProcess.h"
#include "TestSupport.h"

#include "core/settings/ProgramSettings.h"
#include "core/exchange/ConfigurationHost.h"
#include "core/exchange/ExchangeForm.h"
#include "core/port/QtSerialPort.h"
#include "core/port/SystemClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>

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
                if (pumpHook)
                    pumpHook();
            },
            [] { return std::make_unique<QtSerialPort>(); },
            std::make_unique<DailyLog>(dir.path()));
    }
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
