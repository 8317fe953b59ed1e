// The windows of Магистраль-1's controlled points and of the Modbus discrete inputs and
// floating-point telemetry, offscreen: their controls bound to the forms, a sub-block window
// opened by its button, placing from the tree, "Печать", the main menu's items. With
// VEG_SCREENSHOTS set to a folder the windows are also saved there as pictures.
#include "../editors/EditorFixture.h"
#include "WindowActions.h"

#include "core/ui/Dialogs.h"
#include "core/settings/ProgramSettings.h"
#include "core/editors/EditorSet.h"
#include "core/editors/IkpForm.h"
#include "core/editors/ModbusTelesignalForm.h"
#include "core/editors/OkpForm.h"
#include "core/ui/PrintTable.h"
#include "core/editors/TcSubblockForm.h"
#include "core/editors/TiFloatForm.h"
#include "gui/app/TFNastr.h"
#include "gui/editors/GridTreeDialog.h"
#include "gui/editors/SubblockListWindow.h"
#include "gui/editors/SubblockRowsWindow.h"
#include "gui/widgets/EditorGridView.h"
#include "gui/widgets/ParamTreeView.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace veg;
using namespace vegtest;

namespace {

class RecordingPrinter : public TablePrinter
{
public:
    std::vector<PrintTable> printed;
    bool print(const PrintTable& table) override
    {
        printed.push_back(table);
        return true;
    }
};

class PointWindowsTest : public EditorFixture
{
protected:
    GatewayConfig config = GatewayConfig{};
    ScriptedDialogs dialogs;
    RecordingPrinter printer;
    std::unique_ptr<EditorSession> session;
    std::unique_ptr<EditorSet> editors;

    void make(ProtocolVariant p)
    {
        config = site(p);
        config.GroupParams[1] = {0x1A, 0x0421, 3, "ГрК"};
        session = std::make_unique<EditorSession>(config, dialogs, additional);
        session->printer = &printer;
        editors = std::make_unique<EditorSet>(*session);
    }
};

} // namespace

// "Настройка обычного КП": a type chosen in a drop-down; a sub-block button opens its window.
TEST_F(PointWindowsTest, OrdinaryPointOpensTheSubblockWindow)
{
    make(ProtocolVariant::Magistral1);
    SubblockListWindow w(*editors->find<OkpForm>());
    QStringList opened;
    w.setWindowOpener([&](const QString& name) {
        opened << name + " " + QString::number(session->currentSubblock);
    });
    show(w);
    EXPECT_EQ(w.windowTitle(), "Настройка обычного КП");
    auto* type3 = w.findChild<QComboBox*>("Type3");
    ASSERT_NE(type3, nullptr);
    EXPECT_EQ(type3->currentText(), "нет");
    type3->activated(1); // "ТС"
    EXPECT_EQ(config.OkpSubblockTypes[3], SubblockTc);
    EXPECT_TRUE(config.Changed.OkpTypesChanged);
    QTest::mouseClick(w.findChild<QPushButton*>("ButtonSub3"), Qt::LeftButton);
    EXPECT_EQ(opened, QStringList{"TFTC 3"});
    EXPECT_EQ(w.findChild<QPushButton*>("ButtonSub13")->text(), "Субблок 13");
    screenshot(w, "TFOKP");
}

