// The main window driven as a user drives it: folder, file list, options, and whole runs
// over copies of real JPEG files.

#include "BatchRun.h"
#include "PictureButton.h"
#include "ProductInfo.h"
#include "QV_Progbar.h"
#include "fMain.h"
#include "mBrowseForFolder.h"
#include "mJPEGOpt.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTimer>
#include <QtTest>

using sparrowtrim::fMain;
using sparrowtrim::PictureButton;
using sparrowtrim::QV_Progbar;
namespace browse = sparrowtrim::mBrowseForFolder;

namespace {

// Small corpus files, in the file list's order: two with metadata to drop, two broken files
// and one tiny image.
const QStringList kRunFiles = {
    QStringLiteral("camera-olympus-c2040z-trailer.jpg"),
    QStringLiteral("camera-pentax-optio-s4-trailer.jpg"),
    QStringLiteral("empty.jpg"),
    QStringLiteral("its-no-soi.jpg"),
    QStringLiteral("mozilla-baseline-1x1.jpg"),
};

QString CorpusDir()
{
    return qEnvironmentVariable("SPARROWTRIM_CORPUS_DIR");
}

bool CopyCorpusFiles(const QStringList &names, const QString &folder)
{
    for (const QString &name : names) {
        // The corpus is read-only; the copies are ordinary writable files.
        const QString copy = QDir(folder).filePath(name);
        if (!QFile::copy(QDir(CorpusDir()).filePath(name), copy) ||
            !QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ReadGroup | QFileDevice::ReadOther))
            return false;
    }
    return true;
}

void CreateFiles(const QString &folder, const QStringList &names)
{
    for (const QString &name : names) {
        if (name.endsWith(u'/')) {
            QDir(folder).mkpath(name);
            continue;
        }
        QFile file(QDir(folder).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a picture");
    }
}

QStringList ListTexts(const QListWidget *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

int SelectedCount(const QListWidget *list)
{
    return static_cast<int>(list->selectedItems().size());
}

QStringList LogLines()
{
    QFile log(fMain::LogFileName());
    if (!log.open(QIODevice::ReadOnly))
        return {};
    const QByteArray content = log.readAll();
    if (!content.endsWith("\r\n"))
        return {QStringLiteral("<log does not end in CR LF>")};
    QStringList lines = QString::fromUtf8(content).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

// What the engine makes of each file, found on a second copy of the files.
struct Expected
{
    QStringList logLines;
    int errors = 0;
    int noChanges = 0;
    int optimized = 0;
    qint64 saved = 0;
    QMap<QString, qint64> sizes; // the files' sizes after the run
};

Expected ExpectedRun(const QStringList &names, const QString &runFolder)
{
    Expected expected;
    QTemporaryDir oracleDir;
    if (!CopyCorpusFiles(names, oracleDir.path()))
        return expected;
    sparrowtrim::mJPEGOpt engine;
    for (const QString &name : names) {
        const QString oraclePath = QDir(oracleDir.path()).filePath(name);
        const std::int32_t result =
            engine.OptimizeJPEG(QFile::encodeName(oraclePath).toStdString());
        expected.logLines << QStringLiteral("**************")
                          << QStringLiteral("File: \t") + QDir(runFolder).filePath(name);
        if (result == sparrowtrim::kRewritten) {
            ++expected.optimized;
            expected.saved += engine.InputLength() - engine.OutputLength();
            expected.logLines
                << QStringLiteral("File successfully optimized.")
                << QStringLiteral("Original File Size: \t%1").arg(engine.InputLength())
                << QStringLiteral("Size After Optimizing: \t%1").arg(engine.OutputLength())
                << QStringLiteral("Savings: \t%1")
                       .arg(engine.InputLength() - engine.OutputLength());
        } else if (result == sparrowtrim::kNothingToChange) {
            ++expected.noChanges;
            expected.logLines
                << QStringLiteral("No need to optimize file.")
                << QStringLiteral("Original File Size: \t%1").arg(engine.InputLength());
        } else {
            ++expected.errors;
            expected.logLines << QStringLiteral("ERROR:  ") +
                                     QString::fromStdString(engine.ResultMessage());
        }
        expected.sizes[name] = QFileInfo(oraclePath).size();
    }
    return expected;
}

// Takes the addresses the desktop is asked to open.
class UrlCatcher final : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void Open(const QUrl &url) { opened << url; }
};

} // namespace

class TestMainWindow final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startupState();
    void pictures();
    void drawnColours_data();
    void drawnColours();
    void fileList_data();
    void fileList();
    void selectAllAndClear_data();
    void selectAllAndClear();
    void extendedSelection();
    void optionText_data();
    void optionText();
    void wholeRun();
    void runWithoutSelectionChangesNothing();
    void optionsReachTheRun_data();
    void optionsReachTheRun();
    void stopDuringRun_data();
    void stopDuringRun();
    void startIgnoredWhileRunning();
    void crossButtonDuringRunKeepsLog();
    void browseButton_data();
    void browseButton();
    void linkLabelsOpenMakersPage_data();
    void linkLabelsOpenMakersPage();
    void minimiseButton();

private:
    template <typename T> T *Child(const QString &name) const
    {
        T *child = m_Window->findChild<T *>(name);
        if (child == nullptr)
            qFatal("no control %s", qPrintable(name));
        return child;
    }
    QListWidget *fbImages() const { return Child<QListWidget>(QStringLiteral("fbImages")); }
    QListWidget *lstDetails() const { return Child<QListWidget>(QStringLiteral("lstDetails")); }
    QLineEdit *txtImgDir() const { return Child<QLineEdit>(QStringLiteral("txtImgDir")); }
    QLabel *lblStats(int index) const
    {
        return Child<QLabel>(QStringLiteral("lblStats(%1)").arg(index));
    }
    QCheckBox *chkOptions(int index) const
    {
        return Child<QCheckBox>(QStringLiteral("chkOptions(%1)").arg(index));
    }
    void Click(const QString &name) const
    {
        QTest::mouseClick(Child<QWidget>(name), Qt::LeftButton);
    }
    void ClickImageButton(const QString &name) const
    {
        auto *button = Child<PictureButton>(name);
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }
    // Folder holding `names` from the corpus, shown in the list and all selected.
    void PrepareRun(const QStringList &names, bool writeLog);

    std::unique_ptr<QTemporaryDir> m_Folder;
    std::unique_ptr<fMain> m_Window;
};

