#pragma once

#include "controls/PersistentWidget.h"

#include <QPixmap>
#include <QSize>
#include <QTimer>
#include <QtGlobal>

namespace sparrowtrim {

// An image button: shows the resting, hover or pressed picture and always takes the size of
// the picture on show. It forwards the host's clicks and mouse events and adds MouseEnter and
// MouseLeave from its own pointer tracking: the window system's enter and leave events, and
// while the pointer is over the button a timer that notices it moving onto a child or an
// overlapping window. Coordinates in its events are twips (1/1440 inch).
class PictureButton final : public PersistentWidget
{
    Q_OBJECT
    Q_PROPERTY(QPixmap Picture READ Picture WRITE setPicture)
    Q_PROPERTY(QPixmap PictureHover READ PictureHover WRITE setPictureHover)
    Q_PROPERTY(QPixmap PictureDown READ PictureDown WRITE setPictureDown)

public:
    explicit PictureButton(QWidget *parent = nullptr);
    ~PictureButton() override;
    Q_DISABLE_COPY_MOVE(PictureButton)

    QPixmap Picture() const { return m_Picture; }
    void setPicture(const QPixmap &m_New_Picture);

    QPixmap PictureHover() const { return m_PictureHover; }
    void setPictureHover(const QPixmap &m_New_PictureHover);

    QPixmap PictureDown() const { return m_PictureDown; }
    void setPictureDown(const QPixmap &m_New_PictureDown);

    // The face on show (0 resting, 1 hover, 2 down) and whether the pointer is being tracked
    // as over the button; for hosts and tests that need to know, never to change.
    qint16 faceState() const { return m_State; }
    bool isHoverTracked() const { return m_Hover; }

    void InitProperties() override;
    void ReadProperties(const PropertyBag &PropBag) override;
    void WriteProperties(PropertyBag &PropBag) const override;

    QSize sizeHint() const override;

signals:
    // Declared in this order on purpose: hosts dispatch by it. Button is a bit set (1 left,
    // 2 right, 4 middle), Shift one of modifiers (1 Shift, 2 Ctrl, 4 Alt), x and y in twips.
    // MouseMove and MouseDown hand over the control's own Button: a handler connected directly
    // that changes it changes what the control does next.
    void Click();
    void DblClick();
    void MouseMove(qint16 &Button, qint16 Shift, float x, float y);
    void MouseUp(qint16 Button, qint16 Shift, float x, float y);
    void MouseDown(qint16 &Button, qint16 Shift, float x, float y);
    void MouseEnter();
    void MouseLeave();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void DrawButton();
    bool IsMouseOver() const;
    void Timer1_Timer();
    float TwipsPerPixelX() const;
    float TwipsPerPixelY() const;

    QPixmap m_Picture;
    QPixmap m_PictureHover;
    QPixmap m_PictureDown;
    bool m_Hover = false;
    qint16 m_State = 0;

    QTimer Timer1;
    // Stands in for the measuring element: the size of the last picture put into it.
    QSize Picture1;
    // The painted face, kept so that it survives being covered without redrawing.
    QPixmap m_Surface;
    bool m_LeftPressed = false;
    // Between the window system's enter and leave events for the button.
    bool m_PointerInside = false;
};

} // namespace sparrowtrim
