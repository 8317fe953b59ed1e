#pragma once

#include <QRect>

class QWidget;

namespace veg {

// Every window of the program keeps to the screen it opens on: a window that asks for more than
// the screen's available area (a wide editor grid on a 1366×768 laptop, or at 2× scale) is made
// as large as that area and placed inside it, frame included; its grid scrolls, its tree and
// buttons stay in view. A window smaller than the area keeps its size.
namespace ScreenFit {

// Fits `window` each time it is shown (installs itself on the window).
void keepOnScreen(QWidget* window);

// The rectangle the window's client area may take on its screen: the available area less the
// frame the window system draws around it.
QRect clientArea(const QWidget& window);

// Shrinks `window` to clientArea and moves it inside, now.
void fit(QWidget& window);

} // namespace ScreenFit
} // namespace veg
