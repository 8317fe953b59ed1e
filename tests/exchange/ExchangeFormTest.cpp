// The rules of the exchange window, without a display: its states, its boxes and grid, its log,
// and its three commands against the simulator in virtual time.

#include "FakeHost.h"
#include "SampleConfigs.h"
#include "TestSupport.h"

#include "core/settings/ProgramSettings.h"
#include "core/exchange/ConfigurationHost.h"
#include "core/exchange/ExchangeForm.h"
#include "sim/GatewaySimulator.h"
#include "sim/ManualClock.h"
#include "sim/SimulatorPort.h"

#include "core/config/ConfigDiff.h"
#include "core/config/ConfigFile.h"
#include "core/exchange/GatewayImage.h"
#include "core/exchange/GatewayReader.h"

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>

#include <gtest/gtest.h>

using namespace veg;
using namespace veg::sim;
using namespace vegtest;

namespace {

struct ExchangeFormTest : ::testing::Test
{
    QTemporaryDir dir;
    ManualClock clock;
    std::unique_ptr<GatewaySimulator> sim;
    SimulatorPort* port = nullptr;
    bool openFails = false;
    int portsMade = 0;
    std::unique_ptr<ProgramSettings> settings;
    ScriptedDialogs dialogs;
    FakeHost host;
    QDateTime logTime{QDate(2026, 12, 8), QTime(9, 30)};
    QString logFolder;
    std::unique_ptr<ExchangeForm> form;
    std::function<void()> pumpHook;

    void SetUp() override
    {
        settings = std::make_unique<ProgramSettings>(dir.filePath("vegconf.ini"));
        ExchangeSettings& e = settings->exchange;
        e.AdapterKind = ExchangeSettings::kRs232;
        e.PortName = QStringLiteral("COM1");
        e.GatewayNumber = 0x25;
        e.AdapterNumber = 0x01;
        e.SpeedIndex = 10;
        e.Retries = 2;
        // The copy before a write has tests of its own; elsewhere a write writes at once.
        e.BackupBeforeWrite = false;
        logFolder = dir.filePath("logs");
        QDir().mkpath(logFolder);
        host.config = sample::config(ProtocolVariant::Modbus);
        host.config.HasFile = true;
        make();
    }

    void make(SimOptions o = {})
    {
        o.line = settings->exchange.AdapterKind == ExchangeSettings::kCanBus
                     ? SimOptions::Line::CanAdapter
                     : SimOptions::Line::Serial;
        sim = std::make_unique<GatewaySimulator>(o);
        form = std::make_unique<ExchangeForm>(
            *settings, dialogs, host, clock,
            [this] {
                if (pumpHook)
                    pumpHook();
            },
            [this] {
                auto p = std::make_unique<SimulatorPort>(*sim, clock);
                p->setOpenFails(openFails);
                ++portsMade;
                port = p.get();
                return p;
            },
            std::make_unique<DailyLog>(logFolder, [this] { return logTime; }));
    }

    void open(ExchangeForm::Command command)
    {
        form->FormActivate();
        form->N1Click(command);
    }
};

} // namespace

TEST_F(ExchangeFormTest, ActivationShowsTheRestState)
{
    struct Case
    {
        bool newFile, hasFile, readBack;
        bool writeEnabled;
    } cases[] = {
        {false, false, false, false},
        {true, false, false, true},
        {false, true, false, true},
        {false, false, true, true},
    };
    for (const Case& c : cases) {
        host.config.IsNewFile = c.newFile;
        host.config.HasFile = c.hasFile;
        host.config.IsReadBack = c.readBack;
        form->FormActivate();
        EXPECT_EQ(form->writeEnabled, c.writeEnabled);
        EXPECT_EQ(form->caption, "ВЕГ-78");
        EXPECT_FALSE(form->actionVisible || form->abortVisible || form->gridVisible ||
                     form->memoVisible || form->progressVisible);
        form->N1Click(ExchangeForm::Command::Write);
        EXPECT_EQ(form->actionVisible, c.writeEnabled);
        form->closeRequested();
    }
    EXPECT_TRUE(dialogs.asked.isEmpty()) << dialogs.asked.join('|').toStdString();
    // The link is opened once per opening of the window, not again when it becomes active again.
    EXPECT_EQ(portsMade, 4);
    form->FormActivate();
    form->FormActivate();
    EXPECT_EQ(portsMade, 5);
    EXPECT_EQ(port->openCount(), 1);
}

