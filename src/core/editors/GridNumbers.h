#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace veg {

class EditorGrid;

// A number typed into a numeric cell: digits only (an empty text or any other character gives
// none). A number of more digits than any cell takes reads as one even number beyond every range
// of the gateway's numbers.
std::optional<quint64> digitsValue(const QString& text);

// How the rows of a table claim numbers of the upper line: a row with number n claims
// n ... n + span - 1 (a coil or a discrete input one, a floating-point value two holding
// registers). `one` names a single number ("Coil"), `many` a range ("Coils").
struct NumberClaim
{
    int span = 1;
    QString one;
    QString many;
};

// Consecutive numbers that the same rows (from 1, at least two) claim.
struct SharedNumbers
{
    quint64 first = 0;
    quint64 last = 0;
    std::vector<int> rows;
};

// The numbers that two rows or more claim, in rising order; `numbers` holds each row's number
// (none for a row without one). Consecutive numbers claimed by the same rows form one entry.
std::vector<SharedNumbers> sharedNumbers(const std::vector<std::optional<quint64>>& numbers,
                                         int span);
// "Coil 12" or "Holding Registers 100–101".
QString numbersText(const SharedNumbers& shared, const NumberClaim& claim);
// "3", "3 и 7", "1, 3 и 6".
QString rowList(const std::vector<int>& rows);

// Marks the cells of `column` whose rows share a number (the others are cleared) and returns the
// text for the line under the grid, which names each shared number with its rows:
// "Coil 12: строки 3 и 7"; "Holding Registers 100–101: строки 1 и 2".
QString markSharedNumbers(EditorGrid& grid, int column, const NumberClaim& claim);

} // namespace veg
