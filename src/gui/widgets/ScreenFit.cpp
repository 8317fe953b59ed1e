#include "gui/widgets/ScreenFit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QMainWindow>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>

namespace veg::ScreenFit {

namespace {

// The frame before the window system has drawn one: a title bar and thin borders.
constexpr QMargins kFrameGuess(4, 30, 4, 4);

class Filter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Before the window appears: the size it asked for, made to fit.
        if (event->type() == QEvent::Show && watched->isWidgetType())
            fit(*static_cast<QWidget*>(watched));
        return false;
    }
};

QMargins frameOf(const QWidget& window)
{
    const QRect frame = window.frameGeometry(), inner = window.geometry();
    const QMargins m(inner.left() - frame.left(), inner.top() - frame.top(),
                     frame.right() - inner.right(), frame.bottom() - inner.bottom());
    return m.isNull() ? kFrameGuess : m;
}

QScreen* screenOf(const QWidget& window)
{
    if (QScreen* s = window.screen())
        return s;
    return QGuiApplication::primaryScreen();
}

QScrollArea* scrollArea(QWidget* content)
{
    auto* area = new QScrollArea;
    area->setObjectName(QStringLiteral("ScreenFitArea"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(content);
    return area;
}

// The window's controls into a scroll area of the window, once: its least size is then the
// area's, and what does not fit on the screen is scrolled to.
void scrollContents(QWidget& window)
{
    if (window.findChild<QScrollArea*>(QStringLiteral("ScreenFitArea"),
                                       Qt::FindDirectChildrenOnly))
        return;
    if (auto* main = qobject_cast<QMainWindow*>(&window)) {
        // The menu and status bars stay; the client area scrolls.
        if (QWidget* central = main->takeCentralWidget())
            main->setCentralWidget(scrollArea(central));
        return;
    }
    QLayout* layout = window.layout();
    if (!layout)
        return;
    // Moved to another parent a widget is hidden: the ones shown are shown again.
    QList<QWidget*> shown;
    for (QWidget* w : window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (!w->isHidden() && !w->isWindow())
            shown << w;
    auto* content = new QWidget;
    content->setLayout(layout); // takes the layout from the window, with its widgets
    for (QWidget* w : shown)
        if (w->parentWidget() == content)
            w->setVisible(true);
    QScrollArea* area = scrollArea(content);
    auto* outer = new QVBoxLayout(&window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(area);
    area->setParent(&window);
    outer->activate();
}

} // namespace

void keepOnScreen(QWidget* window)
{
    window->installEventFilter(new Filter(window));
}

QRect clientArea(const QWidget& window)
{
    const QScreen* screen = screenOf(window);
    if (!screen)
        return {};
    return screen->availableGeometry().marginsRemoved(frameOf(window));
}

void fit(QWidget& window)
{
    const QRect area = clientArea(window);
    if (area.isEmpty())
        return;
    // A window whose controls need more than the screen scrolls them: it never cuts them.
    QSize least = window.minimumSize().expandedTo(window.minimumSizeHint());
    if (least.width() > area.width() || least.height() > area.height()) {
        scrollContents(window);
        least = window.minimumSize().expandedTo(window.minimumSizeHint()).boundedTo(area.size());
    }
    const QSize size = window.size().boundedTo(area.size()).expandedTo(least);
    if (size != window.size())
        window.resize(size);
    // Inside the area, as near to where it stood as it can be (pos() is the frame's corner,
    // geometry() the client area's).
    const QRect g(window.geometry().topLeft(), size);
    const int x = std::clamp(g.left(), area.left(),
                             std::max(area.left(), area.right() - size.width() + 1));
    const int y = std::clamp(g.top(), area.top(),
                             std::max(area.top(), area.bottom() - size.height() + 1));
    if (QPoint(x, y) != g.topLeft())
        window.move(window.pos() + QPoint(x - g.left(), y - g.top()));
}

} // namespace veg::ScreenFit
