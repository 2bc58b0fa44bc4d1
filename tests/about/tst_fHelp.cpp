#include "HelpText.h"
#include "ProductInfo.h"
#include "fHelp.h"

#include <QLabel>
#include <QTest>

using namespace sparrowtrim;

Q_DECLARE_METATYPE(sparrowtrim::help::Layout)

class TestHelp final : public QObject
{
    Q_OBJECT

private slots:
    void helpTextAndItsLineBreaks();
    void formResize_data();
    void formResize();
    void windowShowsLaidOutText();
};

void TestHelp::helpTextAndItsLineBreaks()
{
    QCOMPARE(help::HelpText(),
             QStringLiteral(
                 "\rSparrowtrim can help to increase the loading speed of your JPEG Web images, "
                 "and also decrease used bandwidth and disk space.\r_______________________\r\r"
                 "To use:\r\n Using the \"Browse\" button near the upper left of the\r main form, "
                 "simply navigate to a folder which contains\r The JPEG images that you wish to "
                 "optimize. You can then select individual or multiple images from the file list. "
                 "Multiple selections are made by holding down the <CTRL> key while selecting "
                 "desired files the mouse. Various options allow you to keep original file dates, "
                 "process read-only files, and write results to a log file if desired. After "
                 "setting desired options, simply click on the START button. You may stop the "
                 "process at any time by clicking the STOP button. If you need further "
                 "assistance, please click the following link to visit us on the web at:"));
    // Shown with one break for each lone CR and each CR LF pair.
    QCOMPARE(help::DisplayText("a\rb\r\nc\r\r\nd"), QStringLiteral("a\nb\nc\n\nd"));
}

void TestHelp::formResize_data()
{
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<float>("textWidth");
    QTest::addColumn<help::Layout>("layout"); // banner, help text, link
    QTest::newRow("design client area")
        << 312.0f << 382.0f << 305.0f
        << help::Layout{{3.5f, 0, 305, 56}, {3.5f, 56, 305, 326}, {7.5f, 350, 301, 28}};
    // The help text is centred with the width it had before, then takes the banner's.
    QTest::newRow("larger area, narrower text")
        << 400.0f << 500.0f << 200.0f
        << help::Layout{{47.5f, 0, 305, 56}, {100, 56, 305, 444}, {104, 468, 301, 28}};
}

void TestHelp::formResize()
{
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(float, textWidth);
    help::Layout before = help::DesignLayout();
    before.text.width = textWidth;
    QTEST(help::FormResize(width, height, before), "layout");
}

void TestHelp::windowShowsLaidOutText()
{
    QWidget owner;
    owner.setGeometry(100, 100, 337, 439);
    auto *window = new fHelp(&owner);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->geometry().center(), owner.geometry().center());
    auto *text = window->findChild<QLabel *>("lblAbout");
    auto *link = window->findChild<QLabel *>("lblURL");
    // Half pixels go to the pixel they start in, so the link still ends where the text does.
    QCOMPARE(window->findChild<QLabel *>("lblLogo")->geometry(), QRect(3, 0, 305, 56));
    QCOMPARE(text->geometry(), QRect(3, 56, 305, 326));
    QCOMPARE(link->geometry(), QRect(7, 350, 301, 28));
    // "<CTRL>" shows as text, and the wrapped text ends above the link that completes it.
    QCOMPARE(text->textFormat(), Qt::PlainText);
    QCOMPARE(text->text(), help::DisplayText(help::HelpText()));
    QVERIFY(text->heightForWidth(text->width()) <= link->y() - text->y());
    // The link has no background of its own: its corner shows the help text's colour.
    const QColor corner = window->grab().toImage().pixelColor(link->geometry().bottomLeft());
    QCOMPARE(corner, QColor(64, 128, 128));

    // Only the link opens the maker's page.
    QStringList opened;
    window->setWebPageOpener([&opened](const QString &address) { opened << address; });
    QTest::mouseClick(text, Qt::LeftButton);
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(opened, QStringList{QString::fromUtf8(product::kMakerWebPage)});
}

QTEST_MAIN(TestHelp)
#include "tst_fHelp.moc"
