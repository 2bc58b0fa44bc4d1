// The two self-drawn controls in one window, driven as the window system drives them and read
// back from the screen itself: the window's backing store, which only the controls' own
// repaints change (grab() would paint them afresh).

#include "controls/PictureButton.h"
#include "controls/PropertyBag.h"
#include "controls/QV_Progbar.h"

#include <QtTest>
#include <climits>
#include <memory>

using namespace sparrowtrim;
using Role = QPalette::ColorRole;

namespace {

const QColor kFaces[] = {QColor(200, 0, 0), QColor(0, 200, 0), QColor(0, 0, 200)};

// The persistence keys of the progress bar, then of the image button, in their stored order.
const QStringList kKeys = {"Min",      "Max",          "Value",       "BackColor",
                           "Barcolor", "Barstyle",     "BorderStyle", "BarOffset",
                           "Picture",  "PictureHover", "PictureDown"};

QPixmap Filled(const QColor &color, QSize size = {40, 20})
{
    QPixmap pixmap(size);
    pixmap.fill(color);
    return pixmap;
}

} // namespace

class ControlsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void buttonStates_data();
    void buttonStates();
    void buttonEventArgumentsInTwips();
    void barGeometry_data();
    void barGeometry();
    void edgePixels_data();
    void edgePixels();
    void barWritesShowOnScreen();
    void propertiesRoundTrip_data();
    void propertiesRoundTrip();

private:
    QWidget *picBar() const { return m_bar->findChild<QWidget *>(QStringLiteral("picBar")); }
    QColor color(Role role) const { return m_bar->palette().color(role); }
    QColor Shown(const QWidget *widget, QPoint point) const
    {
        const QImage screen = m_window->screen()->grabWindow(m_window->winId()).toImage();
        return screen.pixelColor(widget->mapTo(m_window.get(), point));
    }

    std::unique_ptr<QWidget> m_window;
    PictureButton *m_button = nullptr;
    QTimer *m_timer = nullptr;
    QStringList m_events;
    QV_Progbar *m_bar = nullptr;
};

void ControlsTest::init()
{
    QCursor::setPos(700, 500); // away from every window
    m_window = std::make_unique<QWidget>();
    m_bar = new QV_Progbar(m_window.get());
    m_bar->setGeometry(42, 135, 240, 12);
    // Shades all different from one another, so each pixel tells which role painted it.
    m_bar->setPalette(QPalette(QColor(0, 128, 128), QColor(200, 200, 0)));

    // Faces of one size: a change of face resizes nothing, so only the button's own repaint
    // puts the new face on screen.
    m_button = new PictureButton(m_window.get());
    m_button->move(10, 20);
    m_button->setPicture(Filled(kFaces[0]));
    m_button->setPictureHover(Filled(kFaces[1]));
    m_button->setPictureDown(Filled(kFaces[2]));
    // A child of the button at its right end takes the pointer from it.
    (new QWidget(m_button))->setGeometry(34, 0, 6, 20);
    m_timer = m_button->findChild<QTimer *>(QStringLiteral("Timer1"));
    QCOMPARE(m_timer->interval(), 1); // a departure is noticed as soon as the platform allows
    // The hover timer ticks only in a "tick" step, never between steps.
    m_timer->setInterval(std::numeric_limits<int>::max());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_button->resize(90, 90); // whatever size the host gives, the button takes the picture's
    QCOMPARE(m_button->size(), QSize(40, 20));

    // Each event by its name, the mouse events with their Button argument.
    const auto note = [this](const char *name) {
        return [this, name](auto... args) {
            m_events << name + QStringList{QString::number(args)...}.value(0);
        };
    };
    connect(m_button, &PictureButton::Click, this, note("Click"));
    connect(m_button, &PictureButton::DblClick, this, note("DblClick"));
    connect(m_button, &PictureButton::MouseMove, this, note("Move"));
    connect(m_button, &PictureButton::MouseUp, this, note("Up"));
    connect(m_button, &PictureButton::MouseDown, this, note("Down"));
    connect(m_button, &PictureButton::MouseEnter, this, note("Enter"));
    connect(m_button, &PictureButton::MouseLeave, this, note("Leave"));
}

