#include "TestSupport.h"

#include "gui/app/TFNastr.h"
#include "core/settings/ProgramSettings.h"
#include "gui/link/TFNastrObm.h"
#include "gui/modbus/TFObmenModbus.h"

#include <QAction>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace veg;
using namespace vegtest;

namespace {

class MainWindowTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    ProgramSettings settings{dir.filePath("vegconf.ini")};
    ScriptedDialogs dialogs;
    TFNastr window{settings, dialogs};

    void SetUp() override
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void trigger(const char* name) { window.action(QString::fromLatin1(name))->trigger(); }
    bool visible(const char* name) { return window.action(QString::fromLatin1(name))->isVisible(); }
    QString status() { return window.findChild<QLabel*>("StatusPanel")->text(); }
    QStringList topMenus()
    {
        QStringList out;
        for (QAction* a : window.menuBar()->actions()) {
            if (a->isVisible())
                out << a->text();
        }
        return out;
    }
};

} // namespace

TEST_F(MainWindowTest, StartsWithoutAConfiguration)
{
    EXPECT_EQ(window.windowTitle(), "Настройка протоколов и работа с  ВЕГ78 (версия 18)");
    EXPECT_EQ(topMenus(), (QStringList{"Файл", "Общие настройки", "Настройка обмена", "Обмен с  ВЕГ",
                                       "Тест связи по Modbus"}));
    EXPECT_FALSE(visible("N_Save"));
    EXPECT_FALSE(visible("N_SaveAs"));
    EXPECT_TRUE(visible("N_Load"));
    EXPECT_FALSE(window.findChild<QProgressBar*>("ProgressBar1")->isVisible());
    EXPECT_EQ(window.findChild<QProgressBar*>("ProgressBar1")->maximum(), 116);
    EXPECT_EQ(window.pos(), window.screen()->availableGeometry().topLeft());
}

TEST_F(MainWindowTest, NewShowsTheProtocolAndItsMenus)
{
    trigger("N_New_Modbus");
    EXPECT_EQ(window.windowTitle(), "Настройка протоколов и работа с ВЕГ78 (протокол Modbus)(версия 18)");
    EXPECT_EQ(status(), "Новый файл");
    EXPECT_TRUE(topMenus().contains("Настройки ВЕГ"));
    EXPECT_TRUE(visible("N_Save") && visible("N_SaveAs"));
    QStringList items;
    for (QAction* a : window.vegSettingsMenu()->actions()) {
        if (a->isVisible())
            items << a->text();
    }
    EXPECT_EQ(items, (QStringList{"Общие настройки", "Список контроллеров", "Групповые параметры", "ТУ",
                                  "ТС", "ТИ с плавающей точкой"}));

    window.config().Changed.ModbusTcChanged = true;
    dialogs.confirms = {false};
    trigger("N_New_Hart");
    EXPECT_EQ(dialogs.asked, QStringList{"confirm: Сохранить изменения?"});
    EXPECT_TRUE(window.windowTitle().endsWith("(протокол HART)(версия 18)"));
    items.clear();
    for (QAction* a : window.vegSettingsMenu()->actions()) {
        if (a->isVisible())
            items << a->text();
    }
    EXPECT_EQ(items, (QStringList{"Общие настройки", "Список контроллеров", "Настройка параметров"}));
}

TEST_F(MainWindowTest, SaveAsThenLoadShowTheFileInTheStatusBar)
{
    trigger("N_New_KtsEnergia");
    dialogs.files = {dir.filePath("kts")};
    trigger("N_Save");
    EXPECT_EQ(status(), dir.filePath("kts.veg"));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("kts.veg")));

    trigger("N_New_UnkTm");
    dialogs.files = {dir.filePath("kts.veg")};
    trigger("N_Load");
    EXPECT_TRUE(window.windowTitle().contains("(протокол КТС Энергия)"));
    EXPECT_EQ(status(), dir.filePath("kts.veg"));
    EXPECT_FALSE(window.findChild<QProgressBar*>("ProgressBar1")->isVisible());
    EXPECT_FALSE(window.findChild<QLabel*>("Label1")->isVisible());
}

TEST_F(MainWindowTest, ClosingAsksAndAYesWithoutASaveKeepsTheWindowOpen)
{
    trigger("N_New_Magistral1");
    window.config().Changed.TcChanged = true;
    dialogs.confirms = {true};
    dialogs.files = {std::nullopt};
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());

    dialogs.confirms = {false};
    trigger("N_Exit");
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(dialogs.asked.count("confirm: Сохранить изменения?"), 2);
}

