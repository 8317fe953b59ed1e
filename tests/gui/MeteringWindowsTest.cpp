// The windows of the УНК ТМ, HART and КТС Энергия tables over their forms, offscreen: the
// transposed grid with its titles, the masked password cell and field with their questions, the
// device selector, the in-cell spin edit, the decimal separator, the check boxes and grey cells,
// and the main menu's items that open them. With VEG_SCREENSHOTS set to a folder the windows are
// also saved there as pictures.
#include "../editors/MeteringFixture.h"
#include "WindowActions.h"

#include "core/settings/ProgramSettings.h"
#include "core/editors/EditorSet.h"
#include "core/editors/HartDevicesForm.h"
#include "core/editors/KtsGroupsForm.h"
#include "core/editors/KtsSignalsForm.h"
#include "core/editors/UnkThreadsForm.h"
#include "gui/app/TFNastr.h"
#include "gui/editors/TFHART.h"
#include "gui/editors/TFKTC_Gr.h"
#include "gui/editors/TFKTC_TC.h"
#include "gui/editors/TFUNK.h"
#include "gui/widgets/EditorGridView.h"
#include "gui/widgets/ParamTreeView.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace veg;
using namespace vegtest;

namespace {

class MeteringWindowsTest : public MeteringFixture
{
protected:
    GatewayConfig config = GatewayConfig{};
    ScriptedDialogs dialogs;
    std::unique_ptr<EditorSession> session;
    std::unique_ptr<EditorSet> editors;

    void make(ProtocolVariant p, QChar separator = u'.')
    {
        config = station(p);
        session = std::make_unique<EditorSession>(config, dialogs, additional, separator);
        editors = std::make_unique<EditorSet>(*session);
    }
};

} // namespace

// The transposed grid: titles in column 0, a column per thread; the masked password cell asks
// to fill its free places when it is left, the masked field under the grid when the focus
// leaves it.
TEST_F(MeteringWindowsTest, ThreadsAndTheirPasswords)
{
    make(ProtocolVariant::UnkTm);
    config.UnkThreads[0].SetN = 0x21;
    config.UnkThreads[0].Name = threadName("Нитка А");
    config.GroupParams[13] = {255, 0x0105, 1, "ЧасQ (№ 0105)/Нитка 1(Узел учёта)"};
    config.UnkThreads[0].RazmHour = 60;
    TFUNK w(*editors->find<UnkThreadsForm>());
    show(w);
    EXPECT_EQ(w.windowTitle(), "Вычислитель");
    EditorGridView& grid = *w.gridView();
    const QAbstractItemModel* heading = grid.headingView()->model();
    EXPECT_EQ(heading->index(0, 2).data().toString(), "2-я нитка ");
    EXPECT_EQ(shown(grid, 19, 0), "Архив расхода по часам");
    EXPECT_EQ(shown(grid, 1, 1), "Нитка А");
    EXPECT_EQ(shown(grid, 19, 1), "ЧасQ (№ 0105)/Нитка 1(Узел учёта)");
    EXPECT_EQ(grid.body()->model()->index(19, 1).data(Qt::ToolTipRole).toString(), "0105 21");
    EXPECT_EQ(grid.body()->model()->index(25, 1).data(Qt::BackgroundRole).value<QColor>(),
              QColor(0xC0, 0xC0, 0xC0));
    EXPECT_TRUE(w.treeView()->isVisible());
    screenshot(w, "TFUNK");

    // Row 2: the masked edit opens selected, takes "ф" as "A", and its free places are filled
    // with zeros when it is left and the user says so.
    clickCell(grid, 2, 1);
    QTest::keyClick(grid.body(), Qt::Key_1);
    auto* edit = grid.body()->findChild<QLineEdit*>("CellEdit");
    ASSERT_NE(edit, nullptr);
    QKeyEvent cyr(QEvent::KeyPress, Qt::Key_unknown, {}, QStringLiteral("ф"));
    QApplication::sendEvent(edit, &cyr);
    EXPECT_EQ(edit->displayText(), "1A __ __ __ __ __ __ __ __ __ __ __ __ __ __ __");
    dialogs.confirms = {true};
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.asked, QStringList{"confirm: Введены не все данные.Заменить нулями?"});
    EXPECT_EQ(shown(grid, 2, 1), "1A 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");

    // The time-and-date password under the grid.
    QLineEdit* field = w.timePassword();
    EXPECT_TRUE(field->isVisible());
    EXPECT_EQ(field->displayText(), "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "ab");
    EXPECT_EQ(field->displayText(), "AB __ __ __ __ __ __ __ __ __ __ __ __ __ __ __");
    dialogs.confirms = {false};
    QTest::mouseClick(grid.body()->viewport(), Qt::LeftButton, {}, grid.cellRect(6, 1).center());
    QCoreApplication::processEvents();
    ASSERT_EQ(dialogs.asked.size(), 2);
    EXPECT_EQ(dialogs.asked.last(), "confirm: Введены не все данные.Заменить нулями?");
    EXPECT_EQ(field->displayText(), "AB __ __ __ __ __ __ __ __ __ __ __ __ __ __ __");

    // Closing asks again; Yes stores both passwords.
    dialogs.confirms = {true};
    w.reject();
    EXPECT_FALSE(w.isVisible());
    ASSERT_EQ(dialogs.asked.size(), 3);
    EXPECT_EQ(dialogs.asked.last(),
              "confirm: В пароле записи времени и даты введены не все данные.Заменить нулями?");
    EXPECT_EQ(config.UnkThreads[0].Parole[0], 0x1A);
    EXPECT_EQ(config.ParoleWr[0], 0xAB);
    EXPECT_EQ(config.ParoleWr[1], 0x00);
    EXPECT_TRUE(config.Changed.UnkChanged);
}