void ControlsTest::buttonStates_data()
{
    // Steps separated by "|": the action, "->", the events it raised in order, "=", then the
    // face shown (0 resting, 1 hover, 2 down), "h" if the hover flag is set, "t" if the timer runs.
    QTest::addColumn<QString>("steps");
    const QString enter = "move in -> Move0 Enter = 1ht | ";

    QTest::newRow("entering once; a move with left held clears hover, the next plain move enters")
        << enter + "move in again -> Move0 = 1ht | tick -> = 1ht | press left -> Down1 = 2ht | "
                   "release left -> Up1 Click = 1ht | press left -> Down1 = 2ht | move in -> Move1 "
                   "= 2t | release left -> Up1 Click = 1t | move in again -> Move0 Enter = 1ht";
    // Out of the program's windows the pointer position stops updating on some platforms: the
    // leave event alone ends the hover, and the timer with it, before any tick.
    QTest::newRow("leaving, out of the window too, at once; onto a child of the button by a tick")
        << enter + "move out -> Leave = 0 | move in -> Move0 Enter = 1ht | "
                   "move out of the window -> Leave = 0 | move in again -> Move0 Enter = 1ht | "
                   "move onto child -> = 1ht | tick -> Leave = 0";
    QTest::newRow("a right press changes no face, nor a move with the right button also held")
        << enter + "press right -> Down2 = 1ht | move out -> Move2 = 1ht | "
                   "release right -> Up2 Leave = 0 | move in -> Move0 Enter = 1ht | "
                   "press left -> Down1 = 2ht | press right -> Down2 = 2ht | "
                   "move out -> Move3 = 2ht | release right -> Up2 = 0ht | "
                   "release left -> Up1 Leave = 0";
    QTest::newRow("drag out until MouseLeave, back in, release shows hover with timer off")
        << enter + "press left -> Down1 = 2ht | move out -> Move1 = 0t | tick -> Leave = 0 |"
                   "move in -> Move1 = 2 | release left -> Up1 Click = 1 | move out -> = 0 |"
                   "move in again -> Move0 Enter = 1ht";
    QTest::newRow("double click") << enter + "double click -> Down1 Up1 Click DblClick Up1 = 1ht";
}

void ControlsTest::buttonStates()
{
    QFETCH(QString, steps);
    QWindow *window = m_window->windowHandle();
    const QHash<QString, QPoint> places{
        {"in", {5, 5}},
        {"in again", {30, 12}},
        {"onto child", {36, 10}},
        {"out", {240, 60}},
        {"out of the window", m_button->mapFromGlobal(QPoint(700, 500))}};
    for (const QString &step : steps.split('|')) {
        const QString action = step.section("->", 0, 0).trimmed();
        const auto button = action.endsWith("right") ? Qt::RightButton : Qt::LeftButton;
        m_events.clear();
        // Off screen, QCursor::setPos moves the pointer at once (IsMouseOver sees it straight
        // away) and queues a move for the widget under it, with the buttons the window believes
        // held. Presses and releases therefore go through the window, which keeps that belief
        // and the mouse grab.
        if (action.startsWith("move ")) {
            QCursor::setPos(m_button->mapToGlobal(places.value(action.mid(5))));
            QCoreApplication::processEvents();
        } else if (action.startsWith("press")) {
            QTest::mousePress(window, button, {}, window->mapFromGlobal(QCursor::pos()));
        } else if (action.startsWith("release")) {
            QTest::mouseRelease(window, button, {}, window->mapFromGlobal(QCursor::pos()));
        } else if (action == "double click") {
            QTest::mouseDClick(window, button, {}, window->mapFromGlobal(QCursor::pos()));
        } else if (action == "tick" && m_timer->isActive()) {
            QMetaObject::invokeMethod(m_timer, "timeout");
        }
        const QString seen =
            action + " -> " + m_events.join(' ') + " = " + QString::number(m_button->faceState()) +
            (m_button->isHoverTracked() ? "h" : "") + (m_timer->isActive() ? "t" : "");
        QCOMPARE(seen.simplified(), step.simplified());
        QTRY_COMPARE(Shown(m_button, {1, 1}), kFaces[m_button->faceState()]);
    }
}

