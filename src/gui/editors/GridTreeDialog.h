#pragma once

#include "gui/widgets/EditorDialog.h"

namespace veg {

class EditorGridView;
class FieldBinding;
class ParamTreeView;
class TableEditorForm;

// An editor window of a table (TFModbusTU, TFModbusTC, TFTIFloat, TFKTC_Gr, TFKTC_TC): its grid
// over its parameter tree, the form's buttons ("<< Поместить", "Печать") beside the tree, the
// line of notes between them.
class GridTreeDialog : public EditorDialog
{
    Q_OBJECT
public:
    GridTreeDialog(TableEditorForm& form, QWidget* parent = nullptr);

    EditorGridView* gridView() const { return m_grid; }
    ParamTreeView* treeView() const { return m_tree; }

protected:
    FieldBinding* fields() const { return m_fields; }

private:
    EditorGridView* m_grid = nullptr;
    ParamTreeView* m_tree = nullptr;
    FieldBinding* m_fields = nullptr;
};

} // namespace veg
