#include "PictureButton.h"
#include "PropertyBag.h"

#include <QCursor>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <memory>

using sparrowtrim::PictureButton;

namespace {

const QColor kRestingColor(200, 0, 0);
const QColor kHoverColor(0, 200, 0);
const QColor kDownColor(0, 0, 200);

QPixmap Filled(QSize size, const QColor &color)
{
    QPixmap pixmap(size);
    pixmap.fill(color);
    return pixmap;
}

// Holds back the ticks of a timer until the test lets exactly one through, so that a tick
// can never slip in between the steps of a sequence.
class TickGate final : public QObject
{
public:
    explicit TickGate(QTimer *timer) : QObject(timer), m_timer(timer)
    {
        timer->installEventFilter(this);
    }

    // Lets the next tick through and waits for it; a stopped timer has no tick to give.
    bool tickOnce()
    {
        if (!m_timer->isActive())
            return true;
        QSignalSpy ticked(m_timer, &QTimer::timeout);
        m_open = true;
        return ticked.wait(2000);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_timer || event->type() != QEvent::Timer)
            return false;
        if (!m_open)
            return true;
        m_open = false;
        return false;
    }

private:
    QTimer *m_timer;
    bool m_open = false;
};

enum class Action {
    MoveIn,
    MoveInOther,
    MoveOut,
    PressLeft,
    ReleaseLeft,
    PressRight,
    ReleaseRight,
    DoubleClickLeft,
    Tick,
};

struct Step
{
    Action action;
    QString events; // raised during the step, in order, separated by spaces
    int face;       // 0 resting, 1 hover, 2 down
    bool hover;
    bool timer;
};

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class tst_PictureButton : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void stateTable_data();
    void stateTable();
    void isMouseOverOnlyOnItsOwnSurface_data();
    void isMouseOverOnlyOnItsOwnSurface();
    void handlerChangingButtonChangesOutcome_data();
    void handlerChangingButtonChangesOutcome();
    void eventArgumentsInTwips();
    void timerRaisesMouseLeaveWithoutFurtherMoves();
    void sizeFollowsPictureOnShow_data();
    void sizeFollowsPictureOnShow();

private:
    void perform(Action action);
    QPoint globalInButton(QPoint local) const { return m_button->mapToGlobal(local); }
    void pointTo(QPoint global);
    void recordEvents();

    std::unique_ptr<QWidget> m_window;
    PictureButton *m_button = nullptr;
    QTimer *m_timer = nullptr;
    TickGate *m_gate = nullptr;
    QStringList m_events;
};

void tst_PictureButton::init()
{
    // Start with the pointer away from every window, so no stray move reaches the new button.
    pointTo(QPoint(700, 500));
    m_window = std::make_unique<QWidget>();
    m_window->setGeometry(50, 60, 300, 200);
    m_button = new PictureButton(m_window.get());
    m_button->setObjectName(QStringLiteral("cmdTest"));
    m_button->move(10, 20);
    m_button->setPicture(Filled({40, 20}, kRestingColor));
    m_button->setPictureHover(Filled({40, 20}, kHoverColor));
    m_button->setPictureDown(Filled({40, 20}, kDownColor));
    m_timer = m_button->findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(m_timer);
    m_gate = new TickGate(m_timer);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_events.clear();
}

void tst_PictureButton::cleanup()
{
    QWindow *window = m_window->windowHandle();
    const QPoint local = window->mapFromGlobal(QCursor::pos());
    for (const auto button : {Qt::LeftButton, Qt::RightButton}) {
        if (QGuiApplication::mouseButtons() & button)
            QTest::mouseRelease(window, button, {}, local);
    }
    m_window.reset();
}

// Off screen, QCursor::setPos stores the position at once (so widgetAt and IsMouseOver see it
// straight away) and queues a move for the widget under it, delivered by the next pump with
// the buttons the window system believes held. Presses and releases therefore go through the
// window, which keeps that belief and the implicit mouse grab as a real pointer would.
void tst_PictureButton::pointTo(QPoint global)
{
    QCursor::setPos(global);
    QCoreApplication::processEvents();
}

