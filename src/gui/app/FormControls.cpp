#include "gui/app/FormControls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

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

} // namespace veg::FormControls
