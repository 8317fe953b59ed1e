// The editor windows over their forms, offscreen: merged headings, grey cells, hints, in-cell
// editors with their key filters, drops from the tree, buttons, the closing checks that keep a
// window open, and the main menu's items that open them. With VEG_SCREENSHOTS set to a folder the
// windows are also saved there as pictures.
#include "../editors/EditorFixture.h"
#include "WindowActions.h"

#include "core/ui/Dialogs.h"
#include "core/settings/ProgramSettings.h"
#include "core/editors/CommonSettingsForm.h"
#include "core/editors/EditorSet.h"
#include "core/editors/GroupParamsForm.h"
#include "core/editors/ModbusTelecontrolForm.h"
#include "gui/app/TFNastr.h"
#include "gui/editors/TFCommon.h"
#include "gui/editors/TFGroup.h"
#include "gui/editors/TFModbusTU.h"
#include "gui/widgets/EditorGridView.h"
#include "gui/widgets/ParamTreeView.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace veg;
using namespace vegtest;

namespace {

class EditorWindowsTest : public EditorFixture
{
protected:
    GatewayConfig config = GatewayConfig{};
    ScriptedDialogs dialogs;
    std::unique_ptr<EditorSession> session;
    std::unique_ptr<EditorSet> editors;

    void open(EditorDialog& window, GatewayConfig c)
    {
        config = std::move(c);
        window.FormActivate();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void make(ProtocolVariant p = ProtocolVariant::Modbus)
    {
        config = site(p);
        session = std::make_unique<EditorSession>(config, dialogs, additional);
        editors = std::make_unique<EditorSet>(*session);
    }
};

} // namespace

TEST_F(EditorWindowsTest, TelecontrolGridShowsItsHeadingsAndCells)
{
    make();
    config.ModbusCoilTable[0].TU1 = {2, 0x1A, 0x0201, 1};
    config.ModbusCoilTable[0].NameTU1 = "Откр";
    config.ModbusCoilTable[0].Coil = 8;
    config.ModbusCoilTable[0].TypeTU = 0x01; // potential
    TFModbusTU w(editors->modbusTelecontrol());
    show(w);
    EXPECT_EQ(w.windowTitle(), "Телеуправление");
    QTableView* heading = w.gridView()->headingView();
    EXPECT_EQ(heading->rowSpan(0, 4), 2);
    EXPECT_EQ(heading->columnSpan(0, 4), 2);
    EXPECT_EQ(heading->model()->index(0, 4).data().toString(), "Сигнал ТУ");
    EXPECT_EQ(heading->columnSpan(0, 6), 4);
    EXPECT_EQ(heading->rowSpan(0, 1), 3);
    EXPECT_TRUE(heading->isRowHidden(3));
    EXPECT_TRUE(w.gridView()->body()->isRowHidden(2));
    EXPECT_FALSE(w.gridView()->body()->isRowHidden(3));
    // The merged heading is drawn across its columns.
    EXPECT_GT(heading->visualRect(heading->model()->index(0, 4)).width(),
              heading->columnWidth(4) + heading->columnWidth(5) / 2);

    const QAbstractItemModel* m = w.gridView()->body()->model();
    EXPECT_EQ(m->index(3, 1).data().toString(), "8");
    EXPECT_EQ(m->index(3, 4).data(Qt::ToolTipRole).toString(), "02 0201 1A");
    EXPECT_FALSE(m->index(3, 1).data(Qt::ToolTipRole).isValid()); // no hint outside references
    EXPECT_FALSE(m->index(0, 4).data(Qt::ToolTipRole).isValid());
    EXPECT_EQ(m->index(3, 6).data(Qt::BackgroundRole).value<QColor>(), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(m->index(4, 6).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::white));
    screenshot(w, "TFModbusTU");
}

// A parameter dragged from the tree and dropped on a reference cell is placed there.
TEST_F(EditorWindowsTest, DropFromTheTreeOntoTheGrid)
{
    make();
    TFModbusTU w(editors->modbusTelecontrol());
    show(w);
    const ParamTree& tree = *editors->modbusTelecontrol().tree();
    const int node = tree.find({"plant", "Задвижка обратки", "ЗакрО (№ 0202)"});
    ASSERT_GE(node, 0);
    // The tree's own drag data for the node.
    std::unique_ptr<QMimeData> data(
        w.treeView()->model()->mimeData({w.treeView()->indexOfNode(node)}));
    ASSERT_NE(data, nullptr);
    QWidget* viewport = w.gridView()->body()->viewport();
    const QPoint at = w.gridView()->cellRect(5, 4).center();
    QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &drop);
    QCoreApplication::processEvents();
    EXPECT_EQ(config.ModbusCoilTable[2].TU1, (ParamCore{2, 0x2B, 0x0202, 7}));
    EXPECT_EQ(w.gridView()->body()->model()->index(5, 4).data().toString(),
              "ЗакрО (№ 0202)/Задвижка обратки(plant)");
    EXPECT_TRUE(config.Changed.ModbusCoilChanged);
    EXPECT_TRUE(dialogs.asked.isEmpty());
    screenshot(w, "TFModbusTU-drop");
}

