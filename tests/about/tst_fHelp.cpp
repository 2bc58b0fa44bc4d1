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
    void displayText_data();
    void displayText();
    void helpTextLines();
    void helpTextSpacing();
    void formResize_data();
    void formResize();
    void windowLaysLabelsOutWhenShown();
    void labelsLookAsDesigned();
    void onlyTheLinkOpensTheMakersPage_data();
    void onlyTheLinkOpensTheMakersPage();
};

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
    QTest::newRow("CR LF then CR") << "\r\n\r"
                                   << "\n\n";
    QTest::newRow("LF CR is two breaks") << "a\n\rb"
                                         << "a\n\nb";
    QTest::newRow("no breaks") << "plain text"
                               << "plain text";
}

void TestHelp::displayText()
{
    QFETCH(QString, caption);
    QFETCH(QString, shown);
    QCOMPARE(help::DisplayText(caption), shown);
}

// The help text's lines before word wrapping: an empty first line, the title sentence, the
// rule, an empty line, "To use:", then three paragraphs of which the last runs to the end.
void TestHelp::helpTextLines()
{
    const QStringList lines = help::DisplayText(help::HelpText()).split(QLatin1Char('\n'));
    const QStringList expected = {
        "",
        "Sparrowtrim can help to increase the loading speed of your JPEG Web images, and also "
        "decrease used bandwidth and disk space.",
        "_______________________",
        "",
        "To use:",
        " Using the \"Browse\" button near the upper left of the",
        " main form, simply navigate to a folder which contains",
        " The JPEG images that you wish to optimize. You can then select individual or multiple "
        "images from the file list. Multiple selections are made by holding down the <CTRL> key "
        "while selecting desired files the mouse. Various options allow you to keep original file "
        "dates, process read-only files, and write results to a log file if desired. After "
        "setting desired options, simply click on the START button. You may stop the process at "
        "any time by clicking the STOP button. If you need further assistance, please click the "
        "following link to visit us on the web at:",
    };
    QCOMPARE(lines, expected);
}

// The caption keeps its own line ends: a lone CR everywhere but after "To use:".
void TestHelp::helpTextSpacing()
{
    const QString text = help::HelpText();
    QVERIFY(text.startsWith(QLatin1Char('\r')));
    QCOMPARE(text.count(QStringLiteral("\r\n")), 1);
    QVERIFY(text.contains(QStringLiteral("To use:\r\n Using")));
    QCOMPARE(text.count(QLatin1Char('\r')), 7);
    QCOMPARE(text.count(QLatin1Char('\n')), 1);
    QVERIFY(!text.contains(QStringLiteral("  ")));
    QVERIFY(!text.endsWith(QLatin1Char(' ')));
}

void TestHelp::formResize_data()
{
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<help::Rect>("textBefore");
    QTest::addColumn<help::Rect>("logo");
    QTest::addColumn<help::Rect>("text");
    QTest::addColumn<help::Rect>("link");

    const help::Rect designText = help::DesignLayout().text;
    QTest::newRow("design client area")
        << 312.0f << 382.0f << designText << help::Rect{3.5f, 0, 305, 56}
        << help::Rect{3.5f, 56, 305, 326} << help::Rect{7.5f, 350, 301, 28};
    QTest::newRow("larger area") << 400.0f << 500.0f << designText << help::Rect{47.5f, 0, 305, 56}
                                 << help::Rect{47.5f, 56, 305, 444}
                                 << help::Rect{51.5f, 468, 301, 28};
    // The help text is centred with the width it had before, then takes the banner's.
    QTest::newRow("text narrower than banner")
        << 312.0f << 382.0f << help::Rect{4, 75, 200, 840 / 15.0f} << help::Rect{3.5f, 0, 305, 56}
        << help::Rect{56, 56, 305, 326} << help::Rect{60, 350, 301, 28};
}