TEST_F(ExchangeFormTest, TheMenuChoosesWhatTheWindowShows)
{
    open(ExchangeForm::Command::Search);
    EXPECT_EQ(form->actionCaption, "Найти");
    EXPECT_TRUE(form->gatewaysBoxVisible && form->gatewayRangeVisible && form->gridVisible);
    EXPECT_TRUE(form->mastersBoxVisible && form->masterRangeVisible); // on an RS-232 line
    EXPECT_FALSE(form->gatewaysChecked);
    EXPECT_EQ(form->range, (std::array<QString, 4>{"25", "25", "01", "01"}));
    form->N1Click(ExchangeForm::Command::Read);
    EXPECT_EQ(form->actionCaption, "Прочитать");
    EXPECT_FALSE(form->gatewaysBoxVisible || form->gridVisible || form->mastersBoxVisible);
    form->closeRequested();

    settings->exchange.AdapterKind = ExchangeSettings::kCanBus;
    make();
    open(ExchangeForm::Command::Search);
    EXPECT_TRUE(form->gatewaysChecked);
    EXPECT_FALSE(form->mastersBoxVisible || form->masterRangeVisible);

    // The memo and the grid share one place: the caption's double click swaps them.
    form->Label1DblClick();
    EXPECT_TRUE(form->memoVisible);
    EXPECT_FALSE(form->gridVisible);
}

TEST_F(ExchangeFormTest, RangeBoxesTakeTwoHexDigits)
{
    struct Key
    {
        const char* text;
        bool wholeSelected;
        char16_t key;
        char16_t entered; // 0: swallowed
        bool clearFirst;
    } keys[] = {
        {"25", true, u'3', u'3', true},  // a selected box takes a new first digit
        {"25", false, u'3', 0, false},   // a third character is refused
        {"25", false, 8, 8, false},      // backspace always acts
        {"2", false, u'А', u'F', false}, // the key that carries F on a Latin layout
        {"2", false, u'ф', u'A', false}, {"", false, u'g', 0, false},
        {"", false, u'b', u'B', false},
    };
    for (const Key& k : keys) {
        bool clear = false;
        EXPECT_EQ(
            form->Edit1KeyPress(QString::fromUtf8(k.text), k.wholeSelected, QChar(k.key), clear),
            QChar(k.entered))
            << k.text << " " << int(k.key);
        EXPECT_EQ(clear, k.clearFirst) << k.text;
    }

    open(ExchangeForm::Command::Search);
    form->editRange(ExchangeForm::GatewayFrom, "a");
    form->Edit1Exit(ExchangeForm::GatewayFrom);
    EXPECT_EQ(form->range[ExchangeForm::GatewayFrom], "0A");

    // An empty box, a box that does not read, and an upper bound below the lower one are
    // refused before anything is sent; so is a master range that is hidden.
    form->gatewaysChecked = true;
    for (auto [box, text] : {std::pair{ExchangeForm::GatewayTo, QString()},
                             std::pair{ExchangeForm::GatewayTo, QString(" ")},
                             std::pair{ExchangeForm::GatewayTo, QString("09")},
                             std::pair{ExchangeForm::MasterTo, QString("00")}}) {
        open(ExchangeForm::Command::Search);
        form->gatewaysChecked = true;
        form->editRange(ExchangeForm::GatewayFrom, "0A");
        form->editRange(box, text);
        form->Edit1Exit(box);
        dialogs.asked.clear();
        form->Button1Click();
        EXPECT_EQ(dialogs.asked, QStringList{"info: Введите правильно диапазон поиска!"})
            << text.toStdString();
        form->closeRequested();
    }
    EXPECT_TRUE(sim->device().journal().isEmpty());

    // Nothing to look for: nothing happens.
    open(ExchangeForm::Command::Search);
    form->Button1Click();
    EXPECT_TRUE(sim->device().journal().isEmpty());
    EXPECT_EQ(form->caption, "ВЕГ-78");
}