void TestMainWindow::init()
{
    m_Folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_Folder->isValid());
    QFile::remove(fMain::LogFileName());
    m_Window = std::make_unique<fMain>();
    m_Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_Window.get()));
}

void TestMainWindow::cleanup()
{
    m_Window.reset();
    m_Folder.reset();
    fMain::SetProgramEnd({});
    browse::SetDialogRunner({});
    QFile::remove(fMain::LogFileName());
}

void TestMainWindow::PrepareRun(const QStringList &names, bool writeLog)
{
    QVERIFY2(!CorpusDir().isEmpty(), "SPARROWTRIM_CORPUS_DIR is not set");
    QVERIFY(CopyCorpusFiles(names, m_Folder->path()));
    txtImgDir()->setText(m_Folder->path());
    if (chkOptions(2)->isChecked() != writeLog)
        QTest::mouseClick(chkOptions(2), Qt::LeftButton);
    Click(QStringLiteral("cmdselect(0)"));
    QCOMPARE(SelectedCount(fbImages()), names.size());
}

void TestMainWindow::startupState()
{
    QCOMPARE(m_Window->windowTitle(), QStringLiteral("Sparrowtrim"));
    QVERIFY(m_Window->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(m_Window->size(), QSize(337, 439));
    QCOMPARE(m_Window->OptionText(), QStringLiteral("001"));
    QCOMPARE(chkOptions(0)->isChecked(), false);
    QCOMPARE(chkOptions(1)->isChecked(), false);
    QCOMPARE(chkOptions(2)->isChecked(), true);
    QCOMPARE(txtImgDir()->text(), QCoreApplication::applicationDirPath() + QStringLiteral("/"));
    const QStringList besideProgram =
        QDir(QCoreApplication::applicationDirPath())
            .entryList(
                {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.jfif")},
                QDir::Files, QDir::Name | QDir::IgnoreCase);
    QCOMPARE(ListTexts(fbImages()), besideProgram);
    QCOMPARE(SelectedCount(fbImages()), 0);
    QCOMPARE(Child<QLabel>(QStringLiteral("lblLogo"))->text(), QStringLiteral("Sparrowtrim"));
    QCOMPARE(Child<QLabel>(QStringLiteral("lblCompany"))->text(), QStringLiteral("Quillmoor"));
    QCOMPARE(Child<QLabel>(QStringLiteral("lblLogo"))->font().pointSizeF(), 14.0);
    QCOMPARE(lstDetails()->count(), 0);
    for (int index = 0; index < 3; ++index)
        QVERIFY(lblStats(index)->text().isEmpty());
}

// The image buttons take the size of their pictures, so wrong artwork shows up as wrong
// geometry; the hand pointer's hot spot lies on the hand.
void TestMainWindow::pictures()
{
    const struct
    {
        const char *name;
        QRect geometry;
    } buttons[] = {{"btnForm(0)", {250, 8, 21, 21}},
                   {"btnForm(1)", {274, 8, 21, 21}},
                   {"btnForm(2)", {298, 8, 21, 21}},
                   {"cmdAction(0)", {14, 8, 123, 31}},
                   {"cmdAction(1)", {151, 8, 123, 31}}};
    for (const auto &button : buttons) {
        auto *widget = Child<PictureButton>(QLatin1String(button.name));
        QCOMPARE(widget->geometry(), button.geometry);
        QVERIFY(!widget->PictureHover().isNull());
        QVERIFY(!widget->PictureDown().isNull());
        QVERIFY(widget->PictureDown().toImage() != widget->Picture().toImage());
    }
    const QCursor hand = Child<QLabel>(QStringLiteral("lblLogo"))->cursor();
    QCOMPARE(hand.shape(), Qt::BitmapCursor);
    QCOMPARE(hand.pixmap().size(), QSize(32, 32));
    const QImage handImage = hand.pixmap().toImage();
    QVERIFY(qAlpha(handImage.pixel(hand.hotSpot())) > 0);
    QCOMPARE(m_Window->windowIcon().availableSizes().value(0), QSize(32, 32));
}

void TestMainWindow::drawnColours_data()
{
    QTest::addColumn<QPoint>("point"); // in the window, where only the background shows
    QTest::addColumn<QRgb>("colour");
    QTest::newRow("frame around the folder row") << QPoint(27, 44) << qRgb(0x80, 0x80, 0x80);
    QTest::newRow("button frame") << QPoint(30, 382) << qRgb(0x80, 0x80, 0x80);
    QTest::newRow("folder label") << QPoint(31, 62) << qRgb(0xC0, 0xC0, 0xC0);
    QTest::newRow("details label") << QPoint(29, 270) << qRgb(0xC0, 0xC0, 0xC0);
    QTest::newRow("option box") << QPoint(293, 175) << qRgb(0xC0, 0xC0, 0xC0);
    QTest::newRow("statistics label") << QPoint(303, 88) << qRgb(0xE0, 0xE0, 0xE0);
    QTest::newRow("folder text") << QPoint(277, 57) << qRgb(0xE0, 0xE0, 0xE0);
    QTest::newRow("file list") << QPoint(108, 212) << qRgb(0xE0, 0xE0, 0xE0);
    QTest::newRow("details list") << QPoint(250, 320) << qRgb(0xE0, 0xE0, 0xE0);
}

void TestMainWindow::drawnColours()
{
    QFETCH(QPoint, point);
    QFETCH(QRgb, colour);
    txtImgDir()->setText(m_Folder->path()); // an empty list
    const QImage image = m_Window->grab().toImage();
    QCOMPARE(QColor(image.pixel(point)).name(), QColor(colour).name());

    // The window's own background is the blue picture.
    const QColor border = image.pixelColor(3, 200);
    QVERIFY(border.blue() > border.red() + 40);
}

void TestMainWindow::fileList_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("folderText"); // %1 stands for the folder
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("patterns without regard to case")
        << QStringList{"PHOTO.JPG", "a.jfif", "b.jpeg", "c.png", "d.jpe", "e.JPEG", "f.jpg.txt"}
        << "%1" << QStringList{"a.jfif", "b.jpeg", "e.JPEG", "PHOTO.JPG"};
    QTest::newRow("sorted without regard to case")
        << QStringList{"b.jpg", "C.jpg", "a.jpg", "B2.jpg"} << "%1"
        << QStringList{"a.jpg", "b.jpg", "B2.jpg", "C.jpg"};
    QTest::newRow("dot files and folders left out")
        << QStringList{".hidden.jpg", "shown.jpg", "folder.jpg/"} << "%1"
        << QStringList{"shown.jpg"};
    QTest::newRow("trailing separator") << QStringList{"x.jpg"} << "%1/" << QStringList{"x.jpg"};
    QTest::newRow("leading spaces ignored")
        << QStringList{"x.jpg"} << "  %1" << QStringList{"x.jpg"};
    QTest::newRow("unknown folder lists nothing")
        << QStringList{"x.jpg"} << "%1/missing" << QStringList{};
    QTest::newRow("a file's name is no folder")
        << QStringList{"x.jpg"} << "%1/x.jpg" << QStringList{};
}

void TestMainWindow::fileList()
{
    QFETCH(QStringList, files);
    QFETCH(QString, folderText);
    QFETCH(QStringList, expected);
    CreateFiles(m_Folder->path(), files);

    QTest::keyClick(txtImgDir(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(txtImgDir(), folderText.arg(m_Folder->path()));
    QCOMPARE(ListTexts(fbImages()), expected);
    QCOMPARE(SelectedCount(fbImages()), 0);

    // The window goes on working: a folder typed afterwards is listed again.
    txtImgDir()->setText(m_Folder->path());
    QVERIFY(!ListTexts(fbImages()).isEmpty());
}

void TestMainWindow::selectAllAndClear_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::newRow("three files") << QStringList{"a.jpg", "b.jpg", "c.jpg"};
    QTest::newRow("empty list") << QStringList{};
}

void TestMainWindow::selectAllAndClear()
{
    QFETCH(QStringList, files);
    CreateFiles(m_Folder->path(), files);
    txtImgDir()->setText(m_Folder->path());

    Click(QStringLiteral("cmdselect(0)"));
    QCOMPARE(SelectedCount(fbImages()), files.size());
    QVERIFY(fbImages()->isVisible());
    Click(QStringLiteral("cmdselect(1)"));
    QCOMPARE(SelectedCount(fbImages()), 0);
    QVERIFY(fbImages()->isVisible());
}

void TestMainWindow::extendedSelection()
{
    CreateFiles(m_Folder->path(), {"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
    txtImgDir()->setText(m_Folder->path());
    QListWidget *list = fbImages();
    const auto clickRow = [list](int row, Qt::KeyboardModifiers modifiers) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                          list->visualItemRect(list->item(row)).center());
    };
    const auto selectedRows = [list] {
        QList<int> rows;
        for (int row = 0; row < list->count(); ++row)
            if (list->item(row)->isSelected())
                rows << row;
        return rows;
    };

    clickRow(1, Qt::NoModifier);
    QCOMPARE(selectedRows(), (QList<int>{1}));
    clickRow(3, Qt::ControlModifier);
    QCOMPARE(selectedRows(), (QList<int>{1, 3}));
    clickRow(0, Qt::ShiftModifier);
    QCOMPARE(selectedRows(), (QList<int>{0, 1, 2, 3}));
    clickRow(1, Qt::ControlModifier);
    QCOMPARE(selectedRows(), (QList<int>{0, 2, 3}));
    clickRow(2, Qt::NoModifier);
    QCOMPARE(selectedRows(), (QList<int>{2}));
}

void TestMainWindow::optionText_data()
{
    QTest::addColumn<QList<int>>("boxesToClick");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nothing clicked") << QList<int>{} << "001";
    QTest::newRow("log off") << QList<int>{2} << "000";
    QTest::newRow("keep date only") << QList<int>{0, 2} << "010";
    QTest::newRow("read-only files only") << QList<int>{1, 2} << "100";
    QTest::newRow("all three") << QList<int>{0, 1} << "111";
    QTest::newRow("ticked and unticked again") << QList<int>{0, 0} << "001";
}

void TestMainWindow::optionText()
{
    QFETCH(QList<int>, boxesToClick);
    QFETCH(QString, expected);
    for (const int index : boxesToClick) {
        // On the wrapped caption's second line: the whole box takes the click.
        QCheckBox *box = chkOptions(index);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 20, box->height() - 4));
    }
    QCOMPARE(m_Window->OptionText(), expected);
}

