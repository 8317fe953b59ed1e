// The Modbus link test's windows offscreen: controls, key filters, the format/parity coupling,
// apply, a reading shown in the grid, and the monitor polling the simulated gateway. With
// VEG_SCREENSHOTS set to a folder the monitor is also saved there as a picture.

#include "TestSupport.h"
#include "WindowActions.h"

#include "../link/FakePort.h"

#include "core/config/ConfigFile.h"
#include "core/config/GatewayConfig.h"
#include "core/modbus/ModbusCrc.h"
#include "core/port/DailyLog.h"
#include "core/settings/ProgramSettings.h"
#include "gui/app/TFNastr.h"
#include "gui/modbus/TFMonitorModbus.h"
#include "gui/modbus/TFObmenModbus.h"
#include "gui/modbus/TFReadModbus.h"
#include "sim/GatewayDevice.h"
#include "sim/ModbusSlave.h"

#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTime>
#include <QTimer>

#include <gtest/gtest.h>

using namespace veg;
using namespace vegtest;

namespace {

class ModbusWindowsTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    ProgramSettings settings{dir.filePath("vegconf.ini")};
    ScriptedDialogs dialogs;

    static void click(QAbstractButton* b)
    {
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    }
    template <typename T> static T* child(QWidget* w, const char* name)
    {
        T* c = w->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    static QRadioButton* radio(QWidget* w, const char* group, int i)
    {
        return child<QGroupBox>(w, group)->findChildren<QRadioButton*>().value(i);
    }
};

TEST_F(ModbusWindowsTest, SettingsWindowFiltersKeysCouplesParityAndApplies)
{
    TFObmenModbus w(settings, dialogs);
    w.FormActivate();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    auto* slave = child<QLineEdit>(&w, "EditSlave");
    EXPECT_EQ(slave->text(), "01");
    slave->selectAll();
    typeText(slave, QStringLiteral("фсd"));
    EXPECT_EQ(slave->text(), "AC"); // the Russian layout's letters; a third one is refused

    auto* port = child<QComboBox>(&w, "ComboPort");
    EXPECT_EQ(port->currentText(), "COM2");
    EXPECT_GE(port->count(), 8);
    QLineEdit* portEdit = port->lineEdit();
    portEdit->end(false);
    QTest::keyClick(portEdit, Qt::Key_Backspace);
    QTest::keyClick(portEdit, Qt::Key_Backspace);
    QTest::keyClicks(portEdit, QStringLiteral("x12"));
    EXPECT_EQ(portEdit->text(), "COM12"); // "COM" stays; letters are refused

    auto* speed = child<QComboBox>(&w, "ComboSpeed");
    const int before = speed->currentIndex();
    QTest::keyClicks(speed, QStringLiteral("3"));
    EXPECT_EQ(speed->currentIndex(), before); // chosen, never typed

    click(radio(&w, "RadioGroupFormat", 0)); // "11 бит"
    EXPECT_TRUE(child<QGroupBox>(&w, "RadioGroupParity")->isEnabled());
    EXPECT_TRUE(radio(&w, "RadioGroupParity", 0)->isChecked());
    click(radio(&w, "RadioGroupParity", 1));
    click(radio(&w, "RadioGroupFormat", 0)); // "11 бит" again: the parity stays
    EXPECT_TRUE(radio(&w, "RadioGroupParity", 1)->isChecked());
    click(radio(&w, "RadioGroupFormat", 1)); // "10 бит"
    EXPECT_FALSE(child<QGroupBox>(&w, "RadioGroupParity")->isEnabled());
    EXPECT_TRUE(radio(&w, "RadioGroupParity", 2)->isChecked());

    // A CRC constant that does not read keeps the window open and stores nothing.
    auto* crc = child<QLineEdit>(&w, "EditCrc");
    crc->clear();
    QTest::mouseClick(child<QPushButton>(&w, "ButtonApply"), Qt::LeftButton);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(dialogs.asked.size(), 1);
    EXPECT_EQ(settings.modbus.TestPortName, "COM2");

    QTest::keyClicks(crc, QStringLiteral("a001"));
    QTest::mouseClick(child<QPushButton>(&w, "ButtonApply"), Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(settings.modbus.TestPortName, "COM12");
    EXPECT_EQ(settings.modbus.SlaveAddress, 0xAC);
    EXPECT_EQ(settings.modbus.ConstCRC, 0xA001);
    EXPECT_EQ(settings.modbus.CharFormat, 1);
    EXPECT_EQ(settings.modbus.ParityChoice, 2);
    EXPECT_TRUE(QFile::exists(dir.filePath("vegconf.ini")));
}

TEST_F(ModbusWindowsTest, ReadWindowShowsEachRegisterAndClosesItsPort)
{
    sim::ManualClock clock;
    DailyLog log(dir.path());
    FakePort* port = nullptr;
    ModbusReadForm::Environment env;
    env.clock = &clock;
    env.log = &log;
    env.pump = [] { QCoreApplication::processEvents(); };
    env.makePort = [&] {
        auto p = std::make_unique<FakePort>(clock);
        port = p.get();
        p->onWrite = [](FakePort& fp, const QByteArray& request) {
            const QByteArray data =
                request[3] == 5 ? QByteArray::fromHex("0000803F") : QByteArray();
            QByteArray a = data.isEmpty() ? QByteArray::fromHex("018302")
                                          : QByteArray::fromHex("010304") + data;
            fp.arrive(withModbusCrc(0xA001, a), 5);
        };
        return p;
    };
    settings.modbus.ConstCRC = 0xA001;
    settings.modbus.AnswerSeconds = 1;
    TFReadModbus w(settings.modbus, dialogs, nullptr, env);
    w.FormActivate();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    auto* grid = child<QTableWidget>(&w, "ProfGrid1");
    EXPECT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->item(0, 0)->text(), "1");
    EXPECT_FALSE(child<QProgressBar>(&w, "ProgressBar1")->isVisible());

    auto* edit = child<QLineEdit>(&w, "EditRegisters");
    QTest::keyClicks(edit, QStringLiteral("5,x7"));
    EXPECT_EQ(edit->text(), "5,7");
    QTest::mouseClick(child<QPushButton>(&w, "ButtonRead"), Qt::LeftButton);
    ASSERT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(grid->item(0, 2)->text(), "1.0000");
    EXPECT_EQ(grid->item(1, 1)->text(), "7");
    EXPECT_EQ(grid->item(1, 3)->text(), "Запрещенный адрес данных (код ошибки 4)");
    EXPECT_EQ(grid->item(1, 3)->textAlignment(), int(Qt::AlignCenter));
    EXPECT_TRUE(grid->item(2, 0)->text().isEmpty());
    EXPECT_FALSE(child<QProgressBar>(&w, "ProgressBar1")->isVisible());
    EXPECT_TRUE(child<QPushButton>(&w, "ButtonRead")->isEnabled());
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(port->isOpen());
    w.reject();
    EXPECT_FALSE(port->isOpen());
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

TEST_F(ModbusWindowsTest, TheMainMenuOpensBothWindows)
{
    TFNastr window(settings, dialogs);
    for (const char* name : {"N_ObmenModbus", "N_ReadModbus"}) {
        QDialog* shown = nullptr;
        QTimer::singleShot(0, [&] {
            shown = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (shown)
                shown->reject();
        });
        window.action(QString::fromLatin1(name))->trigger();
        ASSERT_NE(shown, nullptr) << name;
        EXPECT_EQ(shown, name == std::string("N_ObmenModbus")
                             ? static_cast<QDialog*>(window.obmenModbus())
                             : static_cast<QDialog*>(window.readModbus()));
    }
}

TEST_F(ModbusWindowsTest, MonitorPollsTheDemoGatewayUntilStopAndGivesACommand)
{
    GatewayConfig config;
    ASSERT_TRUE(LoadConfiguration(config, QStringLiteral(VEG_DEMO_DIR "/Котельная-Modbus.veg"), {})
                    .loaded());
    sim::SimOptions options;
    sim::GatewayDevice device(options);
    sim::ModbusSlave slave(device);
    sim::ModbusSlave::preload(device, config);
    sim::ManualClock clock;
    DailyLog log(dir.path());
    FakePort* port = nullptr;
    std::function<void()> pumpHook;
    ModbusMonitorForm::Environment env;
    env.clock = &clock;
    env.log = &log;
    env.pump = [&] {
        QCoreApplication::processEvents();
        if (pumpHook)
            pumpHook();
    };
    env.makePort = [&] {
        auto p = std::make_unique<FakePort>(clock);
        port = p.get();
        p->onWrite = [&](FakePort& fp, const QByteArray& bytes) {
            slave.receive(bytes, clock.nowMs() * 1000);
            for (const auto& out : slave.takeOutput())
                fp.arrive(out.bytes, out.dueUs / 1000 - clock.nowMs());
        };
        return p;
    };
    settings.modbus.ConstCRC = 0xA001;
    settings.modbus.SlaveAddress = config.Common.AdrExt;
    settings.modbus.AnswerSeconds = 1;
    TFMonitorModbus w(config, settings.modbus, dialogs, nullptr, env);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_LE(w.width(), 1366);
    EXPECT_LE(w.height(), 740);
    auto* grid = child<QTableWidget>(&w, "GridRows");
    auto* start = child<QPushButton>(&w, "ButtonStart");
    auto* stop = child<QPushButton>(&w, "ButtonStop");
    auto* on = child<QPushButton>(&w, "ButtonCoilOn");
    ASSERT_EQ(grid->rowCount(), 33);
    EXPECT_EQ(grid->item(0, 0)->text(), "ТИ");
    EXPECT_TRUE(grid->item(0, 2)->text().startsWith("Температура подачи"));
    EXPECT_FALSE(stop->isEnabled());
    EXPECT_FALSE(on->isEnabled());

    // "Стоп" is clicked once the second cycle is over: no third one starts.
    pumpHook = [&] {
        if (w.form().cycleCount() == 2 && stop->isEnabled())
            stop->click();
    };
    grid->selectRow(0);
    start->click();
    pumpHook = {};
    EXPECT_EQ(w.form().cycleCount(), 2);
    EXPECT_TRUE(start->isEnabled());
    EXPECT_FALSE(stop->isEnabled());
    const QString figures = child<QLabel>(&w, "LabelFigures")->text();
    EXPECT_TRUE(figures.contains("Ответили 33   Не ответили 0   Последний полный цикл "))
        << figures.toStdString();
    EXPECT_FALSE(grid->item(0, 3)->text().isEmpty());
    EXPECT_TRUE(QTime::fromString(grid->item(0, 4)->text(), "hh:mm:ss").isValid());
    // The trend of the selected float: a point per full cycle.
    auto* chart = child<QChartView>(&w, "ChartTrend");
    EXPECT_TRUE(chart->isVisible());
    auto* series = qobject_cast<QLineSeries*>(chart->chart()->series().value(0));
    ASSERT_NE(series, nullptr);
    EXPECT_EQ(series->count(), 2);
    vegtest::screenshot(w, "monitor");

    // A command on the selected coil row after its question.
    const int coilRow = grid->rowCount() - 3; // coil 0
    ASSERT_EQ(grid->item(coilRow, 0)->text(), "ТУ");
    grid->selectRow(coilRow);
    EXPECT_TRUE(on->isEnabled());
    EXPECT_FALSE(chart->isVisible());
    dialogs.confirms = {true};
    on->click();
    EXPECT_TRUE(
        dialogs.asked.value(0).startsWith("confirm: Подать команду ТУ: записать 1 в Coil 0?"))
        << dialogs.asked.value(0).toStdString();
    EXPECT_EQ(grid->item(coilRow, 3)->text(), "1");
    EXPECT_TRUE(slave.coilState(0));

    // Closing while polling: the polling stops at its next wait, then the window closes and
    // its port with it.
    pumpHook = [&] {
        if (w.isVisible())
            w.reject();
    };
    start->click();
    pumpHook = {};
    EXPECT_FALSE(w.isVisible());
    ASSERT_NE(port, nullptr);
    EXPECT_FALSE(port->isOpen());
    EXPECT_FALSE(dialogs.asked.contains("UNEXPECTED confirm"));
}

TEST_F(ModbusWindowsTest, TheMonitorIsOfferedForAModbusConfigurationOnly)
{
    TFNastr window(settings, dialogs);
    window.show();
    QAction* monitor = window.action(QStringLiteral("N_MonitorModbus"));
    ASSERT_NE(monitor, nullptr);
    window.action(QStringLiteral("N_New_Hart"))->trigger();
    EXPECT_FALSE(monitor->isEnabled());
    EXPECT_TRUE(monitor->toolTip().contains("конфигурацией протокола Modbus"));
    window.action(QStringLiteral("N_New_Modbus"))->trigger();
    EXPECT_TRUE(monitor->isEnabled());
    QString shown; // the window lives while it is shown only
    QTimer::singleShot(0, [&] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            shown = d->objectName();
            d->reject();
        }
    });
    monitor->trigger();
    EXPECT_EQ(shown, "TFMonitorModbus");
}

} // namespace
