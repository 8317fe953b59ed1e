#pragma once

#include <cstddef>

namespace veg {

// The controller list owns one database object per row (held by the row); removing a row
// releases its object with it. The network numbers and present flags that travel with the rows
// live in the same rows. Emptying the whole list is the configuration's own operation.

// Removes one row; the rows behind it move up. False (and nothing changes) for a row outside
// the list.
template <typename List> bool RemoveController(List& controllers, std::ptrdiff_t row)
{
    if (row < 0 || row >= std::ptrdiff_t(controllers.size()))
        return false;
    controllers.erase(controllers.begin() + row);
    return true;
}

} // namespace veg
