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

// Answers the next window menu with the keys, noting what it showed.
struct MenuAnswer
{
    QStringList items;
    QList<int> ids;
    QRect geometry;
    QPointer<QMenu> menu;

    explicit MenuAnswer(const Keys &keys)
    {
        SetWindowMenuResponder([this, keys](QMenu &shown) {
            menu = &shown;
            geometry = shown.geometry();
            for (const QAction *action : shown.actions()) {
                items << action->text();
                ids << action->data().toInt();
            }
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
    void cleanup();
    void menuItemsAndPlace();
    void choiceOpensWindow_data();
    void choiceOpensWindow();
    void secondChoiceBringsSameWindowBack_data();
    void secondChoiceBringsSameWindowBack();
    void closedWindowIsCreatedAfresh();

private:
    std::unique_ptr<QWidget> mainWindow_;
};

void TestWindowMenu::init()
{
    mainWindow_ = std::make_unique<QWidget>();
    mainWindow_->setGeometry(200, 100, 337, 439);
    mainWindow_->show();
    QVERIFY(QTest::qWaitForWindowExposed(mainWindow_.get()));
}

void TestWindowMenu::cleanup()
{
    mainWindow_.reset();
}

void TestWindowMenu::menuItemsAndPlace()
{
    MenuAnswer answer({Qt::Key_Escape});
    const QPoint pointer(500, 300);
    QCursor::setPos(pointer);
    ShowWindowMenu(mainWindow_.get());
    QVERIFY(mainWindow_->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).isEmpty());
    QCOMPARE(answer.items, (QStringList{"Quick Help", "About"}));
    QCOMPARE(answer.ids, (QList<int>{1001, 1000}));
    // Its right edge and its top at the pointer: it opens to the left of and below it.
    QCOMPARE(answer.geometry.right() + 1, pointer.x());
    QCOMPARE(answer.geometry.top(), pointer.y());
    QVERIFY(answer.menu.isNull()); // gone once the choice is made
}

void TestWindowMenu::choiceOpensWindow_data()
{
    QTest::addColumn<Keys>("keys");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("helpWindows");
    QTest::addColumn<int>("aboutWindows");
    QTest::newRow("Quick Help") << kChooseQuickHelp << 1001 << 1 << 0;
    QTest::newRow("About") << kChooseAbout << 1000 << 0 << 1;
    QTest::newRow("Escape") << Keys{Qt::Key_Down, Qt::Key_Escape} << 0 << 0 << 0;
}

void TestWindowMenu::choiceOpensWindow()
{
    QFETCH(Keys, keys);
    QFETCH(int, command);
    QFETCH(int, helpWindows);
    QFETCH(int, aboutWindows);

    MenuAnswer answer(keys);
    QCOMPARE(TrackWindowMenu(mainWindow_.get(), QPoint(400, 300)), command);
    OpenWindowMenuCommand(mainWindow_.get(), command);
    QCOMPARE(mainWindow_->findChildren<fHelp *>().size(), helpWindows);
    QCOMPARE(mainWindow_->findChildren<fAbout *>().size(), aboutWindows);
    for (QWidget *window : mainWindow_->findChildren<QWidget *>()) {
        if (window->isWindow()) {
            QVERIFY(window->isVisible());
            QCOMPARE(window->windowModality(), Qt::NonModal);
            QCOMPARE(window->parentWidget(), mainWindow_.get());
        }
    }
}

void TestWindowMenu::secondChoiceBringsSameWindowBack_data()
{
    QTest::addColumn<Keys>("keys");
    QTest::addColumn<QString>("windowName");
    QTest::newRow("Quick Help") << kChooseQuickHelp << "fHelp";
    QTest::newRow("About") << kChooseAbout << "fAbout";
}

void TestWindowMenu::secondChoiceBringsSameWindowBack()
{
    QFETCH(Keys, keys);
    QFETCH(QString, windowName);

    MenuAnswer answer(keys);
    ShowWindowMenu(mainWindow_.get());
    QPointer<QWidget> first = mainWindow_->findChild<QWidget *>(windowName);
    QVERIFY(first);
    QVERIFY(QTest::qWaitForWindowExposed(first));
    // Moved labels or changed texts would show that the window was loaded again.
    for (QLabel *label : first->findChildren<QLabel *>()) {
        label->setText("changed");
        label->move(label->pos() + QPoint(1, 1));
    }
    first->showMinimized();

    ShowWindowMenu(mainWindow_.get());
    QCOMPARE(mainWindow_->findChildren<QWidget *>(windowName).size(), 1);
    QCOMPARE(mainWindow_->findChild<QWidget *>(windowName), first.data());
    QVERIFY(!first->isMinimized());
    for (QLabel *label : first->findChildren<QLabel *>()) {
        QCOMPARE(label->text(), QStringLiteral("changed"));
    }
}

void TestWindowMenu::closedWindowIsCreatedAfresh()
{
    MenuAnswer answer(kChooseQuickHelp);
    ShowWindowMenu(mainWindow_.get());
    QPointer<fHelp> first = mainWindow_->findChild<fHelp *>();
    QVERIFY(first);
    first->close();
    // Reopened before the closed window is gone: a new one is made all the same.
    ShowWindowMenu(mainWindow_.get());
    QTRY_VERIFY(first.isNull());
    const auto open = mainWindow_->findChildren<fHelp *>();
    QCOMPARE(open.size(), 1);
    QVERIFY(open.first()->isVisible());
}

QTEST_MAIN(TestWindowMenu)
#include "tst_WindowMenu.moc"
