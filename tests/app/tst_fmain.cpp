// The main window driven as a user drives it. The run's log and texts are tested without a
// window; here the window must show the right files and wire its controls to the run.

#include "DetailsList.h"
#include "PictureButton.h"
#include "ProductInfo.h"
#include "QV_Progbar.h"
#include "fMain.h"
#include "mBrowseForFolder.h"
#include "mPlaces.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>

using namespace Qt::StringLiterals;
using sparrowtrim::DetailsList;
using sparrowtrim::fMain;
using sparrowtrim::PictureButton;
using sparrowtrim::QV_Progbar;
namespace browse = sparrowtrim::mBrowseForFolder;

namespace {

// Small corpus files, in the file list's order: two with metadata to drop, two broken files
// and one tiny image.
const QStringList kRunFiles = {u"camera-olympus-c2040z-trailer.jpg"_s,
                               u"camera-pentax-optio-s4-trailer.jpg"_s, u"empty.jpg"_s,
                               u"its-no-soi.jpg"_s, u"mozilla-baseline-1x1.jpg"_s};

// Names are in the file system's bytes. Names ending in "/" are folders; other names become
// small files that are no pictures.
void CreateFiles(const QString &folder, const QByteArrayList &names)
{
    for (const QByteArray &name : names) {
        std::ofstream file;
        if (!name.endsWith('/'))
            file.open((QFile::encodeName(folder) + '/' + name).toStdString());
        QVERIFY(name.endsWith('/') ? QDir(folder).mkpath(name) : bool(file << 'x'));
    }
}

QStringList ListTexts(const QAbstractItemView *list)
{
    QStringList texts;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        texts << list->model()->index(row, 0).data().toString();
    return texts;
}

// The lines of the log beside the program.
QStringList LogLines()
{
    QFile log(fMain::LogFileName());
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(u"\r\n"_s, Qt::SkipEmptyParts);
}

// What the user does to a list box.
using BoxAction = std::function<void(QAbstractItemView *)>;

} // namespace

Q_DECLARE_METATYPE(BoxAction)

class TestMainWindow final : public QObject
{
    Q_OBJECT

public slots:
    // Takes the addresses the desktop is asked to open.
    void OpenUrl(const QUrl &url) { m_OpenedUrls << url; }

private slots:
    void init();
    void cleanup();

    void startupState();
    void openFromOutside_data();
    void openFromOutside();
    void installedCopyPlaces_data();
    void installedCopyPlaces();
    void pictures();
    void optionBoxesFillWithTheirBackColour();
    void fileList_data();
    void fileList();
    void selectionReachesTheRun();
    void optionText_data();
    void optionText();
    void wholeRun();
    void readOnlyBoxReachesEveryFileWritten_data();
    void readOnlyBoxReachesEveryFileWritten();
    void stopDuringRun();
    void detailsBoxActsAsAListView_data();
    void detailsBoxActsAsAListView();
    void crossButtonDuringRunKeepsLog();
    void browseButton_data();
    void browseButton();
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
    QListWidget *fbImages() const { return Child<QListWidget>(u"fbImages"_s); }
    DetailsList *lstDetails() const { return Child<DetailsList>(u"lstDetails"_s); }
    QLineEdit *txtImgDir() const { return Child<QLineEdit>(u"txtImgDir"_s); }
    QV_Progbar *pbOps() const { return Child<QV_Progbar>(u"pbOps"_s); }
    QLabel *lblStats(int index) const { return Child<QLabel>(u"lblStats(%1)"_s.arg(index)); }
    void Click(const QString &name) const
    {
        QTest::mouseClick(Child<QWidget>(name), Qt::LeftButton);
    }
    void ClickBox(int index) const { Click(u"chkOptions(%1)"_s.arg(index)); }
    // Does `action` when the run sets the progress bar to `value`, between two files.
    void AtProgress(int value, const std::function<void()> &action)
    {
        connect(pbOps(), &QV_Progbar::PropertyChanged, this, [=, this](const QString &name) {
            if (name == QLatin1String("Value") && pbOps()->value() == value)
                action();
        });
    }
    // Copies of `names` from the corpus in the window's folder, all selected.
    bool PrepareRun(const QStringList &names);

