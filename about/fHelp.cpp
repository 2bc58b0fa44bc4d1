#include "about/fHelp.h"

#include "ProductInfo.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QUrl>
#include <cmath>

namespace sparrowtrim {

namespace {

constexpr int kClientWidth = 312;
constexpr int kClientHeight = 382;

const QColor kLogoBackground(80, 182, 169);
const QColor kTextBackground(64, 128, 128);
const QColor kLinkText(255, 255, 192);

constexpr qreal kLogoPointSizeCreated = 14.25;
constexpr qreal kLogoPointSizeLoaded = 22;

QFont MakeFont(const QString &family, qreal pointSize, bool underline = false)
{
    QFont font(family);
    font.setPointSizeF(pointSize);
    font.setBold(true);
    font.setUnderline(underline);
    return font;
}

QLabel *MakeLabel(QWidget *parent, const char *name, const QColor &text, const QFont &font)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, text);
    label->setPalette(palette);
    return label;
}

void FillBackground(QLabel *label, const QColor &colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, colour);
    label->setPalette(palette);
    label->setAutoFillBackground(true);
}

// Widgets sit on whole pixels; a place on a half pixel goes to the pixel it starts in, so
// edges that coincide in the layout coincide on screen.
QRect PixelRect(const help::Rect &rect)
{
    const int left = static_cast<int>(std::floor(rect.left));
    const int top = static_cast<int>(std::floor(rect.top));
    const int right = static_cast<int>(std::floor(rect.left + rect.width));
    const int bottom = static_cast<int>(std::floor(rect.top + rect.height));
    return {left, top, right - left, bottom - top};
}

} // namespace

fHelp::fHelp(QWidget *owner)
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint),
      openWebPage_([](const QString &address) { QDesktopServices::openUrl(QUrl(address)); })
{
    setObjectName(QStringLiteral("fHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Quick Help"));
    if (!QGuiApplication::windowIcon().isNull()) {
        setWindowIcon(QGuiApplication::windowIcon());
    }
    setFixedSize(kClientWidth, kClientHeight);

    lblLogo = MakeLabel(this, "lblLogo", Qt::white,
                        MakeFont(QStringLiteral("Verdana"), kLogoPointSizeCreated));
    lblLogo->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    FillBackground(lblLogo, kLogoBackground);

    lblAbout = MakeLabel(this, "lblAbout", Qt::white, MakeFont(QStringLiteral("Arial"), 8.25));
    lblAbout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblAbout->setWordWrap(true);
    FillBackground(lblAbout, kTextBackground);

    lblURL = MakeLabel(this, "lblURL", kLinkText, MakeFont(QStringLiteral("Arial"), 9, true));
    lblURL->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblURL->setCursor(Qt::PointingHandCursor);
    lblURL->installEventFilter(this);

    placeLabels();
    Form_Load();

    if (owner != nullptr) {
        QRect area = rect();
        area.moveCenter(owner->window()->geometry().center());
        setGeometry(area);
    }
}

void fHelp::setWebPageOpener(WebPageOpener opener)
{
    openWebPage_ = std::move(opener);
}

void fHelp::Form_Load()
{
    lblURL->setText(QString::fromUtf8(product::kMakerWebPage));
    QFont logoFont = lblLogo->font();
    logoFont.setPointSizeF(kLogoPointSizeLoaded);
    lblLogo->setFont(logoFont);
    lblLogo->setText(QString::fromUtf8(product::kTitle));
    lblAbout->setText(help::DisplayText(help::HelpText()));
}

void fHelp::Form_Resize()
{
    layout_ = help::FormResize(static_cast<float>(width()), static_cast<float>(height()), layout_);
    placeLabels();
}

void fHelp::placeLabels()
{
    lblLogo->setGeometry(PixelRect(layout_.logo));
    lblAbout->setGeometry(PixelRect(layout_.text));
    lblURL->setGeometry(PixelRect(layout_.link));
}

void fHelp::lblURL_Click()
{
    if (openWebPage_) {
        openWebPage_(QString::fromUtf8(product::kMakerWebPage));
    }
}

void fHelp::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

bool fHelp::eventFilter(QObject *watched, QEvent *event)
{
    // A click is a left press and release over the link.
    if (watched == lblURL && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton &&
            lblURL->rect().contains(mouse->position().toPoint())) {
            lblURL_Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace sparrowtrim
