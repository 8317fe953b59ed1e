#include "core/database/ControllerDatabases.h"

#include "core/database/Task_CL.h"

namespace veg {

ControllerDatabaseFactory controllerDatabaseReader()
{
    return [](const QString& queuePath, const DatabaseDirectories& d) -> std::shared_ptr<const Task_CL> {
        return std::make_shared<const Task_CL>(queuePath, d.WayAlg, d.WayMod, d.WayTask);
    };
}

} // namespace veg