TEST_F(ExchangeFormTest, TheGridChoosesOneGateway)
{
    open(ExchangeForm::Command::Search);
    form->addFound(FoundDevice{0x01, "Ведущий модуль", false, false});
    form->addFound(FoundDevice{0x22, "ВЕГ (Modbus)", true, true});
    form->addFound(FoundDevice{0x25, "ВЕГ (HART)", true, false});
    form->ProfGrid1CheckBoxChanged(2, true);
    EXPECT_FALSE(form->rows[1].checked);
    EXPECT_TRUE(form->rows[2].checked);
    EXPECT_EQ(settings->exchange.GatewayNumber, 0x25);
    form->ProfGrid1CheckBoxChanged(0, true); // the master module's row has no check box
    EXPECT_FALSE(form->rows[0].checked);
    EXPECT_EQ(settings->exchange.GatewayNumber, 0x25);
}

TEST_F(ExchangeFormTest, SearchResultSurvivesTheWindow)
{
    settings->exchange.GatewayNumber = 0x20;
    open(ExchangeForm::Command::Search);
    form->mastersChecked = true;
    form->gatewaysChecked = true;
    form->editRange(ExchangeForm::GatewayTo, "25");
    form->editRange(ExchangeForm::MasterFrom, "00");
    form->Button1Click();
    EXPECT_EQ(form->caption, "Поиск завершен");
    EXPECT_EQ(form->rows.size(), 2u);
    EXPECT_FALSE(form->mastersChecked); // the check boxes are set back for the next search
    EXPECT_FALSE(form->gatewaysChecked);
    EXPECT_TRUE(form->closeRequested());
    const QByteArray file = readFile(settings->path());
    EXPECT_TRUE(file.contains("SetNVEG=25")) << file.toStdString();
    EXPECT_TRUE(file.contains("AdapterSetn=01"));
}

TEST_F(ExchangeFormTest, TheMemoAndTheDailyLog)
{
    for (int i = 1; i <= 501; ++i)
        form->WriteLog(QStringLiteral("строка %1").arg(i));
    EXPECT_EQ(form->memo.size(), 501);
    form->WriteLog("502");
    EXPECT_EQ(form->memo, QStringList{"502"});

    logTime = logTime.addDays(1);
    form->WriteLog("завтра");
    const QByteArray today = readFile(QDir(logFolder).filePath("08_12_26.Txt"));
    const QByteArray tomorrow = readFile(QDir(logFolder).filePath("09_12_26.Txt"));
    EXPECT_TRUE(today.startsWith(cp1251("09:30:00:000 : строка 1\r\n")));
    EXPECT_EQ(today.count('\n'), 502);
    EXPECT_EQ(tomorrow, cp1251("09:30:00:000 : завтра\r\n"));

    // A log file that cannot be written is said once on screen, and the exchange goes on.
    form = std::make_unique<ExchangeForm>(
        *settings, dialogs, host, clock, [] {},
        [this] { return std::make_unique<SimulatorPort>(*sim, clock); },
        std::make_unique<DailyLog>(dir.filePath("missing/folder"), [this] { return logTime; }));
    open(ExchangeForm::Command::Write);
    form->WriteLog("a");
    form->WriteLog("b");
    ASSERT_EQ(form->memo.size(), 3);
    EXPECT_TRUE(form->memo[1].startsWith("Журнал обмена не записан: "));
    EXPECT_EQ(form->memo[2], "b");
    form->Button1Click();
    EXPECT_EQ(form->caption, "Запись завершена, ВЕГ совпадает с конфигурацией");
}

TEST_F(ExchangeFormTest, WriteEndsInOneOfItsThreeWays)
{
    open(ExchangeForm::Command::Write);
    form->Button1Click();
    EXPECT_EQ(form->caption, "Запись завершена, ВЕГ совпадает с конфигурацией");
    EXPECT_EQ(form->progress, 128);
    EXPECT_FALSE(form->busy);
    EXPECT_TRUE(dialogs.asked.isEmpty());

    // "Прервать": its caption, an empty bar, no box.
    pumpHook = [&] {
        if (sim->device().store().size() > 50)
            form->Button2Click();
    };
    sim->device().clearJournal();
    form->Button1Click();
    EXPECT_EQ(form->caption, "Запись прервана");
    EXPECT_EQ(form->progress, 0);
    EXPECT_TRUE(dialogs.asked.isEmpty());

    // A link failure: the rest caption and a box with its message.
    pumpHook = {};
    settings->exchange.GatewayNumber = 0x30; // nobody answers there
    form->Button1Click();
    EXPECT_EQ(form->caption, "ВЕГ-78");
    EXPECT_EQ(dialogs.asked, QStringList{"info:   Нет ответа от контроллера "});
}

