#pragma once

#include "gui/widgets/EditorDialog.h"

namespace veg {

class EditorGridView;
class ParamTreeView;
class TableEditorForm;

// A table editor's window of one grid and one tree (TFModbusTC, TFTIFloat): the grid above, the
// line of notes under it, the tree below with the form's buttons ("<< Поместить", "Печать")
// beside it.
class GridTreeWindow : public EditorDialog
{
    Q_OBJECT
public:
    GridTreeWindow(TableEditorForm& form, QWidget* parent = nullptr);

    EditorGridView* gridView() const { return m_grid; }
    ParamTreeView* treeView() const { return m_tree; }

private:
    EditorGridView* m_grid = nullptr;
    ParamTreeView* m_tree = nullptr;
};

} // namespace veg
