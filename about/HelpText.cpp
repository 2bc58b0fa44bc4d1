#include "about/HelpText.h"

#include "ProductInfo.h"

#include <QStringList>

namespace sparrowtrim::help {

namespace {

constexpr float kHalf = 2.0f;
constexpr float kInset = 4.0f;

} // namespace

QString HelpText()
{
    const QString cr = QStringLiteral("\r");
    const QString crlf = QStringLiteral("\r\n");
    return cr + QString::fromUtf8(product::kTitle) +
           " can help to increase the loading speed of your JPEG Web images," +
           " and also decrease used bandwidth and disk space." + cr +
           QString(23, QLatin1Char('_')) + cr + cr + "To use:" + crlf +
           " Using the \"Browse\" button near the upper left of the" + cr +
           " main form, simply navigate to a folder which contains" + cr +
           " The JPEG images that you wish to optimize. You can then select" +
           " individual or multiple images from the file list. Multiple selections" +
           " are made by holding down the <CTRL> key while selecting desired files" +
           " the mouse. Various options allow you to keep original file dates," +
           " process read-only files, and write results to a log file if desired." +
           " After setting desired options, simply click on the START button." +
           " You may stop the process at any time by clicking the STOP button." +
           " If you need further assistance, please click the following link to" +
           " visit us on the web at:";
}

QString DisplayText(const QString &caption)
{
    QString text = caption;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

Layout DesignLayout()
{
    // Design places in twips, 15 to the pixel.
    return {.logo = {60 / 15.0f, 45 / 15.0f, 4575 / 15.0f, 840 / 15.0f},
            .text = {60 / 15.0f, 1125 / 15.0f, 4575 / 15.0f, 840 / 15.0f},
            .link = {885 / 15.0f, 2295 / 15.0f, 2490 / 15.0f, 420 / 15.0f}};
}

Layout FormResize(float width, float height, const Layout &current)
{
    Layout next = current;

    next.logo.left = width / kHalf - next.logo.width / kHalf;
    next.logo.top = 0;

    // Every value is read before the move, so the width used to centre is the old one.
    next.text = {.left = width / kHalf - current.text.width / kHalf,
                 .top = next.logo.top + next.logo.height,
                 .width = next.logo.width,
                 .height = height - next.logo.height};

    next.link.left = next.text.left + kInset;
    next.link.top = next.text.top + next.text.height - next.link.height - kInset;
    next.link.width = next.text.width - kInset;
    return next;
}

} // namespace sparrowtrim::help
