#include "gui/editors/GridTreeDialog.h"

#include "core/editors/TableEditorForm.h"
#include "gui/widgets/EditorGridView.h"
#include "gui/widgets/FieldBinding.h"
#include "gui/widgets/ParamTreeView.h"
#include "gui/widgets/TreePane.h"

#include <QLabel>
#include <QSplitter>
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
    m_fields = new FieldBinding(form, this);
    // The form's buttons ("<< Поместить", and "Печать" where the window prints) beside the tree.
    auto* pane = new TreePane(form, *m_fields, TreePane::buttonsOf(form.fields()),
                              TreePane::Buttons::Beside, lower);
    m_tree = pane->tree();
    lowerLayout->addWidget(pane, 1);
    split->addWidget(lower);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    attach(m_grid);
    attach(m_tree);
    attach(m_fields);
    attachNote(note);

    // As wide as the grid's columns (laid out from the form's headings); a screen too small for
    // that gets a window as large as it, whose grid scrolls (ScreenFit).
    const int width = m_grid->columnsWidth();
    resize(std::max(width + 80, 560), 760);
}

} // namespace veg