// The ТС window: the radio choices, the boxes, the source that shows "Номер бита", placing a
// group bit from the tree.
TEST_F(PointWindowsTest, TelesignalWindowPlacesAGroupBit)
{
    make(ProtocolVariant::Magistral1);
    session->currentSubblock = 2;
    config.TcTuTable[64] = {{0, 0x1A, 0x0201, 1}, 0, "Откр (№ 0201)/Задвижка подачи(Насосная)"};
    auto& form = *editors->find<TcSubblockForm>();
    SubblockRowsWindow w(form);
    show(w);
    EXPECT_EQ(w.windowTitle(), "Телесигнализация. Субблок 2");
    auto* box1 = w.findChild<QLineEdit*>("Box1");
    EXPECT_EQ(box1->text(), "Откр (№ 0201)/Задвижка подачи(Насосная)");
    EXPECT_EQ(box1->toolTip(), "00 0201 1A");
    EXPECT_TRUE(box1->isReadOnly());
    // Opened on operation 1, bit 1, without following it: no source, no tree.
    for (const char* source : {"Source0", "Source1", "Source2"})
        EXPECT_FALSE(w.findChild<QRadioButton*>(source)->isChecked()) << source;
    EXPECT_FALSE(w.treeView()->isVisible());
    // Bit 1 clicked: the window follows its row.
    QTest::mouseClick(w.findChild<QRadioButton*>("Bit0"), Qt::LeftButton);
    EXPECT_TRUE(w.findChild<QRadioButton*>("Source0")->isChecked());
    EXPECT_TRUE(w.treeView()->isVisible());
    EXPECT_FALSE(w.findChild<QSpinBox*>("BitNumber")->isVisible());
    screenshot(w, "TFTC");

    QTest::mouseClick(w.findChild<QRadioButton*>("Bit5"), Qt::LeftButton);
    EXPECT_EQ(w.findChild<QLabel*>("Position")->text(), "Операция 1 разряд 6");
    EXPECT_TRUE(w.findChild<QRadioButton*>("Source2")->isChecked()); // "данных нет"
    EXPECT_FALSE(w.treeView()->isVisible());
    w.findChild<QRadioButton*>("Source1")->click(); // "группа"
    EXPECT_TRUE(w.treeView()->isVisible());
    auto* spin = w.findChild<QSpinBox*>("BitNumber");
    ASSERT_TRUE(spin->isVisible());
    spin->setValue(9);
    const ParamTree& tree = *form.tree();
    w.treeView()->setCurrentIndex(
        w.treeView()->indexOfNode(tree.find({"2 параметр", "ГрК (№ 0421)"})));
    QTest::mouseClick(w.findChild<QPushButton*>("ButtonПоместить"), Qt::LeftButton);
    EXPECT_EQ(config.TcTuTable[69], (TcTuEntry{{1, 255, 0x0109, 0xFFFF}, 0, "ГрК (№ 0421)"}));
    EXPECT_EQ(w.findChild<QLineEdit*>("Box6")->text(), "ГрК (№ 0421)");
    screenshot(w, "TFTC-group");
}

// "Интеллектуальное КП": the boxes say "есть" or "нет" and follow the model when shown again.
TEST_F(PointWindowsTest, IntelligentPointBoxes)
{
    make(ProtocolVariant::Magistral1);
    config.IkpTable[4] = {{1, 0x1A, 0x0301, 2}, "Т"};
    SubblockListWindow w(*editors->find<IkpForm>());
    show(w);
    EXPECT_EQ(w.windowTitle(), "Интеллектуальное КП");
    EXPECT_EQ(w.findChild<QLineEdit*>("Has0")->text(), "нет");
    EXPECT_EQ(w.findChild<QLineEdit*>("Has1")->text(), "есть");
    EXPECT_EQ(w.findChild<QPushButton*>("ButtonSub11")->text(), "Субблок11");
    screenshot(w, "TFIKP");
}

