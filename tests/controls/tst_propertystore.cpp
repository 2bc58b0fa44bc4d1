#include "ColorValue.h"
#include "PictureButton.h"
#include "PropertyBag.h"
#include "QV_Progbar.h"

#include <QSignalSpy>
#include <QTest>
#include <memory>

using sparrowtrim::ColorValue;
using sparrowtrim::PersistentWidget;
using sparrowtrim::PictureButton;
using sparrowtrim::PropertyBag;
using sparrowtrim::QV_Progbar;

using Properties = QList<std::pair<QByteArray, QVariant>>;
Q_DECLARE_METATYPE(Properties)

namespace {

QPixmap Filled(QSize size, const QColor &color)
{
    QPixmap pixmap(size);
    pixmap.fill(color);
    return pixmap;
}

std::unique_ptr<PersistentWidget> MakeControl(const QString &kind)
{
    if (kind == "QV_Progbar")
        return std::make_unique<QV_Progbar>();
    return std::make_unique<PictureButton>();
}

QStringList Keys(const PropertyBag &bag)
{
    QStringList keys;
    for (const auto &pair : bag.pairs())
        keys << pair.first;
    return keys;
}

bool SameValue(const QVariant &a, const QVariant &b)
{
    if (a.metaType() == QMetaType::fromType<QPixmap>())
        return a.value<QPixmap>().cacheKey() == b.value<QPixmap>().cacheKey();
    return a == b;
}

} // namespace

class tst_PropertyStore : public QObject
{
    Q_OBJECT

private slots:
    void bagReadsAndWrites_data();
    void bagReadsAndWrites();
    void roundTrip_data();
    void roundTrip();
    void writeNotifiesPersistenceKey_data();
    void writeNotifiesPersistenceKey();
    void colorValues_data();
    void colorValues();

private:
    const QPixmap m_start = Filled({123, 31}, Qt::darkGreen);
    const QPixmap m_stop = Filled({123, 31}, Qt::darkRed);
};

void tst_PropertyStore::bagReadsAndWrites_data()
{
    // Writes of (name, value, default) in order, then the pairs expected in the bag.
    QTest::addColumn<QList<QVariantList>>("writes");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QVariantList>("values");

    QTest::newRow("default left out")
        << QList<QVariantList>{{"Max", 100, 100}, {"Min", 0, 0}} << QStringList{} << QVariantList{};
    QTest::newRow("order of writing kept")
        << QList<QVariantList>{{"Max", 10, 100}, {"Min", -1, 0}, {"Value", 3, 0}}
        << QStringList{"Max", "Min", "Value"} << QVariantList{10, -1, 3};
    QTest::newRow("rewrite replaces in place whatever the case")
        << QList<QVariantList>{{"Max", 10, 100}, {"Min", 2, 0}, {"MAX", 20, 100}}
        << QStringList{"Max", "Min"} << QVariantList{20, 2};
    QTest::newRow("rewrite back to default drops the key")
        << QList<QVariantList>{{"Max", 10, 100}, {"Min", 2, 0}, {"max", 100, 100}}
        << QStringList{"Min"} << QVariantList{2};
    QTest::newRow("colour equal to default across signedness")
        << QList<QVariantList>{{"BackColor", int(0x8000000F), 0x8000000Fu}} << QStringList{}
        << QVariantList{};
    QTest::newRow("empty picture left out")
        << QList<QVariantList>{{"Picture", QPixmap(), QPixmap()}} << QStringList{}
        << QVariantList{};
}

void tst_PropertyStore::bagReadsAndWrites()
{
    QFETCH(QList<QVariantList>, writes);
    QFETCH(QStringList, keys);
    QFETCH(QVariantList, values);

    PropertyBag bag;
    for (const auto &write : writes)
        bag.WriteProperty(write[0].toString(), write[1], write[2]);
    QCOMPARE(Keys(bag), keys);
    for (qsizetype i = 0; i < keys.size(); ++i)
        QCOMPARE(bag.pairs()[i].second, values[i]);
    QCOMPARE(bag.ReadProperty(u"NotThere", 42), QVariant(42));
}

void tst_PropertyStore::roundTrip_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<Properties>("properties");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QString>("keyCase"); // how the host happens to store the names

    const struct
    {
        const char *name;
        const char *kind;
        Properties properties;
        QStringList written;
    } controls[] = {
        {"new progress bar writes only its bar colour", "QV_Progbar", {}, {"Barcolor"}},
        {"main window's progress bar",
         "QV_Progbar",
         {{"BackColor", 0x00808080u},
          {"Barcolor", 0x00C0C0C0u},
          {"Barstyle", 5},
          {"BorderStyle", 8}},
         {"BackColor", "Barcolor", "Barstyle", "BorderStyle"}},
        {"every key in fixed order, bar colour at its default left out",
         "QV_Progbar",
         {{"BarOffset", 1},
          {"BorderStyle", 3},
          {"Barstyle", -7},
          {"Barcolor", 0x8000000Fu},
          {"BackColor", 0x80000005u},
          {"Min", -50},
          {"Max", 0},
          {"value", 2147483647}},
         {"Min", "Max", "Value", "BackColor", "Barstyle", "BorderStyle", "BarOffset"}},
        {"image button without pictures writes nothing", "PictureButton", {}, {}},
        {"image button with every picture",
         "PictureButton",
         {{"PictureDown", QVariant::fromValue(m_stop)},
          {"PictureHover", QVariant::fromValue(m_stop)},
          {"Picture", QVariant::fromValue(m_start)}},
         {"Picture", "PictureHover", "PictureDown"}},
    };
    for (const auto &control : controls) {
        for (const char *keyCase : {"as written", "lower", "upper", "mixed"}) {
            QTest::addRow("%s, keys %s", control.name, keyCase)
                << control.kind << control.properties << control.written << keyCase;
        }
    }
}

