#include "gui/app/LineDiagram.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace veg {

namespace {

constexpr int kMargin = 8;
constexpr int kPad = 5;     // inside a box
constexpr int kArrow = 70;  // from the master to the gateway
constexpr int kDrop = 34;   // from the gateway down to the bus
constexpr int kHang = 16;   // from the bus down to a controller
constexpr int kGap = 14;    // between two controllers of a row
constexpr int kRowGap = 22; // from a row of controllers to the next row's bus

const QColor kLine(0x44, 0x55, 0x66);

} // namespace

LineDiagram::LineDiagram(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("LineDiagram"));
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void LineDiagram::setLine(const ConfigOverview& overview)
{
    m_master = overview.master;
    m_gateway = overview.gateway;
    m_bus = overview.bus;
    m_controllers = overview.controllers;
    updateGeometry();
    update();
}

int LineDiagram::boxHeight(const ConfigOverview::Node& node) const
{
    return (1 + int(node.details.size())) * fontMetrics().height() + 2 * kPad;
}

LineDiagram::Geometry LineDiagram::geometry(int width) const
{
    Geometry g;
    const QFontMetrics fm = fontMetrics();
    g.box = fm.horizontalAdvance(QStringLiteral("ведущий КТС Энергия")) + 2 * kPad + 16;
    for (const ConfigOverview::Node* n : {&m_master, &m_gateway})
        for (const QString& d : n->details)
            g.box = std::max(g.box, fm.horizontalAdvance(d) + 2 * kPad + 4);
    g.topHeight = std::max(boxHeight(m_master), boxHeight(m_gateway));
    g.ctlHeight = boxHeight({QString(), {QString(), QString()}, false});
    g.busY = kMargin + g.topHeight + kDrop;
    g.columns = std::max(1, (width - 2 * kMargin + kGap) / (g.box + kGap));
    g.rows = std::max(
        1, int((m_controllers.size() + std::size_t(g.columns) - 1) / std::size_t(g.columns)));
    g.height = g.busY + g.rows * (kHang + g.ctlHeight) + (g.rows - 1) * kRowGap + kMargin;
    return g;
}

int LineDiagram::heightForWidth(int width) const
{
    return geometry(width).height;
}

QSize LineDiagram::sizeHint() const
{
    const int w = 2 * kMargin + 4 * geometry(1000).box + 3 * kGap;
    return {w, heightForWidth(w)};
}

QSize LineDiagram::minimumSizeHint() const
{
    const Geometry g = geometry(0);
    return {2 * kMargin + 2 * g.box + kArrow, heightForWidth(2 * kMargin + 2 * g.box + kArrow)};
}

void LineDiagram::drawBox(QPainter& p, const QRect& r, const ConfigOverview::Node& node,
                          const QColor& fill, const QColor& border) const
{
    p.setPen(QPen(border, 1.5));
    p.setBrush(fill);
    p.drawRoundedRect(r, 5, 5);
    const int lh = fontMetrics().height();
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(Qt::black);
    const QRect text = r.adjusted(kPad, kPad, -kPad, -kPad);
    p.drawText(QRect(text.left(), text.top(), text.width(), lh),
               Qt::AlignHCenter | Qt::AlignVCenter,
               fontMetrics().elidedText(node.title, Qt::ElideRight, text.width()));
    p.setFont(font());
    p.setPen(node.marked ? QColor(0xB0, 0x20, 0x20) : QColor(0x30, 0x30, 0x30));
    for (int i = 0; i < int(node.details.size()); ++i) {
        p.drawText(
            QRect(text.left(), text.top() + (i + 1) * lh, text.width(), lh),
            Qt::AlignHCenter | Qt::AlignVCenter,
            fontMetrics().elidedText(node.details[std::size_t(i)], Qt::ElideRight, text.width()));
    }
}

void LineDiagram::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Geometry g = geometry(width());
    const QColor boxFill(0xEE, 0xF3, 0xFA), boxBorder(0x5B, 0x7F, 0xA6);

    const QRect master(kMargin, kMargin, g.box, g.topHeight);
    const QRect gateway(master.right() + kArrow, kMargin, g.box, g.topHeight);
    drawBox(p, master, m_master, boxFill, boxBorder);
    drawBox(p, gateway, m_gateway, QColor(0xE6, 0xF4, 0xE7), QColor(0x3C, 0x8D, 0x4A));

    // master -> gateway
    p.setPen(QPen(kLine, 2));
    const int ay = master.center().y();
    p.drawLine(master.right() + 4, ay, gateway.left() - 6, ay);
    QPainterPath head;
    head.moveTo(gateway.left() - 2, ay);
    head.lineTo(gateway.left() - 11, ay - 5);
    head.lineTo(gateway.left() - 11, ay + 5);
    head.closeSubpath();
    p.fillPath(head, kLine);

    // gateway -> CAN-BUS, with the bus's own words beside the drop
    const int dropX = gateway.center().x();
    p.drawLine(dropX, gateway.bottom(), dropX, g.busY);
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(Qt::black);
    const int lh = fontMetrics().height();
    const QString busText =
        m_bus.title + QStringLiteral("  ") + m_bus.details.join(QStringLiteral(", "));
    const int busTextWidth = std::max(0, width() - dropX - 8 - kMargin);
    p.drawText(QRect(dropX + 8, g.busY - lh - 3, busTextWidth, lh),
               Qt::AlignLeft | Qt::AlignVCenter,
               fontMetrics().elidedText(busText, Qt::ElideRight, busTextWidth));
    p.setFont(font());

    // The bus reaches the last controller of its widest row and the end of its own words.
    QFont boldMetrics = font();
    boldMetrics.setBold(true);
    const int busLeft = kMargin;
    const int perRow = std::min(g.columns, std::max(1, int(m_controllers.size())));
    const int busRight = std::max({dropX + 8 + QFontMetrics(boldMetrics).horizontalAdvance(busText),
                                   kMargin + perRow * (g.box + kGap) - kGap, dropX + 40});
    const int busEnd = std::min(busRight, width() - kMargin);
    for (int row = 0; row < g.rows; ++row) {
        const int y = g.busY + row * (kHang + g.ctlHeight + kRowGap);
        p.setPen(QPen(kLine, 4, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(busLeft, y, busEnd, y);
        if (row > 0) // the bus goes on to the next row down its left end
            p.drawLine(busLeft, y - kHang - g.ctlHeight - kRowGap, busLeft, y);
    }
    if (m_controllers.empty()) {
        p.setPen(Qt::darkGray);
        QFont italic = font();
        italic.setItalic(true);
        p.setFont(italic);
        p.drawText(QRect(kMargin, g.busY + kHang, width() - 2 * kMargin, g.ctlHeight),
                   Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Контроллеров нет"));
        p.setFont(font());
        return;
    }
    for (std::size_t i = 0; i < m_controllers.size(); ++i) {
        const int row = int(i) / g.columns, column = int(i) % g.columns;
        const int y = g.busY + row * (kHang + g.ctlHeight + kRowGap);
        const QRect r(kMargin + column * (g.box + kGap), y + kHang, g.box, g.ctlHeight);
        p.setPen(QPen(kLine, 2));
        p.drawLine(r.center().x(), y, r.center().x(), r.top());
        const ConfigOverview::Node& n = m_controllers[i];
        if (n.marked)
            drawBox(p, r, n, QColor(0xFD, 0xE4, 0xE4), QColor(0xC0, 0x39, 0x2B));
        else
            drawBox(p, r, n, boxFill, boxBorder);
    }
}

} // namespace veg