    std::unique_ptr<QTemporaryDir> m_Folder;
    std::unique_ptr<fMain> m_Window;
    QList<QUrl> m_OpenedUrls;
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
    // Qt cannot remove files whose names are not valid UTF-8.
    std::filesystem::remove_all(QFile::encodeName(m_Folder->path()).toStdString());
    m_Folder.reset();
    fMain::SetProgramEnd({});
    browse::SetDialogRunner({});
    QFile::remove(fMain::LogFileName());
}

bool TestMainWindow::PrepareRun(const QStringList &names)
{
    const QDir corpus(qEnvironmentVariable("SPARROWTRIM_CORPUS_DIR"));
    for (const QString &name : names) {
        // The corpus is read-only; the copies are ordinary writable files.
        const QString copy = QDir(m_Folder->path()).filePath(name);
        if (!QFile::copy(corpus.filePath(name), copy) ||
            !QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            return false;
    }
    txtImgDir()->setText(m_Folder->path());
    Click(u"cmdselect(0)"_s);
    return fbImages()->selectedItems().size() == names.size();
}

// The folder beside the program is listed, with the file pattern already in force.
void TestMainWindow::startupState()
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QByteArrayList probes = {"startup-probe.JPG", "startup-probe.txt"};
    CreateFiles(programDir.path(), probes);
    m_Window = std::make_unique<fMain>();
    for (const QByteArray &probe : probes)
        QFile::remove(programDir.filePath(probe));

    QCOMPARE(m_Window->OptionText(), u"001"_s);
    QList<bool> ticks;
    for (int index = 0; index < 3; ++index)
        ticks << Child<QCheckBox>(u"chkOptions(%1)"_s.arg(index))->isChecked();
    QCOMPARE(ticks, (QList<bool>{false, false, true}));
    QCOMPARE(txtImgDir()->text(), programDir.path() + u'/');
    QVERIFY(ListTexts(fbImages()).contains(probes.at(0)));
    QVERIFY(!ListTexts(fbImages()).contains(probes.at(1)));
    QCOMPARE(fbImages()->selectedItems().size(), 0);
}

// Paths given on the command line, "%1" standing for the test's folder, the current folder.
void TestMainWindow::openFromOutside_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QString>("folderText");
    QTest::addColumn<QStringList>("selected");
    const auto row = [](const char *name, const QStringList &paths, const QString &folderText,
                        const QStringList &selected) {
        QTest::newRow(name) << paths << folderText << selected;
    };
    row("folder", {"%1/sub"}, "%1/sub/", {});
    row("file selected in its folder", {"%1/b.jpg"}, "%1/", {"b.jpg"});
    row("further files of that folder only", {"b.jpg", "%1/sub/a.jpg", "%1/c.jpg"}, "%1/",
        {"b.jpg", "c.jpg"});
    row("relative folder", {"sub/.."}, "%1/", {});
    row("missing path as a typed folder", {"%1/missing"}, "%1/missing/", {});
}

void TestMainWindow::openFromOutside()
{
    QFETCH(QStringList, paths);
    QFETCH(QString, folderText);
    QFETCH(QStringList, selected);
    CreateFiles(m_Folder->path(), {"a.jpg", "b.jpg", "c.jpg", "sub/", "sub/a.jpg"});
    const QString previous = QDir::currentPath();
    QDir::setCurrent(m_Folder->path());
    m_Window = std::make_unique<fMain>(paths.replaceInStrings(u"%1"_s, m_Folder->path()));
    QDir::setCurrent(previous);

    QCOMPARE(txtImgDir()->text(), folderText.arg(m_Folder->path()));
    QStringList shown;
    for (const QListWidgetItem *item : fbImages()->selectedItems())
        shown << item->text();
    shown.sort();
    QCOMPARE(shown, selected);
}

// A copy whose folder the user may not write keeps its log in the user's state folder and
// starts in the pictures folder. "%1" stands for the home folder.
void TestMainWindow::installedCopyPlaces_data()
{
    QTest::addColumn<QString>("stateHome");  // $XDG_STATE_HOME
    QTest::addColumn<bool>("picturesNamed"); // the user folders name an existing one
    QTest::addColumn<QString>("logFolder");
    QTest::addColumn<QString>("startFolder");
    QTest::newRow("user's folders") << "%1/state" << true << "%1/state/sparrowtrim"
                                    << "%1/Fotos";
    QTest::newRow("state home by default") << "" << true << "%1/.local/state/sparrowtrim"
                                           << "%1/Fotos";
    QTest::newRow("relative state home ignored") << "state" << true << "%1/.local/state/sparrowtrim"
                                                 << "%1/Fotos";
    QTest::newRow("no pictures folder: home") << "%1/state" << false << "%1/state/sparrowtrim"
                                              << "%1";
}

