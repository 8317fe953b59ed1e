// The Modbus monitor's rules without a display: the rows of a configuration's Modbus tables with
// their texts, the plan of requests, the cycles through the real master against the simulated
// gateway's Modbus side in virtual time (runs, a number the gateway lacks within a run, a gateway
// that takes short requests only, a busy or silent gateway, stopping), the coil command after its
// question, and the CSV record of changes.

#include "MasterFixture.h"

#include "../core/TestSupport.h"

#include "core/config/GatewayConfig.h"
#include "core/modbus/ModbusFloat.h"
#include "core/monitor/ModbusMonitor.h"
#include "core/monitor/ModbusMonitorForm.h"
#include "core/monitor/MonitorCsv.h"
#include "core/settings/ModbusLinkSettings.h"
#include "sim/GatewayDevice.h"
#include "sim/ModbusSlave.h"

#include <QTemporaryDir>

#include <map>

using namespace veg;
using sim::ModbusSlave;

namespace {

// A Modbus configuration with controller 1A (1B named by rows but not in the configuration):
// ТИ table rows 0-3 at registers 100, 0, 2, 4 (row 0 of controller 1B); ТС rows at inputs 0, 1,
// 2 and 7, input 1 bit 5 of group parameter 2; commands at coils 12 (potential) and 10 (pulse,
// with a parameter for 0), and a coil 14 without its parameter for 1.
GatewayConfig monitorConfig()
{
    GatewayConfig c;
    c.CreateFor(ProtocolVariant::Modbus);
    c.Common.AdrExt = 1;
    c.Common.Const1 = 0xA001;
    ControllerEntry controller;
    controller.NetNumber = 0x1A;
    controller.Present = true;
    c.Controllers.push_back(controller);
    const struct
    {
        int reg;
        std::uint8_t net;
        const char* name;
    } ti[] = {{100, 0x1B, "Давление"},
              {0, 0x1A, "Температура подачи"},
              {2, 0x1A, "Температура обратки"},
              {4, 0x1A, "Расход"}};
    for (std::size_t i = 0; i < std::size(ti); ++i) {
        TcTuEntry& e = c.TiFloatTable[i];
        e.Kind = 0;
        e.NetNumber = ti[i].net;
        e.ParamNumber = std::uint16_t(0x0301 + i);
        e.Extra = ti[i].reg;
        e.Name = QString::fromUtf8(ti[i].name);
    }
    c.GroupParams[1] = {0x1A, 0x0500, 0xFFFF, QStringLiteral("Состояние насосов")};
    const struct
    {
        int input, kind;
        std::uint16_t param;
        const char* name;
    } tc[] = {{0, 0, 0x0101, "Насос 1 в работе"},
              {1, 1, 0x0105, "Состояние насосов (№ 0500)"},
              {2, 0, 0x0103, "Авария котла"},
              {7, 0, 0x0104, "Дверь открыта"}};
    for (std::size_t i = 0; i < std::size(tc); ++i) {
        TcTuEntry& e = c.ModbusTcTable[i];
        e.Kind = std::uint8_t(tc[i].kind);
        e.NetNumber = tc[i].kind == 0 ? 0x1A : 0;
        e.ParamNumber = tc[i].param;
        e.Extra = tc[i].input;
        e.Name = QString::fromUtf8(tc[i].name);
    }
    ModbusCoilEntry& potential = c.ModbusCoilTable[0];
    potential.Coil = 12;
    potential.TypeTU = 0x01;
    potential.TU1 = {2, 0x1A, 0x0A10, 4};
    potential.NameTU1 = QStringLiteral("Насос 2 пуск");
    ModbusCoilEntry& pulse = c.ModbusCoilTable[1];
    pulse.Coil = 10;
    pulse.TU1 = {0, 0x1A, 0x0201, 1};
    pulse.NameTU1 = QStringLiteral("Задвижка открыть");
    pulse.TU0 = {0, 0x1A, 0x0202, 1};
    pulse.NameTU0 = QStringLiteral("Задвижка закрыть");
    pulse.TimeTU1 = 5;
    pulse.TimeTU0 = 3;
    c.ModbusCoilTable[2].Coil = 14;
    return c;
}

TEST(MonitorRowsTest, RowsInUseByTableAndNumberWithTheEditorsTexts)
{
    const auto rows = MonitorRowsOf(monitorConfig());
    QStringList shown;
    for (const MonitorRow& r : rows)
        shown << tableText(r.table) + u' ' + QString::number(r.number) + u' ' +
                     QString::number(r.tableRow) + u' ' + r.text + u'|' + r.offText;
    EXPECT_EQ(shown,
              (QStringList{
                  "ТИ 0 1 Температура подачи (контроллер 1A)|",
                  "ТИ 2 2 Температура обратки (контроллер 1A)|",
                  "ТИ 4 3 Расход (контроллер 1A)|",
                  "ТИ 100 0 Давление (контроллер 1B)|",
                  "ТС 0 0 Насос 1 в работе (контроллер 1A)|",
                  "ТС 1 1 Состояние насосов (№ 0500), бит 5 (групповой параметр 2, контроллер 1A)|",
                  "ТС 2 2 Авария котла (контроллер 1A)|",
                  "ТС 7 3 Дверь открыта (контроллер 1A)|",
                  "ТУ 10 1 Задвижка открыть (контроллер 1A)|Задвижка закрыть (контроллер 1A)",
                  "ТУ 12 0 Насос 2 пуск (контроллер 1A)|",
              }));
    // Read back from a gateway: the names re-derived, a controller the configuration lacks by
    // its numbers.
    GatewayConfig back = monitorConfig();
    back.IsReadBack = true;
    const auto again = MonitorRowsOf(back);
    EXPECT_EQ(again[3].text, "Параметр 0301 (модуль 1B)");
    EXPECT_EQ(again[0].text, "Температура подачи (контроллер 1A)");
    EXPECT_EQ(again[5].text, "Состояние насосов, бит 5 (групповой параметр 2, контроллер 1A)");
}

// Rows of one table at the given numbers.
std::vector<MonitorRow> rowsAt(MonitorTable table, std::initializer_list<int> numbers)
{
    std::vector<MonitorRow> rows;
    for (int n : numbers)
        rows.push_back({table, n, int(rows.size()), {}, {}});
    return rows;
}

QString planText(const std::vector<MonitorRequest>& plan)
{
    QStringList parts;
    for (const MonitorRequest& r : plan)
        parts << QStringLiteral("%1:%2+%3").arg(readFunction(r.table)).arg(r.first).arg(r.count);
    return parts.join(u' ');
}

TEST(MonitorPlanTest, ContiguousNumbersOfOneTableInOneRequestWithinTheLimits)
{
    const MonitorTable ti = MonitorTable::Telemetry, tc = MonitorTable::Telesignals;
    std::vector<int> full;
    for (int i = 0; i < 64; ++i)
        full.push_back(200 + 2 * i);
    std::vector<MonitorRow> fullRows;
    for (int n : full)
        fullRows.push_back({ti, n, 0, {}, {}});
    struct Case
    {
        std::vector<MonitorRow> rows;
        MonitorLimits limits;
        std::set<MonitorSingle> singles;
        const char* plan;
    } cases[] = {
        {rowsAt(ti, {4, 0, 2, 10}), modbusLimits(), {}, "3:0+6 3:10+2"},
        {rowsAt(ti, {0, 1}), modbusLimits(), {}, "3:0+3"},    // a float overlapping another
        {rowsAt(ti, {0, 2, 2}), modbusLimits(), {}, "3:0+4"}, // two rows of one register
        {rowsAt(tc, {0, 1, 2, 7, 8}), modbusLimits(), {}, "2:0+3 2:7+2"},
        {rowsAt(ti, {0, 2, 4}), {4, 2000, 2000}, {}, "3:0+4 3:4+2"}, // never half a float
        {rowsAt(ti, {0, 2, 4}), {3, 2000, 2000}, {}, "3:0+2 3:2+2 3:4+2"},
        {rowsAt(tc, {0, 1, 2, 3, 4}), {125, 2, 2000}, {}, "2:0+2 2:2+2 2:4+1"},
        {rowsAt(tc, {0, 1, 2, 3}), modbusLimits(), {{tc, 1}}, "2:0+1 2:1+1 2:2+2"},
        {rowsAt(tc, {1, 1, 2}), modbusLimits(), {{tc, 1}}, "2:1+1 2:2+1"},
        {fullRows, modbusLimits(), {}, "3:200+124 3:324+4"},
    };
    for (const Case& c : cases) {
        const auto plan = PlanRequests(c.rows, c.limits, c.singles);
        EXPECT_EQ(planText(plan), c.plan);
        std::size_t served = 0;
        for (const MonitorRequest& r : plan)
            served += r.rows.size();
        EXPECT_EQ(served, c.rows.size()) << c.plan; // every row in one request
    }
    // Tables apart, telemetry first: a coil beside a discrete input of the same number.
    auto mixed = rowsAt(MonitorTable::Telecontrol, {10});
    for (const MonitorRow& r : rowsAt(tc, {10, 11}))
        mixed.push_back(r);
    EXPECT_EQ(planText(PlanRequests(mixed, modbusLimits())), "2:10+2 1:10+1");
}

struct MonitorTest : MasterFixture
{
    sim::SimOptions options;
    sim::GatewayDevice device{options};
    ModbusSlave slave{device};
    ModbusLinkSettings settings;
    GatewayConfig config = monitorConfig();
    std::unique_ptr<ModbusMonitor> monitor;
    // When each request reached the slave, by function and first number.
    std::map<std::pair<int, int>, qint64> askedAtUs;
    QStringList requests;

