#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <QString>

// The pictures compiled into the program.
namespace sparrowtrim::artwork {

// The three faces of an image button, named as its resource files are.
struct ButtonFaces
{
    QPixmap resting;
    QPixmap hover;
    QPixmap pressed;
};

// "btn_menu", "btn_minimize", "btn_close", "cmd_start" or "cmd_stop".
ButtonFaces Faces(const QString &name);

QPixmap Background();   // 338 x 439
QCursor PointingHand(); // hot spot at the index finger's tip
QIcon ProgramIcon();    // 32 x 32

} // namespace sparrowtrim::artwork
