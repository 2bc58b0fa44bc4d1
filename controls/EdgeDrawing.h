#pragma once

class QPainter;
class QPalette;
class QRect;

namespace sparrowtrim {

// Edge rings: an outer ring on the outermost line of a rectangle, an inner ring one pixel
// inside it. Raised rings are light on the top and left, dark on the bottom and right.
enum EdgeRing : int {
    RaisedOuter = 0x0001,
    SunkenOuter = 0x0002,
    RaisedInner = 0x0004,
    SunkenInner = 0x0008,
};

// The rings a control's edge style (0 to 8) draws; 0 for 0 and any other value.
int EdgeForStyle(int style);

// Draws the rings of `edge` (EdgeRing bits) on all four sides of `rect`, no fill, in the
// palette's three-dimensional shades. A single ring, inner or outer, lies on the outermost line.
void DrawEdge(QPainter &painter, const QRect &rect, int edge, const QPalette &palette);

// DrawEdge for an edge style as the controls' BorderStyle and Barstyle hold it.
void DrawEdgeStyle(QPainter &painter, const QRect &rect, int style, const QPalette &palette);

} // namespace sparrowtrim
