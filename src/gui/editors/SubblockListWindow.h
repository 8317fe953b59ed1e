#pragma once

#include "gui/widgets/EditorDialog.h"

namespace veg {

// The windows of Магистраль-1's two controlled points (TFOKP, TFIKP), laid out from their
// forms' fields: one line per sub-block, its button (which opens the sub-block's window) beside
// the sub-block's drop-down of types or its read-only box.
class SubblockListWindow : public EditorDialog
{
    Q_OBJECT
public:
    SubblockListWindow(EditorForm& form, QWidget* parent = nullptr);
};

} // namespace veg