void TestHelp::formResize()
{
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(help::Rect, textBefore);
    QFETCH(help::Rect, logo);
    QFETCH(help::Rect, text);
    QFETCH(help::Rect, link);

    help::Layout before = help::DesignLayout();
    before.text = textBefore;
    const help::Layout after = help::FormResize(width, height, before);
    QCOMPARE(after.logo, logo);
    QCOMPARE(after.text, text);
    QCOMPARE(after.link, link);
    // Once the help text has the banner's width, laying out again changes nothing.
    if (textBefore.width == logo.width) {
        QCOMPARE(help::FormResize(width, height, after), after);
    }
}

void TestHelp::windowLaysLabelsOutWhenShown()
{
    QWidget owner;
    owner.setGeometry(100, 100, 337, 439);
    auto *window = new fHelp(&owner);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));

    QCOMPARE(window->windowTitle(), QStringLiteral("Quick Help"));
    QCOMPARE(window->size(), QSize(312, 382));
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QCOMPARE(window->labelLayout().text, (help::Rect{3.5f, 56, 305, 326}));
    QCOMPARE(window->findChild<QLabel *>("lblLogo")->geometry(), QRect(3, 0, 305, 56));
    QCOMPARE(window->findChild<QLabel *>("lblAbout")->geometry(), QRect(3, 56, 305, 326));
    const QRect link = window->findChild<QLabel *>("lblURL")->geometry();
    QCOMPARE(link, QRect(7, 350, 301, 28));
    QCOMPARE(link.right(), window->findChild<QLabel *>("lblAbout")->geometry().right());
    // The wrapped help text ends above the link that completes its last sentence.
    const auto *text = window->findChild<QLabel *>("lblAbout");
    QVERIFY(text->heightForWidth(text->width()) <= link.top() - text->y());
    QCOMPARE(window->geometry().center(), owner.geometry().center());
    QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(!window->isModal());
}

void TestHelp::labelsLookAsDesigned()
{
    fHelp window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const auto *text = window.findChild<QLabel *>("lblAbout");
    const auto *link = window.findChild<QLabel *>("lblURL");
    QCOMPARE(window.findChild<QLabel *>("lblLogo")->font().pointSizeF(), 22.0);
    QCOMPARE(text->text(), help::DisplayText(help::HelpText()));
    QCOMPARE(text->textFormat(), Qt::PlainText); // "<CTRL>" is text, not markup
    QCOMPARE(link->text(), QString::fromUtf8(product::kMakerWebPage));
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);

    const QImage image = window.grab().toImage();
    const QColor textBackground(64, 128, 128);
    QCOMPARE(image.pixelColor(150, 50), QColor(80, 182, 169)); // banner, below its title
    QCOMPARE(image.pixelColor(150, 340), textBackground);      // help text, below its end
    QCOMPARE(image.pixelColor(1, 200), window.palette().color(QPalette::Window)); // edge strip
    // The link has no background of its own: its corners show the help text's colour.
    QCOMPARE(image.pixelColor(link->geometry().bottomLeft()), textBackground);
    QCOMPARE(image.pixelColor(link->geometry().bottomRight()), textBackground);
    bool linkColourDrawn = false;
    for (int y = link->y(); y <= link->geometry().bottom() && !linkColourDrawn; ++y) {
        for (int x = link->x(); x <= link->geometry().right(); ++x) {
            linkColourDrawn = linkColourDrawn || image.pixelColor(x, y) == QColor(255, 255, 192);
        }
    }
    QVERIFY(linkColourDrawn);
}

void TestHelp::onlyTheLinkOpensTheMakersPage_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("opened");
    QTest::newRow("link") << "lblURL" << QStringList{QString::fromUtf8(product::kMakerWebPage)};
    QTest::newRow("banner") << "lblLogo" << QStringList{};
    QTest::newRow("help text") << "lblAbout" << QStringList{};
}

void TestHelp::onlyTheLinkOpensTheMakersPage()
{
    QFETCH(QString, label);
    QFETCH(QStringList, opened);

    fHelp window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QStringList addresses;
    window.setWebPageOpener([&addresses](const QString &address) { addresses << address; });
    QTest::mouseClick(window.findChild<QLabel *>(label), Qt::LeftButton);
    QCOMPARE(addresses, opened);
}

QTEST_MAIN(TestHelp)
#include "tst_fHelp.moc"