TEST_F(ExchangeFormTest, WhileACommandRunsOnlyTheAbortActs)
{
    open(ExchangeForm::Command::Write);
    int reentered = 0;
    bool closeRefused = false;
    pumpHook = [&] {
        EXPECT_TRUE(form->busy);
        EXPECT_TRUE(form->abortEnabled);
        const qsizetype before = sim->device().journal().size();
        form->Button1Click(); // the disabled action button, had it been clicked
        form->N1Click(ExchangeForm::Command::Read);
        reentered += sim->device().journal().size() != before ? 1 : 0;
        if (sim->device().store().size() > 20 && !closeRefused)
            closeRefused = !form->closeRequested();
    };
    form->Button1Click();
    EXPECT_EQ(reentered, 0);
    EXPECT_EQ(form->command, ExchangeForm::Command::Write);
    EXPECT_TRUE(closeRefused);
    EXPECT_EQ(form->caption, "Запись прервана"); // closing asked the command to stop
    EXPECT_FALSE(form->busy);
    EXPECT_TRUE(form->closeRequested());
}

TEST_F(ExchangeFormTest, AWriteIsRefusedBeforeAnythingIsSent)
{
    // A speed the gateway has no code for.
    host.config.Common.V_CAN = 7;
    const GatewayConfig before = host.config;
    open(ExchangeForm::Command::Write);
    form->Button1Click();
    ASSERT_EQ(dialogs.asked.size(), 1);
    EXPECT_TRUE(dialogs.asked[0].contains("CAN-BUS")) << dialogs.asked[0].toStdString();
    EXPECT_TRUE(sim->device().journal().isEmpty());
    EXPECT_EQ(host.config, before);
    form->closeRequested();

    // A port that did not open: said when the window opens, and again by the command.
    host.config.Common.V_CAN = 0;
    openFails = true;
    make();
    dialogs.asked.clear();
    open(ExchangeForm::Command::Write);
    form->Button1Click();
    EXPECT_EQ(dialogs.asked, (QStringList{"info: Ошибка инициализации порта COM1",
                                          "info: Ошибка инициализации порта COM1"}));
    EXPECT_EQ(form->caption, "ВЕГ-78");
    EXPECT_TRUE(sim->device().journal().isEmpty());
}

TEST_F(ExchangeFormTest, AReadReplacesTheConfigurationOnlyWhenComplete)
{
    host.config.Changed.GroupChanged = true;
    // No to the prompt: nothing is read.
    host.confirm = false;
    open(ExchangeForm::Command::Read);
    form->Button1Click();
    EXPECT_EQ(host.asked, 1);
    EXPECT_TRUE(sim->device().journal().isEmpty());

    // A read that fails half-way leaves the configuration as it was.
    host.confirm = true;
    const GatewayConfig before = host.config;
    pumpHook = [&] {
        if (sim->device().journal().size() > 100)
            port->setWriteFails(true);
    };
    form->Button1Click();
    EXPECT_EQ(host.installed, 0);
    EXPECT_EQ(host.config, before);
    EXPECT_EQ(form->caption, "ВЕГ-78");
    EXPECT_EQ(dialogs.asked, QStringList{"info:   Ошибка записи в последовательный порт "});
    form->closeRequested();

    // A complete read takes its place, and may be written back at once.
    pumpHook = {};
    host.config.HasFile = false;
    make();
    open(ExchangeForm::Command::Read);
    form->Button1Click();
    EXPECT_EQ(form->caption, "Чтение завершено");
    EXPECT_EQ(host.installed, 1);
    EXPECT_TRUE(host.config.IsReadBack);
    EXPECT_EQ(host.config.Protocol, ProtocolVariant::Modbus);
    EXPECT_TRUE(form->writeEnabled);
}

