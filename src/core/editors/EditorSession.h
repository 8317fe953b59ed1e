#pragma once

#include <QChar>

namespace veg {

class Dialogs;
class GatewayConfig;
struct AdditionalSettings;
class TablePrinter;

// What every editor of a run shares: the configuration, the questions to the user, the display
// settings, and the few selections that pass from one window to another.
struct EditorSession
{
    EditorSession(GatewayConfig& config, Dialogs& dialogs, const AdditionalSettings& additional,
                  QChar decimalSeparator = u'.')
        : config(config), dialogs(dialogs), additional(additional),
          decimalSeparator(decimalSeparator)
    {}

    GatewayConfig& config;
    Dialogs& dialogs;
    const AdditionalSettings& additional; // short or long task names in the trees
    QChar decimalSeparator;               // the system's, for the numbers the editors show

    // The controller current in the controller list: the one-controller trees show it.
    int currentController = 0;
    // The sub-block a sub-block button opened its window for.
    int currentSubblock = 0;
    // Where "Печать" of an editor goes (none: the editors print nothing).
    TablePrinter* printer = nullptr;
};

} // namespace veg
