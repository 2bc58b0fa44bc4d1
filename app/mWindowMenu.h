#pragma once

class QWidget;

namespace sparrowtrim {

// Opens the window menu ("Quick Help", "About") with its right edge at the mouse pointer and
// shows the chosen window, owned by mainWindow; a window already open is brought to the front.
void ShowWindowMenu(QWidget *mainWindow);

} // namespace sparrowtrim
