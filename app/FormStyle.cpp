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

struct RoleColor
{
    QPalette::ColorRole role;
    QRgb rgba;
};

// The toolkit's light palette, which the window was laid out in, whatever the system's theme
// (the toolkit's own palette follows a dark theme).
constexpr RoleColor kDesignedColors[] = {
    {QPalette::WindowText, 0xff000000},    {QPalette::Button, 0xffefefef},
    {QPalette::Light, 0xffffffff},         {QPalette::Midlight, 0xffcacaca},
    {QPalette::Dark, 0xff9f9f9f},          {QPalette::Mid, 0xffb8b8b8},
    {QPalette::Text, 0xff000000},          {QPalette::BrightText, 0xffffffff},
    {QPalette::ButtonText, 0xff000000},    {QPalette::Base, 0xffffffff},
    {QPalette::Window, 0xffefefef},        {QPalette::Shadow, 0xff767676},
    {QPalette::Highlight, 0xff308cc6},     {QPalette::HighlightedText, 0xffffffff},
    {QPalette::Link, 0xff0000ff},          {QPalette::LinkVisited, 0xffff00ff},
    {QPalette::AlternateBase, 0xfff7f7f7}, {QPalette::ToolTipBase, 0xffffffdc},
    {QPalette::ToolTipText, 0xff000000},   {QPalette::PlaceholderText, 0x80000000},
};
constexpr RoleColor kDesignedDisabledColors[] = {
    {QPalette::WindowText, 0xffbebebe}, {QPalette::Dark, 0xffbebebe},
    {QPalette::Text, 0xffbebebe},       {QPalette::ButtonText, 0xffbebebe},
    {QPalette::Base, 0xffefefef},       {QPalette::Shadow, 0xffb1b1b1},
    {QPalette::Highlight, 0xff919191},
};

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
    // Every colour set one by one: a theme gives labels, buttons and lists palettes of their
    // own, which only colours explicitly set on the window override.
    QPalette palette;
    for (const RoleColor &color : kDesignedColors)
        palette.setColor(color.role, QColor::fromRgba(color.rgba));
    for (const RoleColor &color : kDesignedDisabledColors)
        palette.setColor(QPalette::Disabled, color.role, QColor::fromRgba(color.rgba));
    form->setPalette(palette);
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