// Keys go through the form's filter in the cell editor; a choice in a drop-down goes to the form.
TEST_F(EditorWindowsTest, CellEditorsTakeWhatTheFormAllows)
{
    make();
    TFModbusTU w(editors->modbusTelecontrol());
    show(w);
    EditorGridView& grid = *w.gridView();
    clickCell(grid, 4, 1);
    QTest::keyClick(grid.body(), Qt::Key_1, {}); // the key opens the editor and goes into it
    auto* edit = grid.body()->findChild<QLineEdit*>("CellEdit");
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(edit, "x2");
    EXPECT_EQ(edit->text(), "12"); // "нет" went with the first digit, the letter was swallowed
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(config.ModbusCoilTable[1].Coil, 12);

    clickCell(grid, 4, 2);
    QCoreApplication::processEvents();
    auto* combo = grid.body()->findChild<QComboBox*>("CellDropDown");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 2);
    combo->activated(1); // "потенциал"
    QCoreApplication::processEvents();
    EXPECT_EQ(config.ModbusCoilTable[1].TypeTU & 0x01, 1);
    EXPECT_EQ(grid.body()->model()->index(4, 2).data().toString(), "потенциал");
    EXPECT_EQ(grid.body()->model()->index(4, 6).data(Qt::BackgroundRole).value<QColor>(),
              QColor(0xC0, 0xC0, 0xC0));
}

// A row that is not complete keeps the window open with its message.
TEST_F(EditorWindowsTest, ClosingCheckKeepsTheWindowOpen)
{
    make();
    config.ModbusCoilTable[0].Coil = 4;
    TFModbusTU w(editors->modbusTelecontrol());
    show(w);
    w.reject();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(dialogs.asked, QStringList{"info: Не введен сигнал ТУ!(Строка 1)"});
    config.ModbusCoilTable[0].Coil = 0xFFFF;
    w.reject();
    EXPECT_FALSE(w.isVisible());
}

TEST_F(EditorWindowsTest, GroupSlotsFromTheTree)
{
    make();
    TFGroup w(editors->groupParams());
    show(w);
    EXPECT_EQ(w.windowTitle(), "Настройка групповых параметров");
    const ParamTree& tree = *editors->groupParams().tree();
    w.treeView()->setCurrentIndex(
        w.treeView()->indexOfNode(tree.find({"Насосная", "Котлы", "ГрК (№ 0421)"})));
    QTest::mouseClick(w.findChild<QPushButton*>("ButtonSlot3"), Qt::LeftButton);
    auto* slot = w.findChild<QLineEdit*>("Slot3");
    EXPECT_EQ(slot->text(), "ГрК (№ 0421)/Котлы(Насосная)");
    EXPECT_EQ(slot->toolTip(), "0421 1A");
    EXPECT_TRUE(slot->isReadOnly());
    EXPECT_EQ(config.GroupParams[2].ParamNumber, 0x0421);
    // A click on an empty slot selects the first node.
    QTest::mouseClick(w.findChild<QLineEdit*>("Slot1"), Qt::LeftButton);
    EXPECT_EQ(w.treeView()->currentIndex(), w.treeView()->indexOfNode(tree.firstNode()));
    screenshot(w, "TFGroup");
}

