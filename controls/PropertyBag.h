#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <utility>

namespace sparrowtrim {

// The name/value pairs a hosting window keeps for one control. A control writes its keys in
// its own fixed order; a value equal to the key's default is left out, a missing key reads as
// its default, and names match without regard to case.
class PropertyBag final
{
public:
    using Pair = std::pair<QString, QVariant>;

    PropertyBag() = default;
    explicit PropertyBag(QList<Pair> pairs);

    QVariant ReadProperty(QStringView name, const QVariant &defaultValue) const;
    void WriteProperty(const QString &name, const QVariant &value, const QVariant &defaultValue);

    // The stored pairs in the order they were written.
    const QList<Pair> &pairs() const { return m_pairs; }
    bool contains(QStringView name) const;
    bool isEmpty() const { return m_pairs.isEmpty(); }

private:
    QList<Pair> m_pairs;
};

} // namespace sparrowtrim
