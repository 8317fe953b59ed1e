#pragma once

#include <QString>
#include <QStringList>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QWidget;

namespace veg {

// Controls the settings windows are built of.
namespace FormControls {

// A titled group of radio buttons in `columns` columns, filled down each column; the buttons'
// ids in `group` are their positions in `items`.
QGroupBox* radioGroup(QWidget* parent, const QString& title, const QStringList& items, int columns,
                      QButtonGroup*& group, const QString& name);
// A field with its caption above it.
QWidget* labelled(QWidget* parent, const QString& caption, QWidget* field,
                  QLabel** label = nullptr);
// Checks the button of `id`; an id without a button leaves none checked.
void checkButton(QButtonGroup* group, int id);
// A serial-port box: an editable list (a port may be typed) that widens to its longest name,
// with a drop-down as wide as the names it lists ("/dev/serial/by-id/..." stays readable).
QComboBox* portBox(QWidget* parent, const QString& name);
// The port box's list anew; the box and its drop-down widen to the longest name.
void setPorts(QComboBox* box, const QStringList& ports);

} // namespace FormControls
} // namespace veg
