#pragma once

#include "core/config/ReferenceText.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace veg {

class GatewayConfig;

// A name as a row holds it: at most 80 characters.
QString cutName(const QString& name);

// One reference of a table as the controller list's re-check sees it: the controller it names,
// the parameter, and the two fields the re-check re-describes.
struct RefSlot
{
    std::uint8_t netNumber = 255;
    std::uint16_t paramNumber = 0xFFFF;
    std::uint16_t* taskNumber = nullptr;
    QString* name = nullptr;
};

// The re-check after controller `controller` got a new database: every slot of that controller's
// network number with a parameter (not 0xFFFF) must be found in the new database, else false and
// nothing changes. Then each of them is re-described: the number of the task that owns the
// parameter, and the name queue name + "/" + long task name + "/" + parameter name.
bool RebindReferences(const GatewayConfig& config, int controller,
                      const std::vector<RefSlot>& refs);

// Fixed-length tables: a row removed moves the rows behind it up and an empty row is appended;
// a row inserted moves the rows from it to the second-to-last down (the last row is lost).
template <typename Row> void removeRowKeepLength(std::vector<Row>& table, int index)
{
    if (index < 0 || index >= int(table.size()))
        return;
    table.erase(table.begin() + index);
    table.push_back(Row{});
}

template <typename Row> void insertRowKeepLength(std::vector<Row>& table, int index, Row row)
{
    if (index < 0 || index >= int(table.size()))
        return;
    table.pop_back();
    table.insert(table.begin() + index, std::move(row));
}

} // namespace veg