TEST_F(EditorWindowsTest, CommonSettingsOfTheProtocol)
{
    make(ProtocolVariant::KtsEnergia);
    TFCommon w(editors->commonSettings());
    show(w);
    EXPECT_EQ(w.windowTitle(), "Общие настройки");
    EXPECT_EQ(w.findChild<QLabel*>("Title")->text(), "КТС Энергия");
    EXPECT_FALSE(w.findChild<QGroupBox*>("GroupReceive")->isVisible());
    auto* transmit = w.findChild<QGroupBox*>("GroupTransmit");
    EXPECT_TRUE(transmit->isVisible());
    EXPECT_FALSE(transmit->findChild<QWidget*>("TBit0")->isEnabled());
    // "Передача" stands where "Прием" stands for the other protocols.
    EXPECT_EQ(transmit->geometry().left(),
              w.findChild<QLineEdit*>("AdrCAN")->parentWidget()->geometry().left());
    EXPECT_FALSE(w.findChild<QWidget*>("V_Ext")->isEnabled());
    screenshot(w, "TFCommon-KTS");

    // A full box takes Backspace only, also with its text selected.
    auto* can = w.findChild<QLineEdit*>("AdrCAN");
    const QString was = can->text();
    ASSERT_EQ(was.size(), 2);
    can->setFocus();
    can->selectAll();
    typeText(can, QStringLiteral("фс"));
    EXPECT_EQ(can->text(), was);
    QTest::keyClick(can, Qt::Key_Backspace);
    EXPECT_EQ(can->text(), "");
    typeText(can, QStringLiteral("фсв"));
    EXPECT_EQ(can->text(), "AC");
    QTest::keyClick(can, Qt::Key_Backspace);
    EXPECT_EQ(can->text(), "A");
    QTest::mouseClick(w.findChild<QPushButton*>("ButtonПоместить"), Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(config.Common.AdrCAN, 0x0A);
    EXPECT_TRUE(config.Changed.CommonChanged);
}

// "10 бит" disables only its parity, not the format beside it.
TEST_F(EditorWindowsTest, ModbusCommonSettings)
{
    make(ProtocolVariant::Modbus);
    TFCommon w(editors->commonSettings());
    show(w);
    EXPECT_TRUE(w.findChild<QWidget*>("RBit0")->isEnabled());
    EXPECT_FALSE(w.findChild<QWidget*>("RCon0")->isEnabled());
    EXPECT_TRUE(w.findChild<QWidget*>("Const1")->isVisible());
    screenshot(w, "TFCommon-Modbus");
}

TEST_F(EditorWindowsTest, HartCommonSettings)
{
    make(ProtocolVariant::Hart);
    TFCommon w(editors->commonSettings());
    show(w);
    EXPECT_TRUE(w.findChild<QLineEdit*>("AdrLong2")->isVisible());
    EXPECT_FALSE(w.findChild<QLineEdit*>("AdrLong1")->isEnabled());
    EXPECT_FALSE(w.findChild<QLineEdit*>("AdrExt")->isVisible());
    screenshot(w, "TFCommon-HART");
}

// The main menu opens the editors; their titles are exactly the captions.
TEST_F(EditorWindowsTest, MainMenuOpensTheEditors)
{
    QTemporaryDir dir;
    ProgramSettings settings(dir.filePath("vegconf.ini"));
    TFNastr window(settings, dialogs);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.action("N_New_Modbus")->trigger();
    window.config().Controllers.push_back(controller(pumpQueue(), 0x1A));
    struct Seen
    {
        QString name, title;
    };
    for (const auto& [item, name, title] :
         {std::tuple{"N_GatewayCommon", "TFCommon", "Общие настройки"},
          std::tuple{"N_Group", "TFGroup", "Настройка групповых параметров"},
          std::tuple{"N_ModbusTU", "TFModbusTU", "Телеуправление"}}) {
        Seen seen;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                seen = {modal->objectName(), modal->windowTitle()};
                modal->close();
                closer.stop();
            }
        });
        closer.start(10);
        window.action(item)->trigger();
        closer.stop();
        EXPECT_EQ(seen.name, name);
        EXPECT_EQ(seen.title, title);
    }
    EXPECT_NE(window.editorWindow("TFModbusTU"), nullptr);
}
