#include "core/text/HexKeyFilter.h"

namespace veg {

QChar HexKeyFilter(QChar key)
{
    const char16_t c = key.unicode();
    if (c == 8 || c == u' ' || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))
        return key;
    if (c >= u'a' && c <= u'f')
        return QChar(c - u'a' + u'A');
    switch (c) {
    case u'Ф': case u'ф': return QChar(u'A');
    case u'И': case u'и': return QChar(u'B');
    case u'С': case u'с': return QChar(u'C');
    case u'В': case u'в': return QChar(u'D');
    case u'У': case u'у': return QChar(u'E');
    case u'А': case u'а': return QChar(u'F');
    default: return QChar(0);
    }
}

} // namespace veg
