// The folder chooser: counting a folder's files, the status line, OK gating and the result.

#include "mBrowseForFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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
    void countFolderFiles_data();
    void countFolderFiles();
    void statusAndOk_data();
    void statusAndOk();
    void initialFolder_data();
    void initialFolder();
    void result_data();
    void result();
};

void TestBrowseForFolder::countFolderFiles_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("expected");
    QTest::newRow("empty folder") << QStringList{} << 0;
    QTest::newRow("only sub-folders") << QStringList{"a/", "b.jpg/", "a/inner.jpg"} << 0;
    QTest::newRow("only hidden files") << QStringList{".a", ".b.jpg"} << 0;
    QTest::newRow("plain files of every type")
        << QStringList{"a.jpg", "b.txt", "c", ".hidden", "sub/", "sub/d.jpg"} << 3;
}

void TestBrowseForFolder::countFolderFiles()
{
    QFETCH(QStringList, entries);
    QFETCH(int, expected);
    QTemporaryDir dir;
    CreateEntries(dir.path(), entries);
    // The separator is appended to the caller's text, once.
    QString folder = dir.path();
    for (int call = 0; call < 2; ++call) {
        QCOMPARE(browse::CountFolderFiles(folder), expected);
        QCOMPARE(folder, dir.path() + QStringLiteral("/"));
    }
}

void TestBrowseForFolder::statusAndOk_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<bool>("requireFiles");
    QTest::addColumn<QString>("select"); // a sub-folder chosen after the preselection, or none
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("okEnabled");
    QTest::newRow("files required, none there") << QStringList{"sub/", ".hidden"} << true << ""
                                                << "0 Files" << false;
    QTest::newRow("files required, one text file") << QStringList{"a.txt"} << true << ""
                                                   << "1 Files" << true;
    QTest::newRow("files not required, none there") << QStringList{} << false << ""
                                                    << "0 Files" << true;
    QTest::newRow("moved on to a folder with files")
        << QStringList{"full/", "full/a", "full/b"} << true << "full"
        << "2 Files" << true;
    QTest::newRow("moved on to an empty folder") << QStringList{"a", "empty/"} << true << "empty"
                                                 << "0 Files" << false;
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
    browse::BrowseForFolder(nullptr, dir.path(), QStringLiteral("t"), requireFiles);
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
    browse::BrowseForFolder(nullptr, InDir(initial, dir), QStringLiteral("t"), false);
    QDir::setCurrent(previous);
    QCOMPARE(browse::InitialFolder(), InDir(stored, dir));
    QCOMPARE(selected, InDir(preselected, dir));
}

void TestBrowseForFolder::result_data()
{
    QTest::addColumn<QString>("choice");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("expected");
    QTest::newRow("OK returns the folder without separator")
        << "%1/sub/" << int(QDialog::Accepted) << "%1/sub";
    QTest::newRow("OK on the root returns the separator") << "/" << int(QDialog::Accepted) << "/";
    QTest::newRow("Cancel returns nothing") << "%1/sub" << int(QDialog::Rejected) << "";
}

void TestBrowseForFolder::result()
{
    QFETCH(QString, choice);
    QFETCH(int, answer);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    CreateEntries(dir.path(), {"sub/"});
    browse::SetDialogRunner([&](browse::FolderDialog &dialog) {
        dialog.SetSelection(InDir(choice, dir));
        return answer;
    });
    QCOMPARE(browse::BrowseForFolder(nullptr, dir.path(), QStringLiteral("t"), true),
             InDir(expected, dir));
}

QTEST_MAIN(TestBrowseForFolder)
#include "tst_browseforfolder.moc"