void TestMainWindow::installedCopyPlaces()
{
    QFETCH(QString, stateHome);
    QFETCH(bool, picturesNamed);
    QFETCH(QString, logFolder);
    QFETCH(QString, startFolder);
    const QString home = m_Folder->path();
    const auto in = [&home](QString text) { return text.replace(u"%1"_s, home); };
    const QByteArray saved[] = {qgetenv("HOME"), qgetenv("XDG_STATE_HOME"),
                                qgetenv("XDG_CONFIG_HOME")};
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_STATE_HOME", in(stateHome).toUtf8());
    qputenv("XDG_CONFIG_HOME", home.toUtf8());
    QFile userDirs(home + u"/user-dirs.dirs"_s);
    if (picturesNamed)
        QVERIFY(QDir(home).mkdir(u"Fotos"_s) && userDirs.open(QIODevice::WriteOnly) &&
                userDirs.write("XDG_PICTURES_DIR=\"$HOME/Fotos\"\n") > 0);
    userDirs.close();

    const QString programFolder = home + u"/gone"_s; // no one may write there
    const QString log = sparrowtrim::mPlaces::LogFolder(programFolder);
    const QString start = sparrowtrim::mPlaces::StartFolder(programFolder);
    const auto permissions = QFileInfo(log).permissions();
    qputenv("HOME", saved[0]);
    qputenv("XDG_STATE_HOME", saved[1]);
    qputenv("XDG_CONFIG_HOME", saved[2]);
    QCOMPARE(log, in(logFolder));
    QCOMPARE(start, in(startFolder));
    // Made on demand, for the user alone: the log names the user's photos.
    QCOMPARE(permissions & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Every face of a button's artwork has the button's size and the pressed face differs from the
// resting one; the hand pointer's hot spot lies on the hand.
void TestMainWindow::pictures()
{
    for (const char *name :
         {"btnForm(0)", "btnForm(1)", "btnForm(2)", "cmdAction(0)", "cmdAction(1)"}) {
        const auto *button = Child<PictureButton>(QLatin1String(name));
        const QSize size = name[0] == 'b' ? QSize(21, 21) : QSize(123, 31);
        for (const QPixmap &face :
             {button->Picture(), button->PictureHover(), button->PictureDown()})
            QCOMPARE(face.size(), size);
        QVERIFY(button->PictureDown().toImage() != button->Picture().toImage());
    }
    const QCursor hand = Child<QLabel>(u"lblLogo"_s)->cursor();
    QCOMPARE(hand.pixmap().size(), QSize(32, 32));
    QVERIFY(qAlpha(hand.pixmap().toImage().pixel(hand.hotSpot())) > 0);
    QCOMPARE(m_Window->windowIcon().availableSizes().value(0), QSize(32, 32));
}

// Check boxes fill with the Button colour unless told otherwise; they once did.
void TestMainWindow::optionBoxesFillWithTheirBackColour()
{
    const QImage image = m_Window->grab().toImage();
    QCOMPARE(image.pixelColor(293, 175).name(), u"#c0c0c0"_s);
}

void TestMainWindow::fileList_data()
{
    QTest::addColumn<QByteArrayList>("files");
    QTest::addColumn<QString>("folderText"); // %1 stands for the folder
    QTest::addColumn<QStringList>("expected");
    const auto row = [](const char *name, const QByteArrayList &files, const QString &folderText,
                        const QStringList &expected) {
        QTest::newRow(name) << files << folderText << expected;
    };
    row("patterns without regard to case", {"PHOTO.JPG", "a.jfif", "b.jpeg", "c.png", "d.jpe"},
        "%1", {"a.jfif", "b.jpeg", "PHOTO.JPG"});
    row("sorted without regard to case", {"b.jpg", "C.jpg", "a.jpg", "B2.jpg"}, "%1",
        {"a.jpg", "b.jpg", "B2.jpg", "C.jpg"});
    row("dot files and folders left out", {".hidden.jpg", "shown.jpg", "folder.jpg/"}, "%1",
        {"shown.jpg"});
    row("leading spaces ignored", {"x.jpg"}, "  %1", {"x.jpg"});
    row("unknown folder lists nothing", {"x.jpg"}, "%1/missing", {});
    row("names not in UTF-8 shown as Latin-1", {"caf\xE9.jpg", "b.jpg", "z\xC3\xBCrich.jpg"}, "%1",
        {"b.jpg", "café.jpg", "zürich.jpg"});
}

void TestMainWindow::fileList()
{
    QFETCH(QByteArrayList, files);
    QFETCH(QString, folderText);
    QFETCH(QStringList, expected);
    CreateFiles(m_Folder->path(), files);

    QTest::keyClick(txtImgDir(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(txtImgDir(), folderText.arg(m_Folder->path()));
    QCOMPARE(ListTexts(fbImages()), expected);
    QCOMPARE(fbImages()->selectedItems().size(), 0);

    // The run opens every listed file by its own name and reports it as the list shows it.
    Click(u"cmdselect(0)"_s);
    Click(u"cmdAction(0)"_s);
    QStringList details;
    for (const QString &name : expected)
        details << u"Optimizing: "_s + name;
    QCOMPARE(ListTexts(lstDetails()), details);
    QVERIFY(!LogLines().contains(u"ERROR:  Couldn't open input file."_s));

    // The window goes on working: a folder typed afterwards is listed again.
    txtImgDir()->setText(m_Folder->path());
    QVERIFY(!ListTexts(fbImages()).isEmpty());
}

// Select All, Clear, Click, Ctrl+click and Shift+click select as usual, and START takes
// exactly the selection.
void TestMainWindow::selectionReachesTheRun()
{
    CreateFiles(m_Folder->path(), {"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
    txtImgDir()->setText(m_Folder->path());
    QListWidget *list = fbImages();
    Click(u"cmdselect(0)"_s);
    QCOMPARE(list->selectedItems().size(), 4);
    Click(u"cmdselect(1)"_s);
    QCOMPARE(list->selectedItems().size(), 0);
    QVERIFY(list->isVisible());
    const auto clickRow = [list](int row, Qt::KeyboardModifiers modifiers) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                          list->visualItemRect(list->item(row)).center());
        QStringList selected;
        for (const QListWidgetItem *item : list->selectedItems())
            selected << item->text();
        selected.sort();
        return selected;
    };
    QCOMPARE(clickRow(1, Qt::NoModifier), (QStringList{"b.jpg"}));
    QCOMPARE(clickRow(3, Qt::ControlModifier), (QStringList{"b.jpg", "d.jpg"}));
    QCOMPARE(clickRow(0, Qt::ShiftModifier), (QStringList{"a.jpg", "b.jpg", "c.jpg", "d.jpg"}));
    QCOMPARE(clickRow(1, Qt::ControlModifier), (QStringList{"a.jpg", "c.jpg", "d.jpg"}));

    Click(u"cmdAction(0)"_s);
    QCOMPARE(ListTexts(lstDetails()),
             (QStringList{"Optimizing: a.jpg", "Optimizing: c.jpg", "Optimizing: d.jpg"}));
}

void TestMainWindow::optionText_data()
{
    QTest::addColumn<QList<int>>("boxesToClick");
    QTest::addColumn<QString>("expected");
    QTest::newRow("log off") << QList<int>{2} << "000";
    QTest::newRow("keep date only") << QList<int>{0, 2} << "010";
    QTest::newRow("read-only files only") << QList<int>{1, 2} << "100";
}

void TestMainWindow::optionText()
{
    QFETCH(QList<int>, boxesToClick);
    QFETCH(QString, expected);
    for (const int index : boxesToClick) {
        // On the wrapped caption's second line: the whole box takes the click.
        auto *box = Child<QCheckBox>(u"chkOptions(%1)"_s.arg(index));
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 20, box->height() - 4));
    }
    QCOMPARE(m_Window->OptionText(), expected);
}

void TestMainWindow::wholeRun()
{
    QVERIFY(PrepareRun(kRunFiles));
    QList<int> progress;
    connect(pbOps(), &QV_Progbar::PropertyChanged, this, [&](const QString &name) {
        if (name == QLatin1String("Value"))
            progress << pbOps()->value();
    });
    Click(u"cmdAction(0)"_s);

    QStringList details;
    QStringList fileLines;
    for (const QString &name : kRunFiles) {
        details << u"Optimizing: "_s + name;
        fileLines << u"File: \t"_s + QDir(m_Folder->path()).filePath(name);
    }
    QCOMPARE(ListTexts(lstDetails()), details);
    QCOMPARE(progress, (QList<int>{1, 2, 3, 4, 5, 0}));
    QCOMPARE(pbOps()->Max(), 5);
    QCOMPARE(fbImages()->selectedItems().size(), 0);

    // The log beside the program names the files in the window's folder and at least one was
    // optimized; the labels show its summary, the counts on three lines.
    const QStringList log = LogLines();
    QCOMPARE(log.filter(u"File: \t"_s), fileLines);
    QVERIFY(log.contains(u"File successfully optimized."_s));
    QCOMPARE(log.mid(log.size() - 5), QStringList({lblStats(1)->text(), lblStats(2)->text()}) +
                                          lblStats(0)->text().split(u'\n'));

    // A second run's details come after the first's.
    Click(u"cmdselect(0)"_s);
    Click(u"cmdAction(0)"_s);
    QCOMPARE(lstDetails()->count(), 2 * kRunFiles.size());
}

void TestMainWindow::readOnlyBoxReachesEveryFileWritten_data()
{
    QTest::addColumn<bool>("tickDuringRun");
    QTest::addColumn<QString>("secondResult");
    QTest::newRow("unticked") << false << "ERROR:  Cannot overwrite read-only file.";
    QTest::newRow("ticked after the first file") << true << "File successfully optimized.";
}

// The second file is read-only; the box is read again for every file written.
void TestMainWindow::readOnlyBoxReachesEveryFileWritten()
{
    QFETCH(bool, tickDuringRun);
    QFETCH(QString, secondResult);
    QVERIFY(PrepareRun(kRunFiles.mid(0, 2)));
    const QString second = QDir(m_Folder->path()).filePath(kRunFiles.at(1));
    QVERIFY(QFile::setPermissions(second, QFileDevice::ReadOwner));
    if (tickDuringRun)
        AtProgress(1, [this] { ClickBox(1); });
    Click(u"cmdAction(0)"_s);

    const QStringList log = LogLines();
    QCOMPARE(log.value(2), u"File successfully optimized."_s);
    QCOMPARE(log.value(log.indexOf(u"File: \t"_s + second) + 1), secondResult);
}

// STOP, waiting in the event queue, is served after the first file and ends the run there.
void TestMainWindow::stopDuringRun()
{
    QVERIFY(PrepareRun(kRunFiles.mid(0, 3)));
    QTimer::singleShot(0, this, [this] { Click(u"cmdAction(1)"_s); });
    Click(u"cmdAction(0)"_s);
    QCOMPARE(ListTexts(lstDetails()), QStringList{u"Optimizing: "_s + kRunFiles.at(0)});
    QCOMPARE(lblStats(1)->text(), u"Files processed: 1"_s);
}

void TestMainWindow::detailsBoxActsAsAListView_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<BoxAction>("act");
    const auto keys = [](const QList<Qt::Key> &pressed) {
        return BoxAction([=](QAbstractItemView *box) {
            for (const Qt::Key key : pressed)
                QTest::keyClick(box, key);
        });
    };
    QTest::newRow("one line") << 1 << keys({});
    QTest::newRow("newest line last, long line shortened") << 30 << keys({});
    QTest::newRow("click on the third line") << 30 << BoxAction([](QAbstractItemView *box) {
        QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, QPoint(20, 30));
    });
    QTest::newRow("arrow keys") << 30 << keys({Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down});
    QTest::newRow("page keys") << 30
                               << keys({Qt::Key_Home, Qt::Key_PageDown, Qt::Key_PageDown,
                                        Qt::Key_PageDown, Qt::Key_PageUp});
    QTest::newRow("End after Home") << 30 << keys({Qt::Key_Home, Qt::Key_End, Qt::Key_Up});
    QTest::newRow("mouse wheel") << 30 << BoxAction([](QAbstractItemView *box) {
        const QPointF at(20, 20);
        QWheelEvent wheel(at, box->viewport()->mapToGlobal(at), {}, {0, 240}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(box->viewport(), &wheel);
    });
}

// The details box shows, scrolls and selects its lines exactly as a list view in its place.
void TestMainWindow::detailsBoxActsAsAListView()
{
    QFETCH(int, lines);
    QFETCH(BoxAction, act);
    struct Seen
    {
        int current;
        int top;
        QImage image;
    };
    // Each list is looked at once the events of the action are served, while a click has
    // given it the focus.
    const auto use = [&](QAbstractItemView *list, const std::function<void(QString)> &add) {
        for (int row = 0; row < lines; ++row)
            add(u"Optimizing: %1.jpg"_s.arg(row == lines - 2 ? QString(60, u'x')
                                                             : QString::number(row)));
        QCoreApplication::processEvents();
        act(list);
        QCoreApplication::processEvents();
        return Seen{list->currentIndex().row(), list->verticalScrollBar()->value(),
                    list->grab().toImage()};
    };
    DetailsList *box = lstDetails();
    const Seen seen =
        use(box, [this](const QString &line) { m_Window->AddDetailsLine(line.toStdString()); });
    // Drawn a piece at a time as lines came and scrolled by, the box on screen is as drawn anew.
    const QPoint at = box->mapTo(m_Window.get(), QPoint(0, 0));
    const QPixmap onScreen = m_Window->screen()->grabWindow(m_Window->winId(), at.x(), at.y(),
                                                            box->width(), box->height());
    QVERIFY(onScreen.toImage().convertToFormat(seen.image.format()) == seen.image);

    QListWidget view(box->parentWidget());
    view.setGeometry(box->geometry());
    view.setFont(box->font());
    view.setPalette(box->palette());
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.show();
    const Seen expected = use(&view, [&view](const QString &line) {
        view.addItem(line);
        view.scrollToBottom();
    });
    QCOMPARE(seen.current, expected.current);
    QCOMPARE(seen.top, expected.top);
    QVERIFY(seen.image == expected.image);
}

void TestMainWindow::crossButtonDuringRunKeepsLog()
{
    QVERIFY(PrepareRun(kRunFiles.mid(0, 3)));
    QStringList logAtEnd;
    bool ended = false;
    fMain::SetProgramEnd([&] {
        ended = true;
        logAtEnd = LogLines();
    });
    // Pressed when the second file is handled: the first file's block is on disk.
    AtProgress(2, [this] { Click(u"btnForm(2)"_s); });
    Click(u"cmdAction(0)"_s);

    QVERIFY(ended);
    QCOMPARE(logAtEnd.filter(u"File: \t"_s),
             QStringList{u"File: \t"_s + QDir(m_Folder->path()).filePath(kRunFiles.at(0))});
}

void TestMainWindow::browseButton_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("OK takes the chosen folder") << true;
    QTest::newRow("Cancel changes nothing") << false;
}