void tst_PictureButton::recordEvents()
{
    auto *button = m_button;
    auto &log = m_events;
    connect(button, &PictureButton::Click, this, [&log] { log << "Click"; });
    connect(button, &PictureButton::DblClick, this, [&log] { log << "DblClick"; });
    connect(button, &PictureButton::MouseMove, this,
            [&log](qint16 &b, qint16, float, float) { log << QStringLiteral("Move%1").arg(b); });
    connect(button, &PictureButton::MouseUp, this,
            [&log](qint16 b, qint16, float, float) { log << QStringLiteral("Up%1").arg(b); });
    connect(button, &PictureButton::MouseDown, this,
            [&log](qint16 &b, qint16, float, float) { log << QStringLiteral("Down%1").arg(b); });
    connect(button, &PictureButton::MouseEnter, this, [&log] { log << "Enter"; });
    connect(button, &PictureButton::MouseLeave, this, [&log] { log << "Leave"; });
}

void tst_PictureButton::perform(Action action)
{
    QWindow *window = m_window->windowHandle();
    const QPoint here = window->mapFromGlobal(QCursor::pos());
    switch (action) {
    case Action::MoveIn:
        pointTo(globalInButton({5, 5}));
        break;
    case Action::MoveInOther:
        pointTo(globalInButton({30, 12}));
        break;
    case Action::MoveOut:
        pointTo(m_window->mapToGlobal(QPoint(250, 150)));
        break;
    case Action::PressLeft:
        QTest::mousePress(window, Qt::LeftButton, {}, here);
        break;
    case Action::ReleaseLeft:
        QTest::mouseRelease(window, Qt::LeftButton, {}, here);
        break;
    case Action::PressRight:
        QTest::mousePress(window, Qt::RightButton, {}, here);
        break;
    case Action::ReleaseRight:
        QTest::mouseRelease(window, Qt::RightButton, {}, here);
        break;
    case Action::DoubleClickLeft:
        QTest::mouseDClick(window, Qt::LeftButton, {}, here);
        break;
    case Action::Tick:
        QVERIFY(m_gate->tickOnce());
        break;
    }
}

void tst_PictureButton::stateTable_data()
{
    QTest::addColumn<QList<Step>>("steps");
    using A = Action;
    const Step enter{A::MoveIn, "Move0 Enter", 1, true, true};

    QTest::newRow("entering raises MouseEnter once")
        << QList<Step>{enter, {A::MoveInOther, "Move0", 1, true, true}};
    QTest::newRow("leaving is noticed by the next tick")
        << QList<Step>{enter, {A::MoveOut, "", 1, true, true}, {A::Tick, "Leave", 0, false, false}};
    QTest::newRow("tick with the pointer still over changes nothing")
        << QList<Step>{enter, {A::Tick, "", 1, true, true}};
    QTest::newRow("left press and release without moving")
        << QList<Step>{enter,
                       {A::PressLeft, "Down1", 2, true, true},
                       {A::ReleaseLeft, "Up1 Click", 1, true, true}};
    QTest::newRow("move with left held clears hover, next plain move enters again")
        << QList<Step>{enter,
                       {A::PressLeft, "Down1", 2, true, true},
                       {A::MoveInOther, "Move1", 2, false, true},
                       {A::ReleaseLeft, "Up1 Click", 1, false, true},
                       {A::MoveIn, "Move0 Enter", 1, true, true}};
    QTest::newRow("drag out, back in, out again, release outside")
        << QList<Step>{enter,
                       {A::PressLeft, "Down1", 2, true, true},
                       {A::MoveOut, "Move1", 0, false, true},
                       {A::MoveIn, "Move1", 2, false, true},
                       {A::MoveOut, "Move1", 0, false, true},
                       {A::ReleaseLeft, "Up1", 0, false, true},
                       {A::Tick, "Leave", 0, false, false}};
    QTest::newRow("right press leaves the face, release shows hover") << QList<Step>{
        enter, {A::PressRight, "Down2", 1, true, true}, {A::ReleaseRight, "Up2", 1, true, true}};
    QTest::newRow("right release away from the button rests")
        << QList<Step>{enter,
                       {A::PressRight, "Down2", 1, true, true},
                       {A::MoveOut, "Move2", 1, true, true},
                       {A::ReleaseRight, "Up2", 0, true, true}};
    QTest::newRow("move with left and right held changes nothing")
        << QList<Step>{enter,
                       {A::PressLeft, "Down1", 2, true, true},
                       {A::PressRight, "Down2", 2, true, true},
                       {A::MoveInOther, "Move3", 2, true, true},
                       {A::MoveOut, "Move3", 2, true, true},
                       {A::ReleaseRight, "Up2", 0, true, true},
                       {A::ReleaseLeft, "Up1", 0, true, true}};
    QTest::newRow("drag out until MouseLeave, back in, release shows hover with timer off")
        << QList<Step>{enter,
                       {A::PressLeft, "Down1", 2, true, true},
                       {A::MoveOut, "Move1", 0, false, true},
                       {A::Tick, "Leave", 0, false, false},
                       {A::MoveIn, "Move1", 2, false, false},
                       {A::ReleaseLeft, "Up1 Click", 1, false, false},
                       {A::MoveInOther, "Move0 Enter", 1, true, true}};
    QTest::newRow("double click") << QList<Step>{
        enter, {A::DoubleClickLeft, "Down1 Up1 Click DblClick Up1", 1, true, true}};
}