void TestMainWindow::wholeRun()
{
    PrepareRun(kRunFiles, true);
    if (QTest::currentTestFailed())
        return;
    const Expected expected = ExpectedRun(kRunFiles, m_Folder->path());
    QVERIFY(expected.optimized > 0);
    QVERIFY(expected.errors > 0);

    QList<int> progress;
    auto *pbOps = Child<QV_Progbar>(QStringLiteral("pbOps"));
    connect(pbOps, &QV_Progbar::PropertyChanged, this, [&](const QString &name) {
        if (name == QLatin1String("Value"))
            progress << pbOps->value();
    });
    ClickImageButton(QStringLiteral("cmdAction(0)"));

    QStringList lines;
    for (const QString &name : kRunFiles)
        lines << QStringLiteral("Optimizing: ") + name;
    QCOMPARE(ListTexts(lstDetails()), lines);
    QCOMPARE(progress, (QList<int>{1, 2, 3, 4, 5, 0}));
    QCOMPARE(pbOps->Max(), 5);
    QCOMPARE(SelectedCount(fbImages()), 0);
    QCOMPARE(lblStats(1)->text(), QStringLiteral("Files processed: 5"));
    QCOMPARE(lblStats(2)->text(), QStringLiteral("Total bytes saved: %1").arg(expected.saved));
    QCOMPARE(lblStats(0)->text(),
             QStringLiteral("%1 Total errors\n%2 No changes needed\n%3 Files optimized")
                 .arg(expected.errors)
                 .arg(expected.noChanges)
                 .arg(expected.optimized));

    QStringList log = expected.logLines;
    log << QString(38, u'-') << lblStats(1)->text() << lblStats(2)->text()
        << lblStats(0)->text().split(u'\n');
    QCOMPARE(LogLines(), log);
    for (const QString &name : kRunFiles)
        QCOMPARE(QFileInfo(QDir(m_Folder->path()).filePath(name)).size(),
                 expected.sizes.value(name));

    // A second run adds its lines after the first's; its log replaces the first's.
    Click(QStringLiteral("cmdselect(0)"));
    ClickImageButton(QStringLiteral("cmdAction(0)"));
    QCOMPARE(lstDetails()->count(), 2 * kRunFiles.size());
    QCOMPARE(LogLines().count(QStringLiteral("**************")), kRunFiles.size());
    QCOMPARE(lblStats(2)->text(), QStringLiteral("Total bytes saved: 0"));
}

