#include "Commands.h"

namespace vegctl {

void addDatabaseCommands(CLI::App& app)
{
    (void)app;
}

} // namespace vegctl
