#include "gui/editors/TFHART.h"

#include "core/editors/HartDevicesForm.h"
#include "gui/widgets/EditorGridView.h"
#include "gui/widgets/FieldBinding.h"
#include "gui/widgets/ParamTreeView.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
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
    auto* right = new QWidget(split);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    auto* place = new QPushButton(QStringLiteral("<<Поместить"), right);
    place->setObjectName(QStringLiteral("ButtonPlace"));
    place->setAutoDefault(false);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(place);
    buttonRow->addStretch();
    rightLayout->addLayout(buttonRow);
    m_tree = new ParamTreeView(form, right);
    rightLayout->addWidget(m_tree, 1);
    split->addWidget(right);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    auto* fields = new FieldBinding(form, this);
    fields->bind(HartDevicesForm::deviceField(), m_device, label);
    fields->bind(TableEditorForm::placeButton(), place);
    attach(m_grid);
    attach(m_tree);
    attach(fields);

    m_grid->render();
    int width = 0;
    for (int c = 0; c < form.grid()->columnCount(); ++c)
        width += m_grid->headingView()->columnWidth(c);
    resize(std::min(width + 460, 1400), 560);
}

} // namespace veg
