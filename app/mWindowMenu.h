#pragma once

#include <functional>

class QMenu;
class QPoint;
class QWidget;

namespace sparrowtrim {

// Command ids of the window menu's items.
inline constexpr int kAboutCommand = 1000;
inline constexpr int kQuickHelpCommand = 1001;

// Opens the window menu ("Quick Help", "About") with its right edge at the mouse pointer and
// shows the chosen window, owned by mainWindow; a window already open is brought to the front.
void ShowWindowMenu(QWidget *mainWindow);

// Shows the menu with its top-right corner at pointer (screen coordinates) and waits until it
// closes. Returns the chosen item's command id, or 0 when the menu was dismissed.
int TrackWindowMenu(QWidget *mainWindow, const QPoint &pointer);

// Shows the window a command id stands for: the quick help or the about window, created on
// first use as a modeless window owned by mainWindow, or brought to the front when open.
// Other ids do nothing.
void OpenWindowMenuCommand(QWidget *mainWindow, int commandId);

// Test seam: when set, called with the menu once its modal loop runs, so a test can answer
// it (with key clicks, for instance). Pass an empty function to remove it.
void SetWindowMenuResponder(std::function<void(QMenu &menu)> responder);

} // namespace sparrowtrim
