#include "Commands.h"

namespace vegctl {

void addLinkCommands(CLI::App& app)
{
    (void)app;
}

} // namespace vegctl
