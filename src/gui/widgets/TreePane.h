#pragma once

#include "core/editors/FormField.h"

#include <QWidget>

#include <vector>

namespace veg {

class FieldBinding;
class ParamTreeView;
class EditorForm;

// The parameter tree of an editor window with the form's buttons that work on it ("<< Поместить",
// "Печать"): in a row above the tree, or in a column beside it. Each button is bound to the form
// under its field id and named "Button" + id.
class TreePane : public QWidget
{
public:
    enum class Buttons { Above, Beside };

    TreePane(EditorForm& form, FieldBinding& fields, const std::vector<FormField>& buttons,
             Buttons where, QWidget* parent = nullptr);

    ParamTreeView* tree() const { return m_tree; }

    // The buttons among a form's fields, in the form's order.
    static std::vector<FormField> buttonsOf(const std::vector<FormField>& fields);

private:
    ParamTreeView* m_tree = nullptr;
};

} // namespace veg
