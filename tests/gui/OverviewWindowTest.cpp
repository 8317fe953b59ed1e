// The overview in the main window's client area, offscreen, over the demo configurations and the
// demo database: what it shows after a load, that it follows New, an editor or the controller
// list closing and a read-back, and that a double click opens a table's window. With
// VEG_SCREENSHOTS set to a folder the main window is also saved there as a picture.
#include "TestSupport.h"
#include "WindowActions.h"

#include "core/app/ConfigOverview.h"
#include "core/settings/ProgramSettings.h"
#include "gui/app/ConfigOverviewView.h"
#include "gui/app/LineDiagram.h"
#include "gui/app/TFNastr.h"
#include "gui/editors/GridTreeDialog.h"
#include "gui/widgets/EditorGridView.h"
#include "core/editors/EditorForm.h"
#include "core/editors/EditorGrid.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

#include <gtest/gtest.h>

using namespace veg;
using namespace vegtest;

// Readable failures: texts as texts.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os)
{
    *os << '{';
    for (const QString& s : l)
        *os << "\n  \"" << s.toStdString() << '"';
    *os << '}';
}

namespace {

class OverviewWindowTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString demo = QStringLiteral(VEG_DEMO_DIR);
    ScriptedDialogs dialogs;
    std::unique_ptr<ProgramSettings> settings;
    std::unique_ptr<TFNastr> window;

    void SetUp() override
    {
        const QString db = demo + QStringLiteral("/database");
        writeFile(dir.filePath("vegconf.ini"),
                  Cp1251::encode(QStringLiteral("[BaseK19]\r\nWay=%1\r\nWayAlg=%1/ALG\r\nWayMod=%1/"
                                                "MOD\r\nWayTask=%1/TASK\r\n")
                                     .arg(db)));
        settings = std::make_unique<ProgramSettings>(dir.filePath("vegconf.ini"));
        window = std::make_unique<TFNastr>(*settings, dialogs);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void load(const char* name)
    {
        dialogs.files = {demo + u'/' + QString::fromUtf8(name)};
        window->action("N_Load")->trigger();
        ASSERT_TRUE(window->windowTitle().contains("(протокол "));
    }
    ConfigOverviewView& view() { return *window->findChild<ConfigOverviewView*>("Overview"); }
    QTreeWidget& tree(const char* name) { return *window->findChild<QTreeWidget*>(name); }
    // The rows of a tree, their columns joined by " | ".
    QStringList rows(const char* name)
    {
        QStringList out;
        QTreeWidget& t = tree(name);
        for (int i = 0; i < t.topLevelItemCount(); ++i) {
            QStringList cells;
            for (int c = 0; c < t.columnCount(); ++c)
                cells << t.topLevelItem(i)->text(c);
            out << cells.join(" | ");
        }
        return out;
    }
    // Runs `open` and, once a modal window runs, `inside` and closes it; the modal's name.
    QString throughModal(const std::function<void()>& open, const std::function<void()>& inside)
    {
        QString name;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                name = modal->objectName();
                inside();
                modal->close();
                closer.stop();
            }
        });
        closer.start(10);
        open();
        closer.stop();
        return name;
    }
    // As a user's double click comes: a click, then the double click.
    static void doubleClick(QTreeWidget& t, QTreeWidgetItem* item)
    {
        const QPoint at = t.visualItemRect(item).center();
        QTest::mouseClick(t.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(t.viewport(), Qt::LeftButton, {}, at);
    }
    void doubleClickTable(const QString& title)
    {
        QTreeWidget& t = tree("OverviewTables");
        const auto found = t.findItems(title, Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << title.toStdString();
        doubleClick(t, found[0]);
    }
};

} // namespace

TEST_F(OverviewWindowTest, EmptyUntilAConfigurationExists)
{
    EXPECT_TRUE(window->findChild<QLabel*>("OverviewEmpty")->isVisible());
    EXPECT_FALSE(window->findChild<LineDiagram*>("LineDiagram")->isVisible());
    // The file commands' progress bar and label stay in the client area, hidden between loads.
    EXPECT_FALSE(window->findChild<QProgressBar*>("ProgressBar1")->isVisible());
    EXPECT_FALSE(window->findChild<QLabel*>("Label1")->isVisible());
    screenshot(*window, "overview-empty");
}

TEST_F(OverviewWindowTest, ShowsTheLoadedConfiguration)
{
    load("Котельная-Modbus.veg");
    EXPECT_FALSE(window->findChild<QLabel*>("OverviewEmpty")->isVisible());
    EXPECT_TRUE(window->findChild<LineDiagram*>("LineDiagram")->isVisible());
    EXPECT_EQ(window->findChild<QLabel*>("OverviewSettings")->text(),
              "Настройки ВЕГ-78: CAN 300 кбит/с, линия 9600 бод, 10 бит");
    const ConfigOverview& o = view().overview();
    EXPECT_EQ(o.gateway.details, (QStringList{"Modbus", "slave-адрес 11", "9600 бод"}));
    ASSERT_EQ(o.controllers.size(), 3u);
    EXPECT_EQ(o.controllers[0].title, "Котельная №1");
    EXPECT_EQ(o.controllers[2].details, QStringList{"сетевой номер 2C"});
    const QStringList tables = rows("OverviewTables");
    ASSERT_EQ(tables.size(), 4);
    EXPECT_TRUE(tables[0].startsWith("Групповые параметры | ")) << tables[0].toStdString();
    EXPECT_TRUE(tables[1].startsWith("ТУ (Coils) | ")) << tables[1].toStdString();
    EXPECT_TRUE(tables[1].endsWith(" из 16")) << tables[1].toStdString();
    EXPECT_EQ(rows("OverviewFindings"), QStringList{" | Замечаний нет | "});
    EXPECT_FALSE(window->findChild<QProgressBar*>("ProgressBar1")->isVisible());
}

