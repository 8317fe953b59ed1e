// The rules of "Чтение по Modbus" over a scripted slave in virtual time: the grid, the messages,
// the port kept open between readings, the progress bar, the daily log and stopping a reading.

#include "../core/TestSupport.h"
#include "MasterFixture.h"

#include "core/settings/ModbusLinkSettings.h"
#include "core/modbus/ModbusReadForm.h"
#include "core/port/DailyLog.h"

#include <QTemporaryDir>

using namespace veg;
using namespace vegtest;

namespace {

class ReadFormTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    sim::ManualClock clock{QTime(9, 30)};
    QDateTime start{QDate(2026, 12, 8), QTime(9, 30)};
    DailyLog log{dir.path(), [this] { return start.addMSecs(clock.nowMs()); }};
    ModbusLinkSettings settings;
    ScriptedDialogs dialogs;
    int portsMade = 0;
    FakePort* port = nullptr;
    bool openFails = false;
    bool silent = false; // the slave does not answer
    // The slave: the answer to each register (missing: exception 2).
    std::map<int, QByteArray> values;
    std::vector<QByteArray> renders; // the grid's first column at each change
    int pumps = 0;
    std::function<void()> pumpHook;
    std::unique_ptr<ModbusReadForm> form;

    void SetUp() override
    {
        settings.SlaveAddress = 1;
        settings.ConstCRC = 0xA001;
        settings.AnswerSeconds = 1;
        ModbusReadForm::Environment env;
        env.clock = &clock;
        env.log = &log;
        env.pump = [this] {
            ++pumps;
            if (pumpHook)
                pumpHook();
        };
        env.makePort = [this] {
            ++portsMade;
            auto p = std::make_unique<FakePort>(clock);
            port = p.get();
            p->openFails = openFails;
            p->onWrite = [this](FakePort& fp, const QByteArray& request) {
                if (silent)
                    return;
                const int reg = (std::uint8_t(request[2]) << 8) | std::uint8_t(request[3]);
                const auto it = values.find(reg);
                fp.arrive(it != values.end() ? it->second : hexBytes("018302C0F1"), 5);
            };
            return p;
        };
        form = std::make_unique<ModbusReadForm>(settings, dialogs, env);
        form->FormActivate();
    }

    std::vector<ModbusReadForm::Row> read(const QString& text)
    {
        form->registers = text;
        form->readClicked();
        return form->rows;
    }
};

TEST_F(ReadFormTest, ActivationShowsOneEmptyNumberedRow)
{
    EXPECT_EQ(ModbusReadForm::headers(),
              (QStringList{"№", "Адрес Modbus параметров ТИ (Holding Registers)",
                           "Значение параметров ТИ с плавающей точкой", "Примечание"}));
    ASSERT_EQ(form->rows.size(), 1u);
    EXPECT_EQ(form->rows[0], (ModbusReadForm::Row{"1", "", "", ""}));
    EXPECT_FALSE(form->progressVisible);
    EXPECT_FALSE(form->portOpen());
}

TEST_F(ReadFormTest, EachRegisterGetsItsRowAndOneEmptyRowFollows)
{
    values[5] = registerAnswer(1, hexBytes("0000803F"));
    values[7] = registerAnswer(1, hexBytes("00002041"));
    const auto rows = read("5,7,9,");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (ModbusReadForm::Row{"1", "5", "1.0000", ""}));
    EXPECT_EQ(rows[1], (ModbusReadForm::Row{"2", "7", "10.0000", ""}));
    EXPECT_EQ(rows[2],
              (ModbusReadForm::Row{"3", "9", "", "Запрещенный адрес данных (код ошибки 4)"}));
    EXPECT_EQ(rows[3], ModbusReadForm::Row{});
    EXPECT_FALSE(form->progressVisible);
    EXPECT_EQ(form->progressPosition, 0);
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

