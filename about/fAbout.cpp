#include "about/fAbout.h"

#include "ProductInfo.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QPushButton>

namespace sparrowtrim {

namespace {

// Places in pixels, 15 twips to the pixel.
constexpr QRect kClientArea(156, 129, 382, 237);
constexpr QRect kIconPlace(16, 16, 36, 36);
constexpr QRect kOkPlace(283, 175, 84, 23);
constexpr QRect kSysInfoPlace(284, 205, 83, 23);
constexpr QRect kDescriptionPlace(70, 75, 259, 78);
constexpr QRect kTitlePlace(70, 16, 259, 32);
constexpr QRect kVersionPlace(70, 52, 259, 15);
constexpr QRect kDisclaimerPlace(17, 175, 258, 55);
constexpr int kIconSize = 32;
// The dialog font's size on the platform the window was designed on; the family is the
// platform's own.
constexpr qreal kDialogPointSize = 8;

// The etched separator: a grey line with a white one, twice as wide, one pixel right and below.
constexpr QLine kSeparatorShadow(6, 163, 376, 163);
constexpr QLine kSeparatorLight(7, 164, 376, 164);
const QColor kShadowColour(128, 128, 128);
const QColor kLightColour(255, 255, 255);

QLabel *MakeLabel(QWidget *parent, const char *name, const QRect &place, const char *created)
{
    auto *label = new QLabel(QString::fromLatin1(created), parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(place);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    return label;
}

QPushButton *MakeButton(QWidget *parent, const char *name, const QRect &place, const QString &text)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(place);
    return button;
}

sysinfo::Platform DesktopPlatform(QWidget *dialogParent)
{
    return {
        .fileExists =
            [](const std::string &path) {
                return QFileInfo(QString::fromLocal8Bit(path)).isFile();
            },
        .startProgram =
            [](const std::string &path) {
                return !path.empty() && QProcess::startDetached(QString::fromLocal8Bit(path), {});
            },
        .showMessage =
            [dialogParent](const std::string &text) {
                QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(product::kTitle),
                                QString::fromStdString(text), QMessageBox::Ok, dialogParent);
                box.exec();
            },
    };
}

} // namespace

fAbout::fAbout(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                         Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      registry_(registry::MakePlatformBackend()), platform_(DesktopPlatform(this))
{
    setObjectName(QStringLiteral("fAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    if (!QGuiApplication::windowIcon().isNull()) {
        setWindowIcon(QGuiApplication::windowIcon());
    }
    QFont dialogFont = font();
    dialogFont.setPointSizeF(kDialogPointSize);
    setFont(dialogFont);
    setGeometry(kClientArea);
    setFixedSize(kClientArea.size());

    picIcon = MakeLabel(this, "picIcon", kIconPlace, "");
    picIcon->setPixmap(windowIcon().pixmap(kIconSize, kIconSize));

    cmdOK = MakeButton(this, "cmdOK", kOkPlace, QStringLiteral("OK"));
    cmdOK->setDefault(true);
    cmdSysInfo = MakeButton(this, "cmdSysInfo", kSysInfoPlace, QStringLiteral("&System Info..."));

    lblDescription = MakeLabel(this, "lblDescription", kDescriptionPlace, "App Description");
    lblDescription->setWordWrap(true);
    lblTitle = MakeLabel(this, "lblTitle", kTitlePlace, "Application Title");
    lblVersion = MakeLabel(this, "lblVersion", kVersionPlace, "Version");
    lblDisclaimer = MakeLabel(this, "lblDisclaimer", kDisclaimerPlace, "");

    setTabOrder(cmdOK, cmdSysInfo);
    cmdOK->setFocus();

    // Escape rejects the dialog; it closes like OK.
    connect(this, &QDialog::rejected, this, &fAbout::cmdOK_Click);
    connect(cmdOK, &QPushButton::clicked, this, &fAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &fAbout::cmdSysInfo_Click);

    Form_Load();
}

fAbout::~fAbout() = default;

void fAbout::setRegistryBackend(std::unique_ptr<registry::Backend> backend)
{
    registry_ = std::move(backend);
}

void fAbout::setSysInfoPlatform(sysinfo::Platform platform)
{
    platform_ = std::move(platform);
}

void fAbout::Form_Load()
{
    const QString title = QString::fromUtf8(product::kTitle);
    setWindowTitle(QStringLiteral("About ") + title);
    lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                            .arg(product::kVersionMajor)
                            .arg(product::kVersionMinor)
                            .arg(product::kVersionRevision));
    lblTitle->setText(title);
    lblDescription->setText(
        title + " is a handy tool which you can use to speed the loading" +
        " of JPEG images and decrease file size. For more information on this and other software," +
        " Please contact us at: " + QString::fromUtf8(product::kMakerWebPage));
}

void fAbout::cmdOK_Click()
{
    close();
}

void fAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void fAbout::StartSysInfo()
{
    sysinfo::StartSysInfo(*registry_, platform_);
}

void fAbout::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setPen(QPen(kShadowColour, 1));
    painter.drawLine(kSeparatorShadow);
    painter.fillRect(QRect(kSeparatorLight.p1(), QSize(kSeparatorLight.dx() + 1, 2)), kLightColour);
}

} // namespace sparrowtrim
