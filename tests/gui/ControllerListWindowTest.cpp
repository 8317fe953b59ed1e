// The controller list window over its form: what it shows, its context menu, the in-place
// editing of network numbers.
#include "../core/TestSupport.h"

#include "core/config/GatewayConfig.h"
#include "core/settings/ProgramSettings.h"
#include "gui/app/QtDialogs.h"
#include "gui/database/TFTask.h"
#include "dbbuilder/DatabaseBuilder.h"
#include "core/database/ControllerRefsEditor.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace veg;
using namespace vegtest;

namespace {

constexpr const char* Database = R"({
  "modules": [{"code": "0x1901", "algorithms": []}],
  "queues": [{"file": "a.tsk", "netNumber": "0x1A", "moduleCode": "0x1901", "tasks": []},
             {"file": "b.tsk", "netNumber": "0x05", "moduleCode": "0x1901", "tasks": []}]
})";

class ControllerListWindowTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    ProgramSettings settings{dir.filePath("vegconf.ini")};
    GatewayConfig config;
    ScriptedDialogs dialogs;
    ControllerRefsEditors editors;
    std::unique_ptr<TFTask> window;

    void SetUp() override
    {
        const auto built =
            vegdb::buildDatabase(QJsonDocument::fromJson(Database).object(), dir.path());
        ASSERT_TRUE(built.Ok) << built.Error.toStdString();
        settings.database = {dir.path(), dir.filePath("ALG"), dir.filePath("MOD"),
                             dir.filePath("TASK")};
        config.CreateFor(ProtocolVariant::Modbus);
        // The first controller is present, the second's queue file is gone.
        config.Controllers.push_back({nullptr, dir.filePath("a.tsk"), 0x1A, true});
        config.Controllers.push_back({nullptr, dir.filePath("gone.tsk"), 0x22, false});
        window = std::make_unique<TFTask>(config, settings, dialogs, editors);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->FormActivate();
    }

    QTableWidget* grid() const { return window->grid(); }
    QString cell(int row, int column) const { return grid()->item(row, column)->text(); }
    QLabel* label(const char* name) const { return window->findChild<QLabel*>(name); }
    QAction* action(const char* name) const
    {
        return window->contextMenu()->findChild<QAction*>(QString::fromLatin1(name));
    }
    // The open in-place editor (a closed one may linger until it is deleted).
    QLineEdit* editor() const
    {
        for (QLineEdit* e : grid()->findChildren<QLineEdit*>("NetNumberEditor")) {
            if (e->isVisible())
                return e;
        }
        return nullptr;
    }
    void type(QWidget* target, const QString& text)
    {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
        QApplication::sendEvent(target, &press);
    }
};

} // namespace

TEST_F(ControllerListWindowTest, ShowsTheListWithItsMarker)
{
    EXPECT_EQ(window->windowTitle(), "Определение списка контроллеров");
    EXPECT_EQ(label("Heading")->text(), "Список  контроллеров");
    ASSERT_EQ(grid()->columnCount(), 3);
    const QString headings[] = {"№", "Очередь задач", "Сетевой номер"};
    const int widths[] = {25, 347, 52};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(grid()->horizontalHeaderItem(c)->text(), headings[c]);
        EXPECT_GE(grid()->columnWidth(c), widths[c]); // wider where the heading needs it
        EXPECT_GE(grid()->columnWidth(c),
                  grid()->horizontalHeader()->fontMetrics().horizontalAdvance(headings[c]));
    }
    ASSERT_EQ(grid()->rowCount(), 3);
    EXPECT_EQ(cell(0, 0), "1");
    EXPECT_EQ(cell(0, 1), dir.filePath("a.tsk"));
    EXPECT_EQ(cell(1, 1), dir.filePath("gone.tsk"));
    EXPECT_EQ(cell(1, 2), "22");
    EXPECT_EQ(cell(2, 1), "");

    QLabel* note = label("MarkerNote");
    EXPECT_EQ(note->text(), "Путь к очереди задач не найден");
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(window->markerColour(), QColor(0x00, 0xFF, 0x00));
    EXPECT_EQ(grid()->item(1, 0)->background().color(), window->markerColour());
    EXPECT_EQ(grid()->item(0, 0)->background().style(), Qt::NoBrush);
    // The first marked row is selected, in its network number.
    EXPECT_EQ(grid()->currentRow(), 1);
    EXPECT_EQ(grid()->currentColumn(), 2);

    QLabel* message = label("MessageLine");
    EXPECT_FALSE(message->isVisible());
    EXPECT_TRUE(message->font().bold());
    EXPECT_TRUE(message->font().italic());
    EXPECT_EQ(message->palette().color(QPalette::WindowText), QColor(Qt::darkRed));
    settings.database.WayMod.clear();
    action("N_AddController")->trigger();
    EXPECT_TRUE(message->isVisible());
    EXPECT_EQ(message->text(), "Не указан путь к базе данных!");
}

