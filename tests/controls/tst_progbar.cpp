#include "ColorValue.h"
#include "PictureButton.h"
#include "PropertyBag.h"
#include "QV_Progbar.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <climits>
#include <memory>

using sparrowtrim::PictureButton;
using sparrowtrim::QV_Progbar;

namespace {

// Distinct shades, so that each pixel tells which role painted it.
QPalette DistinctPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Light, QColor(255, 0, 0));
    palette.setColor(QPalette::Midlight, QColor(0, 255, 0));
    palette.setColor(QPalette::Dark, QColor(0, 0, 255));
    palette.setColor(QPalette::Shadow, QColor(255, 255, 0));
    return palette;
}

constexpr sparrowtrim::ColorValue kBack = 0x00336699;
constexpr sparrowtrim::ColorValue kBar = 0x00996633;

// Counts the paint events a widget receives.
class PaintCounter final : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) : QObject(widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

} // namespace

class tst_Progbar : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void barGeometry_data();
    void barGeometry();
    void edgePixels_data();
    void edgePixels();
    void whatRedrawsWhen_data();
    void whatRedrawsWhen();
    void resizeMovesBarToCorner();
    void storedValueDoesNotShowBar();
    void valueWriteServesQueuedClick();

private:
    QWidget *picBar() const { return m_bar->findChild<QWidget *>(QStringLiteral("picBar")); }

    std::unique_ptr<QWidget> m_window;
    QV_Progbar *m_bar = nullptr;
};

void tst_Progbar::init()
{
    m_window = std::make_unique<QWidget>();
    m_window->resize(300, 200);
    m_bar = new QV_Progbar(m_window.get());
    m_bar->setObjectName(QStringLiteral("pbOps"));
    m_bar->setGeometry(42, 135, 240, 12);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QVERIFY(picBar());
}

void tst_Progbar::cleanup()
{
    m_window.reset();
}

void tst_Progbar::barGeometry_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("barOffset");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QRect>("geometry");

    // Each row starts from a bar placed by value 1 of Max 4: (0, 0) and a quarter wide.
    const QSize s(240, 12);
    const QRect before(0, 0, 60, 12);
    QTest::newRow("half") << s << 0 << 0 << 10 << 5 << true << QRect(0, 0, 120, 12);
    QTest::newRow("half, inset") << s << 1 << 0 << 10 << 5 << true << QRect(2, 2, 118, 8);
    QTest::newRow("full") << s << 0 << 0 << 10 << 10 << true << QRect(0, 0, 240, 12);
    QTest::newRow("zero hides") << s << 0 << 0 << 10 << 0 << false << QRect(0, 0, 0, 12);
    QTest::newRow("zero hides, inset") << s << 1 << 0 << 10 << 0 << false << QRect(2, 2, 0, 8);
    QTest::newRow("above max is not clamped")
        << s << 0 << 0 << 10 << 20 << true << QRect(0, 0, 480, 12);
    QTest::newRow("max zero keeps place and size") << s << 1 << 0 << 0 << 3 << true << before;
    QTest::newRow("negative value keeps place and size")
        << s << 0 << 0 << 10 << -5 << true << before;
    QTest::newRow("negative max keeps place and size") << s << 0 << 0 << -10 << 5 << true << before;
    QTest::newRow("negative over negative")
        << s << 0 << 0 << -10 << -5 << true << QRect(0, 0, 120, 12);
    QTest::newRow("min takes no part") << s << 0 << 50 << 100 << 50 << true << QRect(0, 0, 120, 12);
    QTest::newRow("offset other than 1 is not inset")
        << s << 2 << 0 << 10 << 5 << true << QRect(0, 0, 120, 12);
    QTest::newRow("fraction is not integer division")
        << s << 0 << 0 << 3 << 1 << true << QRect(0, 0, 80, 12);
    QTest::newRow("too low for the inset keeps place and size")
        << QSize(240, 3) << 1 << 0 << 10 << 5 << true << QRect(0, 0, 60, 3);
    QTest::newRow("wider than any widget keeps place and size")
        << s << 0 << 0 << 1 << INT_MAX << true << before;
}