void TestMainWindow::runWithoutSelectionChangesNothing()
{
    PrepareRun(kRunFiles.mid(0, 2), true);
    if (QTest::currentTestFailed())
        return;
    Click(QStringLiteral("cmdselect(1)"));
    ClickImageButton(QStringLiteral("cmdAction(0)"));
    QCOMPARE(lstDetails()->count(), 0);
    QVERIFY(lblStats(0)->text().isEmpty());
    QVERIFY(!QFile::exists(fMain::LogFileName()));
}

void TestMainWindow::optionsReachTheRun_data()
{
    QTest::addColumn<bool>("keepDate");
    QTest::addColumn<int>("tickReadOnly"); // -1 never, 0 before the run, 1 after the first file
    QTest::addColumn<QString>("secondResult");
    QTest::addColumn<bool>("datesKept");
    QTest::newRow("read-only file refused")
        << false << -1 << "ERROR:  Cannot overwrite read-only file." << false;
    QTest::newRow("read-only file processed")
        << false << 0 << "File successfully optimized." << false;
    QTest::newRow("read-only box ticked during the run")
        << false << 1 << "File successfully optimized." << false;
    QTest::newRow("dates kept") << true << 0 << "File successfully optimized." << true;
}

// The boxes reach the run: keep-date once at the start, read-only for every file written.
void TestMainWindow::optionsReachTheRun()
{
    QFETCH(bool, keepDate);
    QFETCH(int, tickReadOnly);
    QFETCH(QString, secondResult);
    QFETCH(bool, datesKept);
    const QStringList names = kRunFiles.mid(0, 2);
    PrepareRun(names, true);
    if (QTest::currentTestFailed())
        return;
    const QString first = QDir(m_Folder->path()).filePath(names.at(0));
    const QString second = QDir(m_Folder->path()).filePath(names.at(1));
    const QDateTime old(QDate(2001, 2, 3), QTime(4, 5, 6), QTimeZone::utc());
    for (const QString &path : {first, second}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
    }
    QVERIFY(QFile::setPermissions(second, QFileDevice::ReadOwner | QFileDevice::ReadGroup));

    if (keepDate)
        QTest::mouseClick(chkOptions(0), Qt::LeftButton);
    if (tickReadOnly == 0)
        QTest::mouseClick(chkOptions(1), Qt::LeftButton);
    auto *pbOps = Child<QV_Progbar>(QStringLiteral("pbOps"));
    connect(pbOps, &QV_Progbar::PropertyChanged, this, [&](const QString &name) {
        if (tickReadOnly == 1 && name == QLatin1String("Value") && pbOps->value() == 1)
            QTest::mouseClick(chkOptions(1), Qt::LeftButton);
    });
    ClickImageButton(QStringLiteral("cmdAction(0)"));

    const QStringList log = LogLines();
    const qsizetype secondBlock = log.indexOf(QStringLiteral("File: \t") + second);
    QVERIFY(secondBlock > 0);
    QCOMPARE(log.value(secondBlock + 1), secondResult);
    QCOMPARE(log.value(2), QStringLiteral("File successfully optimized."));
    QCOMPARE(QFileInfo(first).lastModified() == old, datesKept);
}