    void SetUp() override
    {
        MasterFixture::SetUp();
        port->onWrite = [this](FakePort& fp, const QByteArray& bytes) {
            const qint64 now = clock.nowMs() * 1000;
            askedAtUs[{std::uint8_t(bytes[1]),
                       (std::uint8_t(bytes[2]) << 8) | std::uint8_t(bytes[3])}] = now;
            requests << QString::fromLatin1(bytes.left(6).toHex().toUpper());
            slave.receive(bytes, now);
            for (const auto& out : slave.takeOutput())
                fp.arrive(out.bytes, out.dueUs / 1000 - clock.nowMs());
        };
        open();
        settings.AnswerSeconds = 1;
        settings.ConstCRC = 0xA001;
        settings.SlaveAddress = 1;
        ModbusSlave::preload(device, config);
        monitor = std::make_unique<ModbusMonitor>(MonitorRowsOf(config), settings, clock);
    }

    MonitorCycle cycle()
    {
        requests.clear();
        return monitor->runCycle(*master);
    }
    const MonitorState& state(int row) { return monitor->states()[std::size_t(row)]; }
    QStringList shown()
    {
        QStringList s;
        for (const MonitorState& st : monitor->states())
            s << st.shown();
        return s;
    }
};

constexpr const char* kNoAddress = "Запрещенный адрес данных (код ошибки 4)";

TEST_F(MonitorTest, ACycleReadsEveryRowWithOneRequestPerRun)
{
    std::vector<MonitorChange> seen;
    monitor->changed = [&seen](const MonitorChange& c) { seen.push_back(c); };
    const MonitorCycle c = cycle();
    EXPECT_EQ(requests, (QStringList{"010300000006", "010300640002", "010200000003", "010200070001",
                                     "0101000A0001", "0101000C0001"}));
    EXPECT_EQ(c.requests, 6);
    EXPECT_EQ(c.answered, 10);
    EXPECT_EQ(c.failed, 0);
    EXPECT_FALSE(c.aborted);
    // Every request costs the drain and the pauses: no more than that, and the time is counted.
    EXPECT_GE(c.durationMs, 6 * 600);
    EXPECT_LE(c.durationMs, 6 * 700);
    EXPECT_EQ(c.finishedAt, clock.timeOfDay());
    // The floats of the run as the slave held them at that moment, row by row.
    const qint64 runAt = askedAtUs[{3, 0}];
    for (int row = 0; row < 3; ++row) {
        const float v = ModbusSlave::plantValue(row + 1, runAt); // table rows 1-3
        EXPECT_EQ(state(row).value, QString::number(double(v), 'f', 4)) << row;
        EXPECT_FLOAT_EQ(state(row).floatValue, v);
    }
    EXPECT_EQ(state(3).value,
              QString::number(double(ModbusSlave::plantValue(0, askedAtUs[{3, 100}])), 'f', 4));
    const qint64 inputsAt = askedAtUs[{2, 0}];
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(state(4 + row).value, ModbusSlave::plantInput(row, inputsAt) ? "1" : "0");
    EXPECT_EQ(state(8).value, "0");
    // The first cycle is a change of every row, told at once and in the cycle's list.
    ASSERT_EQ(c.changes.size(), 10u);
    EXPECT_EQ(seen.size(), 10u);
    EXPECT_EQ(c.changes.front().row, 0);
    // The plan is kept: the next cycle asks the same.
    const QStringList first = requests;
    const MonitorCycle again = cycle();
    EXPECT_EQ(requests, first);
    EXPECT_EQ(again.answered, 10);
    for (const MonitorChange& ch : again.changes) // only what changed is reported
        EXPECT_TRUE(ch.row < 8) << ch.row;
}

TEST_F(MonitorTest, ANumberTheGatewayLacksWithinARunHidesNoNeighbour)
{
    // The gateway holds a configuration without register 2 and without input 1.
    GatewayConfig other = config;
    other.TiFloatTable[2].Kind = 255;
    other.ModbusTcTable[1].Kind = 255;
    ModbusSlave::preload(device, other);
    MonitorCycle c = cycle();
    EXPECT_EQ(requests,
              (QStringList{"010300000006", "010300000002", "010300020002", "010300040002",
                           "010300640002", "010200000003", "010200000001", "010200010001",
                           "010200020001", "010200070001", "0101000A0001", "0101000C0001"}));
    EXPECT_EQ(c.answered, 8);
    EXPECT_EQ(c.failed, 2);
    EXPECT_EQ(state(1).note, kNoAddress);
    EXPECT_EQ(state(5).note, kNoAddress);
    for (int row : {0, 2, 3, 4, 6, 7})
        EXPECT_EQ(state(row).code, 0) << row;
    // Learned: those two are read alone; their neighbours go on in runs.
    EXPECT_EQ(monitor->singles(), (std::set<MonitorSingle>{{MonitorTable::Telemetry, 2},
                                                           {MonitorTable::Telesignals, 1}}));
    c = cycle();
    EXPECT_EQ(requests, (QStringList{"010300000002", "010300020002", "010300040002", "010300640002",
                                     "010200000001", "010200010001", "010200020001", "010200070001",
                                     "0101000A0001", "0101000C0001"}));
    EXPECT_EQ(c.failed, 2);
    EXPECT_TRUE(c.changes.size() < 10u); // the failures stay as they were: no change
}

TEST_F(MonitorTest, AGatewayTakingShortRequestsOnlyIsReadInShorterRuns)
{
    slave.setMaxQuantity(4);
    MonitorCycle c = cycle();
    // The run of six registers is refused as too long, read one by one, and remembered.
    EXPECT_EQ(requests.mid(0, 4),
              (QStringList{"010300000006", "010300000002", "010300020002", "010300040002"}));
    EXPECT_EQ(c.answered, 10);
    EXPECT_EQ(monitor->limits()[0], 4);
    EXPECT_TRUE(monitor->singles().empty());
    c = cycle();
    EXPECT_EQ(requests, (QStringList{"010300000004", "010300040002", "010300640002", "010200000003",
                                     "010200070001", "0101000A0001", "0101000C0001"}));
    EXPECT_EQ(c.answered, 10);

    // Two numbers at most: the refused runs are read one by one and halve, whole floats kept.
    slave.setMaxQuantity(2);
    c = cycle();
    EXPECT_EQ(c.answered, 10);
    EXPECT_EQ(monitor->limits()[0], 2);
    EXPECT_EQ(monitor->limits()[1], 2);
    c = cycle();
    EXPECT_EQ(requests, (QStringList{"010300000002", "010300020002", "010300040002", "010300640002",
                                     "010200000002", "010200020001", "010200070001", "0101000A0001",
                                     "0101000C0001"}));
    EXPECT_EQ(c.answered, 10);
    EXPECT_TRUE(monitor->singles().empty());
}

TEST_F(MonitorTest, ABusyOrSilentGatewayFailsEveryRowWithoutSplitting)
{
    cycle();
    device.write(0xF01A, QByteArray(1, 1)); // the work cycle stopped: exception 6 to all
    MonitorCycle c = cycle();
    EXPECT_EQ(c.requests, 6);
    EXPECT_EQ(c.failed, 10);
    EXPECT_EQ(c.changes.size(), 10u);
    EXPECT_EQ(c.changes.front().note,
              "Устройство Slave находится в состоянии занятости (код ошибки 8)");
    EXPECT_TRUE(c.changes.front().value.isEmpty());
    EXPECT_TRUE(monitor->singles().empty());

    port->onWrite = [](FakePort&, const QByteArray&) {}; // nothing answers
    c = cycle();
    EXPECT_EQ(c.requests, 6);
    EXPECT_EQ(shown(), QStringList(10, QStringLiteral("Нет ответа от устройства (код ошибки 1)")));
    EXPECT_EQ(monitor->plan().size(), 6u);
}

TEST_F(MonitorTest, StoppingEndsTheCycleAtTheNextWait)
{
    // "Стоп" while the first request's answer is shown: the next wait ends the cycle.
    monitor->progressed = [this] { shared.AbortRequested = true; };
    const MonitorCycle c = cycle();
    EXPECT_TRUE(c.aborted);
    EXPECT_FALSE(c.finishedAt.isValid());
    EXPECT_EQ(c.requests, 1);
    EXPECT_EQ(requests.size(), 1); // the second never left
    for (int row = 0; row < 3; ++row)
        EXPECT_TRUE(state(row).read) << row;
    EXPECT_FALSE(state(3).read); // not reached: nothing is shown for it
    EXPECT_FALSE(state(9).read);
    EXPECT_EQ(c.answered, 3);
}

TEST_F(MonitorTest, ACommandIsGivenOnlyAfterItsQuestion)
{
    vegtest::ScriptedDialogs dialogs;
    cycle();
    EXPECT_EQ(monitor->coilQuestion(8, true), "Подать команду ТУ: записать 1 в Coil 10?\n"
                                              "Установка в 1: Задвижка открыть (контроллер 1A)");
    EXPECT_EQ(monitor->coilQuestion(8, false), "Подать команду ТУ: записать 0 в Coil 10?\n"
                                               "Установка в 0: Задвижка закрыть (контроллер 1A)");
    // A potential command without a parameter for 0 names the one it sets.
    EXPECT_EQ(monitor->coilQuestion(9, false), "Подать команду ТУ: записать 0 в Coil 12?\n"
                                               "Установка в 0: Насос 2 пуск (контроллер 1A)");

    const int writes = int(port->writes.size());
    dialogs.confirms = {false};
    EXPECT_FALSE(monitor->writeCoil(*master, dialogs, 8, true));
    EXPECT_EQ(int(port->writes.size()), writes); // No: nothing is sent
    EXPECT_FALSE(slave.coilState(10));

    dialogs.confirms = {true};
    std::vector<MonitorChange> seen;
    monitor->changed = [&seen](const MonitorChange& c) { seen.push_back(c); };
    const auto done = monitor->writeCoil(*master, dialogs, 8, true);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->value, "1");
    EXPECT_EQ(state(8).value, "1");
    EXPECT_TRUE(slave.coilState(10));
    EXPECT_EQ(requests.back(), "0105000AFF00");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen.front().row, 8);

    // A refused command shows its error in the row; a row of another table is no command.
    ModbusSlave::preload(device, GatewayConfig{});
    dialogs.confirms = {true};
    const auto refused = monitor->writeCoil(*master, dialogs, 9, true);
    ASSERT_TRUE(refused);
    EXPECT_FALSE(refused->note.isEmpty());
    EXPECT_EQ(state(9).note, refused->note);
    EXPECT_FALSE(monitor->writeCoil(*master, dialogs, 0, true));
    EXPECT_FALSE(dialogs.asked.contains(QStringLiteral("UNEXPECTED confirm")));
}