TEST_F(ControllerListWindowTest, ContextMenuSelectsTheCellUnderTheMouseFirst)
{
    QStringList items;
    for (QAction* a : window->contextMenu()->actions())
        items << a->text();
    EXPECT_EQ(items,
              (QStringList{"Добавить контроллер", "Удалить контроллер", "Ввести очередь задач"}));

    grid()->setCurrentCell(0, 2);
    // A click in the queue column of row 2 selects row 2's network number.
    window->openContextMenu(grid()->visualItemRect(grid()->item(1, 1)).center());
    EXPECT_TRUE(window->contextMenu()->isVisible());
    EXPECT_EQ(grid()->currentRow(), 1);
    EXPECT_EQ(grid()->currentColumn(), 2);
    dialogs.files.push_back(dir.filePath("b.tsk"));
    action("N_EnterQueue")->trigger();
    window->contextMenu()->hide();
    EXPECT_EQ(cell(1, 1), dir.filePath("b.tsk"));
    EXPECT_EQ(cell(1, 2), "22");
    EXPECT_EQ(grid()->item(1, 0)->background().style(), Qt::NoBrush);
    EXPECT_FALSE(label("MarkerNote")->isVisible());

    window->openContextMenu(grid()->visualItemRect(grid()->item(0, 0)).center());
    window->contextMenu()->hide();
    dialogs.confirms = {true};
    action("N_RemoveController")->trigger();
    ASSERT_EQ(grid()->rowCount(), 2);
    EXPECT_EQ(cell(0, 0), "1");
    EXPECT_EQ(cell(0, 1), dir.filePath("b.tsk"));
    ASSERT_EQ(config.Controllers.size(), 1u);
    EXPECT_EQ(config.Controllers[0].NetNumber, 0x22);

    dialogs.files.push_back(dir.filePath("a.tsk"));
    action("N_AddController")->trigger();
    ASSERT_EQ(grid()->rowCount(), 3);
    EXPECT_EQ(cell(1, 0), "2");
    EXPECT_EQ(cell(1, 2), "1A");
}

TEST_F(ControllerListWindowTest, NetworkNumbersAreTypedThroughTheHexFilter)
{
    grid()->setCurrentCell(0, 0);
    EXPECT_EQ(grid()->currentColumn(), 2);
    QTest::keyClick(grid(), '1'); // starts editing, replacing the number
    QLineEdit* edit = editor();
    ASSERT_TRUE(edit);
    QTest::keyClick(edit, 'f');
    QTest::keyClick(edit, '5');
    EXPECT_EQ(edit->text(), "1F");
    QTest::keyClick(edit, Qt::Key_Return);
    QApplication::processEvents(); // the grid commits the editor's text after its key
    EXPECT_EQ(cell(0, 2), "1F");
    EXPECT_EQ(config.Controllers[0].NetNumber, 0x1F);
    EXPECT_TRUE(config.Changed.ControllersChanged);

    QTest::keyClick(grid(), Qt::Key_F2);
    edit = editor();
    ASSERT_TRUE(edit);
    edit->selectAll();
    type(edit, "ф");
    EXPECT_EQ(edit->text(), "A");
    QTest::keyClick(edit, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(cell(0, 2), "0A");
    EXPECT_EQ(config.Controllers[0].NetNumber, 0x0A);

    // Moving to another row stores what the editor holds.
    QTest::keyClick(grid(), '7');
    ASSERT_TRUE(editor());
    grid()->setCurrentCell(1, 1);
    QApplication::processEvents();
    EXPECT_EQ(config.Controllers[0].NetNumber, 0x07);
    EXPECT_EQ(cell(0, 2), "07");
    EXPECT_EQ(grid()->currentRow(), 1);
    EXPECT_EQ(grid()->currentColumn(), 2);
    grid()->setCurrentCell(0, 2);

    // Delete empties the cell; leaving it empty is refused and the number comes back.
    QTest::keyClick(grid(), Qt::Key_Delete);
    EXPECT_EQ(cell(0, 2), "");
    EXPECT_EQ(cell(0, 1), dir.filePath("a.tsk"));
    grid()->setCurrentCell(1, 2);
    EXPECT_EQ(dialogs.asked, QStringList{"info: Введите значение!"});
    EXPECT_EQ(grid()->currentRow(), 0);
    EXPECT_EQ(cell(0, 2), "07");

    // The trailing row takes no keys.
    grid()->setCurrentCell(2, 2);
    ASSERT_EQ(grid()->currentRow(), 2);
    QTest::keyClick(grid(), '3');
    EXPECT_FALSE(editor());
    EXPECT_EQ(cell(2, 2), "");
    EXPECT_EQ(grid()->currentRow(), 2);
}

// The desktop's file dialog for "Добавить контроллер": its caption, the two filters with queue
// files chosen, and the task folder it starts in. Cancel adds nothing.
TEST_F(ControllerListWindowTest, AddingShowsTheQueueFileDialog)
{
    ASSERT_TRUE(QDir().mkpath(dir.filePath("TASK")));
    QtDialogs desktop(window.get());
    TFTask w(config, settings, desktop, editors);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.FormActivate();
    QString title, selected, folder;
    QStringList filters;
    QTimer::singleShot(50, [&] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        title = d->windowTitle();
        filters = d->nameFilters();
        selected = d->selectedNameFilter();
        folder = d->directory().absolutePath();
        d->reject();
    });
    w.contextMenu()->findChild<QAction*>("N_AddController")->trigger();
    EXPECT_EQ(title, "Добавить контроллер");
    EXPECT_EQ(filters, (QStringList{"All files(*.*)", "Tsk(*.tsk)"}));
    EXPECT_EQ(selected, "Tsk(*.tsk)");
    EXPECT_EQ(folder, QDir(dir.filePath("TASK")).absolutePath());
    EXPECT_EQ(w.grid()->rowCount(), 3); // two controllers and the empty row, as before
}
