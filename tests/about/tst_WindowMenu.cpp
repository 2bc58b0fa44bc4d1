#include "fAbout.h"
#include "fHelp.h"
#include "mWindowMenu.h"

#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTest>

using namespace sparrowtrim;

namespace {

using Keys = QList<Qt::Key>;

// Answers every window menu with the keys, noting where the menu stood.
struct MenuAnswer
{
    QRect geometry;

    explicit MenuAnswer(const Keys &keys)
    {
        SetWindowMenuResponder([this, keys](QMenu &shown) {
            geometry = shown.geometry();
            for (const Qt::Key key : keys) {
                QTest::keyClick(&shown, key);
            }
        });
    }
    ~MenuAnswer() { SetWindowMenuResponder({}); }
    Q_DISABLE_COPY_MOVE(MenuAnswer)
};

const Keys kChooseQuickHelp{Qt::Key_Down, Qt::Key_Return};
const Keys kChooseAbout{Qt::Key_Down, Qt::Key_Down, Qt::Key_Return};

} // namespace

class TestWindowMenu final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void choiceOpensWindow_data();
    void choiceOpensWindow();
    void secondChoiceShowsOneWindow_data();
    void secondChoiceShowsOneWindow();

private:
    std::unique_ptr<QWidget> main_;
};

void TestWindowMenu::init()
{
    main_ = std::make_unique<QWidget>();
    main_->show();
    QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
}

void TestWindowMenu::choiceOpensWindow_data()
{
    QTest::addColumn<Keys>("keys");
    QTest::addColumn<int>("helpWindows");
    QTest::addColumn<int>("aboutWindows");
    QTest::newRow("Quick Help") << kChooseQuickHelp << 1 << 0;
    QTest::newRow("About") << kChooseAbout << 0 << 1;
    QTest::newRow("Escape") << Keys{Qt::Key_Down, Qt::Key_Escape} << 0 << 0;
}

void TestWindowMenu::choiceOpensWindow()
{
    QFETCH(Keys, keys);
    MenuAnswer answer(keys);
    const QPoint pointer(500, 300);
    QCursor::setPos(pointer);
    ShowWindowMenu(main_.get());
    // The menu opens to the left of and below the pointer.
    QCOMPARE(answer.geometry.topRight() + QPoint(1, 0), pointer);
    QTEST(int(main_->findChildren<fHelp *>().size()), "helpWindows");
    QTEST(int(main_->findChildren<fAbout *>().size()), "aboutWindows");
    for (QWidget *window : main_->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        QVERIFY(window->isVisible());
        QVERIFY(!window->isModal());
    }
}

void TestWindowMenu::secondChoiceShowsOneWindow_data()
{
    QTest::addColumn<Keys>("keys");
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("closeFirst");
    QTest::newRow("Quick Help minimised") << kChooseQuickHelp << "fHelp" << false;
    QTest::newRow("About minimised") << kChooseAbout << "fAbout" << false;
    // Chosen again before the closed window is deleted: a new one is made all the same.
    QTest::newRow("About closed") << kChooseAbout << "fAbout" << true;
}

void TestWindowMenu::secondChoiceShowsOneWindow()
{
    QFETCH(Keys, keys);
    QFETCH(QString, window);
    QFETCH(bool, closeFirst);

    MenuAnswer answer(keys);
    ShowWindowMenu(main_.get());
    QPointer<QWidget> first = main_->findChild<QWidget *>(window);
    QVERIFY(first);
    QVERIFY(QTest::qWaitForWindowExposed(first));
    first->findChild<QLabel *>()->setText("changed"); // a window loaded again would lose this
    if (closeFirst) {
        first->close();
    } else {
        first->showMinimized();
    }

    ShowWindowMenu(main_.get());
    QTRY_VERIFY(!closeFirst || first.isNull());
    const QList<QWidget *> open = main_->findChildren<QWidget *>(window);
    QCOMPARE(open.size(), 1);
    QVERIFY(open.first()->isVisible() && !open.first()->isMinimized());
    if (!closeFirst) {
        QCOMPARE(open.first(), first.data());
        QCOMPARE(first->findChild<QLabel *>()->text(), QStringLiteral("changed"));
    }
}

QTEST_MAIN(TestWindowMenu)
#include "tst_WindowMenu.moc"
