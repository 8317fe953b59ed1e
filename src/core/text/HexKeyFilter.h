#pragma once

#include <QChar>

namespace veg {

// The keyboard filter of every hexadecimal input box. Backspace, blank, digits and 'A'-'F' pass;
// 'a'-'f' become upper case; the Cyrillic letters on the same keys of the Russian layout become
// the Latin letters (Ф A, И B, С C, В D, У E, А F, either case); any other key gives QChar(0),
// which swallows it.
QChar HexKeyFilter(QChar key);

} // namespace veg
