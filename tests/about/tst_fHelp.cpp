#include "HelpText.h"
#include "ProductInfo.h"
#include "fHelp.h"

#include <QLabel>
#include <QTest>

using namespace sparrowtrim;

Q_DECLARE_METATYPE(sparrowtrim::help::Rect)

class TestHelp final : public QObject
{
    Q_OBJECT

private slots:
    void helpText();
    void displayText_data();
    void displayText();
    void formResize_data();
    void formResize();
    void windowShowsLaidOutText();
    void onlyTheLinkOpensTheMakersPage_data();
    void onlyTheLinkOpensTheMakersPage();
};

void TestHelp::helpText()
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
}

void TestHelp::displayText_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shown");
    QTest::newRow("lone CR") << "a\rb"
                             << "a\nb";
    QTest::newRow("CR LF is one break") << "a\r\nb"
                                        << "a\nb";
    QTest::newRow("CR then CR LF") << "a\r\r\nb"
                                   << "a\n\nb";
}

void TestHelp::displayText()
{
    QFETCH(QString, caption);
    QFETCH(QString, shown);
    QCOMPARE(help::DisplayText(caption), shown);
}

void TestHelp::formResize_data()
{
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<help::Rect>("textBefore");
    QTest::addColumn<help::Rect>("logo");
    QTest::addColumn<help::Rect>("text");
    QTest::addColumn<help::Rect>("link");
    QTest::newRow("design client area")
        << 312.0f << 382.0f << help::DesignLayout().text << help::Rect{3.5f, 0, 305, 56}
        << help::Rect{3.5f, 56, 305, 326} << help::Rect{7.5f, 350, 301, 28};
    // The help text is centred with the width it had before, then takes the banner's.
    QTest::newRow("larger area, narrower text")
        << 400.0f << 500.0f << help::Rect{4, 75, 200, 56} << help::Rect{47.5f, 0, 305, 56}
        << help::Rect{100, 56, 305, 444} << help::Rect{104, 468, 301, 28};
}

void TestHelp::formResize()
{
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(help::Rect, textBefore);
    help::Layout before = help::DesignLayout();
    before.text = textBefore;
    const help::Layout after = help::FormResize(width, height, before);
    QTEST(after.logo, "logo");
    QTEST(after.text, "text");
    QTEST(after.link, "link");
}

void TestHelp::windowShowsLaidOutText()
{
    QWidget owner;
    owner.setGeometry(100, 100, 337, 439);
    auto *window = new fHelp(&owner);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->geometry().center(), owner.geometry().center());
    const auto *text = window->findChild<QLabel *>("lblAbout");
    const auto *link = window->findChild<QLabel *>("lblURL");
    // Half pixels go to the pixel they start in, so the link still ends where the text does.
    QCOMPARE(window->findChild<QLabel *>("lblLogo")->geometry(), QRect(3, 0, 305, 56));
    QCOMPARE(text->geometry(), QRect(3, 56, 305, 326));
    QCOMPARE(link->geometry(), QRect(7, 350, 301, 28));
    // "<CTRL>" shows as text, and the wrapped text ends above the link that completes it.
    QCOMPARE(text->textFormat(), Qt::PlainText);
    QCOMPARE(text->text(), help::DisplayText(help::HelpText()));
    QVERIFY(text->heightForWidth(text->width()) <= link->y() - text->y());
    // The link has no background of its own: its corners show the help text's colour.
    const QImage image = window->grab().toImage();
    QCOMPARE(image.pixelColor(link->geometry().bottomLeft()), QColor(64, 128, 128));
    QCOMPARE(image.pixelColor(link->geometry().bottomRight()), QColor(64, 128, 128));
}

void TestHelp::onlyTheLinkOpensTheMakersPage_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("opened");
    QTest::newRow("link") << "lblURL" << QStringList{QString::fromUtf8(product::kMakerWebPage)};
    QTest::newRow("help text") << "lblAbout" << QStringList{};
}

void TestHelp::onlyTheLinkOpensTheMakersPage()
{
    QFETCH(QString, label);
    fHelp window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QStringList addresses;
    window.setWebPageOpener([&addresses](const QString &address) { addresses << address; });
    QTest::mouseClick(window.findChild<QLabel *>(label), Qt::LeftButton);
    QTEST(addresses, "opened");
}

QTEST_MAIN(TestHelp)
#include "tst_fHelp.moc"