// "Телесигнализация" of Modbus: its heading, placing by the button, the shared inputs' note.
TEST_F(PointWindowsTest, DiscreteInputsWindow)
{
    make(ProtocolVariant::Modbus);
    config.ModbusTcTable[0] = {{0, 0x1A, 0x0201, 1}, 4, "Откр (№ 0201)/Задвижка подачи(Насосная)"};
    config.ModbusTcTable[1] = {{1, 0, 0x0103, 0xFFFF}, 4, "ГрК (№ 0421)"};
    GridTreeDialog w(*editors->find<ModbusTelesignalForm>());
    show(w);
    EXPECT_EQ(w.windowTitle(), "Телесигнализация");
    const QAbstractItemModel* m = w.gridView()->body()->model();
    EXPECT_EQ(m->index(0, 2).data().toString(), "Тип ТC");
    EXPECT_EQ(m->index(2, 2).data().toString(), "группа");
    EXPECT_EQ(m->index(2, 3).data().toString(), "3");
    EXPECT_EQ(m->index(1, 3).data(Qt::BackgroundRole).value<QColor>(), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(w.findChild<QLabel*>("Note")->text(), "Discret Input 4: строки 1 и 2");
    EXPECT_TRUE(w.findChild<QLabel*>("Note")->isVisible());
    EXPECT_EQ(w.findChild<QPushButton*>("ButtonПечать"), nullptr);
    screenshot(w, "TFModbusTC");
}

// "Телеизмерение параметров с плавающей точкой": "Печать" hands the table to the printer.
TEST_F(PointWindowsTest, TelemetryWindowPrints)
{
    make(ProtocolVariant::Modbus);
    config.Common.AdrCAN = 0x02;
    config.TiFloatTable[0] = {{0, 0x1A, 0x0301, 2}, 100, "Т (№ 0301)/Теплоузел(Насосная)"};
    GridTreeDialog w(*editors->find<TiFloatForm>());
    show(w);
    EXPECT_EQ(w.windowTitle(), "Телеизмерение параметров с плавающей точкой");
    QTest::mouseClick(w.findChild<QPushButton*>("ButtonПечать"), Qt::LeftButton);
    ASSERT_EQ(printer.printed.size(), 1u);
    ASSERT_EQ(printer.printed[0].rows.size(), 1u);
    EXPECT_EQ(printer.printed[0].rows[0], (QStringList{"1", "100", "Т (№ 0301)/Теплоузел(Насосная)",
                                                       "0301", "1A", "02", "00"}));
    screenshot(w, "TFTIFloat");
}

// The main menu's items open the windows; a sub-block button opens its window over its point's.
TEST_F(PointWindowsTest, MainMenuOpensThem)
{
    QTemporaryDir dir;
    ProgramSettings settings(dir.filePath("vegconf.ini"));
    TFNastr window(settings, dialogs);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    struct Case
    {
        const char* protocol;
        const char* item;
        QStringList seen; // the modal windows' titles, in the order they were shown
    } cases[] = {
        {"N_New_Magistral1", "N_OKP", {"Настройка обычного КП", "Телесигнализация. Субблок 0"}},
        {"N_New_Magistral1",
         "N_IKP",
         {"Интеллектуальное КП", "Настройка интеллектуального КП. Субблок 0"}},
        {"N_New_Modbus", "N_ModbusTC", {"Телесигнализация"}},
        {"N_New_Modbus", "N_TIFloat", {"Телеизмерение параметров с плавающей точкой"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.item);
        window.action(k.protocol)->trigger();
        window.config().Controllers.push_back(controller(pumpQueue(), 0x1A));
        window.config().OkpSubblockTypes[0] = SubblockTc;
        QStringList seen;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || (!seen.isEmpty() && seen.last() == modal->windowTitle()))
                return;
            seen << modal->windowTitle();
            if (seen.size() == 1 && k.seen.size() == 2) {
                // Its first sub-block button opens the sub-block's window over it.
                // (clicked from an event of its own: the sub-block window's modal loop runs in
                // it while this timer goes on closing)
                if (auto* button = modal->findChild<QPushButton*>("ButtonSub0"))
                    QTimer::singleShot(0, button, &QPushButton::click);
                else
                    modal->close();
                return;
            }
            modal->close();
        });
        closer.start(10);
        window.action(k.item)->trigger();
        closer.stop();
        EXPECT_EQ(seen.mid(0, k.seen.size()), k.seen);
        window.config().ClearAllChanged();
    }
}
