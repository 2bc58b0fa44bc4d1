#include "app/fMain.h"

#include "ProductInfo.h"
#include "app/DetailsList.h"
#include "app/FormStyle.h"
#include "app/LinkLabel.h"
#include "app/WrappingCheckBox.h"
#include "app/mBrowseForFolder.h"
#include "app/mPlaces.h"
#include "app/mUtilsQt.h"
#include "app/mWindowMenu.h"
#include "batch/FolderListing.h"
#include "batch/FolderText.h"
#include "controls/ColorValue.h"
#include "controls/PictureButton.h"
#include "controls/QV_Progbar.h"
#include "resources/Artwork.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStringDecoder>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace sparrowtrim {

using namespace formstyle;

namespace {

constexpr const char *kBrowseTitle = "Select a folder which contains JPEG images.";
constexpr const char *kDefaultOptions = "001";

// A frame without border or caption, filled with the frames' colour.
QFrame *NewPlainFrame(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(QLatin1String(name));
    frame->setFrameShape(QFrame::NoFrame);
    frame->setGeometry(geometry);
    SetBackColor(frame, QPalette::Window, kFrameBackColor);
    return frame;
}

QGroupBox *NewCaptionedFrame(QWidget *parent, const char *name, const QString &caption,
                             const QRect &geometry)
{
    auto *frame = new QGroupBox(caption, parent);
    frame->setObjectName(QLatin1String(name));
    frame->setGeometry(geometry);
    frame->setFont(SmallFont());
    SetBackColor(frame, QPalette::Window, kFrameBackColor);
    return frame;
}

QLabel *NewLabel(QWidget *parent, const QString &name, const QRect &geometry)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFont(DefaultFont());
    return label;
}

PictureButton *NewPictureButton(QWidget *parent, const QString &name, const QString &picture,
                                const QPoint &position)
{
    auto *button = new PictureButton(parent);
    button->setObjectName(name);
    const artwork::ButtonFaces faces = artwork::Faces(picture);
    button->setPicture(faces.resting);
    button->setPictureHover(faces.hover);
    button->setPictureDown(faces.pressed);
    button->move(position);
    return button;
}

LinkLabel *NewLinkLabel(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *label = new LinkLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFont(DefaultFont());
    SetForeColor(label, kLinkForeColor);
    label->setCursor(artwork::PointingHand());
    return label;
}

QString IndexedName(const char *name, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

fMain::ProgramEnd &ProgramEndHandler()
{
    static fMain::ProgramEnd end;
    return end;
}

// The folder a folder text stands for, in the file system's own encoding of names, so that
// the listed files and the run's paths agree.
QString FolderOf(const QString &text)
{
    return QFile::decodeName(mUtils::FolderOfText(QFile::encodeName(text).toStdString()).c_str());
}

// Each file list item keeps the name the run opens the file by, in the file system's bytes.
constexpr int kFileNameRole = Qt::UserRole;

// A name, or a line holding one, as the window shows it: file names are bytes that are
// UTF-8 as a rule, but old cameras and archives also write Latin-1.
QString ShownText(const std::string &text)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString shown = utf8(QByteArrayView(text));
    return utf8.hasError() ? QString::fromLatin1(text) : shown;
}

} // namespace