void TestMainWindow::stopDuringRun_data()
{
    QTest::addColumn<bool>("stopBeforeStart");
    QTest::newRow("STOP while the first file is handled") << false;
    QTest::newRow("STOP pressed while idle") << true;
}

void TestMainWindow::stopDuringRun()
{
    QFETCH(bool, stopBeforeStart);
    PrepareRun(kRunFiles.mid(0, 3), true);
    if (QTest::currentTestFailed())
        return;
    if (stopBeforeStart)
        ClickImageButton(QStringLiteral("cmdAction(1)"));
    else
        QTimer::singleShot(0, this, [this] { ClickImageButton(QStringLiteral("cmdAction(1)")); });

    ClickImageButton(QStringLiteral("cmdAction(0)"));
    QCOMPARE(ListTexts(lstDetails()),
             QStringList{QStringLiteral("Optimizing: ") + kRunFiles.at(0)});
    QCOMPARE(lblStats(1)->text(), QStringLiteral("Files processed: 1"));
    QCOMPARE(SelectedCount(fbImages()), 0);
    QCOMPARE(LogLines().value(LogLines().size() - 5), QStringLiteral("Files processed: 1"));

    // The request ended with that run: the next one handles every file.
    Click(QStringLiteral("cmdselect(0)"));
    ClickImageButton(QStringLiteral("cmdAction(0)"));
    QCOMPARE(lblStats(1)->text(), QStringLiteral("Files processed: 3"));
}

