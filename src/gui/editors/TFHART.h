#pragma once

#include "gui/widgets/EditorDialog.h"

class QComboBox;

namespace veg {

class EditorGridView;
class HartDevicesForm;
class ParamTreeView;

// "Настройка параметров": the device selector over the grid of the chosen HART device, beside
// the tree of the device's controller and the button "<<Поместить".
class TFHART : public EditorDialog
{
    Q_OBJECT
public:
    TFHART(HartDevicesForm& form, QWidget* parent = nullptr);

    EditorGridView* gridView() const { return m_grid; }
    ParamTreeView* treeView() const { return m_tree; }
    QComboBox* deviceSelector() const { return m_device; }

private:
    EditorGridView* m_grid = nullptr;
    ParamTreeView* m_tree = nullptr;
    QComboBox* m_device = nullptr;
};

} // namespace veg
