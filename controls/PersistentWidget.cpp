#include "controls/PersistentWidget.h"

namespace sparrowtrim {

PersistentWidget::PersistentWidget(QWidget *parent) : QWidget(parent) {}

} // namespace sparrowtrim
