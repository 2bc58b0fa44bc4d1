#pragma once

#include <QColor>
#include <QPalette>
#include <QtGlobal>

namespace sparrowtrim {

// A colour as the controls store it: 0x00BBGGRR, or, with the top bit set, a system colour
// named by the index in the low byte.
using ColorValue = quint32;

inline constexpr ColorValue kSystemColorFlag = 0x80000000u;
inline constexpr ColorValue kSysWindowBackground = 0x80000005u;
inline constexpr ColorValue kSysWindowText = 0x80000008u;
inline constexpr ColorValue kSysButtonFace = 0x8000000Fu;

// System colours come from the palette's matching roles; an index without one gives black.
QColor ColorFromValue(ColorValue value, const QPalette &palette);
// The same, with the application's palette.
QColor ColorFromValue(ColorValue value);

} // namespace sparrowtrim
