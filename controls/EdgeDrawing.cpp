#include "controls/EdgeDrawing.h"

#include <QPainter>
#include <QPalette>
#include <QRect>
#include <array>

namespace sparrowtrim {

namespace {

constexpr int kOuterRings = RaisedOuter | SunkenOuter;
constexpr int kInnerRings = RaisedInner | SunkenInner;

// Styles 2 and 3 are not in the order of the ring bits: 2 is raised inner, 3 sunken outer.
constexpr std::array kStyleEdges{
    0,                         // 0: none
    int(RaisedOuter),          // 1
    int(RaisedInner),          // 2
    int(SunkenOuter),          // 3
    int(SunkenInner),          // 4
    RaisedOuter | RaisedInner, // 5: raised
    SunkenOuter | SunkenInner, // 6: sunken
    SunkenOuter | RaisedInner, // 7: etched
    RaisedOuter | SunkenInner, // 8: bump
};

struct RingShades
{
    QPalette::ColorRole topLeft;
    QPalette::ColorRole bottomRight;
};

// The system's four 3-D shades as palette roles: its "light" is Midlight, its brighter
// "highlight" is Light, its "shadow" is Dark and its "darkest shadow" is Shadow.
RingShades ShadesFor(int ring)
{
    switch (ring) {
    case RaisedOuter:
        return {QPalette::Midlight, QPalette::Shadow};
    case RaisedInner:
        return {QPalette::Light, QPalette::Dark};
    case SunkenOuter:
        return {QPalette::Dark, QPalette::Light};
    default:
        return {QPalette::Shadow, QPalette::Midlight};
    }
}

// One ring on the outermost line of `rect`. The bottom-right shade owns the top-right and
// bottom-left corner pixels.
void DrawRing(QPainter &painter, const QRect &rect, int ring, const QPalette &palette)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    const auto [topLeftRole, bottomRightRole] = ShadesFor(ring);
    const QColor topLeft = palette.color(topLeftRole);
    const QColor bottomRight = palette.color(bottomRightRole);
    const int left = rect.left();
    const int top = rect.top();
    const int width = rect.width();
    const int height = rect.height();
    painter.fillRect(QRect(left, top, width - 1, 1), topLeft);
    painter.fillRect(QRect(left, top, 1, height - 1), topLeft);
    painter.fillRect(QRect(left, top + height - 1, width, 1), bottomRight);
    painter.fillRect(QRect(left + width - 1, top, 1, height), bottomRight);
}

// A ring that asks to be raised and sunken at once is not drawn.
bool IsOneRing(int ring)
{
    return ring == RaisedOuter || ring == SunkenOuter || ring == RaisedInner || ring == SunkenInner;
}

} // namespace

int EdgeForStyle(int style)
{
    if (style < 0 || style >= int(kStyleEdges.size()))
        return 0;
    return kStyleEdges[std::size_t(style)];
}

void DrawEdge(QPainter &painter, const QRect &rect, int edge, const QPalette &palette)
{
    const int outer = edge & kOuterRings;
    const int inner = edge & kInnerRings;
    if (outer == 0 || inner == 0) {
        // A single ring, inner or outer, lies on the outermost line.
        const int ring = outer | inner;
        if (IsOneRing(ring))
            DrawRing(painter, rect, ring, palette);
        return;
    }
    if (IsOneRing(outer))
        DrawRing(painter, rect, outer, palette);
    if (IsOneRing(inner))
        DrawRing(painter, rect.adjusted(1, 1, -1, -1), inner, palette);
}

void DrawEdgeStyle(QPainter &painter, const QRect &rect, int style, const QPalette &palette)
{
    DrawEdge(painter, rect, EdgeForStyle(style), palette);
}

} // namespace sparrowtrim