void tst_Progbar::barGeometry()
{
    QFETCH(QSize, size);
    QFETCH(int, barOffset);
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, value);
    QFETCH(bool, shown);
    QFETCH(QRect, geometry);

    m_bar->resize(size);
    m_bar->setMax(4);
    m_bar->setValue(1);
    m_bar->setBarOffset(barOffset);
    m_bar->setMin(min);
    m_bar->setMax(max);
    m_bar->setValue(value);
    QCOMPARE(!picBar()->isHidden(), shown);
    QCOMPARE(picBar()->geometry(), geometry);
}

void tst_Progbar::edgePixels_data()
{
    QTest::addColumn<bool>("onBar");
    QTest::addColumn<int>("style");
    // Roles of the outer ring's top-left and bottom-right, then the inner ring's; NoRole
    // where the fill shows through.
    QTest::addColumn<QList<QPalette::ColorRole>>("rings");

    using R = QPalette::ColorRole;
    const R none = QPalette::NoRole;
    const struct
    {
        int style;
        const char *name;
        QList<R> rings;
    } styles[] = {
        {0, "none", {none, none, none, none}},
        {1, "raised outer", {R::Midlight, R::Shadow, none, none}},
        {2, "raised inner", {R::Light, R::Dark, none, none}},
        {3, "sunken outer", {R::Dark, R::Light, none, none}},
        {4, "sunken inner", {R::Shadow, R::Midlight, none, none}},
        {5, "raised", {R::Midlight, R::Shadow, R::Light, R::Dark}},
        {6, "sunken", {R::Dark, R::Light, R::Shadow, R::Midlight}},
        {7, "etched", {R::Dark, R::Light, R::Light, R::Dark}},
        {8, "bump", {R::Midlight, R::Shadow, R::Shadow, R::Midlight}},
        {9, "out of range 9", {none, none, none, none}},
        {-1, "out of range -1", {none, none, none, none}},
        {INT_MIN, "out of range INT_MIN", {none, none, none, none}},
    };
    for (const bool onBar : {false, true}) {
        for (const auto &entry : styles) {
            QTest::addRow("%s %d, %s", onBar ? "bar" : "border", entry.style, entry.name)
                << onBar << entry.style << entry.rings;
        }
    }
}

void tst_Progbar::edgePixels()
{
    QFETCH(bool, onBar);
    QFETCH(int, style);
    QFETCH(QList<QPalette::ColorRole>, rings);

    const QPalette palette = DistinctPalette();
    m_bar->setPalette(palette);
    m_bar->resize(20, 10);
    m_bar->setBackColor(kBack);
    m_bar->setBarcolor(kBar);
    if (onBar) {
        // A full bar at the corner covers the whole control.
        m_bar->setBorderStyle(6);
        m_bar->setBarstyle(style);
        m_bar->setMax(1);
        m_bar->setValue(1);
    } else {
        m_bar->setBorderStyle(style);
    }
    const QImage image = m_bar->grab().toImage();
    QCOMPARE(image.size(), QSize(20, 10));

    const QColor fill = sparrowtrim::ColorFromValue(onBar ? kBar : kBack);
    const auto expected = [&](int ring) {
        return rings[ring] == QPalette::NoRole ? fill : palette.color(rings[ring]);
    };
    const int r = image.width() - 1;
    const int b = image.height() - 1;
    const struct
    {
        int ring;
        QList<QPoint> points;
    } checks[] = {
        {0, {{0, 0}, {r - 1, 0}, {0, b - 1}, {7, 0}, {0, 4}}},
        {1, {{r, 0}, {0, b}, {r, b}, {7, b}, {r, 4}}},
        {2, {{1, 1}, {r - 2, 1}, {1, b - 2}, {7, 1}, {1, 4}}},
        {3, {{r - 1, 1}, {1, b - 1}, {r - 1, b - 1}, {7, b - 1}, {r - 1, 4}}},
    };
    for (const auto &check : checks) {
        for (const QPoint &point : check.points) {
            QVERIFY2(image.pixelColor(point) == expected(check.ring),
                     qPrintable(QStringLiteral("ring %1 at (%2, %3): %4")
                                    .arg(check.ring)
                                    .arg(point.x())
                                    .arg(point.y())
                                    .arg(image.pixelColor(point).name())));
        }
    }
    QCOMPARE(image.pixelColor(7, 4), fill);
}

