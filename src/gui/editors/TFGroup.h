#pragma once

#include "gui/widgets/EditorDialog.h"

namespace veg {

class GroupParamsForm;
class ParamTreeView;

// "Настройка групповых параметров": the tree of group-parameter candidates beside the four
// slots, each a read-only field with its ">>" button and its context menu "Удалить".
class TFGroup : public EditorDialog
{
    Q_OBJECT
public:
    TFGroup(GroupParamsForm& form, QWidget* parent = nullptr);

    ParamTreeView* treeView() const { return m_tree; }

private:
    ParamTreeView* m_tree = nullptr;
};

} // namespace veg
