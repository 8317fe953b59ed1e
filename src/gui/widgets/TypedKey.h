#pragma once

#include <QChar>

#include <optional>

class QKeyEvent;
class QLineEdit;

namespace veg {

// The character a key types into a line edit, for the windows' key filters. None for a key
// without text and for the keys that steer the editing or the window (Enter, Esc, Tab, Delete):
// those go on as they are. Backspace (8) is a character here: the filters judge it.
std::optional<QChar> typedCharacter(const QKeyEvent& key);

// A key as a filter answered it: a null answer swallows the key, the typed character itself lets
// the edit take it, another character (a letter of the Russian layout or a lower-case one,
// mapped) is inserted in its place. True when the key is used up.
bool takeFilteredKey(QLineEdit& edit, QChar typed, QChar entered);

} // namespace veg
