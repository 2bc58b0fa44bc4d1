#include "app/WrappingCheckBox.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace sparrowtrim {

namespace {

constexpr int kTextGap = 4;
// Room for glyphs that reach past their advance at the end of a line.
constexpr int kTextRightMargin = 2;

} // namespace

WrappingCheckBox::WrappingCheckBox(const QString &text, QWidget *parent) : QCheckBox(text, parent)
{}

QRect WrappingCheckBox::IndicatorRect() const
{
    const int width = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
    const int height = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
    return QRect(0, (this->height() - height) / 2, width, height);
}

QRect WrappingCheckBox::TextRect() const
{
    const int left = IndicatorRect().right() + 1 + kTextGap;
    return QRect(left, 0, width() - left - kTextRightMargin, height());
}

void WrappingCheckBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);

    QStyleOptionButton indicator = option;
    indicator.rect = IndicatorRect();
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &indicator, &painter, this);

    const QRect textRect = TextRect();
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text());

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect =
            painter
                .boundingRect(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text())
                .adjusted(-1, 0, 1, 0)
                .intersected(rect());
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

bool WrappingCheckBox::hitButton(const QPoint &pos) const
{
    return rect().contains(pos);
}

} // namespace sparrowtrim
