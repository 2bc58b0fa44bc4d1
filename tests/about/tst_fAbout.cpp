#include "FakeRegistry.h"
#include "ProductInfo.h"
#include "fAbout.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace sparrowtrim;

namespace {

QStringList StepsOf(const FakeSysInfoPlatform &platform)
{
    QStringList steps;
    for (const std::string &step : platform.journal) {
        steps << QString::fromStdString(step);
    }
    return steps;
}

} // namespace

class TestAbout final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void texts();
    void controlsAtDesignPlaces_data();
    void controlsAtDesignPlaces();
    void separatorIsEtched();
    void keysAndButtonsClose_data();
    void keysAndButtonsClose();
    void sysInfoShowsOneMessageAndStaysOpen();
    void sysInfoStartsRegisteredTool();
};

void TestAbout::initTestCase()
{
    QPixmap icon(32, 32);
    icon.fill(Qt::red);
    QApplication::setWindowIcon(QIcon(icon));
}

void TestAbout::texts()
{
    fAbout window;
    QCOMPARE(window.windowTitle(), QStringLiteral("About Sparrowtrim"));
    QCOMPARE(window.findChild<QLabel *>("lblTitle")->text(), QStringLiteral("Sparrowtrim"));
    QCOMPARE(window.findChild<QLabel *>("lblVersion")->text(), QStringLiteral("Version 1.0.0"));
    QCOMPARE(window.findChild<QLabel *>("lblDescription")->text(),
             QStringLiteral("Sparrowtrim is a handy tool which you can use to speed the loading of "
                            "JPEG images and decrease file size. For more information on this and "
                            "other software, Please contact us at: ") +
                 QString::fromUtf8(product::kMakerWebPage));
    const auto *description = window.findChild<QLabel *>("lblDescription");
    QVERIFY(description->wordWrap());
    // The whole description, the address included, shows inside its label.
    QVERIFY(description->heightForWidth(description->width()) <= description->height());
    QVERIFY(window.findChild<QPushButton *>("cmdOK")->isDefault());
    QCOMPARE(window.findChild<QLabel *>("lblDisclaimer")->text(), QString());
    QVERIFY(!window.findChild<QLabel *>("picIcon")->pixmap().isNull());
    QCOMPARE(window.findChild<QLabel *>("picIcon")->pixmap().size(), QSize(32, 32));
}

void TestAbout::controlsAtDesignPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");
    QTest::newRow("picIcon") << "picIcon" << QRect(16, 16, 36, 36);
    QTest::newRow("cmdOK") << "cmdOK" << QRect(283, 175, 84, 23);
    QTest::newRow("cmdSysInfo") << "cmdSysInfo" << QRect(284, 205, 83, 23);
    QTest::newRow("lblDescription") << "lblDescription" << QRect(70, 75, 259, 78);
    QTest::newRow("lblTitle") << "lblTitle" << QRect(70, 16, 259, 32);
    QTest::newRow("lblVersion") << "lblVersion" << QRect(70, 52, 259, 15);
    QTest::newRow("lblDisclaimer") << "lblDisclaimer" << QRect(17, 175, 258, 55);
}

void TestAbout::controlsAtDesignPlaces()
{
    QFETCH(QString, name);
    QFETCH(QRect, place);
    fAbout window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.geometry(), QRect(156, 129, 382, 237));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QCOMPARE(window.findChild<QWidget *>(name)->geometry(), place);
}

void TestAbout::separatorIsEtched()
{
    fAbout window;
    const QImage image = window.grab().toImage();
    const QColor face = image.pixelColor(200, 170);
    QCOMPARE(image.pixelColor(6, 163), QColor(128, 128, 128));
    QCOMPARE(image.pixelColor(376, 163), QColor(128, 128, 128));
    QCOMPARE(image.pixelColor(7, 164), QColor(255, 255, 255));
    QCOMPARE(image.pixelColor(376, 165), QColor(255, 255, 255));
    QCOMPARE(image.pixelColor(6, 164), face);
    QCOMPARE(image.pixelColor(377, 163), face);
    QCOMPARE(image.pixelColor(200, 166), face);
}

void TestAbout::keysAndButtonsClose_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QStringList>("steps");
    const QStringList none;
    const QStringList unavailable{"message System Information Is Unavailable At This Time"};
    QTest::newRow("Escape") << "cmdOK" << Qt::Key_Escape << Qt::KeyboardModifiers() << true << none;
    QTest::newRow("Escape on System Info")
        << "cmdSysInfo" << Qt::Key_Escape << Qt::KeyboardModifiers() << true << none;
    QTest::newRow("Enter on OK") << "cmdOK" << Qt::Key_Return << Qt::KeyboardModifiers() << true
                                 << none;
    QTest::newRow("Enter on System Info")
        << "cmdSysInfo" << Qt::Key_Return << Qt::KeyboardModifiers() << false << unavailable;
    QTest::newRow("Space on OK") << "cmdOK" << Qt::Key_Space << Qt::KeyboardModifiers() << true
                                 << none;
    QTest::newRow("Alt+S") << "cmdOK" << Qt::Key_S << Qt::KeyboardModifiers(Qt::AltModifier)
                           << false << unavailable;
}

void TestAbout::keysAndButtonsClose()
{
    QFETCH(QString, focus);
    QFETCH(Qt::Key, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, closes);
    QFETCH(QStringList, steps);

    QPointer<fAbout> window = new fAbout;
    FakeSysInfoPlatform journal;
    window->setRegistryBackend(std::make_unique<FakeRegistry>());
    window->setSysInfoPlatform(journal.platform());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(QApplication::focusWidget(), window->findChild<QWidget *>("cmdOK"));
    window->findChild<QWidget *>(focus)->setFocus();

    QTest::keyClick(window->windowHandle(), key, modifiers);
    // An access key clicks its button a moment later.
    QTRY_COMPARE(StepsOf(journal), steps);
    if (closes) {
        QTRY_VERIFY(window.isNull()); // closed and deleted
    } else {
        QVERIFY(window->isVisible());
        delete window;
    }
}

void TestAbout::sysInfoShowsOneMessageAndStaysOpen()
{
    fAbout window;
    FakeSysInfoPlatform journal;
    window.setRegistryBackend(std::make_unique<FakeRegistry>());
    window.setSysInfoPlatform(journal.platform());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTest::mouseClick(window.findChild<QPushButton *>("cmdSysInfo"), Qt::LeftButton);
    QCOMPARE(journal.journal,
             std::vector<std::string>{"message System Information Is Unavailable At This Time"});
    QVERIFY(window.isVisible());
}

void TestAbout::sysInfoStartsRegisteredTool()
{
    fAbout window;
    FakeSysInfoPlatform journal;
    auto registry = std::make_unique<FakeRegistry>();
    registry->set(sysinfo::kToolKey, sysinfo::kToolValue, registry::kTypeString,
                  std::string("/opt/tool\0", 10));
    window.setRegistryBackend(std::move(registry));
    journal.programs.insert("/opt/tool");
    window.setSysInfoPlatform(journal.platform());

    window.StartSysInfo();
    QCOMPARE(journal.journal, std::vector<std::string>{"start /opt/tool"});
}

QTEST_MAIN(TestAbout)
#include "tst_fAbout.moc"