TEST(MonitorCsvTest, LinesASpreadsheetOpensAsIs)
{
    const MonitorRow row{MonitorTable::Telesignals, 7, 3, QStringLiteral("Дверь; \"главная\""), {}};
    const QDateTime at(QDate(2026, 12, 11), QTime(15, 4, 5));
    EXPECT_EQ(MonitorCsv::line(at, row, QStringLiteral("1")),
              "11.12.2026 15:04:05;ТС;7;\"Дверь; \"\"главная\"\"\";1");
    EXPECT_EQ(MonitorCsv::field(QStringLiteral("72,4")), "72,4");
    EXPECT_EQ(MonitorCsv::field(QStringLiteral("a\nb")), "\"a\nb\"");

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("changes.csv"));
    for (const char* value : {"0", "1"}) {
        MonitorCsvFile file;
        ASSERT_TRUE(file.open(path));
        EXPECT_TRUE(file.write(MonitorCsv::line(at, row, QString::fromUtf8(value))));
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(bytes, QByteArray("\xEF\xBB\xBF") + "Время;Таблица;Номер;Параметр;Значение\r\n" +
                         MonitorCsv::line(at, row, "0").toUtf8() + "\r\n" +
                         MonitorCsv::line(at, row, "1").toUtf8() + "\r\n");
    MonitorCsvFile bad;
    EXPECT_FALSE(bad.open(dir.filePath(QStringLiteral("no/such/dir/x.csv"))));
    EXPECT_FALSE(bad.errorText().isEmpty());
}