void TestMainWindow::startIgnoredWhileRunning()
{
    PrepareRun(kRunFiles.mid(0, 3), false);
    if (QTest::currentTestFailed())
        return;
    int nestedStarts = 0;
    QTimer::singleShot(0, this, [&] {
        ++nestedStarts;
        QVERIFY(m_Window->Run().IsRunning());
        ClickImageButton(QStringLiteral("cmdAction(0)"));
    });
    ClickImageButton(QStringLiteral("cmdAction(0)"));
    QCOMPARE(nestedStarts, 1);
    QCOMPARE(lstDetails()->count(), 3);
    QCOMPARE(lblStats(1)->text(), QStringLiteral("Files processed: 3"));
}

void TestMainWindow::crossButtonDuringRunKeepsLog()
{
    PrepareRun(kRunFiles.mid(0, 3), true);
    if (QTest::currentTestFailed())
        return;
    QStringList logAtEnd;
    bool ended = false;
    fMain::SetProgramEnd([&] {
        ended = true;
        logAtEnd = LogLines();
    });
    // Pressed while the second file's progress is shown: the first file's block is on disk.
    auto *pbOps = Child<QV_Progbar>(QStringLiteral("pbOps"));
    connect(pbOps, &QV_Progbar::PropertyChanged, this, [&](const QString &name) {
        if (name == QLatin1String("Value") && pbOps->value() == 2 && !ended)
            ClickImageButton(QStringLiteral("btnForm(2)"));
    });
    ClickImageButton(QStringLiteral("cmdAction(0)"));

    QVERIFY(ended);
    QVERIFY(logAtEnd.size() >= 3);
    QCOMPARE(logAtEnd.at(0), QStringLiteral("**************"));
    QCOMPARE(logAtEnd.at(1),
             QStringLiteral("File: \t") + QDir(m_Folder->path()).filePath(kRunFiles.at(0)));
    QCOMPARE(logAtEnd.count(QStringLiteral("**************")), 1);
}