void tst_PictureButton::stateTable()
{
    QFETCH(QList<Step>, steps);
    recordEvents();
    const QColor faces[] = {kRestingColor, kHoverColor, kDownColor};
    int index = 0;
    for (const Step &step : steps) {
        m_events.clear();
        perform(step.action);
        const QByteArray where = "step " + QByteArray::number(index++);
        QVERIFY2(m_events.join(' ') == step.events,
                 where + ": events " + m_events.join(' ').toUtf8());
        QVERIFY2(m_button->faceState() == step.face, where);
        QVERIFY2(m_button->grab().toImage().pixelColor(1, 1) == faces[step.face],
                 where + ": face on screen");
        QVERIFY2(m_button->isHoverTracked() == step.hover, where + ": hover flag");
        QVERIFY2(m_timer->isActive() == step.timer, where + ": timer");
    }
}

void tst_PictureButton::isMouseOverOnlyOnItsOwnSurface_data()
{
    QTest::addColumn<QString>("place");
    QTest::addColumn<bool>("over");

    QTest::newRow("own surface") << "button" << true;
    QTest::newRow("hidden sibling on top") << "hidden sibling" << true;
    QTest::newRow("sibling on top") << "sibling" << false;
    QTest::newRow("child of the button") << "child" << false;
    QTest::newRow("another window over it") << "window" << false;
    QTest::newRow("parent beside it") << "parent" << false;
    QTest::newRow("no window at all") << "nowhere" << false;
}

// The release handler shows the hover face exactly when IsMouseOver answers true.
void tst_PictureButton::isMouseOverOnlyOnItsOwnSurface()
{
    QFETCH(QString, place);
    QFETCH(bool, over);

    QWidget sibling(m_window.get());
    sibling.setGeometry(m_button->geometry().adjusted(0, 0, -20, -10));
    sibling.setVisible(place != "hidden sibling");
    if (place.endsWith("sibling"))
        sibling.raise();
    else
        sibling.hide();
    QWidget child(m_button);
    child.setGeometry(0, 0, 10, 10);
    child.setVisible(place == "child");
    QWidget cover;
    if (place == "window") {
        cover.setGeometry(QRect(globalInButton({0, 0}), QSize(20, 20)));
        cover.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cover));
    }

    QPoint target = globalInButton({3, 3});
    if (place == "parent")
        target = m_window->mapToGlobal(QPoint(200, 100));
    else if (place == "nowhere")
        target = QPoint(700, 500);
    pointTo(target);

    QTest::mouseRelease(m_button, Qt::RightButton, {}, {3, 3});
    QCOMPARE(m_button->faceState(), over ? 1 : 0);
}

void tst_PictureButton::handlerChangingButtonChangesOutcome_data()
{
    QTest::addColumn<bool>("onMove");
    QTest::addColumn<Qt::MouseButton>("pressed");
    QTest::addColumn<int>("replacement");
    QTest::addColumn<int>("face");
    QTest::addColumn<bool>("entered");

    QTest::newRow("left press turned into right stays resting")
        << false << Qt::LeftButton << 2 << 0 << false;
    QTest::newRow("right press turned into left shows down")
        << false << Qt::RightButton << 1 << 2 << false;
    QTest::newRow("plain move turned into right held does not enter")
        << true << Qt::NoButton << 2 << 0 << false;
    QTest::newRow("plain move turned into left held shows down")
        << true << Qt::NoButton << 1 << 2 << false;
    QTest::newRow("plain move left alone enters") << true << Qt::NoButton << 0 << 1 << true;
}

