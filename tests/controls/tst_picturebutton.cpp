#include "PictureButton.h"

#include <QCursor>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <memory>

using sparrowtrim::PictureButton;

namespace {

const QColor kFaces[] = {QColor(200, 0, 0), QColor(0, 200, 0), QColor(0, 0, 200)};

QPixmap Filled(QSize size, const QColor &color)
{
    QPixmap pixmap(size);
    pixmap.fill(color);
    return pixmap;
}

// Off screen, QCursor::setPos moves the pointer at once (IsMouseOver sees it straight away) and
// queues a move for the widget under it, with the buttons the window believes held. Presses and
// releases therefore go through the window, which keeps that belief and the mouse grab.
void PointTo(QPoint global)
{
    QCursor::setPos(global);
    QCoreApplication::processEvents();
}

} // namespace

class tst_PictureButton : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void stateTable_data();
    void stateTable();
    void eventArgumentsInTwips();
    void sizeFollowsThePictureOnShow();

private:
    void perform(const QString &action);

    std::unique_ptr<QWidget> m_window;
    PictureButton *m_button = nullptr;
    QTimer *m_timer = nullptr;
    QStringList m_events;
};

void tst_PictureButton::init()
{
    PointTo(QPoint(700, 500)); // away from every window
    m_window = std::make_unique<QWidget>();
    m_window->setGeometry(50, 60, 300, 200);
    m_button = new PictureButton(m_window.get());
    m_button->move(10, 20);
    m_button->setPicture(Filled({40, 20}, kFaces[0]));
    m_button->setPictureHover(Filled({40, 20}, kFaces[1]));
    m_button->setPictureDown(Filled({40, 20}, kFaces[2]));
    // A child of the button at its right end takes the pointer from it.
    (new QWidget(m_button))->setGeometry(34, 0, 6, 20);
    m_timer = m_button->findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(m_timer);
    // The hover timer's ticks reach the button only in a "tick" step, never between steps.
    m_timer->blockSignals(true);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

    auto &log = m_events;
    log.clear();
    const auto button = [&log](const char *name) {
        return [&log, name](qint16 b, qint16, float, float) { log << name + QString::number(b); };
    };
    connect(m_button, &PictureButton::Click, this, [&log] { log << "Click"; });
    connect(m_button, &PictureButton::DblClick, this, [&log] { log << "DblClick"; });
    connect(m_button, &PictureButton::MouseMove, this, button("Move"));
    connect(m_button, &PictureButton::MouseUp, this, button("Up"));
    connect(m_button, &PictureButton::MouseDown, this, button("Down"));
    connect(m_button, &PictureButton::MouseEnter, this, [&log] { log << "Enter"; });
    connect(m_button, &PictureButton::MouseLeave, this, [&log] { log << "Leave"; });
}

void tst_PictureButton::cleanup()
{
    QWindow *window = m_window->windowHandle();
    for (const auto button : {Qt::LeftButton, Qt::RightButton}) {
        if (QGuiApplication::mouseButtons() & button)
            QTest::mouseRelease(window, button, {}, window->mapFromGlobal(QCursor::pos()));
    }
    m_window.reset();
}

void tst_PictureButton::perform(const QString &action)
{
    QWindow *window = m_window->windowHandle();
    const QPoint here = window->mapFromGlobal(QCursor::pos());
    const auto button = action.endsWith("right") ? Qt::RightButton : Qt::LeftButton;
    const QHash<QString, QPoint> places{{"move in", {5, 5}},
                                        {"move in again", {30, 12}},
                                        {"move onto child", {36, 10}},
                                        {"move out", {240, 130}}};
    if (places.contains(action))
        PointTo(m_button->mapToGlobal(places[action]));
    else if (action.startsWith("press"))
        QTest::mousePress(window, button, {}, here);
    else if (action.startsWith("release"))
        QTest::mouseRelease(window, button, {}, here);
    else if (action == "double click")
        QTest::mouseDClick(window, button, {}, here);
    else if (action == "cover with a window") {
        auto *cover = new QWidget(m_window.get(), Qt::Window);
        cover->setGeometry(QRect(m_button->mapToGlobal(QPoint(0, 0)), QSize(20, 20)));
        cover->show();
        QVERIFY(QTest::qWaitForWindowExposed(cover));
    } else if (action == "tick" && m_timer->isActive()) {
        QSignalSpy ticked(m_timer, &QTimer::timeout);
        m_timer->blockSignals(false);
        QVERIFY(ticked.wait(2000));
        m_timer->blockSignals(true);
    } else if (action.startsWith("handler")) { // "handler sets Down to 2": MouseDown hands back 2
        const auto replace = [to = action.right(1).toShort()](qint16 &b, qint16, float, float) {
            b = to;
        };
        if (action.contains("Down"))
            connect(m_button, &PictureButton::MouseDown, this, replace);
        else
            connect(m_button, &PictureButton::MouseMove, this, replace);
    }
}

