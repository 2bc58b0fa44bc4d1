#pragma once

#include <QString>

class QWidget;

// The window side of the utility procedures; the path helpers are in mUtils.h.
namespace sparrowtrim::mUtils {

// Asks the desktop to open the address; a failure is ignored and reported nowhere.
void OpenWebPage(const QString &address);

// The text without its leading and trailing spaces; other white space is kept.
QString TrimSpaces(const QString &text);

// Lets the window follow the mouse until the left button is released. Call it from a
// mouse-press handler of the window.
void DragWindow(QWidget *window);

} // namespace sparrowtrim::mUtils