void tst_PropertyStore::roundTrip()
{
    QFETCH(QString, kind);
    QFETCH(Properties, properties);
    QFETCH(QStringList, written);
    QFETCH(QString, keyCase);

    const auto original = MakeControl(kind);
    original->InitProperties();
    for (const auto &[name, value] : properties)
        QVERIFY(original->setProperty(name, value));
    PropertyBag bag;
    original->WriteProperties(bag);
    QCOMPARE(Keys(bag), written);

    QList<PropertyBag::Pair> stored;
    for (auto [key, value] : bag.pairs()) {
        if (keyCase == "lower")
            key = key.toLower();
        else if (keyCase == "upper")
            key = key.toUpper();
        else if (keyCase == "mixed")
            for (qsizetype i = 0; i < key.size(); i += 2)
                key[i] = key[i].isUpper() ? key[i].toLower() : key[i].toUpper();
        stored.append({key, value});
    }
    const auto restored = MakeControl(kind);
    restored->ReadProperties(PropertyBag(stored));
    const QMetaObject *meta = original->metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        QVERIFY2(SameValue(property.read(restored.get()), property.read(original.get())),
                 property.name());
    }
}

void tst_PropertyStore::writeNotifiesPersistenceKey_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("key");

    const struct
    {
        const char *property;
        QVariant value;
        const char *key;
    } progbar[] = {
        {"Min", 1, "Min"},
        {"Max", 1, "Max"},
        {"value", 1, "Value"},
        {"BackColor", 0x00808080u, "BackColor"},
        {"Barcolor", 0x00C0C0C0u, "Barcolor"},
        {"Barstyle", 5, "Barstyle"},
        {"BorderStyle", 8, "BorderStyle"},
        {"BarOffset", 1, "BarOffset"},
    };
    for (const auto &row : progbar)
        QTest::addRow("QV_Progbar %s", row.property)
            << "QV_Progbar" << QByteArray(row.property) << row.value << row.key;
    for (const char *picture : {"Picture", "PictureHover", "PictureDown"})
        QTest::addRow("PictureButton %s", picture)
            << "PictureButton" << QByteArray(picture) << QVariant::fromValue(m_start) << picture;
    QTest::newRow("PictureButton empty picture")
        << "PictureButton" << QByteArray("Picture") << QVariant::fromValue(QPixmap()) << "Picture";
}

void tst_PropertyStore::writeNotifiesPersistenceKey()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, property);
    QFETCH(QVariant, value);
    QFETCH(QString, key);

    const auto control = MakeControl(kind);
    QSignalSpy changed(control.get(), &PersistentWidget::PropertyChanged);
    QVERIFY(control->setProperty(property, value));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toString(), key);
}

void tst_PropertyStore::colorValues_data()
{
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QPalette::ColorRole>("role"); // NoRole: a plain colour
    QTest::addColumn<QColor>("color");

    const auto plain = QPalette::NoRole;
    QTest::newRow("red is the low byte") << 0x000000FFu << plain << QColor(255, 0, 0);
    QTest::newRow("blue is the third byte") << 0x00FF0000u << plain << QColor(0, 0, 255);
    QTest::newRow("bar grey") << 0x00C0C0C0u << plain << QColor(192, 192, 192);
    QTest::newRow("mixed") << 0x00123456u << plain << QColor(0x56, 0x34, 0x12);
    QTest::newRow("top byte without the flag ignored")
        << 0x7F123456u << plain << QColor(0x56, 0x34, 0x12);
    QTest::newRow("button face") << 0x8000000Fu << QPalette::Button << QColor();
    QTest::newRow("window background") << 0x80000005u << QPalette::Base << QColor();
    QTest::newRow("window text") << 0x80000008u << QPalette::Text << QColor();
    QTest::newRow("3-D light") << 0x80000016u << QPalette::Midlight << QColor();
    QTest::newRow("button highlight") << 0x80000014u << QPalette::Light << QColor();
    QTest::newRow("button shadow") << 0x80000010u << QPalette::Dark << QColor();
    QTest::newRow("darkest shadow") << 0x80000015u << QPalette::Shadow << QColor();
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
    if (role == QPalette::NoRole && (value & 0xFF000000u) == 0)
        QCOMPARE(sparrowtrim::ValueFromColor(color), value);
}

QTEST_MAIN(tst_PropertyStore)
#include "tst_propertystore.moc"