TEST_F(ExchangeFormTest, CompareWithTheGatewayOnEveryRoute)
{
    struct Case
    {
        const char* name;
        std::uint8_t kind;
        bool viaAdapter;
    } cases[] = {{"direct", ExchangeSettings::kRs232, false},
                 {"transit", ExchangeSettings::kRs232, true},
                 {"can", ExchangeSettings::kCanBus, false}};
    const std::vector<ImageWrite> image = GatewayImage::encode(host.config);
    // A coil row's pulse time.
    const auto planted = std::find_if(image.begin(), image.end(),
                                      [](const ImageWrite& w) { return w.param == 0x0306; });
    ASSERT_NE(planted, image.end());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings->exchange.AdapterKind = c.kind;
        settings->exchange.ViaAdapter = c.viaAdapter;
        make();
        dialogs.asked.clear();
        // The write checks the gateway afterwards by default.
        open(ExchangeForm::Command::Write);
        EXPECT_TRUE(form->verifyBoxVisible);
        form->Button1Click();
        EXPECT_EQ(form->caption, "Запись завершена, ВЕГ совпадает с конфигурацией");
        EXPECT_TRUE(dialogs.asked.isEmpty()) << dialogs.asked.join('|').toStdString();

        open(ExchangeForm::Command::Compare);
        EXPECT_FALSE(form->verifyBoxVisible);
        EXPECT_EQ(form->actionCaption, "Сравнить");
        form->Button1Click();
        EXPECT_EQ(form->caption, "Конфигурация в ВЕГ совпадает с загруженной");
        EXPECT_EQ(dialogs.asked, QStringList{"info: Конфигурация в ВЕГ совпадает с загруженной"});

        // A byte changed in the gateway's store is found, in the words of the windows, and what
        // the image does not carry is said once.
        QByteArray other = planted->bytes;
        other[0] = char(other[0] ^ 0x01);
        sim->device().writeAt(planted->param, std::uint16_t(planted->index), other);
        dialogs.asked.clear();
        form->Button1Click();
        EXPECT_EQ(form->caption, "Конфигурация в ВЕГ отличается от загруженной");
        EXPECT_TRUE(form->memoVisible);
        EXPECT_TRUE(dialogs.asked.isEmpty());
        EXPECT_EQ(form->memo.filter("Различия ВЕГ и конфигурации (1):").size(), 1);
        EXPECT_EQ(form->memo.filter("Не сравниваются (их нет в образе ВЕГ)").size(), 1);
        const QStringList words = form->memo.filter(": в ВЕГ ");
        ASSERT_EQ(words.size(), 1) << form->memo.join('\n').toStdString();
        EXPECT_TRUE(words[0].startsWith("Телеуправление, строка ")) << words[0].toStdString();
        EXPECT_TRUE(words[0].contains(", в файле ")) << words[0].toStdString();
        form->closeRequested();
    }
}

TEST_F(ExchangeFormTest, TheQuickSearchBox)
{
    // Shown with the search only, off by default, kept in the settings file.
    open(ExchangeForm::Command::Search);
    EXPECT_TRUE(form->quickBoxVisible);
    EXPECT_FALSE(form->quickChecked());
    form->N1Click(ExchangeForm::Command::Write);
    EXPECT_FALSE(form->quickBoxVisible);
    form->N1Click(ExchangeForm::Command::Search);
    form->setQuickChecked(true);
    ProgramSettings reread(settings->path());
    reread.ReadProgramSettings();
    EXPECT_TRUE(reread.exchange.QuickSearch);
    // The hint gives the answer times of the line: 115200 baud, directly and through the module.
    EXPECT_TRUE(form->quickHint().contains("200 мс, через ведущий модуль 237 мс"))
        << form->quickHint().toStdString();
    EXPECT_TRUE(form->quickHint().contains("обычный поиск"));

    // The search asks quickly: a range of 16 silent numbers around the gateway costs a few
    // seconds, not the link's attempts.
    form->gatewaysChecked = true;
    form->editRange(ExchangeForm::GatewayFrom, "20");
    form->editRange(ExchangeForm::GatewayTo, "2F");
    const qint64 before = clock.nowMs();
    form->Button1Click();
    EXPECT_EQ(form->caption, "Поиск завершен");
    ASSERT_EQ(form->rows.size(), 1u);
    EXPECT_EQ(form->rows[0].number, 0x25);
    EXPECT_LT(clock.nowMs() - before, 8000);
    form->closeRequested();

    settings->exchange.AdapterKind = ExchangeSettings::kCanBus;
    settings->exchange.CanSpeedIndex = 4;
    make();
    open(ExchangeForm::Command::Search);
    EXPECT_FALSE(form->quickHint().contains("ведущий модуль"));
    EXPECT_TRUE(form->quickHint().contains("237 мс")) << form->quickHint().toStdString();
}

