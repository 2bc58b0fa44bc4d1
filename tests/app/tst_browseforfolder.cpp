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
        if (name.endsWith(u'/')) {
            QVERIFY(QDir(folder).mkpath(name));
            continue;
        }
        QFile file(QDir(folder).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
}

} // namespace

class TestBrowseForFolder final : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void countFolderFiles_data();
    void countFolderFiles();
    void countAppendsSeparator();
    void statusAndOk_data();
    void statusAndOk();
    void statusFollowsEverySelection();
    void initialFolder_data();
    void initialFolder();
    void result_data();
    void result();
};

void TestBrowseForFolder::cleanup()
{
    browse::SetDialogRunner({});
}

void TestBrowseForFolder::countFolderFiles_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("expected");
    QTest::newRow("empty folder") << QStringList{} << 0;
    QTest::newRow("only sub-folders") << QStringList{"a/", "b.jpg/", "a/inner.jpg"} << 0;
    QTest::newRow("only hidden files") << QStringList{".a", ".b.jpg"} << 0;
    QTest::newRow("one text file counts") << QStringList{"notes.txt"} << 1;
    QTest::newRow("files of every type, nothing else")
        << QStringList{"a.jpg", "b.png", "c", ".hidden", "sub/", "sub/d.jpg"} << 3;
}

void TestBrowseForFolder::countFolderFiles()
{
    QFETCH(QStringList, entries);
    QFETCH(int, expected);
    QTemporaryDir dir;
    CreateEntries(dir.path(), entries);
    QString folder = dir.path();
    QCOMPARE(browse::CountFolderFiles(folder), expected);
}

void TestBrowseForFolder::countAppendsSeparator()
{
    QTemporaryDir dir;
    QString folder = dir.path();
    browse::CountFolderFiles(folder);
    QCOMPARE(folder, dir.path() + QStringLiteral("/"));
    browse::CountFolderFiles(folder);
    QCOMPARE(folder, dir.path() + QStringLiteral("/"));

    QString missing = dir.path() + QStringLiteral("/missing");
    QCOMPARE(browse::CountFolderFiles(missing), 0);
}

void TestBrowseForFolder::statusAndOk_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<bool>("requireFiles");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("okEnabled");
    QTest::newRow("files required, none there")
        << QStringList{"sub/", ".hidden"} << true << "0 Files" << false;
    QTest::newRow("files required, one text file")
        << QStringList{"a.txt"} << true << "1 Files" << true;
    QTest::newRow("files required, many")
        << QStringList{"a", "b", "c"} << true << "3 Files" << true;
    QTest::newRow("files not required, none there") << QStringList{} << false << "0 Files" << true;
}

void TestBrowseForFolder::statusAndOk()
{
    QFETCH(QStringList, entries);
    QFETCH(bool, requireFiles);
    QFETCH(QString, status);
    QFETCH(bool, okEnabled);
    QTemporaryDir dir;
    CreateEntries(dir.path(), entries);

    bool ran = false;
    browse::SetDialogRunner([&](browse::FolderDialog &dialog) {
        ran = true;
        [&] {
            QCOMPARE(dialog.SelectedFolder(), dir.path());
            QCOMPARE(dialog.StatusText(), status);
            QCOMPARE(dialog.IsOkEnabled(), okEnabled);
        }();
        return QDialog::Rejected;
    });
    browse::BrowseForFolder(nullptr, dir.path(), QStringLiteral("Pick one"), requireFiles);
    QVERIFY(ran);
}

void TestBrowseForFolder::statusFollowsEverySelection()
{
    QTemporaryDir dir;
    CreateEntries(dir.path(), {"empty/", "full/", "full/a.jpg", "full/b.txt"});
    browse::SetDialogRunner([&](browse::FolderDialog &dialog) {
        dialog.SetSelection(dir.path() + QStringLiteral("/full"));
        [&] {
            QCOMPARE(dialog.StatusText(), QStringLiteral("2 Files"));
            QVERIFY(dialog.IsOkEnabled());
        }();
        dialog.SetSelection(dir.path() + QStringLiteral("/empty"));
        [&] {
            QCOMPARE(dialog.StatusText(), QStringLiteral("0 Files"));
            QVERIFY(!dialog.IsOkEnabled());
        }();
        return QDialog::Accepted;
    });
    const QString result = browse::BrowseForFolder(nullptr, dir.path(), QStringLiteral("t"), true);
    QCOMPARE(result, dir.path() + QStringLiteral("/empty"));
}

void TestBrowseForFolder::initialFolder_data()
{
    QTest::addColumn<QString>("initial"); // %1 stands for the folder
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("preselected");
    QTest::newRow("trailing separator removed") << "%1/"
                                                << "%1"
                                                << "%1";
    QTest::newRow("no separator") << "%1"
                                  << "%1"
                                  << "%1";
    QTest::newRow("only one separator removed") << "%1//"
                                                << "%1/"
                                                << "%1";
    QTest::newRow("empty takes the current folder") << ""
                                                    << "%1"
                                                    << "%1";
    QTest::newRow("root") << "/"
                          << ""
                          << "/";
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
    browse::BrowseForFolder(nullptr, initial.contains(u'%') ? initial.arg(dir.path()) : initial,
                            QStringLiteral("t"), false);
    QDir::setCurrent(previous);

    QCOMPARE(browse::InitialFolder(), stored.contains(u'%') ? stored.arg(dir.path()) : stored);
    QCOMPARE(selected, preselected.contains(u'%') ? preselected.arg(dir.path()) : preselected);
}

void TestBrowseForFolder::result_data()
{
    QTest::addColumn<QString>("choice"); // %1 stands for the folder
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
        dialog.SetSelection(choice.contains(u'%') ? choice.arg(dir.path()) : choice);
        return answer;
    });
    const QString result = browse::BrowseForFolder(nullptr, dir.path(), QStringLiteral("t"), true);
    QCOMPARE(result, expected.contains(u'%') ? expected.arg(dir.path()) : expected);
}

QTEST_MAIN(TestBrowseForFolder)
#include "tst_browseforfolder.moc"