fMain::fMain(const QStringList &openPaths, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_Background(artwork::Background()),
      m_Run(*this, [this] { return m_OptionText.size() == 3 && m_OptionText.at(0) == u'1'; })
{
    setObjectName(QStringLiteral("fMain"));
    AddFontSubstitutes();
    setFixedSize(kWidth, kHeight);
    setWindowIcon(artwork::ProgramIcon());
    setFont(DefaultFont());
    SetFormPalette(this);
    SetBackColor(this, QPalette::Window, kFieldBackColor);
    CreateWindowControls();
    CreateSourceFrame();
    CreateSelectFrame();
    CreateButtonFrame();
    SetFormStyle(this);
    setAcceptDrops(true);
    Form_Load(openPaths);
}

fMain::~fMain() = default;

void fMain::CreateWindowControls()
{
    const char *windowButtons[] = {"btn_menu", "btn_minimize", "btn_close"};
    for (int index = 0; index < 3; ++index) {
        btnForm[index] =
            NewPictureButton(this, IndexedName("btnForm", index),
                             QLatin1String(windowButtons[index]), QPoint(250 + 24 * index, 8));
        connect(btnForm[index], &PictureButton::Click, this,
                [this, index] { btnForm_Click(index); });
    }

    lblCompany = NewLinkLabel(this, "lblCompany", QRect(17, 4, 228, 25));
    connect(lblCompany, &LinkLabel::Click, this, &fMain::lblCompany_Click);

    lblLogo = NewLinkLabel(this, "lblLogo", QRect(17, 398, 304, 35));
    lblLogo->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    connect(lblLogo, &LinkLabel::Click, this, &fMain::lblLogo_Click);
}

void fMain::CreateSourceFrame()
{
    frSource = NewPlainFrame(this, "frSource", QRect(25, 42, 290, 78));
    Label1 = NewLabel(frSource, QStringLiteral("Label1"), QRect(5, 8, 65, 13));
    Label1->setText(tr("Select Folder:"));
    SetBackColor(Label1, QPalette::Window, kPanelBackColor);
    SetForeColor(Label1, kSysWindowText);
    txtImgDir = new QLineEdit(frSource);
    txtImgDir->setObjectName(QStringLiteral("txtImgDir"));
    txtImgDir->setGeometry(72, 6, 188, 19);
    SetBackColor(txtImgDir, QPalette::Base, kFieldBackColor);
    connect(txtImgDir, &QLineEdit::textChanged, this, &fMain::txtImgDir_Change);
    cmdBrowseImg = new QPushButton(QStringLiteral("..."), frSource);
    cmdBrowseImg->setObjectName(QStringLiteral("cmdBrowseImg"));
    cmdBrowseImg->setGeometry(263, 7, 21, 18);
    cmdBrowseImg->setToolTip(tr("Browse"));
    connect(cmdBrowseImg, &QPushButton::clicked, this, &fMain::cmdBrowseImg_Click);
    const QRect statsGeometry[] = {{5, 28, 139, 47}, {148, 28, 136, 21}, {148, 54, 136, 21}};
    for (int index = 0; index < 3; ++index) {
        lblStats[index] = NewLabel(frSource, IndexedName("lblStats", index), statsGeometry[index]);
        lblStats[index]->setFont(SmallFont());
        lblStats[index]->setWordWrap(true);
        SetBackColor(lblStats[index], QPalette::Window, kFieldBackColor);
    }
}

void fMain::CreateSelectFrame()
{
    fraSelect =
        NewCaptionedFrame(this, "fraSelect", tr("Select Images:"), QRect(25, 124, 289, 212));
    const QString selectCaptions[] = {tr("Select All"), tr("Clear")};
    const QRect selectGeometry[] = {{4, 14, 81, 22}, {87, 14, 80, 22}};
    for (int index = 0; index < 2; ++index) {
        cmdselect[index] = new QPushButton(selectCaptions[index], fraSelect);
        cmdselect[index]->setObjectName(IndexedName("cmdselect", index));
        cmdselect[index]->setGeometry(selectGeometry[index]);
        cmdselect[index]->setFont(index == 0 ? SmallFont() : DefaultFont());
        connect(cmdselect[index], &QPushButton::clicked, this,
                [this, index] { cmdselect_Click(index); });
    }
    fbImages = new QListWidget(fraSelect);
    fbImages->setObjectName(QStringLiteral("fbImages"));
    fbImages->setGeometry(3, 38, 164, 93);
    fbImages->setFont(DefaultFont());
    fbImages->setSelectionMode(QAbstractItemView::ExtendedSelection);
    fbImages->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SetBackColor(fbImages, QPalette::Base, kFieldBackColor);

    fraOptions = NewCaptionedFrame(fraSelect, "fraOptions", tr("Options"), QRect(172, 8, 110, 122));
    const QString optionCaptions[] = {tr("Keep Original File Date"), tr("Process Read Only Files"),
                                      tr("Write Results to Log File")};
    const int optionTops[] = {21, 50, 79};
    for (int index = 0; index < 3; ++index) {
        chkOptions[index] = new WrappingCheckBox(optionCaptions[index], fraOptions);
        chkOptions[index]->setObjectName(IndexedName("chkOptions", index));
        chkOptions[index]->setGeometry(9, optionTops[index], 89, 24);
        chkOptions[index]->setFont(SmallFont());
        SetBackColor(chkOptions[index], QPalette::Window, kPanelBackColor);
        SetForeColor(chkOptions[index], kSysWindowText);
        connect(chkOptions[index], &QCheckBox::toggled, this,
                [this, index] { chkOptions_Click(index); });
    }

    Label2 = NewLabel(fraSelect, QStringLiteral("Label2"), QRect(3, 134, 35, 13));
    Label2->setText(tr("Details:"));
    SetBackColor(Label2, QPalette::Window, kPanelBackColor);
    pbOps = new QV_Progbar(fraSelect);
    pbOps->setObjectName(QStringLiteral("pbOps"));
    pbOps->setGeometry(42, 135, 240, 12);
    pbOps->setBackColor(kFrameBackColor);
    pbOps->setBarcolor(kProgressBarColor);
    pbOps->setBarstyle(kProgressBarStyle);
    pbOps->setBorderStyle(kProgressBorderStyle);
    lstDetails = new DetailsList(fraSelect);
    lstDetails->setObjectName(QStringLiteral("lstDetails"));
    lstDetails->setGeometry(3, 150, 279, 54);
    lstDetails->setFont(DefaultFont());
    lstDetails->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SetBackColor(lstDetails, QPalette::Base, kFieldBackColor);
}

void fMain::CreateButtonFrame()
{
    frButtons = NewPlainFrame(this, "frButtons", QRect(25, 340, 289, 46));
    const char *actionPictures[] = {"cmd_start", "cmd_stop"};
    for (int index = 0; index < 2; ++index) {
        cmdAction[index] =
            NewPictureButton(frButtons, IndexedName("cmdAction", index),
                             QLatin1String(actionPictures[index]), QPoint(14 + 137 * index, 8));
        connect(cmdAction[index], &PictureButton::Click, this,
                [this, index] { cmdAction_Click(index); });
    }
}

bool fMain::OpenPaths(const QStringList &paths)
{
    const mPlaces::OpenRequest request = mPlaces::OpenRequestFor(paths);
    if (request.folder.isEmpty())
        return false;
    txtImgDir->setText(FolderOf(request.folder));
    fbImages->clearSelection();
    // Names not in the list (other types) are left out.
    for (const QString &name : request.selectedNames) {
        for (QListWidgetItem *item : fbImages->findItems(name, Qt::MatchExactly)) {
            item->setSelected(true);
            fbImages->scrollToItem(item);
        }
    }
    return true;
}

namespace {

// The local files and folders a drag carries.
QStringList DroppedPaths(const QMimeData *data)
{
    QStringList paths;
    for (const QUrl &url : data->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    return paths;
}

} // namespace

// Files and folders are taken as on the command line, but never during a run: the cursor then
// shows that the drop will not be taken.
void fMain::dragEnterEvent(QDragEnterEvent *event)
{
    if (!m_Run.IsRunning() && !DroppedPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void fMain::dragMoveEvent(QDragMoveEvent *event)
{
    if (m_Run.IsRunning())
        event->ignore();
    else
        event->acceptProposedAction();
}

void fMain::dropEvent(QDropEvent *event)
{
    if (m_Run.IsRunning() || !OpenPaths(DroppedPaths(event->mimeData())))
        return event->ignore();
    event->acceptProposedAction();
}

void fMain::Form_Load(const QStringList &openPaths)
{
    setWindowTitle(QString::fromLatin1(product::kTitle));
    if (!OpenPaths(openPaths))
        txtImgDir->setText(FolderOf(mPlaces::StartFolder(QCoreApplication::applicationDirPath())));

    if (m_OptionText.size() != 3)
        m_OptionText = QString::fromLatin1(kDefaultOptions);
    // Each box follows the digit of the option it names; a change fires chkOptions_Click.
    const QString options = m_OptionText;
    chkOptions[0]->setChecked(options.at(1) == u'1');
    chkOptions[1]->setChecked(options.at(0) == u'1');
    chkOptions[2]->setChecked(options.at(2) == u'1');

    for (LinkLabel *label : {lblLogo, lblCompany}) {
        QFont font = label->font();
        font.setPointSizeF(kLinkFontPoints);
        label->setFont(font);
    }
    lblLogo->setText(QString::fromLatin1(product::kTitle));
    lblCompany->setText(QString::fromLatin1(product::kMakerName));
}

void fMain::txtImgDir_Change()
{
    RefreshFileList(FolderOf(txtImgDir->text()));
}

void fMain::RefreshFileList(const QString &folder)
{
    fbImages->clear();
    // A folder that does not exist (yet: the user may still be typing) lists nothing.
    if (folder.isEmpty() || !QDir(folder).exists())
        return;
    std::error_code error;
    for (const FolderEntry &file :
         ListFolder(QFile::encodeName(folder).toStdString(), false, error)) {
        auto *item = new QListWidgetItem(ShownText(file.name));
        item->setData(kFileNameRole, QByteArray::fromStdString(file.name));
        fbImages->addItem(item);
    }
}

void fMain::cmdBrowseImg_Click()
{
    const QString start = mUtils::TrimSpaces(txtImgDir->text());
    const QString result =
        mBrowseForFolder::BrowseForFolder(this, start, QString::fromLatin1(kBrowseTitle), true);
    if (!result.isEmpty())
        txtImgDir->setText(result);
}

void fMain::cmdselect_Click(int index)
{
    // Hidden while the items change, so that the list is repainted once.
    fbImages->setVisible(false);
    if (index == 1)
        fbImages->clearSelection();
    else
        fbImages->selectAll();
    fbImages->setVisible(true);
}

void fMain::chkOptions_Click(int)
{
    const auto digit = [this](int index) { return chkOptions[index]->isChecked() ? u'1' : u'0'; };
    m_OptionText = QString(digit(1)) + digit(0) + digit(2);
}

void fMain::cmdAction_Click(int index)
{
    if (index == 1) {
        m_Run.RequestStop();
        return;
    }
    if (index != 0 || m_Run.IsRunning())
        return;
    std::vector<std::string> names;
    for (int row = 0; row < fbImages->count(); ++row) {
        const QListWidgetItem *item = fbImages->item(row);
        if (item->isSelected())
            names.push_back(item->data(kFileNameRole).toByteArray().toStdString());
    }
    const std::string folder = QFile::encodeName(FolderOf(txtImgDir->text())).toStdString();
    m_Run.Start(folder, names, m_OptionText.toStdString(),
                QFile::encodeName(LogFileName()).toStdString());
}

void fMain::btnForm_Click(int index)
{
    switch (index) {
    case 0:
        ShowWindowMenu(this);
        break;
    case 1:
        setWindowState(windowState() | Qt::WindowMinimized);
        break;
    case 2:
        EndProgram();
        break;
    default:
        break;
    }
}

void fMain::lblCompany_Click()
{
    mUtils::OpenWebPage(QString::fromLatin1(product::kMakerWebPage));
}

void fMain::lblLogo_Click()
{
    mUtils::OpenWebPage(QString::fromLatin1(product::kMakerWebPage));
}

void fMain::EndProgram()
{
    // What the log holds so far stays on disk; then the process ends without unwinding.
    m_Run.Abandon();
    if (ProgramEndHandler()) {
        ProgramEndHandler()();
        return;
    }
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}

QString fMain::LogFileName()
{
    return QDir(mPlaces::LogFolder(QCoreApplication::applicationDirPath()))
        .filePath(QString::fromLatin1(product::kTitle) + QStringLiteral(".log"));
}

void fMain::CentreOnScreen()
{
    const QScreen *screen =
        this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
}

void fMain::SetProgramEnd(ProgramEnd end)
{
    ProgramEndHandler() = std::move(end);
}

void fMain::SetProgressMax(std::int32_t max)
{
    pbOps->setMax(max);
}

void fMain::SetProgressValue(std::int32_t value)
{
    pbOps->setValue(value);
}

void fMain::AddDetailsLine(const std::string &line)
{
    lstDetails->AddLine(ShownText(line));
}

void fMain::YieldToEvents()
{
    QCoreApplication::processEvents();
}

void fMain::ClearSelection()
{
    cmdselect_Click(1);
}

void fMain::SetStatsCaption(int index, const std::string &caption)
{
    if (index < 0 || index >= static_cast<int>(lblStats.size()))
        return;
    // The summary's lines end in CR LF; a label breaks lines at LF alone.
    lblStats[index]->setText(
        QString::fromStdString(caption).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void fMain::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_Background);
}

void fMain::mousePressEvent(QMouseEvent *event)
{
    // Only the window's own background drags it: presses that controls pass on do not.
    if (childAt(event->position().toPoint()) == nullptr)
        mUtils::DragWindow(this);
    event->accept();
}

void fMain::closeEvent(QCloseEvent *event)
{
    // Closed from the task bar in the middle of a run: end as the cross button does.
    if (m_Run.IsRunning())
        EndProgram();
    event->accept();
}

} // namespace sparrowtrim
