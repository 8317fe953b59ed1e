#include "gui/editors/GridTreeDialog.h"

#include "core/editors/TableEditorForm.h"
#include "gui/widgets/EditorGridView.h"
#include "gui/widgets/FieldBinding.h"
#include "gui/widgets/ParamTreeView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace veg {

GridTreeDialog::GridTreeDialog(TableEditorForm& form, QWidget* parent) : EditorDialog(form, parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* split = new QSplitter(Qt::Vertical, this);
    layout->addWidget(split, 1);

    m_grid = new EditorGridView(form, split);
    split->addWidget(m_grid);

    auto* lower = new QWidget(split);
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    auto* note = new QLabel(lower);
    note->setObjectName(QStringLiteral("Note"));
    note->setStyleSheet(QStringLiteral("color: #A00000;"));
    note->setWordWrap(true);
    lowerLayout->addWidget(note);
    auto* row = new QHBoxLayout;
    m_tree = new ParamTreeView(form, lower);
    row->addWidget(m_tree, 1);
    // The form's buttons ("<< Поместить", and "Печать" where the window prints) beside the tree.
    auto* buttons = new QVBoxLayout;
    m_fields = new FieldBinding(form, this);
    for (const FormField& f : form.fields()) {
        if (f.kind != FormField::Kind::Button)
            continue;
        auto* button = new QPushButton(f.caption, lower);
        button->setObjectName(QStringLiteral("Button") + f.id);
        button->setAutoDefault(false);
        buttons->addWidget(button);
        m_fields->bind(f.id, button);
    }
    buttons->addStretch();
    row->addLayout(buttons);
    lowerLayout->addLayout(row, 1);
    split->addWidget(lower);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    attach(m_grid);
    attach(m_tree);
    attach(m_fields);
    attachNote(note);

    // As wide as the grid's columns (laid out from the form's headings), within a usual screen.
    m_grid->render();
    int width = 0;
    for (int c = 0; c < form.grid()->columnCount(); ++c)
        width += m_grid->headingView()->columnWidth(c);
    resize(std::min(std::max(width + 80, 560), 1600), 760);
}

} // namespace veg