// Off screen there are 96 dots per inch: 15 twips to the pixel.
void ControlsTest::buttonEventArgumentsInTwips()
{
    QList<float> seen;
    connect(m_button, &PictureButton::MouseUp, this, [&seen](auto... a) { seen = {float(a)...}; });
    QTest::mouseRelease(m_button, Qt::MiddleButton, Qt::KeyboardModifierMask, {10, 4});
    QCOMPARE(seen, (QList<float>{4, 7, 150, 60}));
}

void ControlsTest::barGeometry_data()
{
    // Height of a 240 pixel wide control, then BarOffset, Min, Max and value as written.
    QTest::addColumn<QList<int>>("setting");
    QTest::addColumn<QRect>("geometry");

    // Each row starts from a bar placed by value 1 of Max 4.
    using S = QList<int>;
    const QRect before(0, 0, 60, 12);
    QTest::newRow("half") << S{12, 0, 0, 10, 5} << QRect(0, 0, 120, 12);
    QTest::newRow("half, inset") << S{12, 1, 0, 10, 5} << QRect(2, 2, 118, 8);
    QTest::newRow("zero hides") << S{12, 0, 0, 10, 0} << QRect(0, 0, 0, 12);
    QTest::newRow("above max, not clamped") << S{12, 0, 0, 10, 20} << QRect(0, 0, 480, 12);
    QTest::newRow("min takes no part") << S{12, 0, 50, 100, 50} << QRect(0, 0, 120, 12);
    QTest::newRow("offset other than 1, no inset") << S{12, 2, 0, 10, 5} << QRect(0, 0, 120, 12);
    QTest::newRow("max zero keeps place and size") << S{12, 1, 0, 0, 5} << before;
    QTest::newRow("negative value keeps place and size") << S{12, 0, 0, 10, -5} << before;
    QTest::newRow("too low for the inset keeps place") << S{3, 1, 0, 10, 5} << QRect(0, 0, 60, 3);
    QTest::newRow("wider than a widget can be: kept") << S{12, 0, 0, 1, INT_MAX} << before;
}

void ControlsTest::barGeometry()
{
    QFETCH(QList<int>, setting);
    QFETCH(QRect, geometry);

    m_bar->resize(240, setting[0]);
    m_bar->setMax(4);
    m_bar->setValue(1);
    const QRect before = picBar()->geometry();
    m_bar->setBarOffset(setting[1]);
    m_bar->setMin(setting[2]);
    m_bar->setMax(setting[3]);
    QCOMPARE(picBar()->geometry(), before); // only a value write moves the bar
    m_bar->setValue(setting[4]);
    QCOMPARE(!picBar()->isHidden(), setting[4] != 0);
    QCOMPARE(picBar()->geometry(), geometry);
    m_bar->resize(200, 20); // a resize moves the bar to the corner, and nothing more
    QCOMPARE(picBar()->geometry(), QRect(QPoint(0, 0), geometry.size()));
}

void ControlsTest::edgePixels_data()
{
    QTest::addColumn<int>("style");
    // Shades of the outer ring's top-left and bottom-right, then of the inner ring's:
    // L light (brighter highlight), M midlight (light), D dark (shadow), S darkest shadow.
    QTest::addColumn<QString>("rings");
    const QStringList styles = {"", "MS", "LD", "DL", "SM", "MSLD", "DLSM", "DLLD", "MSSM"};
    for (int style = -1; style <= 9; ++style)
        QTest::addRow("style %d", style) << style << styles.value(style);
}

void ControlsTest::edgePixels()
{
    QFETCH(int, style);
    QFETCH(QString, rings);

    m_bar->setBorderStyle(style);
    // The shades on the left, right, inner left and inner right sides; "-" for the background.
    const QList<QColor> shades = {color(Role::Light), color(Role::Midlight), color(Role::Dark),
                                  color(Role::Shadow)};
    QString seen;
    for (const int x : {0, 239, 1, 238})
        seen += QStringLiteral("-LMDS").at(shades.indexOf(Shown(m_bar, {x, 5})) + 1);
    QCOMPARE(seen, rings.leftJustified(4, '-'));
}

