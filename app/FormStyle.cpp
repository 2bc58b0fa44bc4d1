#include "app/FormStyle.h"

#include <QCoreApplication>
#include <QPointer>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

namespace sparrowtrim::formstyle {

namespace {

// The style the window was laid out in; one for the whole program, ended with it.
QStyle *FormWidgetStyle()
{
    static QPointer<QStyle> style;
    if (style.isNull()) {
        style = QStyleFactory::create(QStringLiteral("Fusion"));
        style->setParent(QCoreApplication::instance());
    }
    return style;
}

} // namespace

void AddFontSubstitutes()
{
    static const bool added = [] {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Arial"),
                                    QStringLiteral("Liberation Sans")});
        QFont::insertSubstitutions(
            QStringLiteral("Verdana"),
            {QStringLiteral("DejaVu Sans"), QStringLiteral("Bitstream Vera Sans")});
        QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans")});
        return true;
    }();
    Q_UNUSED(added);
}

QFont DefaultFont()
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(kDefaultFontPoints);
    return font;
}

QFont SmallFont()
{
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(kSmallFontPoints);
    return font;
}

void SetFormPalette(QWidget *form)
{
    form->setPalette(FormWidgetStyle()->standardPalette());
}

void SetFormStyle(QWidget *form)
{
    QStyle *style = FormWidgetStyle();
    form->setStyle(style);
    for (QWidget *widget : form->findChildren<QWidget *>())
        widget->setStyle(style);
}

void SetBackColor(QWidget *widget, QPalette::ColorRole role, ColorValue color)
{
    QPalette palette = widget->palette();
    palette.setColor(role, ColorFromValue(color, palette));
    widget->setPalette(palette);
    if (role == QPalette::Window) {
        // Buttons, check boxes among them, fill with the Button role unless told otherwise.
        widget->setBackgroundRole(QPalette::Window);
        widget->setAutoFillBackground(true);
    }
}

void SetForeColor(QWidget *widget, ColorValue color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, ColorFromValue(color, palette));
    widget->setPalette(palette);
}

} // namespace sparrowtrim::formstyle
