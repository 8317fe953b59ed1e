#include "gui/widgets/TreePane.h"

#include "core/editors/EditorForm.h"
#include "gui/widgets/FieldBinding.h"
#include "gui/widgets/ParamTreeView.h"

#include <QBoxLayout>
#include <QPushButton>

namespace veg {

TreePane::TreePane(EditorForm& form, FieldBinding& fields,
                   const std::vector<FormField>& buttons, Buttons where, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QBoxLayout(
        where == Buttons::Above ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight, this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* buttonLine = new QBoxLayout(
        where == Buttons::Above ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    for (const FormField& f : buttons) {
        auto* button = new QPushButton(f.caption, this);
        button->setObjectName(QStringLiteral("Button") + f.id);
        // Enter in a grid cell must not press "<< Поместить".
        button->setAutoDefault(false);
        buttonLine->addWidget(button);
        fields.bind(f.id, button);
    }
    buttonLine->addStretch();
    m_tree = new ParamTreeView(form, this);
    if (where == Buttons::Above) {
        layout->addLayout(buttonLine);
        layout->addWidget(m_tree, 1);
    } else {
        layout->addWidget(m_tree, 1);
        layout->addLayout(buttonLine);
    }
}

std::vector<FormField> TreePane::buttonsOf(const std::vector<FormField>& fields)
{
    std::vector<FormField> buttons;
    for (const FormField& f : fields)
        if (f.kind == FormField::Kind::Button)
            buttons.push_back(f);
    return buttons;
}

} // namespace veg
