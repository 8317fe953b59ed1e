#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace veg {

// A table as an editor hands it to the printer: its heading row, its rows (every cell centred),
// the widths of its columns and the blank margins of the page. The printer lays it out on the
// page in these proportions with the grid's font, the heading row at the top of every page.
struct PrintTable
{
    struct Column
    {
        QString heading;
        int width = 0; // pixels of the original screen, as the grid's columns
    };
    QString title; // the document's name in the print queue
    std::vector<Column> columns;
    std::vector<QStringList> rows; // one text per column
    // Parts of the page left blank: of its width (left, right) and of its height (top, bottom).
    double marginLeft = 0, marginTop = 0, marginRight = 0, marginBottom = 0;
};

// The printer an editor's "Печать" goes to: the window's shows the system print dialog and prints
// on OK; a scripted session prints the table's texts (and, when asked, a PDF file).
class TablePrinter
{
public:
    virtual ~TablePrinter() = default;
    // False when the user cancelled or the table could not be printed (the printer said why).
    virtual bool print(const PrintTable& table) = 0;
};

} // namespace veg
