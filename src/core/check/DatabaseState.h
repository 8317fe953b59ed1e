#pragma once

#include "core/config/ConfigRecords.h"
#include "core/database/Task_CL.h"

namespace veg {

// How much of a controller's database the program has: none (no queue file, or known only by its
// network number), the queue without its module (the library folders of "Путь к БД" do not hold
// it, so no parameter could be read), or all of it. Only a database read whole can say that a
// parameter is missing.
enum class DatabaseState
{
    Missing,
    ModuleMissing,
    Read
};

inline DatabaseState databaseState(const ControllerEntry& e)
{
    if (!e.Present || !e.Database)
        return DatabaseState::Missing;
    return e.Database->modulesRead() ? DatabaseState::Read : DatabaseState::ModuleMissing;
}

} // namespace veg
