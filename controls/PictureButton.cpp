#include "controls/PictureButton.h"

#include "controls/ColorValue.h"
#include "controls/PropertyBag.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

namespace sparrowtrim {

namespace {

constexpr int kTwipsPerInch = 1440;

qint16 ButtonBits(Qt::MouseButtons buttons)
{
    qint16 bits = 0;
    if (buttons & Qt::LeftButton)
        bits |= 1;
    if (buttons & Qt::RightButton)
        bits |= 2;
    if (buttons & Qt::MiddleButton)
        bits |= 4;
    return bits;
}

qint16 ShiftBits(Qt::KeyboardModifiers modifiers)
{
    qint16 bits = 0;
    if (modifiers & Qt::ShiftModifier)
        bits |= 1;
    if (modifiers & Qt::ControlModifier)
        bits |= 2;
    if (modifiers & Qt::AltModifier)
        bits |= 4;
    return bits;
}

QPixmap PictureOf(const QVariant &value)
{
    return value.value<QPixmap>();
}

} // namespace

PictureButton::PictureButton(QWidget *parent) : PersistentWidget(parent)
{
    // Moves without a button held must reach the button for it to notice the pointer entering.
    setMouseTracking(true);
    Timer1.setParent(this);
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(1);
    connect(&Timer1, &QTimer::timeout, this, &PictureButton::Timer1_Timer);
}

PictureButton::~PictureButton() = default;

void PictureButton::setPicture(const QPixmap &m_New_Picture)
{
    m_Picture = m_New_Picture;
    DrawButton();
    emit PropertyChanged(QStringLiteral("Picture"));
}

void PictureButton::setPictureHover(const QPixmap &m_New_PictureHover)
{
    m_PictureHover = m_New_PictureHover;
    DrawButton();
    emit PropertyChanged(QStringLiteral("PictureHover"));
}

void PictureButton::setPictureDown(const QPixmap &m_New_PictureDown)
{
    m_PictureDown = m_New_PictureDown;
    DrawButton();
    emit PropertyChanged(QStringLiteral("PictureDown"));
}

void PictureButton::InitProperties()
{
    m_Picture = QPixmap();
    m_PictureHover = QPixmap();
    m_PictureDown = QPixmap();
}

void PictureButton::ReadProperties(const PropertyBag &PropBag)
{
    m_Picture = PictureOf(PropBag.ReadProperty(u"Picture", QPixmap()));
    m_PictureHover = PictureOf(PropBag.ReadProperty(u"PictureHover", QPixmap()));
    m_PictureDown = PictureOf(PropBag.ReadProperty(u"PictureDown", QPixmap()));
}

void PictureButton::WriteProperties(PropertyBag &PropBag) const
{
    PropBag.WriteProperty(QStringLiteral("Picture"), m_Picture, QPixmap());
    PropBag.WriteProperty(QStringLiteral("PictureHover"), m_PictureHover, QPixmap());
    PropBag.WriteProperty(QStringLiteral("PictureDown"), m_PictureDown, QPixmap());
}

QSize PictureButton::sizeHint() const
{
    return m_Picture.isNull() ? QWidget::sizeHint() : m_Picture.deviceIndependentSize().toSize();
}

void PictureButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_Surface);
}

void PictureButton::resizeEvent(QResizeEvent *)
{
    DrawButton();
}

void PictureButton::mouseMoveEvent(QMouseEvent *event)
{
    qint16 Button = ButtonBits(event->buttons());
    emit MouseMove(Button, ShiftBits(event->modifiers()),
                   float(event->position().x() * TwipsPerPixelX()),
                   float(event->position().y() * TwipsPerPixelY()));
    if (Button >= 2)
        return;
    if (!IsMouseOver()) {
        m_Hover = false;
        m_State = 0;
        DrawButton();
    } else if (Button == 0 && !m_Hover) {
        Timer1.start();
        m_Hover = true;
        emit MouseEnter();
        m_State = 1;
        DrawButton();
    } else if (Button == 1) {
        m_State = 2;
        DrawButton();
        // The next move without a button held raises MouseEnter again.
        m_Hover = false;
    }
}

void PictureButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_LeftPressed = true;
    qint16 Button = ButtonBits(event->button());
    emit MouseDown(Button, ShiftBits(event->modifiers()),
                   float(event->position().x() * TwipsPerPixelX()),
                   float(event->position().y() * TwipsPerPixelY()));
    if (Button == 1) {
        m_State = 2;
        DrawButton();
    }
}

void PictureButton::mouseReleaseEvent(QMouseEvent *event)
{
    emit MouseUp(ButtonBits(event->button()), ShiftBits(event->modifiers()),
                 float(event->position().x() * TwipsPerPixelX()),
                 float(event->position().y() * TwipsPerPixelY()));
    m_State = IsMouseOver() ? 1 : 0;
    DrawButton();
    if (event->button() != Qt::LeftButton)
        return;
    // A click is a left press and release on the button; the handler may run a long time and
    // pump events, so nothing of this object is touched after it.
    const bool clicked = m_LeftPressed && rect().contains(event->position().toPoint());
    m_LeftPressed = false;
    if (clicked)
        emit Click();
}

void PictureButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double click raises DblClick only, and its release no Click.
    if (event->button() == Qt::LeftButton)
        emit DblClick();
    else
        mousePressEvent(event);
}

void PictureButton::enterEvent(QEnterEvent *)
{
    m_PointerInside = true;
}

void PictureButton::leaveEvent(QEvent *)
{
    // Every platform reports the pointer leaving, also when it jumps out of the program's
    // windows, where the pointer position is no longer updated: the hover face ends here.
    m_PointerInside = false;
    if (Timer1.isActive()) {
        Timer1_Timer();
    } else if (m_State != 0) {
        m_State = 0;
        DrawButton();
    }
}

void PictureButton::Timer1_Timer()
{
    if (IsMouseOver())
        return;
    Timer1.stop();
    m_Hover = false;
    emit MouseLeave();
    m_State = 0;
    DrawButton();
}

void PictureButton::DrawButton()
{
    const QPixmap &face = m_State == 1 ? m_PictureHover : m_State == 2 ? m_PictureDown : m_Picture;
    // With no picture to show, the button keeps the size it has.
    Picture1 = face.isNull() ? size() : face.deviceIndependentSize().toSize();
    const qreal ratio = devicePixelRatioF();
    m_Surface = QPixmap(Picture1 * ratio);
    m_Surface.setDevicePixelRatio(ratio);
    // The surface under the picture has the system button face, as any button would.
    m_Surface.fill(ColorFromValue(kSysButtonFace, palette()));
    if (!face.isNull()) {
        QPainter painter(&m_Surface);
        painter.drawPixmap(0, 0, face);
    }
    update();
    // A size change comes back through resizeEvent, which finds the size equal and stops.
    resize(Picture1);
}

bool PictureButton::IsMouseOver() const
{
    // The pointer position is only current while the pointer is over one of the program's
    // windows, so it is asked only between an enter and a leave.
    return m_PointerInside && QApplication::widgetAt(QCursor::pos()) == this;
}

float PictureButton::TwipsPerPixelX() const
{
    return float(kTwipsPerInch) / float(logicalDpiX());
}

float PictureButton::TwipsPerPixelY() const
{
    return float(kTwipsPerInch) / float(logicalDpiY());
}

} // namespace sparrowtrim
