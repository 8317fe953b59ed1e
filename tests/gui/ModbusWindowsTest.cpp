// The Modbus link test's two windows offscreen: controls, key filters, the format/parity
// coupling, apply, and a reading shown in the grid.

#include "TestSupport.h"
#include "WindowActions.h"

#include "../link/FakePort.h"

#include "core/settings/ProgramSettings.h"
#include "core/modbus/ModbusCrc.h"
#include "core/port/DailyLog.h"
#include "gui/app/TFNastr.h"
#include "gui/modbus/TFObmenModbus.h"
#include "gui/modbus/TFReadModbus.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
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

} // namespace
