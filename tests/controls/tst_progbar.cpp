#include "PictureButton.h"
#include "QV_Progbar.h"

#include <QMouseEvent>
#include <QTest>
#include <climits>
#include <memory>

using sparrowtrim::PictureButton;
using sparrowtrim::QV_Progbar;

// What a row writes to a 240 pixel wide control; Max and value are written last.
struct Setting
{
    int height = 12, barOffset = 0, min = 0, max = 10, value = 5;
};
Q_DECLARE_METATYPE(Setting)

class tst_Progbar : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void barGeometry_data();
    void barGeometry();
    void edgePixels_data();
    void edgePixels();
    void valueWriteServesQueuedClick();

private:
    QWidget *picBar() const { return m_bar->findChild<QWidget *>(QStringLiteral("picBar")); }

    std::unique_ptr<QWidget> m_window;
    QV_Progbar *m_bar = nullptr;
};

void tst_Progbar::init()
{
    m_window = std::make_unique<QWidget>();
    m_bar = new QV_Progbar(m_window.get());
    m_bar->setGeometry(42, 135, 240, 12);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QVERIFY(picBar());
}

void tst_Progbar::barGeometry_data()
{
    QTest::addColumn<Setting>("setting");
    QTest::addColumn<QRect>("geometry");

    // Each row starts from a bar placed by value 1 of Max 4.
    const QRect before(0, 0, 60, 12);
    QTest::newRow("half") << Setting{} << QRect(0, 0, 120, 12);
    QTest::newRow("half, inset") << Setting{.barOffset = 1} << QRect(2, 2, 118, 8);
    QTest::newRow("zero hides") << Setting{.value = 0} << QRect(0, 0, 0, 12);
    QTest::newRow("above max is not clamped") << Setting{.value = 20} << QRect(0, 0, 480, 12);
    QTest::newRow("min takes no part")
        << Setting{.min = 50, .max = 100, .value = 50} << QRect(0, 0, 120, 12);
    QTest::newRow("offset other than 1 is not inset")
        << Setting{.barOffset = 2} << QRect(0, 0, 120, 12);
    QTest::newRow("negative over negative")
        << Setting{.max = -10, .value = -5} << QRect(0, 0, 120, 12);
    QTest::newRow("max zero keeps place and size") << Setting{.barOffset = 1, .max = 0} << before;
    QTest::newRow("negative value keeps place and size") << Setting{.value = -5} << before;
    QTest::newRow("negative max keeps place and size") << Setting{.max = -10} << before;
    QTest::newRow("too low for the inset keeps place and size")
        << Setting{.height = 3, .barOffset = 1} << QRect(0, 0, 60, 3);
    QTest::newRow("wider than any widget keeps place and size")
        << Setting{.max = 1, .value = INT_MAX} << before;
}

void tst_Progbar::barGeometry()
{
    QFETCH(Setting, setting);
    QFETCH(QRect, geometry);

    m_bar->resize(240, setting.height);
    m_bar->setMax(4);
    m_bar->setValue(1);
    const QRect before = picBar()->geometry();
    m_bar->setBarOffset(setting.barOffset);
    m_bar->setMin(setting.min);
    m_bar->setMax(setting.max);
    QCOMPARE(picBar()->geometry(), before); // only a value write moves the bar
    m_bar->setValue(setting.value);
    QCOMPARE(!picBar()->isHidden(), setting.value != 0);
    QCOMPARE(picBar()->geometry(), geometry);
    m_bar->resize(200, 20); // a resize moves the bar to the corner, and nothing more
    QCOMPARE(picBar()->geometry(), QRect(QPoint(0, 0), geometry.size()));
}

void tst_Progbar::edgePixels_data()
{
    QTest::addColumn<bool>("onBar");
    QTest::addColumn<int>("style");
    // Shades of the outer ring's top-left and bottom-right, then the inner ring's; the fill shows
    // where none is given.
    QTest::addColumn<QList<QPalette::ColorRole>>("rings");

    using R = QPalette::ColorRole;
    const std::pair<int, QList<R>> styles[] = {
        {0, {}},
        {1, {R::Midlight, R::Shadow}},
        {2, {R::Light, R::Dark}},
        {3, {R::Dark, R::Light}},
        {4, {R::Shadow, R::Midlight}},
        {5, {R::Midlight, R::Shadow, R::Light, R::Dark}},
        {6, {R::Dark, R::Light, R::Shadow, R::Midlight}},
        {7, {R::Dark, R::Light, R::Light, R::Dark}},
        {8, {R::Midlight, R::Shadow, R::Shadow, R::Midlight}},
        {9, {}},
        {-1, {}},
    };
    for (const bool onBar : {false, true}) {
        for (const auto &[style, rings] : styles)
            QTest::addRow("%s style %d", onBar ? "bar" : "border", style)
                << onBar << style << rings;
    }
}

void tst_Progbar::edgePixels()
{
    QFETCH(bool, onBar);
    QFETCH(int, style);
    QFETCH(QList<QPalette::ColorRole>, rings);

    // Distinct shades, so that each pixel tells which role painted it.
    QPalette palette;
    for (const auto role : {QPalette::Light, QPalette::Midlight, QPalette::Dark, QPalette::Shadow})
        palette.setColor(role, QColor(role * 20, 255 - role * 20, 128));
    m_bar->setPalette(palette);
    m_bar->setGeometry(0, 0, 20, 10);
    m_bar->setBackColor(0x00336699);
    m_bar->setBarcolor(0x00996633);
    // A full bar covers the whole control and its border.
    m_bar->setBorderStyle(onBar ? 6 : style);
    m_bar->setBarstyle(style);
    m_bar->setMax(1);
    m_bar->setValue(onBar ? 1 : 0);

    const QImage image = m_bar->grab().toImage();
    const QColor fill = onBar ? QColor(0x33, 0x66, 0x99) : QColor(0x99, 0x66, 0x33);
    // Per ring, points on its top and left sides, then on its bottom and right sides, which
    // own the top-right and bottom-left corners; last a point inside.
    const QList<QPoint> points[] = {{{0, 0}, {18, 0}, {0, 8}},
                                    {{19, 0}, {0, 9}, {19, 9}},
                                    {{1, 1}, {17, 1}, {1, 7}},
                                    {{18, 1}, {1, 8}, {18, 8}},
                                    {{7, 4}}};
    QList<QColor> seen, wanted;
    for (int ring = 0; ring < 5; ++ring) {
        for (const QPoint &point : points[ring]) {
            seen << image.pixelColor(point);
            wanted << (ring < rings.size() ? palette.color(rings[ring]) : fill);
        }
    }
    QCOMPARE(seen, wanted);
}

// A Stop click queued while a run writes the value is served inside the write; its handler may
// write the value again from there.
void tst_Progbar::valueWriteServesQueuedClick()
{
    auto *stop = new PictureButton(m_window.get());
    stop->show();
    connect(stop, &PictureButton::Click, m_bar, [this] { m_bar->setValue(0); });
    for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        const auto held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
        QCoreApplication::postEvent(stop,
                                    new QMouseEvent(type, {5, 5}, stop->mapToGlobal(QPointF(5, 5)),
                                                    Qt::LeftButton, held, {}));
    }
    m_bar->setMax(10);
    m_bar->setValue(3);
    QCOMPARE(m_bar->value(), 0);
    QVERIFY(picBar()->isHidden());
}

QTEST_MAIN(tst_Progbar)
#include "tst_progbar.moc"
