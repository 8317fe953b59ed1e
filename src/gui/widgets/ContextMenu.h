#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

class QWidget;

namespace veg {

// Shows a context menu of these items at `globalPos` and returns the item chosen (empty when the
// menu was closed without a choice or had no items).
QString chooseFromMenu(QWidget* parent, const QStringList& items, const QPoint& globalPos);

} // namespace veg
