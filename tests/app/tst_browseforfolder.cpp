// The folder chooser: counting a folder's files, the status line, OK gating and the result.

#include "mBrowseForFolder.h"

#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

using namespace Qt::StringLiterals;
namespace browse = sparrowtrim::mBrowseForFolder;

namespace {

// Names ending in "/" are folders.
void CreateEntries(const QString &folder, const QStringList &names)
{
    for (const QString &name : names) {
        QFile file(QDir(folder).filePath(name));
        QVERIFY(name.endsWith(u'/') ? QDir(folder).mkpath(name) : file.open(QIODevice::WriteOnly));
    }
}

// "%1" in a row stands for the test's folder.
QString InDir(const QString &text, const QTemporaryDir &dir)
{
    return text.contains(u'%') ? text.arg(dir.path()) : text;
}

} // namespace

class TestBrowseForFolder final : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { browse::SetDialogRunner({}); }
    void countFolderFilesAppendsSeparator();
    void statusAndOk_data();
    void statusAndOk();
    void initialFolder_data();
    void initialFolder();
    void rootKeepsItsSeparator();
    void preselectionScrolledIntoView();
};

// The separator is appended to the caller's text, once.
void TestBrowseForFolder::countFolderFilesAppendsSeparator()
{
    QTemporaryDir dir;
    QString folder = dir.path();
    for (int call = 0; call < 2; ++call) {
        browse::CountFolderFiles(folder);
        QCOMPARE(folder, dir.path() + u'/');
    }
}

// The status counts plain files of any type, not hidden files or folders.
void TestBrowseForFolder::statusAndOk_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<bool>("requireFiles");
    QTest::addColumn<QString>("select"); // a sub-folder chosen after the preselection, or none
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("okEnabled");
    const auto row = [](const char *name, const QStringList &entries, bool requireFiles,
                        const QString &select, const QString &status, bool okEnabled) {
        QTest::newRow(name) << entries << requireFiles << select << status << okEnabled;
    };
    row("empty folder", {}, true, "", "0 Files", false);
    row("only sub-folders and hidden files", {"sub/", "sub/a.jpg", ".b.jpg"}, true, "", "0 Files",
        false);
    row("one text file", {"a.txt"}, true, "", "1 Files", true);
    row("plain files of every type", {"a.jpg", "b.txt", "c", ".d", "sub/"}, true, "", "3 Files",
        true);
    row("files not required", {}, false, "", "0 Files", true);
    row("moved on to a folder with files", {"full/", "full/a", "full/b"}, true, "full", "2 Files",
        true);
    row("moved on to an empty folder", {"a", "empty/"}, true, "empty", "0 Files", false);
}

void TestBrowseForFolder::statusAndOk()
{
    QFETCH(QStringList, entries);
    QFETCH(bool, requireFiles);
    QFETCH(QString, select);
    QFETCH(QString, status);
    QFETCH(bool, okEnabled);
    QTemporaryDir dir;
    CreateEntries(dir.path(), entries);

    QString shownStatus;
    bool shownOk = !okEnabled;
    browse::SetDialogRunner([&](browse::FolderDialog &dialog) {
        if (!select.isEmpty())
            dialog.SetSelection(QDir(dir.path()).filePath(select));
        shownStatus = dialog.StatusText();
        shownOk = dialog.IsOkEnabled();
        return QDialog::Rejected;
    });
    browse::BrowseForFolder(nullptr, dir.path(), u"t"_s, requireFiles);
    QCOMPARE(shownStatus, status);
    QCOMPARE(shownOk, okEnabled);
}

void TestBrowseForFolder::initialFolder_data()
{
    QTest::addColumn<QString>("initial");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("preselected");
    const auto row = [](const char *name, QString initial, QString stored, QString preselected) {
        QTest::newRow(name) << initial << stored << preselected;
    };
    row("trailing separator removed", "%1/", "%1", "%1");
    row("no separator", "%1", "%1", "%1");
    row("only one separator removed", "%1//", "%1/", "%1");
    row("empty takes the current folder", "", "%1", "%1");
    row("root", "/", "", "/");
}

void TestBrowseForFolder::initialFolder()
{
    QFETCH(QString, initial);
    QFETCH(QString, stored);
    QFETCH(QString, preselected);
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());

    QString selected;
    browse::SetDialogRunner([&](browse::FolderDialog &dialog) {
        selected = dialog.SelectedFolder();
        return QDialog::Rejected;
    });
    browse::BrowseForFolder(nullptr, InDir(initial, dir), u"t"_s, false);
    QDir::setCurrent(previous);
    QCOMPARE(browse::InitialFolder(), InDir(stored, dir));
    QCOMPARE(selected, InDir(preselected, dir));
}

// Other folders come back without a separator, as the window's browse button shows.
void TestBrowseForFolder::rootKeepsItsSeparator()
{
    browse::SetDialogRunner([](browse::FolderDialog &dialog) {
        dialog.SetSelection(u"/"_s);
        return QDialog::Accepted;
    });
    QCOMPARE(browse::BrowseForFolder(nullptr, QDir::tempPath(), u"t"_s, true), u"/"_s);
}

// The rows above a deep preselected folder are read after it was selected and push it down;
// once they are in and sorted, the folder is in view.
void TestBrowseForFolder::preselectionScrolledIntoView()
{
    QTemporaryDir dir;
    QStringList entries{u"z/y/x/"_s};
    for (int index = 10; index < 70; ++index)
        entries << u"a%1/"_s.arg(index);
    CreateEntries(dir.path(), entries);

    bool inView = false;
    browse::SetDialogRunner([&](browse::FolderDialog &dialog) {
        dialog.show();
        const auto *tree = dialog.findChild<QTreeView *>(u"folders"_s);
        const auto *model = dialog.findChild<QFileSystemModel *>();
        inView = QTest::qWaitFor([&] {
            return model->index(dir.path() + u"/z"_s).row() == 60 &&
                   tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex()));
        });
        return QDialog::Rejected;
    });
    browse::BrowseForFolder(nullptr, dir.path() + u"/z/y/x"_s, u"t"_s, false);
    QVERIFY(inView);
}

QTEST_MAIN(TestBrowseForFolder)
#include "tst_browseforfolder.moc"
