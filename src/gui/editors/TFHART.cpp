#include "gui/editors/TFHART.h"

#include "core/editors/HartDevicesForm.h"
#include "gui/widgets/EditorGridView.h"
#include "gui/widgets/FieldBinding.h"
#include "gui/widgets/ParamTreeView.h"
#include "gui/widgets/TreePane.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QVBoxLayout>

namespace veg {

TFHART::TFHART(HartDevicesForm& form, QWidget* parent) : EditorDialog(form, parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* selectorRow = new QHBoxLayout;
    auto* label = new QLabel(this);
    m_device = new QComboBox(this);
    m_device->setObjectName(HartDevicesForm::deviceField());
    m_device->setEditable(false);
    m_device->setMinimumContentsLength(3);
    selectorRow->addWidget(label);
    selectorRow->addWidget(m_device);
    selectorRow->addStretch();
    layout->addLayout(selectorRow);

    auto* split = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(split, 1);
    m_grid = new EditorGridView(form, split);
    split->addWidget(m_grid);
    auto* fields = new FieldBinding(form, this);
    auto* pane = new TreePane(form, *fields, TreePane::buttonsOf(form.fields()),
                              TreePane::Buttons::Above, split);
    m_tree = pane->tree();
    split->addWidget(pane);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    fields->bind(HartDevicesForm::deviceField(), m_device, label);
    attach(m_grid);
    attach(m_tree);
    attach(fields);

    const int width = m_grid->columnsWidth();
    resize(width + 460, 560); // made to fit the screen when shown
}

} // namespace veg
