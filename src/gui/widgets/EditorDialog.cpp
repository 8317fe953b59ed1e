#include "gui/widgets/EditorDialog.h"

#include "core/editors/EditorForm.h"
#include "gui/widgets/EditorGridView.h"
#include "gui/widgets/FieldBinding.h"
#include "gui/widgets/ParamTreeView.h"
#include "gui/widgets/ScreenFit.h"

#include <QLabel>
#include <QTimer>

namespace veg {

EditorDialog::EditorDialog(EditorForm& form, QWidget* parent) : QDialog(parent), m_form(form)
{
    setObjectName(form.windowName());
    setWindowTitle(form.caption());
    ScreenFit::keepOnScreen(this);
}

void EditorDialog::attach(EditorGridView* grid)
{
    m_grid = grid;
    connect(grid, &EditorGridView::changed, this, &EditorDialog::afterAction);
}

void EditorDialog::attach(ParamTreeView* tree)
{
    m_tree = tree;
    connect(tree, &ParamTreeView::changed, this, &EditorDialog::afterAction);
}

void EditorDialog::attach(FieldBinding* fields)
{
    m_fields = fields;
    connect(fields, &FieldBinding::changed, this, &EditorDialog::afterAction);
    connect(fields, &FieldBinding::openWindow, this, [this](const QString& window) {
        if (m_open)
            m_open(window);
        render();
    });
}

void EditorDialog::attachNote(QLabel* note)
{
    m_note = note;
}

int EditorDialog::exec()
{
    FormActivate();
    return QDialog::exec();
}

int EditorDialog::execOnTableRow(int index)
{
    FormActivate();
    if (m_form.showTableRow(index))
        render();
    return QDialog::exec();
}

void EditorDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The current cell in view once the grid has its size (a row far down, a finding's).
    if (m_grid)
        QTimer::singleShot(0, m_grid, [grid = m_grid] { grid->scrollToCurrent(); });
}

void EditorDialog::FormActivate()
{
    m_form.clearCloseAsked();
    m_form.FormActivate();
    activated();
    render();
}

void EditorDialog::render()
{
    setWindowTitle(m_form.caption());
    if (m_grid)
        m_grid->render();
    if (m_fields)
        m_fields->render();
    if (m_note) {
        m_note->setText(m_form.note());
        m_note->setVisible(!m_form.note().isEmpty());
    }
    // The tree last: it takes the focus when the form asked for it.
    if (m_tree)
        m_tree->render();
}

void EditorDialog::afterAction()
{
    render();
    if (m_form.closeAsked()) {
        m_form.clearCloseAsked();
        reject();
    }
}

void EditorDialog::done(int result)
{
    if (!m_form.closeRequested()) {
        render(); // the form said why; the window stays
        return;
    }
    QDialog::done(result);
}

} // namespace veg