TEST_F(MainWindowTest, ExchangeSettingsWindowShowsThePanelsOfTheLink)
{
    TFNastrObm* w = window.nastrObm();
    ASSERT_NE(w, nullptr);
    w->FormActivate();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    auto visible = [&](const char* name) { return w->findChild<QWidget*>(name)->isVisible(); };
    // CAN-BUS is the default link: the PC number and the CAN speed stand in place of the others.
    EXPECT_TRUE(visible("EditPcNumber"));
    EXPECT_TRUE(visible("ComboCanSpeed"));
    EXPECT_FALSE(visible("RadioGroupCrc"));
    EXPECT_FALSE(visible("ComboSpeed"));
    EXPECT_FALSE(visible("CheckAdapter"));

    auto* group = w->findChild<QGroupBox*>("RadioGroupLink");
    QList<QRadioButton*> links = group->findChildren<QRadioButton*>();
    ASSERT_EQ(links.size(), 2);
    EXPECT_EQ(links[0]->text(), "RS-232 ");
    // A radio button takes a click on its indicator and text, not on the rest of its width.
    auto click = [](QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2)); };
    click(links[0]);
    EXPECT_TRUE(links[0]->isChecked());
    EXPECT_TRUE(visible("RadioGroupCrc"));
    EXPECT_TRUE(visible("CheckAdapter"));
    EXPECT_FALSE(visible("EditAdapter"));
    EXPECT_FALSE(w->findChild<QWidget*>("ComboSpeed")->isEnabled());
    click(w->findChild<QCheckBox*>("CheckAdapter"));
    EXPECT_TRUE(visible("EditAdapter"));
    EXPECT_TRUE(w->findChild<QWidget*>("ComboSpeed")->isEnabled());
    EXPECT_TRUE(settings.exchange.ViaAdapter);

    // Only digits reach the PC number.
    auto* pc = w->findChild<QLineEdit*>("EditPcNumber");
    click(links[1]);
    pc->selectAll();
    QTest::keyClicks(pc, "1a2");
    EXPECT_EQ(pc->text(), "12");

    QTest::mouseClick(w->findChild<QPushButton*>("ButtonApply"), Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(settings.exchange.PcNumber, 12);
    EXPECT_FALSE(settings.exchange.ViaAdapter); // CAN-BUS has no adapter
    EXPECT_TRUE(QFile::exists(dir.filePath("vegconf.ini")));
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

// The port box offers the port of the settings file after another was applied, takes a name
// typed, and shows a long name whole in its drop-down; the Modbus window's box does the same.
TEST_F(MainWindowTest, PortBoxesOfferTheStoredPortAndTakeATypedOne)
{
    const QString usb = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    settings.exchange.PortName = usb;
    TFNastrObm* w = window.nastrObm();
    auto open = [&]() -> QComboBox* {
        w->FormActivate();
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w));
        return w->findChild<QComboBox*>("ComboPort");
    };
    QComboBox* port = open();
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(port->isEditable());
    EXPECT_EQ(port->currentText(), usb);
    EXPECT_EQ(port->itemText(0), "COM1");
    EXPECT_GE(port->view()->minimumWidth(), port->fontMetrics().horizontalAdvance(usb));
    port->setCurrentIndex(2);
    emit port->activated(2);
    QTest::mouseClick(w->findChild<QPushButton*>("ButtonApply"), Qt::LeftButton);
    EXPECT_EQ(settings.exchange.PortName, "COM3");

    port = open();
    EXPECT_EQ(port->currentText(), "COM3");
    EXPECT_NE(port->findText(usb), -1); // still offered
    port->lineEdit()->selectAll();
    QTest::keyClicks(port->lineEdit(), "/tmp/vegsim-link");
    QTest::mouseClick(w->findChild<QPushButton*>("ButtonApply"), Qt::LeftButton);
    EXPECT_EQ(settings.exchange.PortName, "/tmp/vegsim-link");
    EXPECT_TRUE(dialogs.asked.isEmpty());

    settings.modbus.TestPortName = usb;
    TFObmenModbus* m = window.obmenModbus();
    m->FormActivate();
    m->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m));
    QComboBox* modbusPort = m->findChild<QComboBox*>("ComboPort");
    EXPECT_EQ(modbusPort->currentText(), usb);
    EXPECT_GE(modbusPort->view()->minimumWidth(), modbusPort->fontMetrics().horizontalAdvance(usb));
    EXPECT_EQ(modbusPort->toolTip(), usb);
    m->hide();
}

// The PC-number box filters printable characters only: Tab leaves it, Esc closes the window,
// Enter applies it (its default button).
TEST_F(MainWindowTest, PcNumberBoxLetsTabEnterAndEscThrough)
{
    TFNastrObm* w = window.nastrObm();
    auto open = [&]() -> QLineEdit* {
        w->FormActivate();
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w));
        QApplication::setActiveWindow(w);
        auto* pc = w->findChild<QLineEdit*>("EditPcNumber");
        pc->setFocus();
        return pc;
    };
    QLineEdit* pc = open();
    QTest::keyClick(pc, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), pc);
    pc->setFocus();
    QTest::keyClick(pc, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());

    pc = open();
    pc->selectAll();
    QTest::keyClicks(pc, "7");
    QTest::keyClick(pc, Qt::Key_Return);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(settings.exchange.PcNumber, 7);
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

TEST_F(MainWindowTest, LoadingAFileWithAMissingDatabaseOpensTheControllerList)
{
    writeFile(dir.filePath("missing.veg"),
              cp1251("[Protokol]\nName=HART\n[Config]\nWayUser0=nowhere.tsk\nNset0=1A\n"));
    dialogs.files = {dir.filePath("missing.veg")};
    QString opened;
    QTimer closer; // closes the controller list once its modal loop runs
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened = modal->objectName();
            modal->close();
            closer.stop();
        }
    });
    closer.start(10);
    trigger("N_Load");
    closer.stop();
    EXPECT_EQ(opened, "TFTask");
    EXPECT_TRUE(window.windowTitle().contains("(протокол HART)"));
    ASSERT_EQ(window.config().Controllers.size(), 1u);
    EXPECT_FALSE(window.config().Controllers[0].Present);
}
