#pragma once

#include <QString>

// The quick help window's text and the layout of its three labels, computed without a window.
namespace sparrowtrim::help {

// The help text as the label's caption: lone CR and CR LF pairs end its lines.
QString HelpText();

// The caption as the label draws it: each CR LF pair and each lone CR becomes one line break,
// so the text can go to a widget that breaks lines at '\n' and wraps the rest at words.
QString DisplayText(const QString &caption);

// A control's place in pixels of the client area. Positions may fall on half pixels: the
// layout keeps them exact and the window rounds only when it places the widgets.
struct Rect
{
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;

    bool operator==(const Rect &) const = default;
};

struct Layout
{
    Rect logo; // the banner with the product title
    Rect text; // the help text
    Rect link; // the maker's web page, inside the help text's bottom edge

    bool operator==(const Layout &) const = default;
};

// The design places, before any layout.
Layout DesignLayout();

// Lays the labels out for a client area of width x height pixels, from their places as they
// stand: the banner keeps its size and is centred at the top; the help text takes the
// banner's width and the rest of the height; the link sits 4 pixels inside the help text's
// bottom-left corner and reaches its right edge.
Layout FormResize(float width, float height, const Layout &current);

} // namespace sparrowtrim::help
