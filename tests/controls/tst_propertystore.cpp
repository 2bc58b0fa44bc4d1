#include "ColorValue.h"
#include "PictureButton.h"
#include "PropertyBag.h"
#include "QV_Progbar.h"

#include <QSignalSpy>
#include <QTest>
#include <climits>
#include <memory>

using sparrowtrim::PersistentWidget;
using sparrowtrim::PropertyBag;

class tst_PropertyStore : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void colorValues_data();
    void colorValues();
};

void tst_PropertyStore::roundTrip_data()
{
    QTest::addColumn<bool>("progbar");
    QTest::addColumn<QVariantMap>("properties");
    QTest::addColumn<QStringList>("written");
    const auto picture = [](const QColor &color) {
        QPixmap pixmap(12, 3);
        pixmap.fill(color);
        return QVariant::fromValue(pixmap);
    };

    QTest::newRow("new progress bar writes only its bar colour")
        << true << QVariantMap{} << QStringList{"Barcolor"};
    QTest::newRow("progress bar with every key")
        << true << QVariantMap{{"BarOffset", 1},
                               {"BorderStyle", 3},
                               {"Barstyle", -7},
                               {"Barcolor", 0xC0C0C0u},
                               {"BackColor", 0x80000005u},
                               {"Min", -50},
                               {"Max", 0},
                               {"value", INT_MAX}}
        << QStringList{"Min",      "Max",      "Value",       "BackColor",
                       "Barcolor", "Barstyle", "BorderStyle", "BarOffset"};
    QTest::newRow("image button without pictures writes nothing")
        << false << QVariantMap{} << QStringList{};
    QTest::newRow("image button with every picture")
        << false
        << QVariantMap{{"PictureDown", picture(Qt::red)},
                       {"PictureHover", picture(Qt::green)},
                       {"Picture", picture(Qt::blue)}}
        << QStringList{"Picture", "PictureHover", "PictureDown"};
}

// Every write notifies its persistence key; the keys go out in their fixed order without
// default values, and read back in another case they give every property its value again.
void tst_PropertyStore::roundTrip()
{
    QFETCH(bool, progbar);
    QFETCH(QVariantMap, properties);
    QFETCH(QStringList, written);

    const auto make = [progbar]() -> std::unique_ptr<PersistentWidget> {
        if (progbar)
            return std::make_unique<sparrowtrim::QV_Progbar>();
        return std::make_unique<sparrowtrim::PictureButton>();
    };
    const auto original = make();
    original->InitProperties();
    QSignalSpy changed(original.get(), &PersistentWidget::PropertyChanged);
    for (const auto &[name, value] : properties.asKeyValueRange()) {
        QVERIFY(original->setProperty(name.toLatin1(), value));
        const QString key = changed.isEmpty() ? QString() : changed.takeFirst().at(0).toString();
        QVERIFY2(key.compare(name, Qt::CaseInsensitive) == 0 && written.contains(key),
                 qPrintable(name + " notified " + key));
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

    const auto restored = make();
    restored->ReadProperties(PropertyBag(stored));
    const auto *bar = restored->findChild<QWidget *>("picBar"); // reading shows no bar
    QVERIFY(!bar || bar->isHidden());
    const QMetaObject *meta = original->metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QVariant was = meta->property(i).read(original.get());
        const QVariant is = meta->property(i).read(restored.get());
        const bool same = was.canConvert<QPixmap>()
                              ? was.value<QPixmap>().cacheKey() == is.value<QPixmap>().cacheKey()
                              : was == is;
        QVERIFY2(same, meta->property(i).name());
    }
}

void tst_PropertyStore::colorValues_data()
{
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QPalette::ColorRole>("role"); // NoRole: a plain colour
    QTest::addColumn<QColor>("color");

    const auto plain = QPalette::NoRole;
    QTest::newRow("plain is BGR") << 0x00123456u << plain << QColor(0x56, 0x34, 0x12);
    QTest::newRow("top byte without the flag ignored")
        << 0x7F123456u << plain << QColor(0x56, 0x34, 0x12);
    QTest::newRow("button face") << 0x8000000Fu << QPalette::Button << QColor();
    QTest::newRow("window background") << 0x80000005u << QPalette::Base << QColor();
    QTest::newRow("window text") << 0x80000008u << QPalette::Text << QColor();
    QTest::newRow("unknown system index") << 0x800000FFu << plain << QColor(Qt::black);
}

void tst_PropertyStore::colorValues()
{
    QFETCH(quint32, value);
    QFETCH(QPalette::ColorRole, role);
    QFETCH(QColor, color);

    // Every role in its own colour, so that a wrong role cannot pass by chance.
    QPalette palette;
    for (int r = 0; r < QPalette::NColorRoles; ++r)
        palette.setColor(QPalette::ColorRole(r), QColor(r * 9, 255 - r * 9, r * 5));
    if (role != QPalette::NoRole)
        color = palette.color(role);
    QCOMPARE(sparrowtrim::ColorFromValue(value, palette), color);
}

QTEST_MAIN(tst_PropertyStore)
#include "tst_propertystore.moc"
