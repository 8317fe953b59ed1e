// Every window on a laptop's screen: run on an offscreen screen of 1366×768, once as it is and
// once at 2× scale (683×384 logical pixels), over the demo configurations and database. Each
// window's frame lies inside the screen's available area, its buttons, tree and grid inside the
// window (or, where the window's controls need more than the screen, in the window's scrolled
// area) and large enough to use, and a grid wider than its window scrolls. With VEG_SCREENSHOTS
// set to a folder every window is saved there as a picture.
#include "TestSupport.h"
#include "WindowActions.h"

#include "core/settings/ProgramSettings.h"
#include "core/exchange/ExchangeForm.h"
#include "gui/app/TFNastr.h"
#include "gui/exchange/TFObmen.h"
#include "gui/widgets/EditorDialog.h"
#include "gui/widgets/EditorGridView.h"
#include "gui/widgets/ParamTreeView.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

using namespace veg;
using namespace vegtest;

namespace {

QString describe(const QRect& r)
{
    return QStringLiteral("%1,%2 %3×%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

class WindowSizesTest : public ::testing::Test
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
                                                "MOD\r\nWayTask=%1/TASK\r\n[Parametr]\r\nComport=/"
                                                "nonexistent/tty\r\n")
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
        ASSERT_TRUE(window->windowTitle().contains("(протокол ")) << name;
    }

    static QRect available() { return QGuiApplication::primaryScreen()->availableGeometry(); }

    // What a user must reach in `w`: the frame on the screen, every visible button, tree and
    // grid inside the window with room to use them; a grid wider than its window scrolls.
    static void checkFits(QWidget& w, const QString& shot)
    {
        SCOPED_TRACE(w.objectName().toStdString());
        QApplication::processEvents();
        const QRect frame = w.frameGeometry();
        EXPECT_TRUE(available().contains(frame))
            << describe(frame).toStdString() << " on " << describe(available()).toStdString();
        // A window whose controls need more than the screen scrolls them: they are then in
        // reach by scrolling, and the scroll bars show where they are needed.
        QWidget* reach = &w;
        if (auto* area = w.findChild<QScrollArea*>("ScreenFitArea", Qt::FindDirectChildrenOnly)) {
            reach = area->widget();
            const QSize need = reach->minimumSizeHint();
            if (need.width() > area->viewport()->width()) {
                EXPECT_GT(area->horizontalScrollBar()->maximum(), 0);
            }
            if (need.height() > area->viewport()->height()) {
                EXPECT_GT(area->verticalScrollBar()->maximum(), 0);
            }
        }
        const QRect inside = reach->rect();
        auto within = [&](QWidget* c, int minWidth, int minHeight) {
            if (!c->isVisibleTo(&w))
                return;
            const QRect r(c->mapTo(reach, QPoint(0, 0)), c->size());
            EXPECT_TRUE(inside.contains(r))
                << c->metaObject()->className() << " " << c->objectName().toStdString() << " at "
                << describe(r).toStdString() << " in " << describe(inside).toStdString();
            EXPECT_GE(r.width(), minWidth) << c->objectName().toStdString();
            EXPECT_GE(r.height(), minHeight) << c->objectName().toStdString();
        };
        for (QPushButton* b : w.findChildren<QPushButton*>())
            within(b, std::min(b->minimumSizeHint().width(), 40),
                   std::min(b->minimumSizeHint().height(), 16));
        for (ParamTreeView* t : w.findChildren<ParamTreeView*>())
            within(t, 120, 3 * t->fontMetrics().height());
        for (EditorGridView* g : w.findChildren<EditorGridView*>()) {
            within(g, 120, 0);
            if (!g->isVisibleTo(&w))
                continue;
            QTableView* body = g->body();
            EXPECT_GE(body->viewport()->height(), 2 * body->fontMetrics().height());
            if (g->columnsWidth() > body->viewport()->width()) {
                EXPECT_GT(body->horizontalScrollBar()->maximum(), 0);
            }
        }
        screenshot(w, shot.toUtf8().constData());
    }

    // Runs `open` and checks the modal window it shows, then closes it.
    void checkModal(const std::function<void()>& open, const QString& shot, QString* name = nullptr)
    {
        bool seen = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == window.get())
                return;
            poll.stop();
            seen = true;
            if (name)
                *name = modal->objectName();
            checkFits(*modal, shot.isEmpty() ? modal->objectName() : shot);
            modal->close();
        });
        poll.start(10);
        open();
        poll.stop();
        EXPECT_TRUE(seen) << shot.toStdString();
    }
};

} // namespace

// Each protocol's editor windows from the main menu, and the sub-block windows of Магистраль-1.
TEST_F(WindowSizesTest, EditorWindowsFitTheScreen)
{
    const std::pair<const char*, const char*> demos[] = {
        {"Котельная-Modbus.veg", "modbus"},     {"Котельная-Магистраль.veg", "magistral"},
        {"Котельная-УНК.veg", "unk"},           {"Котельная-HART.veg", "hart"},
        {"Котельная-КТС.veg", "kts"}};
    const char* items[] = {"N_GatewayCommon", "N_Group", "N_OKP",    "N_IKP",    "N_ModbusTU",
                           "N_ModbusTC",      "N_TIFloat", "N_UNK", "N_HART",   "N_KTC_Gr",
                           "N_KTC_TC"};
    QStringList opened;
    for (const auto& [file, tag] : demos) {
        load(file);
        checkFits(*window, QStringLiteral("TFNastr-") + QLatin1String(tag));
        for (const char* item : items) {
            QAction* a = window->action(QString::fromLatin1(item));
            if (!a->isVisible())
                continue;
            QString name;
            checkModal([&] { a->trigger(); }, {}, &name);
            opened << name;
        }
        if (QLatin1String(tag) == QLatin1String("magistral")) {
            for (const char* sub : {"TFTC", "TFTU", "TFNastrIKP"}) {
                EditorDialog* w = window->editorWindow(QString::fromLatin1(sub));
                ASSERT_NE(w, nullptr) << sub;
                checkModal([&] { w->exec(); }, {});
                opened << QString::fromLatin1(sub);
            }
        }
    }
    opened.removeDuplicates();
    EXPECT_EQ(opened.size(), 14) << opened.join(' ').toStdString();
}

// The windows of the settings, the exchange, the Modbus test and monitor and the controller list.
TEST_F(WindowSizesTest, TheOtherWindowsFitTheScreen)
{
    load("Котельная-Modbus.veg");
    dialogs.asked.clear();
    for (const char* item : {"N_Controllers", "N_DatabasePath", "N_DopNastr", "N_NastrObm",
                             "N_Obmen", "N_ObmenModbus", "N_ReadModbus", "N_MonitorModbus"}) {
        QAction* a = window->action(QString::fromLatin1(item));
        ASSERT_TRUE(a->isVisible()) << item;
        checkModal([&] { a->trigger(); }, {});
    }
    // The exchange window with its search rows and grid shown.
    checkModal(
        [&] {
            QTimer::singleShot(0, [&] {
                if (QAction* search = window->obmen()->menuItem(ExchangeForm::Command::Search))
                    search->trigger();
            });
            window->action("N_Obmen")->trigger();
        },
        QStringLiteral("TFObmen-search"));
}
