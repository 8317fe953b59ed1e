#pragma once

#include "core/check/ConfigCheck.h"
#include "core/settings/AdditionalSettings.h"

#include <QStringList>

// The findings of a configuration as vegctl prints them (severity, where, what; a "|" between),
// so that a failing test shows them readably.
inline QStringList checkLines(const veg::GatewayConfig& config,
                              const veg::AdditionalSettings& additional = {})
{
    QStringList out;
    const veg::ConfigCheck check(config, additional);
    for (const veg::CheckFinding& f : check.findings())
        out << veg::severityWord(f.severity) + " | " + f.where() + " | " + f.text;
    return out;
}
