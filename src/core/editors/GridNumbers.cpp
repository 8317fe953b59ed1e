#include "core/editors/GridNumbers.h"

#include "core/editors/EditorGrid.h"

#include <QStringList>

#include <algorithm>
#include <map>

namespace veg {

namespace {

constexpr quint64 kTooLarge = 1000000000000ULL;

} // namespace

std::optional<quint64> digitsValue(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    quint64 v = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        v = std::min(v * 10 + (c.unicode() - u'0'), kTooLarge);
    }
    return v;
}

QString rowList(const std::vector<int>& rows)
{
    QString out;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0)
            out += i + 1 == rows.size() ? QStringLiteral(" и ") : QStringLiteral(", ");
        out += QString::number(rows[i]);
    }
    return out;
}

std::vector<SharedNumbers> sharedNumbers(const std::vector<std::optional<quint64>>& numbers,
                                         int span)
{
    std::map<quint64, std::vector<int>> rowsOf; // number -> the rows (from 1) that claim it
    for (std::size_t r = 0; r < numbers.size(); ++r) {
        if (!numbers[r])
            continue;
        for (int k = 0; k < std::max(span, 1); ++k)
            rowsOf[*numbers[r] + quint64(k)].push_back(int(r) + 1);
    }
    std::vector<SharedNumbers> out;
    for (auto it = rowsOf.begin(); it != rowsOf.end();) {
        if (it->second.size() < 2) {
            ++it;
            continue;
        }
        SharedNumbers s{it->first, it->first, it->second};
        for (++it; it != rowsOf.end() && it->first == s.last + 1 && it->second == s.rows; ++it)
            s.last = it->first;
        out.push_back(std::move(s));
    }
    return out;
}

QString numbersText(const SharedNumbers& shared, const NumberClaim& claim)
{
    return shared.first == shared.last ? claim.one + u' ' + QString::number(shared.first)
                                       : claim.many + u' ' + QString::number(shared.first) + u'–' +
                                             QString::number(shared.last);
}

QString markSharedNumbers(EditorGrid& grid, int column, const NumberClaim& claim)
{
    std::vector<std::optional<quint64>> numbers;
    for (int r = grid.headingRows(); r < grid.rowCount(); ++r) {
        GridCell& cell = grid.cell(r, column);
        cell.marked = false;
        numbers.push_back(digitsValue(cell.text));
    }
    QStringList notes;
    for (const SharedNumbers& s : sharedNumbers(numbers, claim.span)) {
        for (int n : s.rows)
            grid.cell(grid.headingRows() + n - 1, column).marked = true;
        notes << numbersText(s, claim) + QStringLiteral(": строки ") + rowList(s.rows);
    }
    return notes.join(QStringLiteral("; "));
}

} // namespace veg
