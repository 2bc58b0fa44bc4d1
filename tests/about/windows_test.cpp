// The quick help and about windows, opened as a user opens them: a click on the main window's
// menu button, then on the menu's entry.
#include "ProductInfo.h"
#include "about/fAbout.h"
#include "about/fHelp.h"
#include "app/fMain.h"
#include "app/mWindowMenu.h"
#include "tests/about/fake_registry.h"

#include <QLabel>
#include <QMenu>
#include <QtTest>

using namespace sparrowtrim;

static const QString kWebPage = QString::fromUtf8(product::kMakerWebPage);

class TestWindows final : public QObject
{
    Q_OBJECT

private slots:
    void menuOpensOneWindowEach_data();
    void menuOpensOneWindowEach();
    void helpAndAboutWindows();
};

void TestWindows::menuOpensOneWindowEach_data()
{
    QTest::addColumn<QString>("entry");      // clicked in the menu; none: Escape
    QTest::addColumn<QVariantMap>("labels"); // the texts the window it opens shows, by label
    QTest::addColumn<QString>("title");      // of that window

    const QVariantMap help{{"lblLogo", "Sparrowtrim"}, {"lblURL", kWebPage}};
    const QVariantMap about{
        {"lblTitle", "Sparrowtrim"},
        {"lblVersion", "Version 1.0.0"},
        {"lblDescription", QStringLiteral("Sparrowtrim is a handy tool which you can use to speed "
                                          "the loading of JPEG images and decrease file size. For "
                                          "more information on this and other software, Please "
                                          "contact us at: %1")
                               .arg(kWebPage)}};
    QTest::newRow("Escape") << QString() << QVariantMap() << QString();
    QTest::newRow("Quick Help") << "Quick Help" << help << "Quick Help";
    QTest::newRow("About") << "About" << about << "About Sparrowtrim";
}

// Chosen again, an open window comes back to the screen, a minimised one too; a closed one is
// made anew, also before the closed one is deleted.
void TestWindows::menuOpensOneWindowEach()
{
    QFETCH(QString, entry);
    QFETCH(QVariantMap, labels);
    QFETCH(QString, title);
    fMain main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    auto *button = main.findChild<QWidget *>("btnForm(0)");
    const QPoint pointer = button->mapToGlobal(QPoint(5, 5));
    static QStringList entries; // as the menu showed them, and where it showed them
    static QRect menu;
    SetWindowMenuResponder([entry](QMenu &shown) {
        menu = shown.geometry();
        entries.clear();
        for (QAction *action : shown.actions())
            entries << action->text();
        if (QAction *chosen = shown.actions().value(entries.indexOf(entry)))
            QTest::mouseClick(&shown, Qt::LeftButton, {}, shown.actionGeometry(chosen).center());
        else
            QTest::keyClick(&shown, Qt::Key_Escape);
    });
    const auto pressMenuButton = [&] {
        QCursor::setPos(pointer);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
        return main.findChildren<QWidget *>(QRegularExpression("^f(Help|About)$"));
    };

    const QWidgetList opened = pressMenuButton();
    QCOMPARE(entries, (QStringList{"Quick Help", "About"}));
    QCOMPARE(menu.topRight() + QPoint(1, 0), pointer); // to the left of and below the pointer
    QCOMPARE(opened.size(), title.isEmpty() ? 0 : 1);
    if (title.isEmpty())
        return;
    QPointer<QWidget> first = opened.first();
    QCOMPARE(first->windowTitle(), title);
    for (const auto &[name, text] : labels.asKeyValueRange())
        QCOMPARE(first->findChild<QLabel *>(name)->text(), text.toString());
    first->showMinimized();
    QCOMPARE(pressMenuButton(), QWidgetList{first});
    QVERIFY(first->isVisible() && !first->isMinimized());
    first->close();
    pressMenuButton();
    QTRY_VERIFY(first.isNull());
    QCOMPARE(main.findChildren<QWidget *>(QRegularExpression("^f(Help|About)$")).size(), 1);
}

void TestWindows::helpAndAboutWindows()
{
    QWidget owner;
    owner.setGeometry(100, 100, 337, 439);
    auto *help = new fHelp(&owner);
    help->show();
    QVERIFY(QTest::qWaitForWindowExposed(help));
    QCOMPARE(help->geometry().center(), owner.geometry().center());
    auto *text = help->findChild<QLabel *>("lblAbout");
    auto *link = help->findChild<QLabel *>("lblURL");
    // Half pixels go to the pixel they start in, so the link still ends where the text does.
    QCOMPARE(help->findChild<QLabel *>("lblLogo")->geometry(), QRect(3, 0, 305, 56));
    QCOMPARE(text->geometry(), QRect(3, 56, 305, 326));
    QCOMPARE(link->geometry(), QRect(7, 350, 301, 28));
    // The help text with each lone CR and each CR LF pair as a line break, compared by its
    // digest: "\nSparrowtrim can help to increase [...] visit us on the web at:", 828 characters.
    const QByteArray shown = text->text().toUtf8();
    QVERIFY2(QCryptographicHash::hash(shown, QCryptographicHash::Sha1).toHex() ==
                 "41f8ea6ee462ffe7dc7b41516128ccc788ce7039",
             shown.constData());
    // "<CTRL>" shows as text, and the wrapped text ends above the link that completes it.
    QCOMPARE(text->textFormat(), Qt::PlainText);
    QVERIFY(text->heightForWidth(text->width()) <= link->y() - text->y());
    // The link has no background of its own: its corner shows the help text's colour.
    QCOMPARE(help->grab().toImage().pixelColor(link->geometry().bottomLeft()),
             QColor(64, 128, 128));
    // Only a left click on the link opens the maker's page.
    QStringList pages;
    help->setWebPageOpener([&pages](const QString &address) { pages << address; });
    QTest::mouseClick(text, Qt::LeftButton);
    QTest::mouseClick(link, Qt::RightButton);
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(pages, QStringList{kWebPage});

    // The about window's etched separator. System Info starts the tool its registry names, which
    // does not start here, so the window tells so and stays; Enter presses OK, which closes it.
    QPointer<fAbout> about = new fAbout;
    const QImage image = about->grab().toImage();
    QCOMPARE(image.pixelColor(200, 163), QColor(128, 128, 128));
    QCOMPARE(image.pixelColor(200, 165), QColor(Qt::white));
    auto registry = std::make_unique<FakeSysInfo>();
    registry->values[{"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH"}] = {1, "/opt/tool"};
    about->setRegistryBackend(std::move(registry));
    FakeSysInfo platform;
    about->setSysInfoPlatform(platform.platform());
    about->show();
    QVERIFY(QTest::qWaitForWindowExposed(about));
    QTest::keyClick(about->windowHandle(), Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(platform.journal,
                 "start /opt/tool, message System Information Is Unavailable At This Time");
    QTest::keyClick(about->windowHandle(), Qt::Key_Return);
    QTRY_VERIFY(about.isNull()); // closed and deleted
}

QTEST_MAIN(TestWindows)
#include "windows_test.moc"
