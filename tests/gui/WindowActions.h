#pragma once

// What the window tests do to a window as a user would: show it, click a grid cell, type keys,
// and save a picture of it when VEG_SCREENSHOTS names a folder.

#include "gui/widgets/EditorDialog.h"
#include "gui/widgets/EditorGridView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace vegtest {

// Activation, then the window shown and active.
inline void show(veg::EditorDialog& w)
{
    w.FormActivate();
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
}

// Keys as a keyboard sends them, Cyrillic letters included (QTest's key clicks take Latin ones
// only).
inline void typeText(QWidget* w, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, {}, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, {}, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

inline void clickCell(veg::EditorGridView& grid, int row, int column)
{
    QTest::mouseClick(grid.body()->viewport(), Qt::LeftButton, {},
                      grid.cellRect(row, column).center());
    QCoreApplication::processEvents();
}

// The text a grid cell shows.
inline QString shown(veg::EditorGridView& grid, int row, int column)
{
    return grid.body()->model()->index(row, column).data().toString();
}

// The window as a picture NAME.png in the folder of VEG_SCREENSHOTS, when it names one.
inline void screenshot(QWidget& w, const char* name)
{
    const QByteArray folder = qgetenv("VEG_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QApplication::processEvents(); // the layout follows the latest content
    w.grab().save(QString::fromLocal8Bit(folder) + u'/' + QLatin1String(name) +
                  QStringLiteral(".png"));
}

} // namespace vegtest
