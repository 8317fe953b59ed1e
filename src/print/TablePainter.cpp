#include "print/TablePainter.h"

#include "core/ui/PrintTable.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>

namespace veg {

namespace {

// The grid's widths are pixels of a screen whose font had this average character width.
constexpr double kGridCharWidth = 5.5;
constexpr int kTextFlags = Qt::AlignCenter | Qt::TextWordWrap;

} // namespace

bool paintTable(const PrintTable& table, QPagedPaintDevice& device, const QFont& font)
{
    if (table.columns.empty())
        return false;
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const double width = device.width(), height = device.height();
    const double left = width * table.marginLeft, right = width * (1.0 - table.marginRight);
    const double top = height * table.marginTop, bottom = height * (1.0 - table.marginBottom);
    double units = 0;
    for (const PrintTable::Column& c : table.columns)
        units += std::max(c.width, 1);
    const double scale = (right - left) / units;

    QFont body(font);
    body.setPixelSize(100);
    const double charWidth = QFontMetricsF(body, &device).averageCharWidth();
    body.setPixelSize(std::max(1, int(100 * kGridCharWidth * scale / std::max(charWidth, 1.0))));
    QFont heading(body);
    heading.setBold(true);
    const double pad = QFontMetricsF(body, &device).height() * 0.25;

    std::vector<double> widths;
    for (const PrintTable::Column& c : table.columns)
        widths.push_back(std::max(c.width, 1) * scale);
    auto rowHeight = [&](const QStringList& cells, const QFont& f) {
        const QFontMetricsF fm(f, &device);
        double h = fm.height();
        for (std::size_t i = 0; i < widths.size(); ++i) {
            const QRectF room(0, 0, std::max(widths[i] - 2 * pad, 1.0), 1e6);
            h = std::max(h, fm.boundingRect(room, kTextFlags, cells.value(int(i))).height());
        }
        return h + 2 * pad;
    };
    auto drawRow = [&](const QStringList& cells, const QFont& f, double y, double h) {
        painter.setFont(f);
        double x = left;
        for (std::size_t i = 0; i < widths.size(); ++i) {
            const QRectF cell(x, y, widths[i], h);
            painter.drawRect(cell);
            painter.drawText(cell.adjusted(pad, pad, -pad, -pad), kTextFlags, cells.value(int(i)));
            x += widths[i];
        }
    };

    QStringList headings;
    for (const PrintTable::Column& c : table.columns)
        headings << c.heading;
    const double headingHeight = rowHeight(headings, heading);
    QPen pen = painter.pen();
    pen.setWidthF(std::max(1.0, scale * 0.5));
    painter.setPen(pen);
    drawRow(headings, heading, top, headingHeight);
    double y = top + headingHeight;
    for (const QStringList& row : table.rows) {
        const double h = rowHeight(row, body);
        if (y + h > bottom && y > top + headingHeight) {
            device.newPage();
            drawRow(headings, heading, top, headingHeight);
            y = top + headingHeight;
        }
        drawRow(row, body, y, h);
        y += h;
    }
    return painter.end();
}

} // namespace veg