void tst_PictureButton::stateTable_data()
{
    // Steps separated by "|": the action, "->", the events it raised in order, "=", then the
    // face shown (0 resting, 1 hover, 2 down), "h" if the hover flag is set, "t" if the timer runs.
    QTest::addColumn<QString>("steps");
    const QString enter = "move in -> Move0 Enter = 1ht | ";

    QTest::newRow("entering raises MouseEnter once, ticks over the button change nothing")
        << enter + "move in again -> Move0 = 1ht | tick -> = 1ht";
    QTest::newRow("leaving is noticed by the next tick")
        << enter + "move out -> = 1ht | tick -> Leave = 0";
    QTest::newRow("another window over the button is away from it")
        << enter + "cover with a window -> = 1ht | tick -> Leave = 0";
    QTest::newRow("a child of the button is away from it")
        << enter + "move onto child -> = 1ht | tick -> Leave = 0";
    QTest::newRow("left press and release without moving")
        << enter + "press left -> Down1 = 2ht | release left -> Up1 Click = 1ht";
    QTest::newRow("move with left held clears hover, next plain move enters again")
        << enter + "press left -> Down1 = 2ht | move in again -> Move1 = 2t |"
                   "release left -> Up1 Click = 1t | move in -> Move0 Enter = 1ht";
    QTest::newRow("drag out, back in, out again, release outside")
        << enter + "press left -> Down1 = 2ht | move out -> Move1 = 0t | move in -> Move1 = 2t |"
                   "move out -> Move1 = 0t | release left -> Up1 = 0t | tick -> Leave = 0";
    QTest::newRow("right press changes no face, release over the button shows hover")
        << enter + "press right -> Down2 = 1ht | move out -> Move2 = 1ht | move in -> Move2 = 1ht |"
                   "release right -> Up2 = 1ht";
    QTest::newRow("move with left and right held changes nothing")
        << enter + "press left -> Down1 = 2ht | press right -> Down2 = 2ht |"
                   "move out -> Move3 = 2ht | release right -> Up2 = 0ht";
    QTest::newRow("drag out until MouseLeave, back in, release shows hover with timer off")
        << enter + "press left -> Down1 = 2ht | move out -> Move1 = 0t | tick -> Leave = 0 |"
                   "move in -> Move1 = 2 | release left -> Up1 Click = 1 |"
                   "move in again -> Move0 Enter = 1ht";
    QTest::newRow("double click") << enter + "double click -> Down1 Up1 Click DblClick Up1 = 1ht";
    QTest::newRow("MouseDown handler turning left into right keeps the face")
        << enter + "handler sets Down to 2 -> = 1ht | press left -> Down1 = 1ht";
    QTest::newRow("MouseMove handler turning a plain move into left held shows down")
        << "handler sets Move to 1 -> = 0 | move in -> Move0 = 2";
}

void tst_PictureButton::stateTable()
{
    QFETCH(QString, steps);
    for (const QString &step : steps.split('|')) {
        const QString action = step.section("->", 0, 0).trimmed();
        m_events.clear();
        perform(action);
        const QString seen = QStringLiteral("%1 -> %2 = %3%4%5")
                                 .arg(action, m_events.join(' '))
                                 .arg(m_button->faceState())
                                 .arg(m_button->isHoverTracked() ? "h" : "")
                                 .arg(m_timer->isActive() ? "t" : "");
        QCOMPARE(seen.simplified(), step.simplified());
        QCOMPARE(m_button->grab().toImage().pixelColor(1, 1), kFaces[m_button->faceState()]);
    }
}

void tst_PictureButton::eventArgumentsInTwips()
{
    if (m_button->logicalDpiX() != 96 || m_button->logicalDpiY() != 96)
        QSKIP("twips per pixel are 15 only at 96 dots per inch");
    QList<QList<float>> seen;
    const auto record = [&seen](qint16 b, qint16 s, float x, float y) {
        seen << QList<float>{float(b), float(s), x, y};
    };
    connect(m_button, &PictureButton::MouseDown, this, record);
    connect(m_button, &PictureButton::MouseUp, this, record);
    QTest::mousePress(m_button, Qt::MiddleButton, Qt::ShiftModifier | Qt::ControlModifier, {10, 4});
    QTest::mouseRelease(m_button, Qt::MiddleButton, Qt::AltModifier, {11, 3});
    QCOMPARE(seen, (QList<QList<float>>{{4, 3, 150, 60}, {4, 4, 165, 45}}));
}

// The control takes the size of the picture on show; with none to show it keeps its size.
void tst_PictureButton::sizeFollowsThePictureOnShow()
{
    m_button->resize(90, 90);
    QCOMPARE(m_button->size(), QSize(40, 20));
    m_button->setPictureDown(Filled({60, 60}, Qt::yellow));
    QCOMPARE(m_button->size(), QSize(40, 20));
    QCOMPARE(m_button->grab().toImage().pixelColor(1, 1), kFaces[0]);
    m_button->setPicture(Filled({123, 31}, Qt::yellow));
    QCOMPARE(m_button->size(), QSize(123, 31));
    m_button->setPicture(QPixmap());
    m_button->resize(55, 17);
    QCOMPARE(m_button->size(), QSize(55, 17));
}

QTEST_MAIN(tst_PictureButton)
#include "tst_picturebutton.moc"
