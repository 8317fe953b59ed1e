#include "gui/editors/SubblockRowsWindow.h"

#include "core/editors/SubblockRowsForm.h"
#include "gui/widgets/FieldBinding.h"
#include "gui/widgets/ParamTreeView.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace veg {

namespace {

// A choice as a box of radio buttons, `columns` to a row.
QGroupBox* radioBox(QWidget* parent, FieldBinding* fields, const FormField& f, int columns)
{
    auto* box = new QGroupBox(f.caption, parent);
    box->setObjectName(QStringLiteral("Group") + f.id);
    auto* grid = new QGridLayout(box);
    auto* group = new QButtonGroup(box);
    group->setObjectName(f.id);
    for (int i = 0; i < f.items.size(); ++i) {
        auto* b = new QRadioButton(f.items[i], box);
        b->setObjectName(f.id + QString::number(i));
        group->addButton(b, i);
        grid->addWidget(b, i / columns, i % columns);
    }
    fields->bindChoice(f.id, group);
    return box;
}

} // namespace

SubblockRowsWindow::SubblockRowsWindow(SubblockRowsForm& form, QWidget* parent)
    : EditorDialog(form, parent)
{
    auto* fields = new FieldBinding(form, this);
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    layout->addLayout(left);

    QGroupBox* page = nullptr;
    QVBoxLayout* pageLayout = nullptr;
    auto* boxes = new QFormLayout;
    for (const FormField& f : form.fields()) {
        if (!f.group.isEmpty() && !page) {
            page = new QGroupBox(f.group, this);
            page->setObjectName(QStringLiteral("Page"));
            pageLayout = new QVBoxLayout(page);
        }
        if (f.id == SubblockRowsForm::positionField()) {
            auto* position = new QLabel(this);
            position->setObjectName(f.id);
            QFont bold = position->font();
            bold.setBold(true);
            position->setFont(bold);
            fields->bind(f.id, position);
            left->addWidget(position);
            left->addLayout(boxes);
        } else if (f.kind == FormField::Kind::Choice && f.group.isEmpty()) {
            left->addWidget(radioBox(this, fields, f, 8));
        } else if (f.kind == FormField::Kind::Choice) {
            pageLayout->addWidget(radioBox(page, fields, f, 3));
        } else if (f.kind == FormField::Kind::Text) {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(f.id);
            edit->setMinimumWidth(380);
            auto* caption = new QLabel(this);
            boxes->addRow(caption, edit);
            fields->bind(f.id, edit, caption);
        } else if (f.kind == FormField::Kind::Spin) {
            auto* row = new QHBoxLayout;
            auto* caption = new QLabel(page);
            auto* spin = new QSpinBox(page);
            spin->setObjectName(f.id);
            row->addWidget(caption);
            row->addWidget(spin);
            row->addStretch();
            pageLayout->addLayout(row);
            fields->bind(f.id, spin, caption);
        } else if (f.kind == FormField::Kind::Button) {
            auto* button = new QPushButton(f.caption, page);
            button->setObjectName(QStringLiteral("Button") + f.id);
            button->setAutoDefault(false);
            pageLayout->addWidget(button, 0, Qt::AlignLeft);
            fields->bind(f.id, button);
        }
    }
    left->addStretch();
    m_tree = new ParamTreeView(form, page);
    m_tree->setMinimumWidth(420);
    pageLayout->addWidget(m_tree, 1);
    layout->addWidget(page, 1);

    attach(m_tree);
    attach(fields);
    resize(1180, 560);
}

} // namespace veg
