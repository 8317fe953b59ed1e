#pragma once

#include "core/app/ConfigOverview.h"

#include <QWidget>

namespace veg {

// The line of the configuration drawn as a chain: the upper-level master, an arrow to the
// gateway, the gateway's drop to CAN-BUS (with the bus's speed and the gateway's address on it),
// and the controllers hanging from the bus, as many in a row as the width takes. A controller
// whose database is missing is drawn in red.
class LineDiagram : public QWidget
{
public:
    explicit LineDiagram(QWidget* parent = nullptr);

    void setLine(const ConfigOverview& overview);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Geometry
    {
        int box = 0;       // width of a box
        int topHeight = 0; // height of the master's and the gateway's boxes
        int ctlHeight = 0; // height of a controller's box
        int busY = 0;      // the bus line of the first row of controllers
        int columns = 1;   // controllers per row
        int rows = 0;      // rows of controllers
        int height = 0;    // of the whole drawing
    };
    Geometry geometry(int width) const;
    int boxHeight(const ConfigOverview::Node& node) const;
    void drawBox(QPainter& p, const QRect& r, const ConfigOverview::Node& node, const QColor& fill,
                 const QColor& border) const;

    ConfigOverview::Node m_master, m_gateway, m_bus;
    std::vector<ConfigOverview::Node> m_controllers;
};

} // namespace veg
