// The exchange window offscreen: opened from the main menu, and driven against the simulator in
// virtual time through its real controls.

#include "FakeHost.h"
#include "TestSupport.h"
#include "WindowActions.h"

#include "core/settings/ProgramSettings.h"
#include "core/exchange/ConfigurationHost.h"
#include "gui/app/TFNastr.h"
#include "gui/exchange/TFObmen.h"
#include "sim/GatewaySimulator.h"
#include "sim/ManualClock.h"
#include "sim/SimulatorPort.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace veg;
using namespace vegtest;

namespace {

class ExchangeWindowTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    ProgramSettings settings{dir.filePath("vegconf.ini")};
    ScriptedDialogs dialogs;
};

template <typename T> T* child(QWidget& w, const char* name)
{
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

} // namespace

TEST_F(ExchangeWindowTest, OpensFromTheMainMenuAndSaysWhenThePortFails)
{
    settings.exchange.PortName = QStringLiteral("/nonexistent/tty");
    TFNastr window(settings, dialogs);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.action("N_New_Modbus")->trigger();
    settings.exchange.PortName = QStringLiteral("/nonexistent/tty");
    bool seen = false;
    QTimer::singleShot(0, [&] {
        TFObmen* obmen = window.obmen();
        seen = obmen->isVisible();
        EXPECT_EQ(obmen->windowTitle(), "Обмен с ВЕГ-78");
        EXPECT_EQ(child<QLabel>(*obmen, "Label1")->text(), "ВЕГ-78");
        EXPECT_TRUE(obmen->menuItem(ExchangeForm::Command::Write)->isEnabled()); // a new file
        obmen->close();
    });
    window.action("N_Obmen")->trigger();
    EXPECT_TRUE(seen);
    ASSERT_EQ(dialogs.asked.size(), 1);
    EXPECT_TRUE(dialogs.asked[0].startsWith("info: Ошибка инициализации порта /nonexistent/tty"));
}