// A new bar shows the system button face and, once shown, its bar the system window
// background. BackColor shows once the window system has repainted, and Barstyle with the next
// value write, even of the same value.
void ControlsTest::barWritesShowOnScreen()
{
    QTRY_COMPARE(Shown(m_bar, {5, 5}), color(Role::Button));
    m_bar->setBackColor(0x000000FF);
    QTRY_COMPARE(Shown(m_bar, {5, 5}), QColor(Qt::red));
    m_bar->setValue(50);
    QCOMPARE(Shown(m_bar, {0, 0}), color(Role::Base));
    m_bar->setBarstyle(3);
    m_bar->setValue(50);
    QCOMPARE(Shown(m_bar, {0, 0}), color(Role::Dark));
    // A value write serves the events already queued, such as a Stop click whose handler
    // writes the value again.
    QMetaObject::invokeMethod(
        m_bar, [this] { m_bar->setValue(0); }, Qt::QueuedConnection);
    m_bar->setValue(50);
    QVERIFY(picBar()->isHidden());
}

void ControlsTest::propertiesRoundTrip_data()
{
    QTest::addColumn<QVariantMap>("properties"); // pictures for the image button
    QTest::addColumn<QStringList>("written");

    // A missing key reads as its stored default, which for the bar colour is the button face.
    QTest::newRow("progress bar at the stored defaults writes nothing")
        << QVariantMap{{"Barcolor", 0x8000000Fu}} << QStringList{};
    const QVariantMap every{
        {"BarOffset", 1},           {"BorderStyle", 3}, {"Barstyle", -7}, {"Barcolor", 0xC0C0C0u},
        {"BackColor", 0x80000005u}, {"Min", -50},       {"Max", 0},       {"value", INT_MAX}};
    QTest::newRow("progress bar with every key") << every << kKeys.mid(0, 8);
    const QVariantMap pictures{{"PictureDown", Filled(Qt::red)},
                               {"PictureHover", Filled(Qt::green)},
                               {"Picture", Filled(Qt::blue)}};
    QTest::newRow("image button with every picture") << pictures << kKeys.mid(8);
}

// Every write notifies its persistence key; the keys go out in their fixed order without
// default values, and read back in another case they give every property its value again.
void ControlsTest::propertiesRoundTrip()
{
    QFETCH(QVariantMap, properties);
    const bool progbar = !properties.contains("Picture");
    QFETCH(QStringList, written);

    PersistentWidget *original = progbar ? static_cast<PersistentWidget *>(m_bar) : m_button;
    const std::unique_ptr<PersistentWidget> restored(
        progbar ? static_cast<PersistentWidget *>(new QV_Progbar) : new PictureButton);
    QSignalSpy changed(original, &PersistentWidget::PropertyChanged);
    for (const auto &[name, value] : properties.asKeyValueRange()) {
        original->setProperty(name.toLatin1(), value);
        QCOMPARE(changed.value(0).value(0), kKeys.filter(name, Qt::CaseInsensitive).first());
        changed.clear();
    }
    PropertyBag bag;
    original->WriteProperties(bag);
    original->WriteProperties(bag); // saving again puts no key in twice
    QStringList keys;
    QList<PropertyBag::Pair> stored;
    for (const auto &[key, value] : bag.pairs()) {
        keys << key;
        stored.append({key.toUpper(), value});
    }
    QCOMPARE(keys, written);

    restored->ReadProperties(PropertyBag(stored));
    QVERIFY(!progbar || restored->findChild<QWidget *>("picBar")->isHidden()); // no bar shown
    const QMetaObject *meta = original->metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const auto read = [property = meta->property(i)](const QObject *control) {
            const QVariant value = property.read(control); // a picture by its image
            return value.canConvert<QPixmap>() ? value.value<QPixmap>().cacheKey() : value;
        };
        QCOMPARE(read(restored.get()), read(original));
    }
}

QTEST_MAIN(ControlsTest)
#include "controls_test.moc"