// The device selector stores the codes typed for the device shown and shows the next.
TEST_F(MeteringWindowsTest, DeviceSelector)
{
    make(ProtocolVariant::Hart);
    config.HartDevices[1] = {0x05, 0x06, 0x07, 0x22, 255};
    TFHART w(*editors->find<HartDevicesForm>());
    show(w);
    EXPECT_EQ(w.windowTitle(), "Настройка параметров");
    EditorGridView& grid = *w.gridView();
    EXPECT_EQ(grid.headingView()->model()->index(0, 1).data().toString(), "Устройство HART - 1");
    EXPECT_EQ(shown(grid, 1, 1), "нет");
    EXPECT_FALSE(w.treeView()->isVisible()); // device 1 has no controller
    clickCell(grid, 2, 1);
    clickCell(grid, 1, 1);
    QTest::keyClick(grid.body(), Qt::Key_A);
    auto* edit = grid.body()->findChild<QLineEdit*>("CellEdit");
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(edit, "bc");
    EXPECT_EQ(edit->text(), "AB"); // two digits at most
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents();

    QComboBox* selector = w.deviceSelector();
    EXPECT_EQ(selector->count(), 16);
    selector->activated(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(config.HartDevices[0].TypeHart, 0xAB);
    EXPECT_EQ(grid.headingView()->model()->index(0, 1).data().toString(), "Устройство HART - 2");
    EXPECT_EQ(shown(grid, 1, 1), "05");
    EXPECT_EQ(shown(grid, 4, 1), "Котельная( CAN-адрес - 22)");
    EXPECT_TRUE(w.treeView()->isVisible());
    screenshot(w, "TFHART");
}

// Scales under a decimal comma: "." typed enters ","; the decimals in an in-cell spin edit.
TEST_F(MeteringWindowsTest, GroupScalesAndDecimals)
{
    make(ProtocolVariant::KtsEnergia, u',');
    KtsGroup& k = config.KtsGroups[0];
    k.SetN = 0x21;
    k.ParamNumber = 0x0101;
    k.TaskNumber = 1;
    k.Name = "Плотн (№ 0101)/Нитка 1(Узел учёта)";
    k.EndScale = 100;
    TFKTC_Gr w(*editors->find<KtsGroupsForm>());
    show(w);
    EXPECT_EQ(w.windowTitle(), "Гребёнка");
    EditorGridView& grid = *w.gridView();
    EXPECT_EQ(shown(grid, 1, 3), "0,00");
    EXPECT_EQ(shown(grid, 1, 4), "100,00");

    clickCell(grid, 1, 3);
    QTest::keyClick(grid.body(), Qt::Key_2);
    auto* edit = grid.body()->findChild<QLineEdit*>("CellEdit");
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(edit, ".5");
    EXPECT_EQ(edit->text(), "2,5");
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents();

    clickCell(grid, 1, 5);
    QTest::keyClick(grid.body(), Qt::Key_F2);
    auto* spin = grid.body()->findChild<QSpinBox*>("CellSpin");
    ASSERT_NE(spin, nullptr);
    EXPECT_EQ(spin->maximum(), 8);
    spin->setValue(4);
    QTest::keyClick(spin, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown(grid, 1, 5), "4");
    screenshot(w, "TFKTC_Gr");

    w.reject();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(k.BegScale, 2.5f);
    EXPECT_EQ(k.Number, 4);
}

// Check boxes and grey cells of the telesignal grid.
TEST_F(MeteringWindowsTest, SignalBoxesAndGreyCells)
{
    make(ProtocolVariant::KtsEnergia);
    config.KtsSignals[0] = {0x00, 0x21, 0x0201, 2, "Ав (№ 0201)/Сигналы узла(Узел учёта)"};
    config.GroupParams[1] = {0x21, 0x0321, 3, "ГрУ"};
    config.KtsSignals[1] = {0x01, 255, 0x0107, 0xFFFF, "ГрУ (№ 0321)"};
    TFKTC_TC w(*editors->find<KtsSignalsForm>());
    show(w);
    EXPECT_EQ(w.windowTitle(), "Настройка ТС");
    EditorGridView& grid = *w.gridView();
    const QAbstractItemModel* m = grid.body()->model();
    const QColor grey(0xC0, 0xC0, 0xC0);
    EXPECT_EQ(m->index(1, 5).data(Qt::BackgroundRole).value<QColor>(), grey);
    EXPECT_EQ(m->index(2, 2).data(Qt::BackgroundRole).value<QColor>(), grey);
    EXPECT_EQ(shown(grid, 2, 5), "7");
    EXPECT_EQ(m->index(2, 3).data(Qt::ToolTipRole).toString(), "0107 FF");
    EXPECT_EQ(m->index(1, 4).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    clickCell(grid, 1, 4);
    EXPECT_EQ(m->index(1, 4).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    screenshot(w, "TFKTC_TC");
    w.reject();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(config.KtsSignals[0].Flags, 0x80);
}

// The main menu opens each window for its protocol; their titles are exactly the captions.
TEST_F(MeteringWindowsTest, MainMenuOpensTheWindows)
{
    QTemporaryDir dir;
    ProgramSettings settings(dir.filePath("vegconf.ini"));
    TFNastr window(settings, dialogs);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    for (const auto& [protocol, item, name, title] :
         {std::tuple{"N_New_UnkTm", "N_UNK", "TFUNK", "Вычислитель"},
          std::tuple{"N_New_Hart", "N_HART", "TFHART", "Настройка параметров"},
          std::tuple{"N_New_KtsEnergia", "N_KTC_Gr", "TFKTC_Gr", "Гребёнка"},
          std::tuple{"N_New_KtsEnergia", "N_KTC_TC", "TFKTC_TC", "Настройка ТС"}}) {
        window.action(protocol)->trigger();
        window.config().Controllers.push_back(controller(stationQueue(), 0x21));
        EXPECT_TRUE(window.action(item)->isVisible());
        QString seenName, seenTitle;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                seenName = modal->objectName();
                seenTitle = modal->windowTitle();
                modal->close();
                closer.stop();
            }
        });
        closer.start(10);
        window.action(item)->trigger();
        closer.stop();
        EXPECT_EQ(seenName, name);
        EXPECT_EQ(seenTitle, title);
        window.config().Changed = {}; // no question before the next File -> New
    }
}