void tst_Progbar::whatRedrawsWhen_data()
{
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("paintedAtOnce");
    QTest::addColumn<bool>("looksDifferent");

    QTest::newRow("Max") << QByteArray("Max") << QVariant(50) << false << false;
    QTest::newRow("Min") << QByteArray("Min") << QVariant(5) << false << false;
    QTest::newRow("Barstyle") << QByteArray("Barstyle") << QVariant(6) << false << false;
    QTest::newRow("BarOffset") << QByteArray("BarOffset") << QVariant(1) << false << false;
    QTest::newRow("BorderStyle") << QByteArray("BorderStyle") << QVariant(6) << true << true;
    QTest::newRow("BackColor") << QByteArray("BackColor") << QVariant(0x00FF00FFu) << false << true;
    QTest::newRow("Barcolor wipes the bar's edge")
        << QByteArray("Barcolor") << QVariant(0x00C0C0C0u) << false << true;
}

void tst_Progbar::whatRedrawsWhen()
{
    QFETCH(QByteArray, property);
    QFETCH(QVariant, value);
    QFETCH(bool, paintedAtOnce);
    QFETCH(bool, looksDifferent);

    m_bar->setBackColor(0x00808080);
    m_bar->setBarcolor(0x00C0C0C0);
    m_bar->setBarstyle(5);
    m_bar->setBorderStyle(8);
    m_bar->setMax(10);
    m_bar->setValue(5);
    const QImage before = m_bar->grab().toImage();
    const PaintCounter paints(m_bar);

    QVERIFY(m_bar->setProperty(property, value));
    QCOMPARE(paints.count > 0, paintedAtOnce);
    QCOMPARE(m_bar->grab().toImage() != before, looksDifferent);
}

void tst_Progbar::resizeMovesBarToCorner()
{
    m_bar->setBarOffset(1);
    m_bar->setMax(10);
    m_bar->setValue(5);
    QCOMPARE(picBar()->geometry(), QRect(2, 2, 118, 8));
    m_bar->resize(200, 20);
    QCOMPARE(picBar()->geometry(), QRect(0, 0, 118, 8));
    m_bar->setValue(5);
    QCOMPARE(picBar()->geometry(), QRect(2, 2, 98, 16));
}

void tst_Progbar::storedValueDoesNotShowBar()
{
    const sparrowtrim::PropertyBag bag({{"max", 10}, {"value", 5}, {"baroffset", 1}});
    m_bar->ReadProperties(bag);
    QCOMPARE(m_bar->value(), 5);
    QVERIFY(picBar()->isHidden());
    m_bar->setValue(m_bar->value());
    QVERIFY(!picBar()->isHidden());
    QCOMPARE(picBar()->geometry(), QRect(2, 2, 118, 8));
}

// A Stop click queued while a run writes the value is served inside the write; its handler may
// write the value again from there.
void tst_Progbar::valueWriteServesQueuedClick()
{
    auto *stop = new PictureButton(m_window.get());
    QPixmap face(123, 31);
    face.fill(Qt::darkRed);
    stop->setPicture(face);
    stop->move(151, 8);
    stop->show();
    QSignalSpy clicks(stop, &PictureButton::Click);
    connect(stop, &PictureButton::Click, m_bar, [this] { m_bar->setValue(0); });

    QWindow *window = m_window->windowHandle();
    const QPointF local = stop->mapTo(m_window.get(), QPointF(10, 10));
    const QPointF global = stop->mapToGlobal(QPointF(10, 10));
    QCoreApplication::postEvent(window, new QMouseEvent(QEvent::MouseButtonPress, local, global,
                                                        Qt::LeftButton, Qt::LeftButton, {}));
    QCoreApplication::postEvent(window, new QMouseEvent(QEvent::MouseButtonRelease, local, global,
                                                        Qt::LeftButton, Qt::NoButton, {}));
    m_bar->setMax(10);
    QCOMPARE(clicks.count(), 0);
    m_bar->setValue(3);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(m_bar->value(), 0);
    QVERIFY(picBar()->isHidden());
}

QTEST_MAIN(tst_Progbar)
#include "tst_progbar.moc"
