#pragma once

// The main window's designed colours, fonts and the way they are put on its widgets.

#include "controls/ColorValue.h"

#include <QFont>
#include <QPalette>

class QWidget;

namespace sparrowtrim::formstyle {

// Colour values of the design (0x00BBGGRR, or a system colour).
inline constexpr ColorValue kFrameBackColor = 0x808080;
inline constexpr ColorValue kPanelBackColor = 0xC0C0C0;
inline constexpr ColorValue kFieldBackColor = 0xE0E0E0;
inline constexpr ColorValue kLinkForeColor = 0xE0E0E0;
inline constexpr ColorValue kProgressBarColor = 0xC0C0C0;
inline constexpr qint32 kProgressBarStyle = 5;    // raised
inline constexpr qint32 kProgressBorderStyle = 8; // bump

inline constexpr qreal kSmallFontPoints = 6.75;
// The stand-ins for the window's default family are wider than the original; at this size
// they fit the captions into the designed label widths.
inline constexpr qreal kDefaultFontPoints = 7.5;
inline constexpr qreal kLinkFontPoints = 14;

// The windows ask for their fonts by name; where the machine lacks one, a free family of the
// same proportions stands in. Installs the stand-ins once.
void AddFontSubstitutes();

QFont DefaultFont();
QFont SmallFont();

// The main window's colours are fixed by its design, the text on them included, and so is the
// look of its buttons, boxes and lists: it takes neither the system's palette nor its style,
// so that a dark theme or another style cannot put light text on its light greys. The other
// windows, the menu among them, follow the system. Called on the window before its controls
// are made, so that they inherit the palette.
void SetFormPalette(QWidget *form);
// Called once the controls are made: a style is not inherited, each widget is given it.
void SetFormStyle(QWidget *form);

// Window is the back colour of frames, labels and check boxes, Base that of text and lists.
void SetBackColor(QWidget *widget, QPalette::ColorRole role, ColorValue color);

void SetForeColor(QWidget *widget, ColorValue color);

} // namespace sparrowtrim::formstyle