TEST_F(ExchangeWindowTest, SearchWriteAndReadThroughTheControls)
{
    sim::ManualClock clock;
    sim::SimOptions o;
    sim::GatewaySimulator simulator(o);
    ExchangeSettings& e = settings.exchange;
    e.AdapterKind = ExchangeSettings::kRs232;
    e.PortName = QStringLiteral("COM1");
    e.GatewayNumber = 0x20;
    FakeHost host;
    host.config.CreateFor(ProtocolVariant::Modbus);
    host.config.ResetCommon();
    host.config.IsNewFile = true;
    TFObmen window(
        settings, dialogs, host, nullptr,
        [&] { return std::make_unique<sim::SimulatorPort>(simulator, clock); },
        std::make_unique<DailyLog>(dir.path()), &clock);
    int replaced = 0;
    QObject::connect(&window, &TFObmen::configurationReplaced, [&] { ++replaced; });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_FALSE(child<QPushButton>(window, "Button1")->isVisible());

    // Search 20..25: the Cyrillic "А" on the F key gives F, a selected box takes a new digit.
    window.menuItem(ExchangeForm::Command::Search)->trigger();
    auto* action = child<QPushButton>(window, "Button1");
    EXPECT_EQ(action->text(), "Найти");
    auto* to = child<QLineEdit>(window, "Edit2");
    to->setFocus();
    to->selectAll();
    typeText(to, QStringLiteral("2А"));
    EXPECT_EQ(to->text(), "2F");
    to->selectAll();
    typeText(to, QStringLiteral("25"));
    typeText(to, QStringLiteral("7")); // a third digit is refused
    EXPECT_EQ(to->text(), "25");
    child<QCheckBox>(window, "CheckBox1")->setChecked(true);
    // "Быстрый поиск" stands with the search, off, its hint giving the answer time.
    auto* quick = child<QCheckBox>(window, "QuickBox");
    EXPECT_TRUE(quick->isVisible());
    EXPECT_FALSE(quick->isChecked());
    EXPECT_TRUE(quick->toolTip().contains("ожиданием ответа 200 мс")) << quick->toolTip().toStdString();
    EXPECT_TRUE(quick->toolTip().contains("найдёт обычный поиск"));

    // A selected text wiped with Backspace or Delete leaves an empty box, and the search reads
    // the empty box, not the number it held: it asks for the range instead of searching.
    for (const Qt::Key wipe : {Qt::Key_Backspace, Qt::Key_Delete}) {
        to->selectAll();
        QTest::keyClick(to, wipe);
        EXPECT_EQ(to->text(), "");
        EXPECT_EQ(window.form().range[ExchangeForm::GatewayTo], "");
        dialogs.asked.clear();
        QTest::mouseClick(action, Qt::LeftButton);
        EXPECT_EQ(dialogs.asked, QStringList{"info: Введите правильно диапазон поиска!"});
        EXPECT_EQ(child<QLabel>(window, "Label1")->text(), "ВЕГ-78");
        EXPECT_EQ(child<QTableWidget>(window, "ProfGrid1")->rowCount(), 0);
        typeText(to, QStringLiteral("25"));
    }
    dialogs.asked.clear();
    QTest::mouseClick(action, Qt::LeftButton);
    EXPECT_EQ(child<QLabel>(window, "Label1")->text(), "Поиск завершен");
    auto* grid = child<QTableWidget>(window, "ProfGrid1");
    ASSERT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->item(0, 1)->text(), "25");
    EXPECT_EQ(grid->item(0, 2)->text(), "ВЕГ (Modbus)");
    EXPECT_EQ(grid->item(0, 0)->checkState(), Qt::Checked);
    EXPECT_EQ(e.GatewayNumber, 0x25);

    // The caption's double click shows the log in the grid's place.
    QTest::mouseDClick(child<QLabel>(window, "Label1"), Qt::LeftButton);
    auto* memo = child<QPlainTextEdit>(window, "Memo1");
    EXPECT_TRUE(memo->isVisible());
    EXPECT_FALSE(grid->isVisible());
    EXPECT_TRUE(memo->toPlainText().contains(">> 10 40 25 01 00 F0 00 56 16"));

    // Write, with the action button and the menu disabled while it runs; the gateway's
    // configuration is kept first (a new file: in the documents folder).
    window.form().documentsFolder = dir.filePath("Документы");
    window.menuItem(ExchangeForm::Command::Write)->trigger();
    EXPECT_EQ(action->text(), "Записать");
    auto* backup = child<QCheckBox>(window, "BackupBox");
    EXPECT_TRUE(backup->isVisible());
    EXPECT_TRUE(backup->isChecked());
    EXPECT_FALSE(quick->isVisible());
    bool disabledWhileRunning = true;
    int pumps = 0;
    const auto render = window.form().changed;
    window.form().changed = [&] {
        render();
        ++pumps;
        disabledWhileRunning =
            disabledWhileRunning &&
            (!window.form().busy ||
             (!action->isEnabled() && !window.menuItem(ExchangeForm::Command::Read)->isEnabled() &&
              child<QPushButton>(window, "Button2")->isEnabled()));
    };
    QTest::mouseClick(action, Qt::LeftButton);
    window.form().changed = render;
    EXPECT_GT(pumps, 500);
    EXPECT_TRUE(disabledWhileRunning);
    EXPECT_EQ(window.form().caption, "Запись завершена, ВЕГ совпадает с конфигурацией");
    EXPECT_TRUE(dialogs.asked.isEmpty()) << dialogs.asked.join('|').toStdString();
    auto* verify = child<QCheckBox>(window, "VerifyBox");
    EXPECT_TRUE(verify->isVisible());
    EXPECT_TRUE(verify->isChecked());
    EXPECT_EQ(QDir(dir.filePath("Документы")).entryList({"ВЕГ 25 *.veg"}).size(), 1);

    // "Сравнение с ВЕГ": the gateway holds what was just written.
    window.menuItem(ExchangeForm::Command::Compare)->trigger();
    EXPECT_FALSE(verify->isVisible());
    EXPECT_FALSE(backup->isVisible());
    EXPECT_EQ(action->text(), "Сравнить");
    QTest::mouseClick(action, Qt::LeftButton);
    EXPECT_EQ(window.form().caption, "Конфигурация в ВЕГ совпадает с загруженной");
    EXPECT_EQ(dialogs.asked, QStringList{"info: Конфигурация в ВЕГ совпадает с загруженной"});
    dialogs.asked.clear();
    // A long line written to the log while it is hidden (as the differences of a comparison are)
    // leaves the log's start in view when it is shown, not only that line's end.
    if (memo->isVisible())
        QTest::mouseDClick(child<QLabel>(window, "Label1"), Qt::LeftButton);
    ASSERT_FALSE(memo->isVisible());
    window.form().WriteLog(QStringLiteral("Не сравниваются (их нет в образе ВЕГ): ") + QString(400, u'ж'));
    QTest::mouseDClick(child<QLabel>(window, "Label1"), Qt::LeftButton);
    ASSERT_TRUE(memo->isVisible());
    EXPECT_EQ(memo->horizontalScrollBar()->value(), 0);

    // Read back: the configuration is replaced and the main window told.
    window.menuItem(ExchangeForm::Command::Read)->trigger();
    QTest::mouseClick(action, Qt::LeftButton);
    EXPECT_EQ(window.form().caption, "Чтение завершено");
    EXPECT_EQ(replaced, 1);
    EXPECT_TRUE(host.config.IsReadBack);
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(readFile(settings.path()).contains("SetNVEG=25"));
}
