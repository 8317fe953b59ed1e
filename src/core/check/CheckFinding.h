#pragma once

#include "core/config/ProtocolCatalogue.h"

#include <QString>

#include <optional>

namespace veg {

// ERROR: the gateway would misbehave with the configuration as it stands, or an editor window
// would refuse to close over it. WARNING: worth the engineer's eye, but nothing goes wrong by it.
enum class Severity
{
    Error,
    Warning
};

// "ERROR" or "WARNING", as vegctl prints them.
QString severityWord(Severity severity);

// One finding of the configuration check: how bad, where (the window that shows it, the row in
// the window's own terms, the field), and what is wrong.
struct CheckFinding
{
    Severity severity = Severity::Error;
    QString section; // the window's caption, "Список контроллеров" for the controller list
    QString row; // "строка 3", "нитка 2", "субблок 2, телеоперация 1, разряд 5"; empty: none
    QString field; // "Установка в 1", "Плотность газа"; empty: the row as a whole
    QString text;
    // The main-menu window in which it is mended (none: no window mends it).
    std::optional<EditorId> editor;
    // The row of the window's table (from 0) that the window opens on; -1: none (a finding of
    // the window as a whole, or of a window whose grid does not show its table row by row).
    int tableRow = -1;

    // Section, row and field, those that are given, joined by ", ".
    QString where() const;

    friend bool operator==(const CheckFinding&, const CheckFinding&) = default;
};

} // namespace veg
