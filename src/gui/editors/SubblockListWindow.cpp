#include "gui/editors/SubblockListWindow.h"

#include "core/editors/EditorForm.h"
#include "gui/widgets/FieldBinding.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

namespace veg {

SubblockListWindow::SubblockListWindow(EditorForm& form, QWidget* parent)
    : EditorDialog(form, parent)
{
    auto* fields = new FieldBinding(form, this);
    auto* grid = new QGridLayout(this);
    int row = 0;
    for (const FormField& f : form.fields()) {
        switch (f.kind) {
        case FormField::Kind::Button: {
            auto* button = new QPushButton(f.caption, this);
            button->setObjectName(QStringLiteral("Button") + f.id);
            button->setAutoDefault(false);
            grid->addWidget(button, row, 0);
            fields->bind(f.id, button);
            break;
        }
        case FormField::Kind::Choice: {
            auto* combo = new QComboBox(this);
            combo->setObjectName(f.id);
            grid->addWidget(combo, row++, 1);
            fields->bind(f.id, combo);
            break;
        }
        case FormField::Kind::Text: {
            auto* box = new QLineEdit(this);
            box->setObjectName(f.id);
            box->setFixedWidth(80);
            box->setAlignment(Qt::AlignCenter);
            grid->addWidget(box, row++, 1);
            fields->bind(f.id, box);
            break;
        }
        default:
            break;
        }
    }
    grid->setColumnStretch(2, 1);
    attach(fields);
}

} // namespace veg
