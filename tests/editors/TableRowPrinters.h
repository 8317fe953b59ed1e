#pragma once

#include "core/config/ConfigRecords.h"

#include <ostream>

// Table rows as text in failure messages: the reference code, Extra and the name.
namespace veg {
inline void PrintTo(const ParamCore& c, std::ostream* os)
{
    *os << refText(c).toStdString() << " task " << c.TaskNumber;
}
inline void PrintTo(const TcTuEntry& e, std::ostream* os)
{
    PrintTo(static_cast<const ParamCore&>(e), os);
    *os << " extra " << e.Extra << " \"" << e.Name.toStdString() << '"';
}
inline void PrintTo(const TiEntry& e, std::ostream* os)
{
    PrintTo(static_cast<const ParamCore&>(e), os);
    *os << " \"" << e.Name.toStdString() << '"';
}
} // namespace veg