// The window's rules: polling from "Пуск" until "Стоп", the figures, the highlight, the commands
// given between cycles, the record of changes.
struct MonitorFormTest : ::testing::Test
{
    sim::ManualClock clock;
    sim::SimOptions options;
    sim::GatewayDevice device{options};
    ModbusSlave slave{device};
    ModbusLinkSettings settings;
    GatewayConfig config = monitorConfig();
    vegtest::ScriptedDialogs dialogs;
    std::function<void()> pumpHook;
    std::unique_ptr<ModbusMonitorForm> form;

    void SetUp() override
    {
        settings.AnswerSeconds = 1;
        settings.ConstCRC = 0xA001;
        settings.SlaveAddress = 1;
        settings.TestPortName = QStringLiteral("COM3");
        ModbusSlave::preload(device, config);
        ModbusMonitorForm::Environment env;
        env.clock = &clock;
        env.makePort = [this] {
            auto p = std::make_unique<FakePort>(clock);
            p->onWrite = [this](FakePort& fp, const QByteArray& bytes) {
                slave.receive(bytes, clock.nowMs() * 1000);
                for (const auto& out : slave.takeOutput())
                    fp.arrive(out.bytes, out.dueUs / 1000 - clock.nowMs());
            };
            return p;
        };
        env.pump = [this] {
            if (pumpHook)
                pumpHook();
        };
        env.now = [] { return QDateTime(QDate(2026, 12, 11), QTime(10, 0)); };
        form = std::make_unique<ModbusMonitorForm>(config, settings, dialogs, env);
    }

