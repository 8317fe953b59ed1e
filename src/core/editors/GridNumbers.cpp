#include "core/editors/GridNumbers.h"

#include "core/editors/EditorGrid.h"

#include <QStringList>

#include <algorithm>
#include <map>
#include <vector>

namespace veg {

namespace {

constexpr quint64 kTooLarge = 1000000000000ULL;

// "3", "3 и 7", "1, 3 и 6".
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

QString markSharedNumbers(EditorGrid& grid, int column, int span, const QString& one,
                          const QString& many)
{
    std::map<quint64, std::vector<int>> rowsOf; // number -> the rows (from 1) that claim it
    for (int r = grid.headingRows(); r < grid.rowCount(); ++r) {
        GridCell& cell = grid.cell(r, column);
        cell.marked = false;
        if (const auto n = digitsValue(cell.text)) {
            for (int k = 0; k < std::max(span, 1); ++k)
                rowsOf[*n + quint64(k)].push_back(r - grid.headingRows() + 1);
        }
    }
    QStringList notes;
    for (auto it = rowsOf.begin(); it != rowsOf.end();) {
        if (it->second.size() < 2) {
            ++it;
            continue;
        }
        const quint64 first = it->first;
        const std::vector<int> rows = it->second;
        quint64 last = first;
        for (++it; it != rowsOf.end() && it->first == last + 1 && it->second == rows; ++it)
            last = it->first;
        for (int n : rows)
            grid.cell(grid.headingRows() + n - 1, column).marked = true;
        const QString numbers = first == last ? one + u' ' + QString::number(first)
                                              : many + u' ' + QString::number(first) + u'–' +
                                                    QString::number(last);
        notes << numbers + QStringLiteral(": строки ") + rowList(rows);
    }
    return notes.join(QStringLiteral("; "));
}

} // namespace veg
