#include "core/check/CheckFinding.h"

#include <QStringList>

namespace veg {

QString severityWord(Severity severity)
{
    return severity == Severity::Error ? QStringLiteral("ERROR") : QStringLiteral("WARNING");
}

QString CheckFinding::where() const
{
    QStringList parts;
    for (const QString* p : {&section, &row, &field}) {
        if (!p->isEmpty())
            parts << *p;
    }
    return parts.join(QStringLiteral(", "));
}

} // namespace veg
