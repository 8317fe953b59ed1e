#pragma once

#include "gui/widgets/EditorDialog.h"

class QLineEdit;

namespace veg {

class EditorGridView;
class ParamTreeView;
class UnkThreadsForm;

// "Вычислитель": the grid of the three metering threads (a column per thread) with the masked
// time-and-date password under it, beside the tree of the current thread's controller and the
// button "<< Поместить".
class TFUNK : public EditorDialog
{
    Q_OBJECT
public:
    TFUNK(UnkThreadsForm& form, QWidget* parent = nullptr);

    EditorGridView* gridView() const { return m_grid; }
    ParamTreeView* treeView() const { return m_tree; }
    QLineEdit* timePassword() const { return m_timePassword; }

private:
    EditorGridView* m_grid = nullptr;
    ParamTreeView* m_tree = nullptr;
    QLineEdit* m_timePassword = nullptr;
};

} // namespace veg