void TestMainWindow::browseButton()
{
    QFETCH(bool, accept);
    CreateFiles(m_Folder->path(), {"a.jpg", "sub/", "sub/b.jpg"});
    const QString start = u"  "_s + m_Folder->path() + u"/sub/"_s;
    txtImgDir()->setText(start);

    QString title;
    QString preselected;
    browse::SetDialogRunner([&](browse::FolderDialog &dialog) {
        title = dialog.Title();
        preselected = dialog.SelectedFolder();
        dialog.SetSelection(m_Folder->path());
        return accept ? QDialog::Accepted : QDialog::Rejected;
    });
    Click(u"cmdBrowseImg"_s);

    QCOMPARE(title, u"Select a folder which contains JPEG images."_s);
    QCOMPARE(preselected, m_Folder->path() + u"/sub"_s);
    QVERIFY(browse::RequireFiles());
    QCOMPARE(txtImgDir()->text(), accept ? m_Folder->path() : start);
    QCOMPARE(ListTexts(fbImages()), QStringList{accept ? "a.jpg" : "b.jpg"});
}

void TestMainWindow::linkLabelsOpenMakersPage()
{
    QDesktopServices::setUrlHandler(u"https"_s, this, "OpenUrl");
    Click(u"lblCompany"_s);
    Click(u"lblLogo"_s);
    QDesktopServices::unsetUrlHandler(u"https"_s);
    const QUrl page(QString::fromLatin1(sparrowtrim::product::kMakerWebPage));
    QCOMPARE(m_OpenedUrls, (QList<QUrl>{page, page}));
}

void TestMainWindow::minimiseButton()
{
    Click(u"btnForm(1)"_s);
    QTRY_VERIFY(m_Window->isMinimized());
}

QTEST_MAIN(TestMainWindow)
#include "tst_fmain.moc"
