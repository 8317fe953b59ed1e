#pragma once

#include <QString>

class QLineEdit;

namespace veg {

// Masked edits of the editor windows: the forms state a mask as "H" for a hexadecimal digit and
// any other character standing as it is, and hold the text with "_" in the places not filled yet.
namespace MaskedText {

// Makes `edit` a masked edit of `mask` (upper-case digits, "_" for the free places).
void apply(QLineEdit* edit, const QString& mask);
// Shows the form's text place by place: a "_" stays a free place (setting the text whole would
// move the digits after a free place forward).
void show(QLineEdit* edit, const QString& text);
// The edit's text as the forms hold it, free places as "_".
QString text(const QLineEdit* edit);

} // namespace MaskedText
} // namespace veg
