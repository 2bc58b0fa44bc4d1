// The main window driven as a user drives it: the files it lists, what a run started from it
// does to them and where it logs, the options, the folder dialog and the details box. The
// run's texts and counting are tested without a window.

#include "app/fMain.h"
#include "app/mBrowseForFolder.h"
#include "app/mStartup.h"
#include "controls/QV_Progbar.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolTip>
#include <QTreeView>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace Qt::StringLiterals;
namespace browse = sparrowtrim::mBrowseForFolder;

namespace {

// Corpus files in the file list's order: two photos with metadata to drop, then a broken file.
const QStringList kRunFiles = {u"camera-olympus-c2040z-trailer.jpg"_s,
                               u"camera-pentax-optio-s4-trailer.jpg"_s, u"its-no-soi.jpg"_s};

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

// The lines of a list, "*" in front of the selected ones.
QStringList ListTexts(const QAbstractItemView *list)
{
    QStringList texts;
    for (int row = 0; row < list->model()->rowCount(); ++row) {
        const QModelIndex index = list->model()->index(row, 0);
        texts << (list->selectionModel()->isSelected(index) ? u"*"_s : u""_s) +
                     index.data().toString();
    }
    return texts;
}

// Where the log must be: "Sparrowtrim.log" beside the program or, when the user may not write
// there (an installed copy), in the user's state folder.
QString LogPath()
{
    QString folder = QCoreApplication::applicationDirPath();
    if (::access(QFile::encodeName(folder).constData(), W_OK) != 0)
        folder = qEnvironmentVariable("XDG_STATE_HOME") + u"/sparrowtrim"_s;
    return folder + u"/Sparrowtrim.log"_s;
}

QByteArray ReadLog()
{
    QFile log(LogPath());
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
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
    void initTestCase() { qputenv("XDG_STATE_HOME", m_StateHome.path().toUtf8()); }

    void init()
    {
        m_Folder = std::make_unique<QTemporaryDir>();
        m_Window = std::make_unique<sparrowtrim::fMain>();
        m_Window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_Window.get()));
    }

    void cleanup()
    {
        m_Window.reset();
        // Qt cannot remove files whose names are not valid UTF-8.
        std::filesystem::remove_all(QFile::encodeName(m_Folder->path()).toStdString());
        browse::SetDialogRunner({});
        QFile::remove(LogPath());
    }

    // Check boxes fill with the Button colour unless told otherwise; they once did.
    void optionBoxesFillWithTheirBackColour()
    {
        QCOMPARE(m_Window->grab().toImage().pixelColor(293, 175).name(), u"#c0c0c0"_s);
    }

    // The window looks as designed, text included, whatever the system's palette and style; it
    // once took its text colours from the system and showed white text on its light greys.
    void lookKeptUnderAnyPaletteAndStyle_data()
    {
        QTest::addColumn<QString>("style");
        QTest::addColumn<bool>("dark");
        QTest::newRow("dark palette") << u"Fusion"_s << true;
        QTest::newRow("another style") << u"Windows"_s << false;
        QTest::newRow("dark palette, another style") << u"Windows"_s << true;
    }

    void lookKeptUnderAnyPaletteAndStyle()
    {
        QFETCH(QString, style);
        QFETCH(bool, dark);
        CreateFiles(m_Folder->path(), {"a.jpg", "b.jpg"});
        const auto look = [this] {
            sparrowtrim::fMain window({m_Folder->path()});
            window.AddDetailsLine("Optimizing: a.jpg");
            window.findChild<QListWidget *>(u"fbImages"_s)->item(0)->setSelected(true);
            return window.grab().toImage();
        };
        const QImage designed = look();
        const QPalette system = QApplication::palette();
        const auto setPalette = [](const QPalette &palette) {
            QApplication::setPalette(palette);
            QApplication::setPalette(palette, "QWidget"); // as themes give each class its own
        };
        const auto restore = qScopeGuard([&] {
            QApplication::setStyle(u"Fusion"_s);
            setPalette(system);
        });
        // A style brings its palette: the dark one is set after it. Light text on dark
        // surfaces, in every role.
        QApplication::setStyle(style);
        const QColor text(250, 250, 250), surface(40, 40, 40);
        if (dark)
            setPalette(QPalette(text, surface, surface.lighter(), surface.darker(), surface, text,
                                text, surface.darker(), surface));
        QVERIFY(look() == designed);
    }

    // "--" lets a folder named like an option through.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QStringList>("paths");
        using Action = sparrowtrim::mStartup::CommandLine::Action;
        QTest::newRow("paths") << QStringList{u"a"_s, u"-b"_s} << int(Action::Open)
                               << QStringList{u"a"_s, u"-b"_s};
        QTest::newRow("help") << QStringList{u"a"_s, u"--help"_s} << int(Action::Help)
                              << QStringList{};
        QTest::newRow("version") << QStringList{u"--version"_s, u"--help"_s} << int(Action::Version)
                                 << QStringList{};
        QTest::newRow("after --") << QStringList{u"a"_s, u"--"_s, u"--help"_s, u"--"_s}
                                  << int(Action::Open) << QStringList{u"a"_s, u"--help"_s, u"--"_s};
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QStringList, paths);
        const auto parsed = sparrowtrim::mStartup::ParseCommandLine(arguments);
        QCOMPARE(int(parsed.action), action);
        if (parsed.action == sparrowtrim::mStartup::CommandLine::Action::Open)
            QCOMPARE(parsed.paths, paths);
    }

    // A typed folder text is listed; START then opens every listed file by its own name in the
    // folder the text stands for, logs it under that path and reports it as listed.
    void fileList_data()
    {
        QTest::addColumn<QByteArrayList>("files");
        QTest::addColumn<QString>("folderText");    // %1 stands for the folder
        QTest::addColumn<QByteArrayList>("listed"); // in the file system's bytes
        QTest::addColumn<QStringList>("shown");
        const auto row = [](const char *name, const QByteArrayList &files, const char *folderText,
                            const QByteArrayList &listed, QStringList shown = {}) {
            for (const QByteArray &file : listed.mid(shown.size()))
                shown << QString::fromUtf8(file);
            QTest::newRow(name) << files << QString::fromLatin1(folderText) << listed << shown;
        };
        row("patterns without regard to case", {"PHOTO.JPG", "a.jfif", "b.jpeg", "c.png", "d.jpe"},
            "%1", {"a.jfif", "b.jpeg", "PHOTO.JPG"});
        row("sorted without regard to case", {"b.jpg", "C.jpg", "a.jpg", "B2.jpg"}, "%1/",
            {"a.jpg", "b.jpg", "B2.jpg", "C.jpg"});
        // The command line lists a folder in this order too (its run table).
        row("case folded beyond ASCII", {"Éb.jpg", "a.jpg", "éa.jpg"}, "%1",
            {"a.jpg", "éa.jpg", "Éb.jpg"});
        row("dot files and folders left out", {".hidden.jpg", "shown.jpg", "folder.jpg/"}, "%1",
            {"shown.jpg"});
        row("spaces before the folder", {"x.jpg"}, "  %1", {"x.jpg"});
        row("unknown folder lists nothing", {"x.jpg"}, "%1/missing", {});
        row("names not in UTF-8 shown as Latin-1", {"caf\xE9.jpg", "b.jpg", "z\xC3\xBCrich.jpg"},
            "%1", {"b.jpg", "caf\xE9.jpg", "z\xC3\xBCrich.jpg"},
            {"b.jpg", "café.jpg", "zürich.jpg"});
    }

    void fileList()
    {
        QFETCH(QByteArrayList, files);
        QFETCH(QString, folderText);
        QFETCH(QByteArrayList, listed);
        QFETCH(QStringList, shown);
        CreateFiles(m_Folder->path(), files);
        QTest::keyClick(txtImgDir(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(txtImgDir(), folderText.arg(m_Folder->path()));
        QCOMPARE(ListTexts(fbImages()), shown);

        Click(u"cmdselect(0)"_s);
        Click(u"cmdAction(0)"_s);
        QByteArray log;
        for (const QByteArray &name : listed)
            log += "**************\r\nFile: \t" + QFile::encodeName(m_Folder->path()) + '/' + name +
                   "\r\nERROR:  Not a valid JPEG file.  File unchanged.\r\n";
        QCOMPARE(ReadLog().left(log.size()), log);
        QCOMPARE(ListTexts(lstDetails()),
                 shown.replaceInStrings(QRegularExpression(u"^"_s), u"Optimizing: "_s));
        // The window goes on working: a folder typed afterwards is listed again.
        txtImgDir()->setText(m_Folder->path());
        QVERIFY(!ListTexts(fbImages()).isEmpty());
    }

    // Clear, Click, Shift+click and Ctrl+click select as usual; START takes exactly the
    // selection, in list order.
    void selectionReachesTheRun()
    {
        CreateFiles(m_Folder->path(), {"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
        txtImgDir()->setText(m_Folder->path());
        Click(u"cmdselect(0)"_s);
        Click(u"cmdselect(1)"_s);
        QVERIFY(fbImages()->isVisible());
        for (const auto &[row, modifier] :
             {std::pair{3, Qt::NoModifier}, {1, Qt::ShiftModifier}, {2, Qt::ControlModifier}})
            QTest::mouseClick(fbImages()->viewport(), Qt::LeftButton, modifier,
                              fbImages()->visualItemRect(fbImages()->item(row)).center());
        QCOMPARE(ListTexts(fbImages()), (QStringList{"a.jpg", "*b.jpg", "c.jpg", "*d.jpg"}));
        Click(u"cmdAction(0)"_s);
        QCOMPARE(ListTexts(lstDetails()), (QStringList{"Optimizing: b.jpg", "Optimizing: d.jpg"}));
    }

    // Folders and files dropped on the window open as on the command line: a folder is listed,
    // files are selected in the first one's folder, other types left out; a drop during a run is
    // refused.
    void dropOpensAsTheCommandLine_data()
    {
        QTest::addColumn<QStringList>("dropped"); // below the test folder
        QTest::addColumn<bool>("duringRun");
        QTest::addColumn<QStringList>("seen"); // the folder box below the test folder, the list
        QTest::newRow("folder") << QStringList{u"sub"_s} << false
                                << QStringList{u"sub"_s, u"x.jpg"_s};
        QTest::newRow("files, other types left out")
            << QStringList{u"c.jpg"_s, u"a.jpg"_s, u"notes.txt"_s} << false
            << QStringList{u"."_s, u"*a.jpg"_s, u"b.jpg"_s, u"*c.jpg"_s};
        QTest::newRow("files of two folders") << QStringList{u"sub/x.jpg"_s, u"a.jpg"_s} << false
                                              << QStringList{u"sub"_s, u"*x.jpg"_s};
        QTest::newRow("refused during a run")
            << QStringList{u"sub"_s} << true << QStringList{u"."_s} + kRunFiles;
    }

    void dropOpensAsTheCommandLine()
    {
        QFETCH(QStringList, dropped);
        QFETCH(bool, duringRun);
        QFETCH(QStringList, seen);
        CreateFiles(m_Folder->path(), {"sub/", "sub/x.jpg"});
        if (duringRun) {
            QVERIFY(PrepareRun(kRunFiles));
            QTimer::singleShot(0, this, [&] { QVERIFY(!Drop(dropped)); });
            Click(u"cmdAction(0)"_s);
        } else {
            CreateFiles(m_Folder->path(), {"a.jpg", "b.jpg", "c.jpg", "notes.txt"});
            QVERIFY(Drop(dropped));
        }
        const QString folder = QDir(m_Folder->path()).relativeFilePath(txtImgDir()->text());
        QCOMPARE(QStringList{QDir::cleanPath(folder)} + ListTexts(fbImages()), seen);
    }

    // Boxes clicked before START and after the first file. The first file is old, the second
    // read-only; both have metadata to drop. Only the read-only box is read for each file.
    void options_data()
    {
        QTest::addColumn<QList<int>>("before");
        QTest::addColumn<QList<int>>("during");
        QTest::addColumn<QList<bool>>("effects"); // logged, date kept, read-only file written
        const auto row = [](const char *name, const QList<int> &before, const QList<int> &during,
                            const QList<bool> &effects) {
            QTest::newRow(name) << before << during << effects;
        };
        row("as started: log only", {}, {}, {true, false, false});
        row("keep date only", {0, 2}, {}, {false, true, false});
        row("read-only files only", {1, 2}, {}, {false, false, true});
        row("read-only ticked after the first file", {}, {1}, {true, false, true});
        row("log unticked after the first file", {}, {2}, {true, false, false});
    }

    void options()
    {
        QFETCH(QList<int>, before);
        QFETCH(QList<int>, during);
        QFETCH(QList<bool>, effects);
        QVERIFY(PrepareRun(kRunFiles.mid(0, 2)));
        QFile first(Path(kRunFiles.at(0)));
        const QFileInfo second(Path(kRunFiles.at(1)));
        const qint64 sizes[] = {first.size(), second.size()};
        const QDateTime old = QDateTime::currentDateTime().addDays(-400);
        QVERIFY(first.open(QIODevice::ReadWrite) &&
                first.setFileTime(old, QFileDevice::FileModificationTime));
        first.close();
        QVERIFY(QFile::setPermissions(second.filePath(), QFileDevice::ReadOwner));
        for (const int index : before)
            ClickBox(index);
        // Clicked when the first file is done.
        connect(pbOps(), &sparrowtrim::QV_Progbar::PropertyChanged, this, [&](const QString &key) {
            if (key == u"Value" && pbOps()->value() == 1)
                for (const int index : during)
                    ClickBox(index);
        });
        Click(u"cmdAction(0)"_s);

        QVERIFY(first.size() < sizes[0]);
        QCOMPARE((QList<bool>{QFile::exists(LogPath()),
                              qAbs(QFileInfo(first).lastModified().msecsTo(old)) < 1000,
                              QFileInfo(second.filePath()).size() < sizes[1]}),
                 effects);
    }

    // STOP, waiting in the event queue when START is clicked, is served within the first file;
    // the run ends as usual, its totals in the labels.
    void stopDuringRun()
    {
        QVERIFY(PrepareRun(kRunFiles));
        const QFileInfo first(Path(kRunFiles.at(0)));
        const qint64 size = first.size();
        QTimer::singleShot(0, this, [this] { Click(u"cmdAction(1)"_s); });
        Click(u"cmdAction(0)"_s);
        QCOMPARE(ListTexts(lstDetails()), QStringList{u"Optimizing: "_s + kRunFiles.at(0)});
        QCOMPARE(ListTexts(fbImages()), kRunFiles);
        const QStringList labels = {
            u"0 Total errors\n0 No changes needed\n1 Files optimized"_s, u"Files processed: 1"_s,
            u"Total bytes saved: %1"_s.arg(size - QFileInfo(first.filePath()).size())};
        for (int index = 0; index < 3; ++index)
            QCOMPARE(Child<QLabel>(u"lblStats(%1)"_s.arg(index))->text(), labels.at(index));
        QCOMPARE(pbOps()->Max(), 3);
    }

    void detailsBoxActsAsAListView_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<BoxAction>("act");
        const auto keys = [](const QList<Qt::Key> &pressed) {
            return BoxAction([=](QAbstractItemView *box) {
                for (const Qt::Key key : pressed)
                    QTest::keyClick(box, key);
            });
        };
        QTest::newRow("newest line last, long line shortened") << 30 << keys({});
        QTest::newRow("click on the third line") << 30 << BoxAction([](QAbstractItemView *box) {
            QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, QPoint(20, 30));
        });
        QTest::newRow("arrow keys") << 30 << keys({Qt::Key_Up, Qt::Key_Up, Qt::Key_Down});
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
    void detailsBoxActsAsAListView()
    {
        QFETCH(int, lines);
        QFETCH(BoxAction, act);
        // Each list is looked at once the events of the action are served, while a click has
        // given it the focus: current row, top row and picture.
        const auto use = [&](QAbstractItemView *list, const std::function<void(QString)> &add) {
            for (int row = 0; row < lines; ++row)
                add(u"Optimizing: %1.jpg"_s.arg(row == lines - 2 ? QString(60, u'x')
                                                                 : QString::number(row)));
            QCoreApplication::processEvents();
            act(list);
            QCoreApplication::processEvents();
            return std::tuple(list->currentIndex().row(), list->verticalScrollBar()->value(),
                              list->grab().toImage());
        };
        QAbstractItemView *box = lstDetails();
        const auto seen =
            use(box, [this](const QString &line) { m_Window->AddDetailsLine(line.toStdString()); });
        // Drawn a piece at a time as lines came and scrolled by, the box on screen is as drawn
        // anew.
        const QPoint at = box->mapTo(m_Window.get(), QPoint(0, 0));
        const QImage onScreen =
            m_Window->screen()
                ->grabWindow(m_Window->winId(), at.x(), at.y(), box->width(), box->height())
                .toImage();
        QVERIFY(onScreen.convertToFormat(std::get<2>(seen).format()) == std::get<2>(seen));

        QListWidget view(box->parentWidget());
        view.setGeometry(box->geometry());
        view.setFont(box->font());
        view.setPalette(box->palette());
        view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.show();
        QVERIFY(seen == use(&view, [&view](const QString &line) {
                    view.addItem(line);
                    view.scrollToBottom();
                }));
    }

    // A line cut off at the box's edge is read whole in its tooltip.
    void detailsLineWholeInTooltip()
    {
        const QString line = u"Log file could not be written: "_s + QString(80, u'x');
        m_Window->AddDetailsLine(line.toStdString());
        QWidget *lines = lstDetails()->viewport();
        QHelpEvent help(QEvent::ToolTip, {5, 5}, lines->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(lines, &help);
        QTRY_COMPARE(QToolTip::text(), line);
    }

    // The folder dialog of the browse button: "%1" stands for the test's folder, also the
    // current folder. Its status counts plain files of any type, not hidden files or folders;
    // OK, pressed when it is enabled, puts the chosen folder into the folder box.
    void browseButton_data()
    {
        QTest::addColumn<QByteArrayList>("entries");
        QTest::addColumn<QString>("folderText");
        QTest::addColumn<QString>("select");   // chosen after the preselection, or nothing
        QTest::addColumn<QStringList>("seen"); // preselected, status, OK, then the folder box
        const auto row = [](const char *name, const QByteArrayList &entries, const char *text,
                            const char *select, const QStringList &seen) {
            QTest::newRow(name) << entries << QString::fromLatin1(text)
                                << QString::fromLatin1(select) << seen;
        };
        row("empty folder", {}, "%1", "", {"%1", "0 Files", "no OK", "%1"});
        row("only sub-folders and hidden files", {"sub/", "sub/a.jpg", ".b.jpg"}, "%1", "",
            {"%1", "0 Files", "no OK", "%1"});
        row("plain files of every type; spaces and separator", {"a.jpg", "b.txt", "c", ".d", "e/"},
            "  %1/", "", {"%1", "3 Files", "OK", "%1"});
        row("empty text: the current folder", {"a.txt"}, "", "", {"%1", "1 Files", "OK", "%1"});
        row("moved on to a folder with files", {"full/", "full/a", "full/b"}, "%1", "full",
            {"%1", "2 Files", "OK", "%1/full"});
        row("moved on to an empty folder", {"a", "empty/"}, "%1", "empty",
            {"%1", "0 Files", "no OK", "%1"});
        row("start folder that does not exist", {"a"}, "%1/missing", "",
            {"", "", "no OK", "%1/missing"});
    }

    void browseButton()
    {
        QFETCH(QByteArrayList, entries);
        QFETCH(QString, folderText);
        QFETCH(QString, select);
        QFETCH(QStringList, seen);
        CreateFiles(m_Folder->path(), entries);
        txtImgDir()->setText(folderText.replace(u"%1"_s, m_Folder->path()));
        QStringList shown;
        browse::SetDialogRunner([&](browse::FolderDialog &dialog) {
            shown << dialog.Title() << dialog.SelectedFolder();
            if (!select.isEmpty())
                dialog.SetSelection(Path(select));
            shown << dialog.StatusText() << (dialog.IsOkEnabled() ? u"OK"_s : u"no OK"_s);
            return dialog.IsOkEnabled() ? QDialog::Accepted : QDialog::Rejected;
        });
        const QString previous = QDir::currentPath();
        QDir::setCurrent(m_Folder->path());
        Click(u"cmdBrowseImg"_s);
        QDir::setCurrent(previous);
        QCOMPARE(shown << txtImgDir()->text(),
                 QStringList{u"Select a folder which contains JPEG images."_s} +
                     seen.replaceInStrings(u"%1"_s, m_Folder->path()));
    }

    // Other folders come back without a separator, as the browse button shows.
    void rootKeepsItsSeparator()
    {
        browse::SetDialogRunner([](browse::FolderDialog &) { return QDialog::Accepted; });
        QCOMPARE(browse::BrowseForFolder(nullptr, u"/"_s, {}, false), u"/"_s);
    }

    // The rows above a deep preselected folder arrive after it was selected and push it down;
    // once they are in, the folder is still in view.
    void deepPreselectionInView()
    {
        QByteArrayList entries{"z/y/x/"};
        for (int index = 10; index < 70; ++index)
            entries << "a" + QByteArray::number(index) + '/';
        CreateFiles(m_Folder->path(), entries);
        bool inView = false;
        browse::SetDialogRunner([&](browse::FolderDialog &dialog) {
            dialog.show();
            const auto *tree = dialog.findChild<QTreeView *>(u"folders"_s);
            const auto *model = dialog.findChild<QFileSystemModel *>();
            inView = QTest::qWaitFor([&] {
                return model->index(Path(u"z"_s)).row() == 60 &&
                       tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex()));
            });
            return QDialog::Rejected;
        });
        browse::BrowseForFolder(nullptr, Path(u"z/y/x"_s), u"t"_s, false);
        QVERIFY(inView);
    }

    // Both open the same page of the maker's site.
    void linkLabelsOpenMakersPage()
    {
        QDesktopServices::setUrlHandler(u"https"_s, this, "OpenUrl");
        Click(u"lblCompany"_s);
        Click(u"lblLogo"_s);
        QDesktopServices::unsetUrlHandler(u"https"_s);
        QCOMPARE(m_OpenedUrls.value(0).path(), u"/1"_s);
        QCOMPARE(m_OpenedUrls, (QList<QUrl>{m_OpenedUrls.at(0), m_OpenedUrls.at(0)}));
    }

    void minimiseButton()
    {
        Click(u"btnForm(1)"_s);
        QTRY_VERIFY(m_Window->isMinimized());
    }

private:
    template <typename T> T *Child(const QString &n) const { return m_Window->findChild<T *>(n); }
    QListWidget *fbImages() const { return Child<QListWidget>(u"fbImages"_s); }
    QAbstractItemView *lstDetails() const { return Child<QAbstractItemView>(u"lstDetails"_s); }
    QLineEdit *txtImgDir() const { return Child<QLineEdit>(u"txtImgDir"_s); }
    sparrowtrim::QV_Progbar *pbOps() const { return Child<sparrowtrim::QV_Progbar>(u"pbOps"_s); }
    void Click(const QString &n) const { QTest::mouseClick(Child<QWidget>(n), Qt::LeftButton); }
    // On the wrapped caption's second line: the whole box takes the click.
    void ClickBox(int index) const
    {
        auto *box = Child<QCheckBox>(u"chkOptions(%1)"_s.arg(index));
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 20, box->height() - 4));
    }
    QString Path(const QString &name) const { return QDir(m_Folder->path()).filePath(name); }
    // Drags `names` in the test folder onto the window and drops them; true when taken.
    bool Drop(const QStringList &names) const
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &name : names)
            urls << QUrl::fromLocalFile(Path(name));
        data.setUrls(urls);
        const QPoint at = m_Window->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_Window.get(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_Window.get(), &drop);
        return drop.isAccepted();
    }
    // Copies of `names` from the read-only corpus, writable, in the window's folder, selected.
    bool PrepareRun(const QStringList &names)
    {
        const QDir corpus(qEnvironmentVariable("SPARROWTRIM_CORPUS_DIR"));
        for (const QString &name : names)
            if (!QFile::copy(corpus.filePath(name), Path(name)) ||
                !QFile::setPermissions(Path(name),
                                       QFileDevice::ReadOwner | QFileDevice::WriteOwner))
                return false;
        txtImgDir()->setText(m_Folder->path());
        Click(u"cmdselect(0)"_s);
        return fbImages()->selectedItems().size() == names.size();
    }

    QTemporaryDir m_StateHome;
    std::unique_ptr<QTemporaryDir> m_Folder;
    std::unique_ptr<sparrowtrim::fMain> m_Window;
    QList<QUrl> m_OpenedUrls;
};

QTEST_MAIN(TestMainWindow)
#include "fmain_test.moc"
