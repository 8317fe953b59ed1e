#include "gui/widgets/ScreenFit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
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
    // The layout's least size wins over the screen: a window never cuts its own controls.
    const QSize least = window.minimumSize().expandedTo(window.minimumSizeHint());
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
