#include "Commands.h"

namespace vegctl {

void addConfigCommands(CLI::App& app)
{
    (void)app;
}

} // namespace vegctl
