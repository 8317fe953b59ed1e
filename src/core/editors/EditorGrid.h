#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace veg {

// How a grid cell takes the user's input.
enum class CellKind : unsigned char
{
    Fixed,    // a heading, a row number, a row title: never edited
    ReadOnly, // a data cell that takes no typed keys (references, grey depth cells, ...)
    Numeric,  // digits and Backspace; the marker "нет" is cleared by the first key
    Text,     // any typed text
    Decimal,  // digits, Backspace and the decimal separator ("." and "," both become it)
    Hex,      // hexadecimal digits through the hexadecimal key filter
    DropDown, // an in-cell drop-down list
    Spin,     // an in-cell spin edit
    Check,    // a check box
    Mask,     // an in-cell masked edit
};

struct GridCell
{
    QString text;
    // Shown as the cell's hint when not empty. Editors give hints only to the reference cells
    // of data rows, so that no other cell shows one.
    QString hint;
    CellKind kind = CellKind::Fixed;
    // The cell shows a parameter reference: it is filled from the tree and takes drops.
    bool reference = false;
    bool grey = false;    // disabled for its row
    bool marked = false;  // a value the user should look at (a number two rows use)
    bool checked = false; // a Check cell's box

    friend bool operator==(const GridCell&, const GridCell&) = default;
};

// A table editor's grid as data: the heading rows (with merged heading cells) and the data rows,
// each cell with its text, colour, hint and in-cell editor, the current cell and a line of notes
// under the grid. The window renders exactly this.
class EditorGrid
{
public:
    struct Span
    {
        int row = 0, column = 0, rows = 1, columns = 1;
        friend bool operator==(const Span&, const Span&) = default;
    };

    // Makes an empty grid: `headingRows` rows and `fixedColumns` columns of Fixed cells at the
    // top and the left, every other cell ReadOnly.
    void reset(int rows, int columns, int headingRows, int fixedColumns);

    int rowCount() const { return m_rows; }
    int columnCount() const { return m_columns; }
    int headingRows() const { return m_headingRows; }
    int fixedColumns() const { return m_fixedColumns; }
    int dataRowCount() const { return m_rows - m_headingRows; }
    bool contains(int row, int column) const
    {
        return row >= 0 && row < m_rows && column >= 0 && column < m_columns;
    }
    bool isDataCell(int row, int column) const
    {
        return contains(row, column) && row >= m_headingRows && column >= m_fixedColumns;
    }

    GridCell& cell(int row, int column) { return m_cells[std::size_t(row * m_columns + column)]; }
    const GridCell& cell(int row, int column) const
    {
        return m_cells[std::size_t(row * m_columns + column)];
    }
    // The kind of every data cell of a column.
    void setColumnKind(int column, CellKind kind, bool reference = false);

    // A heading cell covering `rows` x `columns` cells from (row, column).
    void merge(int row, int column, int rows, int columns, const QString& text);
    const std::vector<Span>& spans() const { return m_spans; }
    // The span that starts at the cell, or nullptr.
    const Span* spanAt(int row, int column) const;
    // Whether the cell lies under a span that starts elsewhere.
    bool covered(int row, int column) const;

    // Column widths as the editor gives them (pixels of the original screen).
    std::vector<int> widths;
    // The items of each column's drop-down (empty for other columns).
    std::vector<QStringList> choices;

    int currentRow = -1;
    int currentColumn = -1;
    void setCurrent(int row, int column)
    {
        currentRow = row;
        currentColumn = column;
    }
    bool visible = true;
    // A line under the grid (empty: none).
    QString note;

    // The data rows below `row` move up by one over it; the last row keeps its kinds and is
    // emptied (its texts, hints and marks), for the editor to fill as an empty row.
    void removeRow(int row);
    // The data rows from `row` to the second-to-last move down by one (the last row's cells are
    // lost); `row` is emptied for the editor to fill.
    void insertRow(int row);
    // The texts of column `column` of the data rows, for the row numbers ("1", "2", ...).
    void numberRows(int column);

    friend bool operator==(const EditorGrid&, const EditorGrid&) = default;

private:
    void emptyRow(int row);

    int m_rows = 0, m_columns = 0, m_headingRows = 0, m_fixedColumns = 0;
    std::vector<GridCell> m_cells;
    std::vector<Span> m_spans;
};

} // namespace veg
