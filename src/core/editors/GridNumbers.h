#pragma once

#include <QString>

#include <optional>

namespace veg {

class EditorGrid;

// A number typed into a numeric cell: digits only (an empty text or any other character gives
// none). A number of more digits than any cell takes reads as one even number beyond every range
// of the gateway's numbers.
std::optional<quint64> digitsValue(const QString& text);

// Numbers of the upper line that two rows claim. Every data row whose `column` shows a number n
// claims the numbers n ... n + span - 1 (a coil or a discrete input claims one, a floating-point
// value two holding registers). The cells of rows that share a number are marked (the others
// cleared), and the text for the line under the grid names each shared number with its rows:
// "Coil 12: строки 3 и 7"; consecutive numbers shared by the same rows are named as a range
// ("Holding Registers 100–101: строки 1 и 2"). `one` names a single number, `many` a range.
QString markSharedNumbers(EditorGrid& grid, int column, int span, const QString& one,
                          const QString& many);

} // namespace veg
