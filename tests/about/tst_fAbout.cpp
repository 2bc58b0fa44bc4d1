#include "FakeRegistry.h"
#include "ProductInfo.h"
#include "fAbout.h"

#include <QLabel>
#include <QPointer>
#include <QTest>

using namespace sparrowtrim;
using Steps = std::vector<std::string>;
Q_DECLARE_METATYPE(Steps)

class TestAbout final : public QObject
{
    Q_OBJECT

private slots:
    void textsAndSeparator();
    void keys_data();
    void keys();
};

void TestAbout::textsAndSeparator()
{
    fAbout window;
    QCOMPARE(window.findChild<QLabel *>("lblVersion")->text(), QStringLiteral("Version 1.0.0"));
    const auto *description = window.findChild<QLabel *>("lblDescription");
    QCOMPARE(description->text(),
             QStringLiteral("Sparrowtrim is a handy tool which you can use to speed the loading of "
                            "JPEG images and decrease file size. For more information on this and "
                            "other software, Please contact us at: ") +
                 QString::fromUtf8(product::kMakerWebPage));
    // The whole description, the address included, shows inside its label.
    QVERIFY(description->heightForWidth(description->width()) <= description->height());
    // The etched separator: a grey line over a white one.
    const QImage image = window.grab().toImage();
    QCOMPARE(image.pixelColor(200, 163), QColor(128, 128, 128));
    QCOMPARE(image.pixelColor(200, 165), QColor(Qt::white));
}

void TestAbout::keys_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<Steps>("steps"); // none: the key closes the window
    QTest::newRow("Escape") << Qt::Key_Escape << Qt::KeyboardModifiers() << Steps();
    QTest::newRow("Enter presses OK") << Qt::Key_Return << Qt::KeyboardModifiers() << Steps();
    // The tool comes from the window's registry; it does not start, and the window stays.
    QTest::newRow("Alt+S") << Qt::Key_S << Qt::KeyboardModifiers(Qt::AltModifier)
                           << Steps{"start /opt/tool",
                                    "message System Information Is Unavailable At This Time"};
}

void TestAbout::keys()
{
    QFETCH(Qt::Key, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(Steps, steps);

    QPointer<fAbout> window = new fAbout;
    auto registry = std::make_unique<FakeSysInfo>();
    registry->values[{sysinfo::kToolKey, "PATH"}] = {registry::kTypeString, "/opt/tool"};
    window->setRegistryBackend(std::move(registry));
    FakeSysInfo platform;
    window->setSysInfoPlatform(platform.platform());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));

    QTest::keyClick(window->windowHandle(), key, modifiers);
    QTRY_COMPARE(platform.journal, steps); // an access key clicks its button a moment later
    if (steps.empty()) {
        QTRY_VERIFY(window.isNull()); // closed and deleted
    } else {
        QVERIFY(window->isVisible());
        delete window;
    }
}

QTEST_MAIN(TestAbout)
#include "tst_fAbout.moc"