// A double click on a table opens the window its menu item opens; what the window changed shows
// when it closes, the check's findings included.
TEST_F(OverviewWindowTest, FollowsAnEditorOpenedFromATable)
{
    load("Котельная-Modbus.veg");
    const QString opened = throughModal([&] { doubleClickTable("ТУ (Coils)"); },
                                        [&] { window->config().ModbusCoilTable[2].Coil = 2; });
    EXPECT_EQ(opened, "TFModbusTU");
    EXPECT_EQ(
        rows("OverviewFindings"),
        QStringList{"Ошибка | Телеуправление, строки 2 и 3 | Coil 2: номер у нескольких строк"});
    EXPECT_EQ(qobject_cast<QGroupBox*>(tree("OverviewFindings").parentWidget())->title(),
              "Проверка: Ошибок: 1, предупреждений: 0");
    screenshot(*window, "overview");

    // A double click on the finding opens the window where it is mended, on the finding's row
    // (the first of "строки 2 и 3"), the tree on that row's parameter.
    QTreeWidget& findings = tree("OverviewFindings");
    int currentRow = -1;
    const QString mended = throughModal([&] { doubleClick(findings, findings.topLevelItem(0)); },
                                        [&] {
                                            auto* w = qobject_cast<GridTreeDialog*>(
                                                QApplication::activeModalWidget());
                                            ASSERT_NE(w, nullptr);
                                            currentRow = w->gridView()->body()->currentIndex().row() -
                                                         w->form().grid()->headingRows();
                                            screenshot(*w, "finding-row");
                                            window->config().ModbusCoilTable[2].Coil = 4;
                                        });
    EXPECT_EQ(mended, "TFModbusTU");
    EXPECT_EQ(currentRow, 1);
    EXPECT_EQ(rows("OverviewFindings"), QStringList{" | Замечаний нет | "});
}

// New, the controller list closing, and a read-back (which ends with the main window's refresh).
TEST_F(OverviewWindowTest, FollowsNewTheControllerListAndARefresh)
{
    load("Котельная-HART.veg");
    const std::size_t controllers = view().overview().controllers.size();
    ASSERT_GT(controllers, 0u);

    const QString list = throughModal([&] { window->action("N_Controllers")->trigger(); },
                                      [&] {
                                          ControllerEntry e;
                                          e.NetNumber = 0x4D;
                                          window->config().Controllers.push_back(e);
                                      });
    EXPECT_EQ(list, "TFTask");
    ASSERT_EQ(view().overview().controllers.size(), controllers + 1);
    EXPECT_TRUE(view().overview().controllers.back().marked);
    EXPECT_TRUE(rows("OverviewFindings").join('\n').contains("контроллера 4D не проверены"));
    window->resize(560, 640);
    QApplication::processEvents();
    // In a narrow window a long finding wraps onto more lines, read whole, not cut.
    QTreeWidget& findings = tree("OverviewFindings");
    const auto longOnes = findings.findItems("контроллера 4D не проверены", Qt::MatchContains, 2);
    ASSERT_EQ(longOnes.size(), 1);
    EXPECT_GE(findings.visualItemRect(longOnes[0]).height(), 2 * findings.fontMetrics().lineSpacing());
    EXPECT_EQ(findings.columnViewportPosition(2) + findings.columnWidth(2),
              findings.viewport()->width());
    screenshot(*window, "overview-narrow");

    window->action("N_New_KtsEnergia")->trigger();
    EXPECT_TRUE(view().overview().controllers.empty());
    EXPECT_EQ(rows("OverviewTables"),
              (QStringList{"Групповые параметры | 0 из 4", "Гребёнка | 0 из 16", "ТС | 0 из 16"}));

    // As the exchange leaves a configuration read back from a gateway.
    GatewayConfig& c = window->config();
    c.CreateFor(ProtocolVariant::UnkTm);
    c.UnkThreads[0].SetN = 0x21;
    c.IsReadBack = true;
    window->refresh();
    EXPECT_EQ(rows("OverviewTables"), (QStringList{"Параметры ниток | 0 из 57", "Нитки | 1 из 3"}));
    EXPECT_EQ(rows("OverviewFindings"),
              QStringList{"Ошибка | Вычислитель, нитка 1, CAN-адрес модуля на нитке | "
                          "Контроллера с сетевым номером 21 нет в списке контроллеров"});
}