void TestMainWindow::browseButton_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<bool>("chooseRoot");
    QTest::newRow("OK takes the chosen folder") << true << false;
    QTest::newRow("the root keeps its separator") << true << true;
    QTest::newRow("Cancel changes nothing") << false << false;
}

void TestMainWindow::browseButton()
{
    QFETCH(bool, accept);
    QFETCH(bool, chooseRoot);
    CreateFiles(m_Folder->path(), {"a.jpg", "sub/", "sub/b.jpg"});
    const QString start = m_Folder->path() + QStringLiteral("/sub/");
    txtImgDir()->setText(QStringLiteral("  ") + start);
    const QString target = chooseRoot ? QStringLiteral("/") : m_Folder->path();

    QString title;
    QString preselected;
    browse::SetDialogRunner([&](browse::FolderDialog &dialog) {
        title = dialog.Title();
        preselected = dialog.SelectedFolder();
        dialog.SetSelection(target);
        return accept ? QDialog::Accepted : QDialog::Rejected;
    });
    Click(QStringLiteral("cmdBrowseImg"));

    QCOMPARE(title, QStringLiteral("Select a folder which contains JPEG images."));
    QCOMPARE(preselected, m_Folder->path() + QStringLiteral("/sub"));
    QCOMPARE(browse::RequireFiles(), true);
    if (!accept) {
        QCOMPARE(txtImgDir()->text(), QStringLiteral("  ") + start);
        QCOMPARE(ListTexts(fbImages()), QStringList{"b.jpg"});
        return;
    }
    QCOMPARE(txtImgDir()->text(), target);
    if (!chooseRoot)
        QCOMPARE(ListTexts(fbImages()), QStringList{"a.jpg"});
}

void TestMainWindow::linkLabelsOpenMakersPage_data()
{
    QTest::addColumn<QString>("label");
    QTest::newRow("maker's name") << "lblCompany";
    QTest::newRow("product title") << "lblLogo";
}

void TestMainWindow::linkLabelsOpenMakersPage()
{
    QFETCH(QString, label);
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
    QTest::mouseClick(Child<QLabel>(label), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));

    QCOMPARE(catcher.opened.size(), 1);
    QCOMPARE(catcher.opened.at(0).toString(),
             QString::fromLatin1(sparrowtrim::product::kMakerWebPage));
    QCOMPARE(catcher.opened.at(0).path(), QStringLiteral("/1"));
}

void TestMainWindow::minimiseButton()
{
    ClickImageButton(QStringLiteral("btnForm(1)"));
    QTRY_VERIFY(m_Window->isMinimized());
}

QTEST_MAIN(TestMainWindow)
#include "tst_fmain.moc"