    // The port's drain at closing pumps too: nothing of a test body may be called then.
    void TearDown() override
    {
        pumpHook = {};
        form.reset();
    }

    // Stops polling once `n` more cycles are over.
    void stopAfter(int n)
    {
        const int last = form->cycleCount() + n;
        pumpHook = [this, last] {
            if (form->cycleCount() >= last)
                form->stop();
        };
    }
};

TEST_F(MonitorFormTest, PollsUntilStopWithItsFiguresAndHighlights)
{
    EXPECT_EQ(form->figures(), "Опрос не выполнялся");
    EXPECT_EQ(form->rowCount(), 10);
    EXPECT_EQ(ModbusMonitorForm::headers().size(), ModbusMonitorForm::kColumns);
    stopAfter(2);
    form->start();
    EXPECT_FALSE(form->polling());
    EXPECT_EQ(form->cycleCount(), 2);
    EXPECT_TRUE(form->figures().contains("Ответили 10   Не ответили 0   Последний полный цикл "))
        << form->figures().toStdString();
    const auto cells = form->cells(0);
    EXPECT_EQ(cells[0], "ТИ");
    EXPECT_EQ(cells[1], "0");
    EXPECT_EQ(cells[2], "Температура подачи (контроллер 1A)");
    EXPECT_FALSE(cells[3].isEmpty());
    EXPECT_EQ(cells[4], clock.timeOfDay().toString("hh:mm:ss").left(6) + cells[4].mid(6));
    EXPECT_TRUE(cells[5].isEmpty());
    EXPECT_TRUE(form->highlighted(3)); // the float moved in the last cycle, seconds ago
    EXPECT_EQ(form->trend(0).size(), 2u);
    EXPECT_LE(form->trend(0).back().x(), 0.0);
    EXPECT_TRUE(form->trend(4).empty()); // telesignals have no trend
    clock.advance(ModbusMonitorForm::kHighlightMs);
    EXPECT_FALSE(form->highlighted(3));

    // A gateway that stops answering shows the error in every row.
    device.write(0xF01A, QByteArray(1, 1));
    stopAfter(1);
    form->start();
    EXPECT_EQ(form->cells(9)[5], "Устройство Slave находится в состоянии занятости (код ошибки 8)");
    EXPECT_TRUE(form->cells(9)[3].isEmpty());
    EXPECT_TRUE(form->figures().contains("Ответили 0   Не ответили 10"));
    EXPECT_FALSE(dialogs.asked.contains("UNEXPECTED confirm"));
}

