#include "mWindowMenu.h"

namespace sparrowtrim {

void ShowWindowMenu(QWidget *) {}

} // namespace sparrowtrim
