#include "app/FormStyle.h"

#include <QWidget>

namespace sparrowtrim::formstyle {

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

void SetBackColor(QWidget *widget, QPalette::ColorRole role, ColorValue color)
{
    QPalette palette = widget->palette();
    palette.setColor(role, ColorFromValue(color));
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
    palette.setColor(QPalette::WindowText, ColorFromValue(color));
    widget->setPalette(palette);
}

} // namespace sparrowtrim::formstyle
