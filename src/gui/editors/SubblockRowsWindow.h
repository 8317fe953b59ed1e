#pragma once

#include "gui/widgets/EditorDialog.h"

namespace veg {

class ParamTreeView;
class SubblockRowsForm;

// The window of one Магистраль-1 sub-block (TFTC, TFTU, TFNastrIKP), laid out from its form's
// fields: the choices of the group and the row as radio buttons with the position under them,
// the read-only boxes of the group's rows, and beside them the page (a group box named by the
// source choice's caption) with the source choice, the spin box, "<< Поместить" and the tree.
class SubblockRowsWindow : public EditorDialog
{
    Q_OBJECT
public:
    SubblockRowsWindow(SubblockRowsForm& form, QWidget* parent = nullptr);

    ParamTreeView* treeView() const { return m_tree; }

private:
    ParamTreeView* m_tree = nullptr;
};

} // namespace veg
