#include "gui/app/FormControls.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace veg::FormControls {

QGroupBox* radioGroup(QWidget* parent, const QString& title, const QStringList& items, int columns,
                      QButtonGroup*& group, const QString& name)
{
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(name);
    auto* grid = new QGridLayout(box);
    group = new QButtonGroup(box);
    const int rows = (int(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], box);
        group->addButton(b, i);
        grid->addWidget(b, i % rows, i / rows);
    }
    return box;
}

QWidget* labelled(QWidget* parent, const QString& caption, QWidget* field, QLabel** label)
{
    auto* panel = new QWidget(parent);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* l = new QLabel(caption, panel);
    layout->addWidget(l);
    layout->addWidget(field);
    if (label)
        *label = l;
    return panel;
}

void checkButton(QButtonGroup* group, int id)
{
    if (QAbstractButton* b = group->button(id)) {
        b->setChecked(true);
    } else if (QAbstractButton* current = group->checkedButton()) {
        group->setExclusive(false); // no entry chosen
        current->setChecked(false);
        group->setExclusive(true);
    }
}

QComboBox* portBox(QWidget* parent, const QString& name)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(12); // "COM12" and "ttyUSB0" with room to spare
    // A name longer than the box is read whole in its hint.
    QObject::connect(box, &QComboBox::editTextChanged, box,
                     [box](const QString& text) { box->setToolTip(text); });
    return box;
}

void setPorts(QComboBox* box, const QStringList& ports)
{
    const QString text = box->currentText();
    box->clear();
    box->addItems(ports);
    box->setEditText(text);
    int longest = 0, widest = 0;
    const QFontMetrics fm(box->font());
    for (const QString& p : ports) {
        longest = std::max(longest, int(p.size()));
        widest = std::max(widest, fm.horizontalAdvance(p));
    }
    // The box grows with the names up to a width a small screen still holds; the drop-down
    // shows every name whole.
    box->setMinimumContentsLength(std::clamp(longest, 12, 40));
    box->view()->setMinimumWidth(widest + 2 * fm.averageCharWidth() +
                                 box->view()->verticalScrollBar()->sizeHint().width());
}

} // namespace veg::FormControls