void tst_PictureButton::handlerChangingButtonChangesOutcome()
{
    QFETCH(bool, onMove);
    QFETCH(Qt::MouseButton, pressed);
    QFETCH(int, replacement);
    QFETCH(int, face);
    QFETCH(bool, entered);

    QSignalSpy enterSpy(m_button, &PictureButton::MouseEnter);
    const auto replace = [replacement](qint16 &Button, qint16, float, float) {
        Button = qint16(replacement);
    };
    if (onMove) {
        connect(m_button, &PictureButton::MouseMove, this, replace);
        pointTo(globalInButton({5, 5}));
    } else {
        connect(m_button, &PictureButton::MouseDown, this, replace);
        QTest::mousePress(m_button, pressed, {}, {5, 5});
    }
    QCOMPARE(m_button->faceState(), face);
    QCOMPARE(enterSpy.count(), entered ? 1 : 0);
    QCOMPARE(m_timer->isActive(), entered);
    if (!onMove)
        QTest::mouseRelease(m_button, pressed, {}, {5, 5});
}

void tst_PictureButton::eventArgumentsInTwips()
{
    if (m_button->logicalDpiX() != 96 || m_button->logicalDpiY() != 96)
        QSKIP("twips per pixel are 15 only at 96 dots per inch");
    QList<QList<float>> seen;
    connect(m_button, &PictureButton::MouseDown, this,
            [&seen](qint16 &b, qint16 s, float x, float y) {
                seen << QList<float>{float(b), float(s), x, y};
            });
    connect(m_button, &PictureButton::MouseUp, this, [&seen](qint16 b, qint16 s, float x, float y) {
        seen << QList<float>{float(b), float(s), x, y};
    });
    QTest::mousePress(m_button, Qt::MiddleButton, Qt::ShiftModifier | Qt::ControlModifier, {10, 4});
    QTest::mouseRelease(m_button, Qt::MiddleButton, Qt::AltModifier, {11, 3});
    QCOMPARE(seen, (QList<QList<float>>{{4, 3, 150, 60}, {4, 4, 165, 45}}));
}

// With the real timer running, a pointer that jumps away without any move reaching the button
// still ends the hover within a tick.
void tst_PictureButton::timerRaisesMouseLeaveWithoutFurtherMoves()
{
    m_gate->deleteLater();
    m_timer->removeEventFilter(m_gate);
    QSignalSpy leaveSpy(m_button, &PictureButton::MouseLeave);
    pointTo(globalInButton({5, 5}));
    QVERIFY(m_timer->isActive());
    QCursor::setPos(QPoint(700, 500));
    QVERIFY(leaveSpy.wait(2000));
    QCOMPARE(leaveSpy.count(), 1);
    QVERIFY(!m_timer->isActive());
    QCOMPARE(m_button->faceState(), 0);
}

void tst_PictureButton::sizeFollowsPictureOnShow_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QSize>("size");

    QTest::newRow("picture of 123 x 31") << "picture 123x31" << QSize(123, 31);
    QTest::newRow("owner resizes it") << "resize" << QSize(40, 20);
    QTest::newRow("down picture set while resting") << "down 60x60" << QSize(40, 20);
    QTest::newRow("empty picture keeps the size") << "empty, resize" << QSize(55, 17);
    QTest::newRow("stored picture shows on the next resize") << "read 123x31" << QSize(123, 31);
}

void tst_PictureButton::sizeFollowsPictureOnShow()
{
    QFETCH(QString, change);
    QFETCH(QSize, size);

    const QColor red(200, 0, 0);
    if (change == "picture 123x31") {
        m_button->setPicture(Filled({123, 31}, red));
    } else if (change == "resize") {
        m_button->resize(90, 90);
    } else if (change == "down 60x60") {
        m_button->setPictureDown(Filled({60, 60}, Qt::yellow));
        QCOMPARE(m_button->grab().toImage().pixelColor(1, 1), kRestingColor);
    } else if (change == "empty, resize") {
        m_button->setPicture(QPixmap());
        m_button->resize(55, 17);
    } else if (change == "read 123x31") {
        const sparrowtrim::PropertyBag bag({{"picture", Filled({123, 31}, red)}});
        m_button->ReadProperties(bag);
        // Reading draws nothing; the host's resize after the load does.
        QCOMPARE(m_button->size(), QSize(40, 20));
        m_button->resize(1, 1);
    }
    QCOMPARE(m_button->size(), size);
}

QTEST_MAIN(tst_PictureButton)
#include "tst_picturebutton.moc"
