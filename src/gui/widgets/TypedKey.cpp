#include "gui/widgets/TypedKey.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace veg {

std::optional<QChar> typedCharacter(const QKeyEvent& key)
{
    const QString text = key.text();
    if (text.isEmpty())
        return std::nullopt;
    const QChar typed = text.at(0);
    if ((typed.unicode() < 0x20 && typed.unicode() != 8) || typed.unicode() == 0x7F)
        return std::nullopt;
    return typed;
}

bool takeFilteredKey(QLineEdit& edit, QChar typed, QChar entered)
{
    if (entered.isNull())
        return true; // swallowed
    if (entered == typed)
        return false;
    edit.insert(QString(entered));
    return true;
}

} // namespace veg
