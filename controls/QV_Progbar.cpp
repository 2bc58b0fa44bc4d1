#include "controls/QV_Progbar.h"

#include "controls/EdgeDrawing.h"
#include "controls/PropertyBag.h"

#include <QCoreApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <optional>

namespace sparrowtrim {

namespace {

constexpr qint32 kDefaultMax = 100;

// Where the bar goes for value v, or nothing when the window system would refuse the move:
// Max 0 (the division fails), a negative size, or a size beyond what a widget can have.
std::optional<QRect> BarGeometry(qint32 v, qint32 max, qint32 barOffset, QSize inner)
{
    if (max == 0)
        return std::nullopt;
    const double fraction = double(v) / double(max);
    const bool inset = barOffset == 1;
    const int left = inset ? 2 : 0;
    const double width = fraction * double(inset ? inner.width() - 4 : inner.width());
    const double height = double(inset ? inner.height() - 4 : inner.height());
    if (!(width >= 0.0) || height < 0.0 || width > double(QWIDGETSIZE_MAX))
        return std::nullopt;
    // Fractional widths round to the nearest pixel, halves to even.
    return QRect(left, left, int(std::nearbyint(width)), int(height));
}

ColorValue ToColorValue(const QVariant &value)
{
    return ColorValue(value.toLongLong());
}

} // namespace

// The bar `picBar`: a plain rectangle in its own colour whose edge lives in a persistent
// image, so it survives being covered and is drawn again only when the bar is updated.
class ProgressBarElement final : public QWidget
{
public:
    explicit ProgressBarElement(QWidget *parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("picBar"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        hide();
    }

    ColorValue BackColor() const { return m_BackColor; }

    // As with any element that keeps its drawing, a new background colour wipes it: the edge
    // comes back with the next update.
    void setBackColor(ColorValue New_BackColor)
    {
        m_BackColor = New_BackColor;
        m_Image.fill(ColorFromValue(m_BackColor, palette()));
        update();
    }

    // Clears the image to the bar colour, draws the edge on the bar's whole rectangle and puts
    // it on screen at once.
    void Redraw(int edgeStyle)
    {
        // The image covers only what the control can show: a bar far wider than the control is
        // clipped anyway, and its memory must not grow with the value.
        const QWidget *control = parentWidget();
        const QSize shown(std::min(width(), control->width()),
                          std::min(height(), control->height()));
        const qreal ratio = devicePixelRatioF();
        m_Image = QImage(shown * ratio, QImage::Format_RGB32);
        m_Image.setDevicePixelRatio(ratio);
        m_Image.fill(ColorFromValue(m_BackColor, palette()));
        if (!m_Image.isNull()) {
            QPainter painter(&m_Image);
            DrawEdgeStyle(painter, QRect(QPoint(0, 0), size()), edgeStyle, palette());
        }
        repaint();
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter painter(this);
        painter.fillRect(event->rect(), ColorFromValue(m_BackColor, palette()));
        painter.drawImage(0, 0, m_Image);
    }

private:
    ColorValue m_BackColor = kSysWindowBackground;
    QImage m_Image;
};

QV_Progbar::QV_Progbar(QWidget *parent)
    : PersistentWidget(parent), picBar(new ProgressBarElement(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QV_Progbar::~QV_Progbar() = default;

void QV_Progbar::setMin(qint32 New_Min)
{
    m_Min = New_Min;
    emit PropertyChanged(QStringLiteral("Min"));
}

void QV_Progbar::setMax(qint32 New_Max)
{
    m_Max = New_Max;
    emit PropertyChanged(QStringLiteral("Max"));
}

void QV_Progbar::setValue(qint32 New_value)
{
    m_value = New_value;
    emit PropertyChanged(QStringLiteral("Value"));
    UpdateBar(m_value);
}

void QV_Progbar::setBackColor(ColorValue New_BackColor)
{
    m_BackColor = New_BackColor;
    update();
    emit PropertyChanged(QStringLiteral("BackColor"));
}

ColorValue QV_Progbar::Barcolor() const
{
    return picBar->BackColor();
}

void QV_Progbar::setBarcolor(ColorValue New_Barcolor)
{
    picBar->setBackColor(New_Barcolor);
    emit PropertyChanged(QStringLiteral("Barcolor"));
}

void QV_Progbar::setBarstyle(qint32 New_Barstyle)
{
    m_Barstyle = New_Barstyle;
    emit PropertyChanged(QStringLiteral("Barstyle"));
}

void QV_Progbar::setBorderStyle(qint32 New_BorderStyle)
{
    m_BorderStyle = New_BorderStyle;
    emit PropertyChanged(QStringLiteral("BorderStyle"));
    DrawBorder();
}

void QV_Progbar::setBarOffset(qint32 New_BarOffset)
{
    m_BarOffset = New_BarOffset;
    emit PropertyChanged(QStringLiteral("BarOffset"));
}

void QV_Progbar::InitProperties()
{
    m_Max = kDefaultMax;
    m_Min = 0;
    m_value = 0;
    m_Barstyle = 0;
    m_BorderStyle = 0;
    m_BarOffset = 0;
}

void QV_Progbar::ReadProperties(const PropertyBag &PropBag)
{
    m_Min = PropBag.ReadProperty(u"Min", 0).toInt();
    m_Max = PropBag.ReadProperty(u"Max", kDefaultMax).toInt();
    m_value = PropBag.ReadProperty(u"Value", 0).toInt();
    m_BackColor = ToColorValue(PropBag.ReadProperty(u"BackColor", kSysButtonFace));
    update();
    picBar->setBackColor(ToColorValue(PropBag.ReadProperty(u"Barcolor", kSysButtonFace)));
    m_Barstyle = PropBag.ReadProperty(u"Barstyle", 0).toInt();
    m_BorderStyle = PropBag.ReadProperty(u"BorderStyle", 0).toInt();
    m_BarOffset = PropBag.ReadProperty(u"BarOffset", 0).toInt();
}

void QV_Progbar::WriteProperties(PropertyBag &PropBag) const
{
    PropBag.WriteProperty(QStringLiteral("Min"), m_Min, 0);
    PropBag.WriteProperty(QStringLiteral("Max"), m_Max, kDefaultMax);
    PropBag.WriteProperty(QStringLiteral("Value"), m_value, 0);
    PropBag.WriteProperty(QStringLiteral("BackColor"), m_BackColor, kSysButtonFace);
    PropBag.WriteProperty(QStringLiteral("Barcolor"), Barcolor(), kSysButtonFace);
    PropBag.WriteProperty(QStringLiteral("Barstyle"), m_Barstyle, 0);
    PropBag.WriteProperty(QStringLiteral("BorderStyle"), m_BorderStyle, 0);
    PropBag.WriteProperty(QStringLiteral("BarOffset"), m_BarOffset, 0);
}

void QV_Progbar::paintEvent(QPaintEvent *)
{
    // The surface keeps no drawing of its own: every repaint clears it and draws the border.
    QPainter painter(this);
    painter.fillRect(rect(), ColorFromValue(m_BackColor, palette()));
    DrawEdgeStyle(painter, rect(), m_BorderStyle, palette());
}

void QV_Progbar::resizeEvent(QResizeEvent *)
{
    // The bar is not recomputed here: it keeps its size until the next value write.
    picBar->move(0, 0);
}

void QV_Progbar::UpdateBar(qint32 v)
{
    picBar->setVisible(v != 0);
    if (const auto geometry = BarGeometry(v, m_Max, m_BarOffset, size()))
        picBar->setGeometry(*geometry);
    picBar->Redraw(m_Barstyle);
    // Serve pending clicks, repaints and timers, so that a Stop click lands between files.
    QCoreApplication::processEvents();
}

void QV_Progbar::DrawBorder()
{
    repaint();
}

} // namespace sparrowtrim
