#include "gui/editors/TFGroup.h"

#include "core/config/GatewayConfig.h"
#include "core/editors/GroupParamsForm.h"
#include "gui/widgets/FieldBinding.h"
#include "gui/widgets/ParamTreeView.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace veg {

TFGroup::TFGroup(GroupParamsForm& form, QWidget* parent) : EditorDialog(form, parent)
{
    auto* layout = new QHBoxLayout(this);
    m_tree = new ParamTreeView(form, this);
    layout->addWidget(m_tree, 1);

    auto* fields = new FieldBinding(form, this);
    auto* right = new QVBoxLayout;
    auto* heading = new QLabel(this);
    heading->setObjectName(QStringLiteral("Heading"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->setAlignment(Qt::AlignCenter);
    fields->bind(QStringLiteral("Heading"), heading);
    right->addWidget(heading);
    auto* slotRows = new QGridLayout;
    for (int s = 0; s < Rows::GroupSlots; ++s) {
        auto* button = new QPushButton(QStringLiteral(">>"), this);
        button->setObjectName(QStringLiteral("ButtonSlot%1").arg(s + 1));
        button->setAutoDefault(false);
        button->setFixedWidth(40);
        auto* label = new QLabel(this);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(GroupParamsForm::slotField(s));
        edit->setMinimumWidth(360);
        slotRows->addWidget(button, s, 0);
        slotRows->addWidget(label, s, 1);
        slotRows->addWidget(edit, s, 2);
        fields->bind(GroupParamsForm::slotField(s), edit, label);
        fields->bind(GroupParamsForm::slotButton(s), button);
    }
    right->addLayout(slotRows);
    right->addStretch();
    layout->addLayout(right);

    attach(m_tree);
    attach(fields);
    resize(900, 460);
}

} // namespace veg