TEST_F(MonitorFormTest, ACommandDuringPollingIsGivenAfterTheCycle)
{
    dialogs.confirms = {true};
    bool asked = false;
    pumpHook = [&] {
        if (!asked) {
            asked = true;
            form->writeCoil(8, true);             // clicked during the first request
            EXPECT_TRUE(dialogs.asked.isEmpty()); // not yet
        } else if (form->cells(8)[3] == "1") {    // the command's answer is in
            form->stop();
        }
    };
    form->start();
    EXPECT_EQ(dialogs.asked.value(0), "confirm: Подать команду ТУ: записать 1 в Coil 10?\n"
                                      "Установка в 1: Задвижка открыть (контроллер 1A)");
    EXPECT_TRUE(slave.coilState(10));
    EXPECT_EQ(form->cells(8)[3], "1");
    // Not polling: asked and given at once; No gives nothing.
    dialogs.confirms = {false};
    form->writeCoil(8, false);
    EXPECT_TRUE(slave.coilState(10));
    form->writeCoil(0, true); // no command
    EXPECT_EQ(dialogs.asked.size(), 2);
}

TEST_F(MonitorFormTest, RecordsEveryChangeInTheChosenFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("монитор.csv"));
    dialogs.files = {std::nullopt, path};
    form->toggleRecording(); // cancelled
    EXPECT_FALSE(form->recording());
    form->toggleRecording();
    EXPECT_TRUE(form->recording());
    stopAfter(1);
    form->start();
    form->toggleRecording();
    EXPECT_FALSE(form->recording());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 11); // the header and the first cycle's ten rows
    EXPECT_TRUE(
        lines[1].startsWith("11.12.2026 10:00:00;ТИ;0;Температура подачи (контроллер 1A);"));
    EXPECT_TRUE(lines[10].startsWith("11.12.2026 10:00:00;ТУ;12;"));

    // A port that does not open stops "Пуск" with its message.
    form->FormClose();
    settings.TestPortName = QStringLiteral("COM9");
    ModbusMonitorForm::Environment env;
    env.clock = &clock;
    env.makePort = [this] {
        auto p = std::make_unique<FakePort>(clock);
        p->openFails = true;
        return p;
    };
    ModbusMonitorForm other(config, settings, dialogs, env);
    dialogs.asked.clear();
    other.start();
    EXPECT_FALSE(other.polling());
    ASSERT_FALSE(dialogs.asked.isEmpty());
    EXPECT_TRUE(dialogs.asked[0].startsWith("info: Ошибка открытия порта COM9"));
}

} // namespace