TEST_F(ReadFormTest, WrongListsAreReportedAndNothingIsRead)
{
    struct Case
    {
        const char* text;
        const char* message;
    } cases[] = {{"", "info: Не введен номер регистра"},
                 {"5,x", "info: Неверно введены номера регистров"}};
    for (const Case& c : cases) {
        dialogs.asked.clear();
        const auto rows = read(QString::fromUtf8(c.text));
        EXPECT_EQ(dialogs.asked, QStringList{QString::fromUtf8(c.message)});
        EXPECT_EQ(rows, std::vector<ModbusReadForm::Row>(1));
        EXPECT_EQ(portsMade, 0); // no port was opened for it
    }
}

TEST_F(ReadFormTest, ThePortOpensOnceWithTheSettingsAndClosesWithTheWindow)
{
    settings.TestPortName = "COM4";
    settings.ModbusSpeedIndex = 6;
    settings.CharFormat = 0;
    settings.ParityChoice = 1; // odd: parity code 3
    values[1] = registerAnswer(1, hexBytes("0000803F"));
    read("1");
    ASSERT_TRUE(form->portOpen());
    EXPECT_EQ(port->events.mid(0, 3),
              (QStringList{"open \\\\.\\COM4", "baud 19200", "format odd 2"}));
    read("1");
    EXPECT_EQ(portsMade, 1);
    EXPECT_EQ(port->events.count("open \\\\.\\COM4"), 1);
    form->FormClose();
    EXPECT_FALSE(form->portOpen());
    EXPECT_EQ(port->events.last(), "close");
}

TEST_F(ReadFormTest, APortThatDoesNotOpenIsReportedAndTriedAgainNextTime)
{
    settings.TestPortName = "COM9";
    openFails = true;
    const auto rows = read("1,2");
    EXPECT_EQ(dialogs.asked, QStringList{"info: Ошибка открытия порта COM9"});
    EXPECT_EQ(rows.size(), 1u);
    port->openFails = false;
    dialogs.asked.clear();
    values[1] = registerAnswer(1, hexBytes("0000803F"));
    EXPECT_EQ(read("1")[0][2], "1.0000");
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

TEST_F(ReadFormTest, EveryRequestAndAnswerGoesToTheDailyLog)
{
    values[5] = registerAnswer(1, hexBytes("0000803F"));
    read("5");
    const QByteArray text = readFile(log.pathFor(QDate(2026, 12, 8)));
    EXPECT_TRUE(log.pathFor(QDate(2026, 12, 8)).endsWith("/08_12_26.Txt"));
    EXPECT_EQ(text, QByteArray("09:30:00:000 : >> 01 03 00 05 00 02 D4 0A \r\n"
                               "09:30:00:507 : << 01 03 04 00 00 80 3F DB E3 \r\n"));
    EXPECT_GE(pumps, 2); // at least once per log line
}

TEST_F(ReadFormTest, ProgressShowsWhileReading)
{
    silent = true;
    settings.AnswerSeconds = 7; // the bar is stepped while the answer is awaited
    std::vector<std::pair<bool, int>> seen;
    form->changed = [&] { seen.emplace_back(form->progressVisible, form->progressPosition); };
    const auto rows = read("3");
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(),
                            [](const auto& s) { return s.first && s.second > 0; }));
    EXPECT_EQ(seen.back(), std::make_pair(false, 0));
    EXPECT_EQ(rows[0][3], "Нет ответа от устройства (код ошибки 1)");
}

TEST_F(ReadFormTest, ClosingDuringAReadingStopsItAtItsNextWait)
{
    silent = true;
    settings.AnswerSeconds = 1000;
    pumpHook = [&] {
        if (clock.nowMs() > 5000 && form->reading())
            form->requestAbort();
    };
    const auto rows = read("1,2,3");
    EXPECT_FALSE(form->reading());
    EXPECT_EQ(rows, std::vector<ModbusReadForm::Row>(1)); // the register being read gets no row
    EXPECT_LT(clock.nowMs(), 10000);
    // The next reading is not stopped by the old request.
    pumpHook = nullptr;
    silent = false;
    settings.AnswerSeconds = 1;
    values[1] = registerAnswer(1, hexBytes("0000803F"));
    EXPECT_EQ(read("1")[0][2], "1.0000");
}

} // namespace
