#include "core/editors/EditorGrid.h"

#include <algorithm>

namespace veg {

void EditorGrid::reset(int rows, int columns, int headingRows, int fixedColumns)
{
    m_rows = std::max(rows, 0);
    m_columns = std::max(columns, 0);
    m_headingRows = std::clamp(headingRows, 0, m_rows);
    m_fixedColumns = std::clamp(fixedColumns, 0, m_columns);
    m_cells.assign(std::size_t(m_rows * m_columns), GridCell{});
    for (int r = 0; r < m_rows; ++r) {
        for (int c = 0; c < m_columns; ++c)
            cell(r, c).kind = isDataCell(r, c) ? CellKind::ReadOnly : CellKind::Fixed;
    }
    m_spans.clear();
    widths.assign(std::size_t(m_columns), 64);
    choices.assign(std::size_t(m_columns), QStringList());
    currentRow = currentColumn = -1;
    note.clear();
}

void EditorGrid::setColumnKind(int column, CellKind kind, bool reference)
{
    if (column < m_fixedColumns || column >= m_columns)
        return;
    for (int r = m_headingRows; r < m_rows; ++r) {
        GridCell& c = cell(r, column);
        c.kind = kind;
        c.reference = reference;
    }
}

void EditorGrid::merge(int row, int column, int rows, int columns, const QString& text)
{
    if (!contains(row, column))
        return;
    rows = std::clamp(rows, 1, m_rows - row);
    columns = std::clamp(columns, 1, m_columns - column);
    cell(row, column).text = text;
    if (rows > 1 || columns > 1)
        m_spans.push_back({row, column, rows, columns});
}

const EditorGrid::Span* EditorGrid::spanAt(int row, int column) const
{
    for (const Span& s : m_spans) {
        if (s.row == row && s.column == column)
            return &s;
    }
    return nullptr;
}

bool EditorGrid::covered(int row, int column) const
{
    for (const Span& s : m_spans) {
        const bool inside = row >= s.row && row < s.row + s.rows && column >= s.column &&
                            column < s.column + s.columns;
        if (inside && (row != s.row || column != s.column))
            return true;
    }
    return false;
}

void EditorGrid::emptyRow(int row)
{
    for (int c = m_fixedColumns; c < m_columns; ++c) {
        GridCell& x = cell(row, c);
        x.text.clear();
        x.hint.clear();
        x.grey = x.marked = x.checked = false;
    }
}

void EditorGrid::removeRow(int row)
{
    if (row < m_headingRows || row >= m_rows)
        return;
    for (int r = row; r + 1 < m_rows; ++r) {
        for (int c = m_fixedColumns; c < m_columns; ++c)
            cell(r, c) = cell(r + 1, c);
    }
    emptyRow(m_rows - 1);
}

void EditorGrid::insertRow(int row)
{
    if (row < m_headingRows || row >= m_rows)
        return;
    for (int r = m_rows - 1; r > row; --r) {
        for (int c = m_fixedColumns; c < m_columns; ++c)
            cell(r, c) = cell(r - 1, c);
    }
    emptyRow(row);
}

void EditorGrid::numberRows(int column)
{
    if (column < 0 || column >= m_columns)
        return;
    for (int r = m_headingRows; r < m_rows; ++r)
        cell(r, column).text = QString::number(r - m_headingRows + 1);
}

} // namespace veg
