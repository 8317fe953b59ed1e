#pragma once

#include <QStringList>

namespace veg {

class EditorForm;
class ParamTree;

// What the scenario runner's "show" commands print of a window, one line per item, so that a
// script's output can be read (and compared) as the user would read the window.
namespace ScenarioPrinter {

// The heading cells ("heading ROWS COLUMNS: text", merged cells as ranges), then one line per
// data row ("row R: cell | cell | ..."): a grey cell starts with "~", a marked one with "!", a
// check box is "[x]" or "[ ]", a hint follows its text in braces.
QStringList grid(const EditorForm& form);
// Every node, indented by level; the selected node starts with ">".
QStringList tree(const EditorForm& form);
QStringList tree(const ParamTree& tree);
// One line per field: id, caption, value, and its state.
QStringList fields(const EditorForm& form);
QStringList note(const EditorForm& form);

// A text on one line: line breaks as "\n".
QString oneLine(const QString& text);

} // namespace ScenarioPrinter
} // namespace veg
