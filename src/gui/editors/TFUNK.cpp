#include "gui/editors/TFUNK.h"

#include "core/editors/UnkThreadsForm.h"
#include "gui/widgets/EditorGridView.h"
#include "gui/widgets/FieldBinding.h"
#include "gui/widgets/ParamTreeView.h"
#include "gui/widgets/TreePane.h"

#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QVBoxLayout>

namespace veg {

TFUNK::TFUNK(UnkThreadsForm& form, QWidget* parent) : EditorDialog(form, parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* split = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(split, 1);

    auto* left = new QWidget(split);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    m_grid = new EditorGridView(form, left);
    leftLayout->addWidget(m_grid, 1);
    // The password's caption above its box: the row stays narrow enough for a small screen.
    auto* passwordRow = new QVBoxLayout;
    auto* label = new QLabel(left);
    m_timePassword = new QLineEdit(left);
    m_timePassword->setObjectName(UnkThreadsForm::timePasswordField());
    m_timePassword->setMinimumWidth(m_timePassword->fontMetrics().horizontalAdvance(
        UnkThreadsForm::passwordMask() + QStringLiteral("__")));
    passwordRow->addWidget(label);
    passwordRow->addWidget(m_timePassword, 0, Qt::AlignLeft);
    leftLayout->addLayout(passwordRow);
    split->addWidget(left);

    auto* fields = new FieldBinding(form, this);
    FormField place;
    place.id = TableEditorForm::placeButton();
    place.caption = QStringLiteral("<< Поместить");
    place.kind = FormField::Kind::Button;
    auto* pane = new TreePane(form, *fields, {place}, TreePane::Buttons::Above, split);
    m_tree = pane->tree();
    // Wide enough to read a parameter's name however narrow the window.
    pane->setMinimumWidth(pane->fontMetrics().averageCharWidth() * 24);
    split->addWidget(pane);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);

    fields->bind(UnkThreadsForm::timePasswordField(), m_timePassword, label);
    attach(m_grid);
    attach(m_tree);
    attach(fields);

    const int width = m_grid->columnsWidth();
    resize(width + 420, 860); // made to fit the screen when shown
}

} // namespace veg
