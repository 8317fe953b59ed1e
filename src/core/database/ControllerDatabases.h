#pragma once

#include "core/config/ConfigFile.h"

namespace veg {

// The database objects of a loaded configuration's controllers, read from the controller
// database with the active library directories.
ControllerDatabaseFactory controllerDatabaseReader();

} // namespace veg
