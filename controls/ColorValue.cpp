#include "controls/ColorValue.h"

#include <QGuiApplication>
#include <array>

namespace sparrowtrim {

namespace {

struct SystemColor
{
    quint8 index;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// System colour indexes and the palette roles that play the same part. The window background
// (index 5) is where documents and lists are drawn, which the palette calls Base; the general
// face of windows and buttons is Button. The four 3-D shades follow the edge drawing.
constexpr std::array kSystemColors{
    SystemColor{0, QPalette::Active, QPalette::Button},             // scroll bar
    SystemColor{1, QPalette::Active, QPalette::Dark},               // desktop
    SystemColor{2, QPalette::Active, QPalette::Highlight},          // active caption
    SystemColor{3, QPalette::Inactive, QPalette::Highlight},        // inactive caption
    SystemColor{4, QPalette::Active, QPalette::Window},             // menu
    SystemColor{5, QPalette::Active, QPalette::Base},               // window background
    SystemColor{6, QPalette::Active, QPalette::Shadow},             // window frame
    SystemColor{7, QPalette::Active, QPalette::WindowText},         // menu text
    SystemColor{8, QPalette::Active, QPalette::Text},               // window text
    SystemColor{9, QPalette::Active, QPalette::HighlightedText},    // caption text
    SystemColor{10, QPalette::Active, QPalette::Button},            // active border
    SystemColor{11, QPalette::Inactive, QPalette::Button},          // inactive border
    SystemColor{12, QPalette::Active, QPalette::Mid},               // application workspace
    SystemColor{13, QPalette::Active, QPalette::Highlight},         // selection
    SystemColor{14, QPalette::Active, QPalette::HighlightedText},   // selected text
    SystemColor{15, QPalette::Active, QPalette::Button},            // button face
    SystemColor{16, QPalette::Active, QPalette::Dark},              // button shadow
    SystemColor{17, QPalette::Disabled, QPalette::Text},            // grey text
    SystemColor{18, QPalette::Active, QPalette::ButtonText},        // button text
    SystemColor{19, QPalette::Inactive, QPalette::HighlightedText}, // inactive caption text
    SystemColor{20, QPalette::Active, QPalette::Light},             // button highlight
    SystemColor{21, QPalette::Active, QPalette::Shadow},            // darkest 3-D shadow
    SystemColor{22, QPalette::Active, QPalette::Midlight},          // 3-D light
    SystemColor{23, QPalette::Active, QPalette::ToolTipText},       // tool tip text
    SystemColor{24, QPalette::Active, QPalette::ToolTipBase},       // tool tip background
    SystemColor{26, QPalette::Active, QPalette::Link},              // hot-tracked item
    SystemColor{29, QPalette::Active, QPalette::Highlight},         // menu selection
    SystemColor{30, QPalette::Active, QPalette::Window},            // menu bar
};

} // namespace

QColor ColorFromValue(ColorValue value, const QPalette &palette)
{
    if ((value & kSystemColorFlag) == 0)
        return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
    const auto index = quint8(value & 0xFF);
    for (const auto &system : kSystemColors) {
        if (system.index == index)
            return palette.color(system.group, system.role);
    }
    return QColor(Qt::black);
}

QColor ColorFromValue(ColorValue value)
{
    return ColorFromValue(value, QGuiApplication::palette());
}

} // namespace sparrowtrim
