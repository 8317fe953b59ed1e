#pragma once

class QFont;
class QPagedPaintDevice;

namespace veg {

struct PrintTable;

// Paints a print table onto the pages of a printer or a PDF writer: the columns in the table's
// proportions across the page between its margins (fractions of the page), the font scaled with
// them as the grid's font stands to the grid's widths, each cell's text centred and wrapped, the
// heading row (bold) at the top of every page. The device's whole page is the page: a printer is
// set to full-page mode, a PDF writer to no margins of its own. False when the device could not
// be opened for painting (a PDF file that cannot be written).
bool paintTable(const PrintTable& table, QPagedPaintDevice& device, const QFont& font);

} // namespace veg
