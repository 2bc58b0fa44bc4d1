#include "mWindowMenu.h"

#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTest>

using namespace sparrowtrim;

using Keys = QList<Qt::Key>;

class TestWindowMenu final : public QObject
{
    Q_OBJECT

private slots:
    void choicesShowOneWindowEach_data();
    void choicesShowOneWindowEach();
};

void TestWindowMenu::choicesShowOneWindowEach_data()
{
    QTest::addColumn<Keys>("keys");
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("closeFirst"); // before it is chosen again; otherwise minimised
    QTest::newRow("Escape") << Keys{Qt::Key_Down, Qt::Key_Escape} << QString() << false;
    QTest::newRow("Quick Help") << Keys{Qt::Key_Down, Qt::Key_Return} << "fHelp" << false;
    const Keys about{Qt::Key_Down, Qt::Key_Down, Qt::Key_Return};
    QTest::newRow("About") << about << "fAbout" << false;
    // Chosen again before the closed window is deleted: a new one is made all the same.
    QTest::newRow("About after closing") << about << "fAbout" << true;
}

void TestWindowMenu::choicesShowOneWindowEach()
{
    QFETCH(Keys, keys);
    QFETCH(QString, window);
    QFETCH(bool, closeFirst);
    QWidget main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    const auto openWindows = [&main] {
        return main.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    };

    static QRect menu; // outlives the responder, which answers every menu with the keys
    SetWindowMenuResponder([keys](QMenu &shown) {
        menu = shown.geometry();
        for (const Qt::Key key : keys) {
            QTest::keyClick(&shown, key);
        }
    });
    QCursor::setPos(500, 300);
    ShowWindowMenu(&main);
    // The menu opens to the left of and below the pointer.
    QCOMPARE(menu.topRight() + QPoint(1, 0), QPoint(500, 300));
    QCOMPARE(openWindows().size(), window.isEmpty() ? 0 : 1);
    if (window.isEmpty()) {
        return;
    }
    QPointer<QWidget> first = openWindows().first();
    QCOMPARE(first->objectName(), window);
    QVERIFY(QTest::qWaitForWindowExposed(first));
    first->findChild<QLabel *>()->setText("changed"); // a window loaded again would lose this
    if (closeFirst) {
        first->close();
    } else {
        first->showMinimized();
    }

    ShowWindowMenu(&main);
    QTRY_VERIFY(!closeFirst || first.isNull());
    QCOMPARE(openWindows().size(), 1);
    QWidget *second = openWindows().first();
    QVERIFY(second->isVisible() && !second->isMinimized());
    if (!closeFirst) {
        QCOMPARE(second, first.data());
        QCOMPARE(second->findChild<QLabel *>()->text(), QStringLiteral("changed"));
    }
}

QTEST_MAIN(TestWindowMenu)
#include "tst_WindowMenu.moc"