TEST_F(ExchangeFormTest, TheCheckAfterAWrite)
{
    // The check box is kept in the settings file.
    open(ExchangeForm::Command::Write);
    EXPECT_TRUE(form->verifyChecked());
    form->setVerifyChecked(false);
    ProgramSettings reread(settings->path());
    reread.ReadProgramSettings();
    EXPECT_FALSE(reread.exchange.VerifyAfterWrite);
    form->Button1Click();
    EXPECT_EQ(form->caption, "Запись завершена");
    EXPECT_EQ(sim->device().journal().filter("readAt").size(), 0);
    form->setVerifyChecked(true);
    reread.ReadProgramSettings();
    EXPECT_TRUE(reread.exchange.VerifyAfterWrite);

    // A gateway that holds something else once the write is done: the write went through, the
    // differences are told.
    make();
    open(ExchangeForm::Command::Write);
    bool planted = false;
    pumpHook = [&] {
        if (!planted && sim->device().journal().contains("write F01A 00")) {
            const QByteArray held = sim->device().readAt(0x0306, 0);
            sim->device().writeAt(0x0306, 0, QByteArray(1, char(held.at(0) ^ 0x01)));
            planted = true;
        }
    };
    form->Button1Click();
    pumpHook = {};
    EXPECT_EQ(form->caption, "Запись завершена, ВЕГ отличается от конфигурации");
    ASSERT_EQ(dialogs.asked.size(), 1);
    EXPECT_TRUE(dialogs.asked[0].contains("ВЕГ отличается от конфигурации"));
    const QStringList words = form->memo.filter(": в ВЕГ ");
    ASSERT_EQ(words.size(), 1) << form->memo.join('\n').toStdString();
    EXPECT_TRUE(words[0].startsWith("Телеуправление, строка 1, ")) << words[0].toStdString();
    form->closeRequested();

    // "Прервать" during the check: the write stands, the check is said to be aborted.
    dialogs.asked.clear();
    make();
    open(ExchangeForm::Command::Write);
    pumpHook = [&] {
        if (sim->device().journal().contains("write F01A 00") &&
            sim->device().journal().filter("readAt").size() > 10)
            form->Button2Click();
    };
    form->Button1Click();
    EXPECT_EQ(form->caption, "Запись завершена, проверка прервана");
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

TEST_F(ExchangeFormTest, AWriteThatLeftTheGatewayStoppedIsContinued)
{
    settings->exchange.WriteRounds = 1;
    open(ExchangeForm::Command::Write);
    EXPECT_FALSE(form->resumeEnabled);
    // The line is cut half-way through the tables.
    pumpHook = [&] {
        if (sim->device().store().size() > 200)
            sim->setSilent(true);
    };
    form->Button1Click();
    pumpHook = {};
    EXPECT_EQ(form->caption, "ВЕГ-78");
    ASSERT_EQ(dialogs.asked.size(), 1);
    EXPECT_EQ(dialogs.asked[0], "info: Нет ответа от контроллера\n" + ExchangeForm::stoppedNote());
    EXPECT_TRUE(form->resumeEnabled);
    EXPECT_GT(form->repeatedRequests(), 0);
    EXPECT_EQ(form->memo.filter("Повторный цикл 1 из 1").size(), 1);

    // Continued: the tables from the element that failed, the restart, the check.
    sim->setSilent(false);
    sim->device().clearJournal();
    dialogs.asked.clear();
    form->N1Click(ExchangeForm::Command::Resume);
    EXPECT_EQ(form->actionCaption, "Продолжить");
    form->Button1Click();
    EXPECT_EQ(form->caption, "Запись завершена, ВЕГ совпадает с конфигурацией");
    EXPECT_TRUE(dialogs.asked.isEmpty()) << dialogs.asked.join('|').toStdString();
    EXPECT_FALSE(form->resumeEnabled);
    EXPECT_EQ(sim->device().runState(), GatewayImage::kRunning);
    // Nothing of the general settings, nor the tables' first elements, went again.
    EXPECT_FALSE(sim->device().journal().contains("write 0100 02"));
    EXPECT_FALSE(sim->device().journal().filter("writeAt 0301[0]").size() > 0);

    // An aborted write offers it too, without a box; a changed configuration refuses it.
    sim->device().clearJournal();
    pumpHook = [&] {
        if (sim->device().journal().filter("writeAt").size() > 100)
            form->Button2Click();
    };
    open(ExchangeForm::Command::Write);
    form->Button1Click();
    pumpHook = {};
    EXPECT_EQ(form->caption, "Запись прервана");
    EXPECT_TRUE(dialogs.asked.isEmpty());
    EXPECT_TRUE(form->resumeEnabled);
    EXPECT_EQ(form->memo.filter(ExchangeForm::stoppedNote()).size(), 1);
    host.config.Common.trepeat += 1;
    form->N1Click(ExchangeForm::Command::Resume);
    form->Button1Click();
    ASSERT_EQ(dialogs.asked.size(), 1);
    EXPECT_TRUE(dialogs.asked[0].contains("запишите конфигурацию заново"));
}

TEST_F(ExchangeFormTest, ACopyOfWhatTheGatewayHeldBeforeAWrite)
{
    // The gateway holds the configuration, then one of its values changes there.
    open(ExchangeForm::Command::Write);
    EXPECT_TRUE(form->backupBoxVisible);
    EXPECT_FALSE(form->backupChecked());
    form->Button1Click();
    ASSERT_EQ(form->caption, "Запись завершена, ВЕГ совпадает с конфигурацией");
    const QByteArray held = sim->device().readAt(0x0306, 0);
    sim->device().writeAt(0x0306, 0, QByteArray(1, char(held.at(0) ^ 0x01)));

    // The box is kept in the settings file.
    form->setBackupChecked(true);
    ProgramSettings reread(settings->path());
    reread.ReadProgramSettings();
    EXPECT_TRUE(reread.exchange.BackupBeforeWrite);

    host.config.FileName = dir.filePath("Объект.veg");
    form->now = [] { return QDateTime(QDate(2026, 12, 11), QTime(9, 5, 7)); };
    const GatewayConfig before = host.config;
    form->Button1Click();
    EXPECT_EQ(form->caption, "Запись завершена, ВЕГ совпадает с конфигурацией");
    EXPECT_TRUE(dialogs.asked.isEmpty()) << dialogs.asked.join('|').toStdString();
    const QString copy = dir.filePath("Объект — копии ВЕГ/ВЕГ 25 2026-12-11 09-05-07.veg");
    EXPECT_EQ(form->lastBackup, copy);
    // The memo names the copy at the end of the write too (it is cleared past 500 lines).
    EXPECT_EQ(form->memo.last(), "Копия из ВЕГ до записи: " + QDir::toNativeSeparators(copy));
    // The user's configuration is untouched; the copy holds what the gateway held, changed value
    // included, and nothing else differs from the configuration's image.
    EXPECT_EQ(host.config, before);
    EXPECT_EQ(host.installed, 0);
    // What a file can keep of the configuration's image (a row not in use keeps no contents)
    // against the copy: only the changed value differs.
    GatewayConfig image = GatewayReader::imageOf(host.config, host.config.Common);
    ASSERT_TRUE(SaveConfiguration(image, dir.filePath("образ.veg"), true).ok);
    GatewayConfig expected, loaded;
    ASSERT_TRUE(LoadConfiguration(expected, dir.filePath("образ.veg"), {}).loaded());
    ASSERT_TRUE(LoadConfiguration(loaded, copy, {}).loaded());
    DiffOptions options;
    options.fileType = false;
    options.controllerPaths = false;
    const auto differences = compareConfigs(expected, loaded, options);
    ASSERT_EQ(differences.size(), 1);
    EXPECT_TRUE(differences[0].inWords("в файле", "в ВЕГ").startsWith("Телеуправление, строка 1, "));

    // A second copy in the same second keeps the first; a configuration never saved keeps its
    // copies in the documents folder.
    form->Button1Click();
    EXPECT_EQ(form->lastBackup, dir.filePath("Объект — копии ВЕГ/ВЕГ 25 2026-12-11 09-05-07 (2).veg"));
    EXPECT_TRUE(QFileInfo::exists(copy));
    host.config.FileName.clear();
    form->documentsFolder = dir.filePath("Документы");
    form->Button1Click();
    EXPECT_EQ(form->lastBackup, dir.filePath("Документы/ВЕГ 25 2026-12-11 09-05-07.veg"));
    EXPECT_TRUE(dialogs.asked.isEmpty()) << dialogs.asked.join('|').toStdString();
}

TEST_F(ExchangeFormTest, AWriteWithoutACopyIsAskedAndNoIsTheDefault)
{
    settings->exchange.BackupBeforeWrite = true;
    host.config.FileName = dir.filePath("Объект.veg");
    // A gateway that reports a protocol code the program does not know: nothing to read back.
    make();
    const QString question = "confirm (Нет): Копия из ВЕГ не сохранена: " +
                             GatewayReader::unknownProtocol(0xEE).trimmed() +
                             "\nЗаписать конфигурацию без копии?";
    struct Case
    {
        const char* name;
        bool yes;
        const char* caption;
        bool written;
    } cases[] = {{"No", false, "ВЕГ-78", false},
                 {"Yes", true, "Запись завершена, ВЕГ совпадает с конфигурацией", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim->device().write(GatewayImage::kProtocolCode, QByteArray(1, char(0xEE)));
        sim->device().clearJournal();
        dialogs.asked.clear();
        dialogs.confirms = {c.yes};
        open(ExchangeForm::Command::Write);
        form->Button1Click();
        EXPECT_EQ(form->caption, c.caption);
        EXPECT_EQ(dialogs.asked, QStringList{question});
        if (!c.written) // a write clears the memo past its length
            EXPECT_EQ(form->memo.filter("Копия из ВЕГ не сохранена: ").size(), 1);
        EXPECT_EQ(sim->device().journal().filter("writeAt").isEmpty(), !c.written);
        EXPECT_TRUE(form->lastBackup.isEmpty());
        EXPECT_FALSE(form->resumeEnabled);
        form->closeRequested();
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("Объект — копии ВЕГ")));

    // A folder that cannot be made (a file holds its name): asked the same way, with the reason.
    make();
    QFile blocker(dir.filePath("Объект — копии ВЕГ"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    dialogs.asked.clear();
    dialogs.confirms = {false};
    open(ExchangeForm::Command::Write);
    form->Button1Click();
    ASSERT_EQ(dialogs.asked.size(), 1);
    EXPECT_TRUE(dialogs.asked[0].startsWith("confirm (Нет): Копия из ВЕГ не сохранена: не удалось "
                                            "создать папку "))
        << dialogs.asked[0].toStdString();
    EXPECT_TRUE(sim->device().journal().filter("writeAt").isEmpty());
    form->closeRequested();

    // "Прервать" while the copy is read: nothing is written, nothing asked.
    QFile::remove(dir.filePath("Объект — копии ВЕГ"));
    make();
    dialogs.asked.clear();
    pumpHook = [&] {
        if (sim->device().journal().filter("readAt").size() > 10)
            form->Button2Click();
    };
    open(ExchangeForm::Command::Write);
    form->Button1Click();
    EXPECT_EQ(form->caption, "Запись прервана");
    EXPECT_EQ(form->progress, 0);
    EXPECT_TRUE(dialogs.asked.isEmpty()) << dialogs.asked.join('|').toStdString();
    EXPECT_TRUE(sim->device().journal().filter("writeAt").isEmpty());
    EXPECT_FALSE(form->resumeEnabled);
}
