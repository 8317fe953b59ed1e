#pragma once

#include "gui/widgets/EditorDialog.h"

class QPushButton;

namespace veg {

class EditorGridView;
class ModbusTelecontrolForm;
class ParamTreeView;

// "Телеуправление": the grid of coil commands over the tree of telecontrol parameters, the
// button "<< Поместить" and the line naming coil numbers that two rows use.
class TFModbusTU : public EditorDialog
{
    Q_OBJECT
public:
    TFModbusTU(ModbusTelecontrolForm& form, QWidget* parent = nullptr);

    EditorGridView* gridView() const { return m_grid; }
    ParamTreeView* treeView() const { return m_tree; }

private:
    EditorGridView* m_grid = nullptr;
    ParamTreeView* m_tree = nullptr;
};

} // namespace veg
