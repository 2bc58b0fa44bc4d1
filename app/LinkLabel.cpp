#include "app/LinkLabel.h"

#include <QMouseEvent>

namespace sparrowtrim {

LinkLabel::LinkLabel(QWidget *parent) : QLabel(parent) {}

void LinkLabel::mousePressEvent(QMouseEvent *event)
{
    m_Pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_Pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_Pressed = false;
    event->accept();
    if (click)
        emit Click();
}

} // namespace sparrowtrim
