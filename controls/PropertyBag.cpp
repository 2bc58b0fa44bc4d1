#include "controls/PropertyBag.h"

#include <QPixmap>
#include <algorithm>

namespace sparrowtrim {

namespace {

// Pictures have no equality of their own: two are the same when both are empty or when they
// share one image.
bool SameValue(const QVariant &a, const QVariant &b)
{
    if (a.metaType() == QMetaType::fromType<QPixmap>() ||
        b.metaType() == QMetaType::fromType<QPixmap>()) {
        const auto pa = a.value<QPixmap>();
        const auto pb = b.value<QPixmap>();
        return (pa.isNull() && pb.isNull()) || pa.cacheKey() == pb.cacheKey();
    }
    return a == b;
}

} // namespace

PropertyBag::PropertyBag(QList<Pair> pairs) : m_pairs(std::move(pairs)) {}

bool PropertyBag::contains(QStringView name) const
{
    return std::any_of(m_pairs.cbegin(), m_pairs.cend(), [name](const Pair &pair) {
        return name.compare(pair.first, Qt::CaseInsensitive) == 0;
    });
}

QVariant PropertyBag::ReadProperty(QStringView name, const QVariant &defaultValue) const
{
    for (const auto &[key, value] : m_pairs) {
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return value;
    }
    return defaultValue;
}

void PropertyBag::WriteProperty(const QString &name, const QVariant &value,
                                const QVariant &defaultValue)
{
    // A key written twice keeps its first place; a value back at its default drops out.
    const auto it = std::find_if(m_pairs.begin(), m_pairs.end(), [&name](const Pair &pair) {
        return name.compare(pair.first, Qt::CaseInsensitive) == 0;
    });
    if (SameValue(value, defaultValue)) {
        if (it != m_pairs.end())
            m_pairs.erase(it);
        return;
    }
    if (it != m_pairs.end())
        it->second = value;
    else
        m_pairs.append({name, value});
}

} // namespace sparrowtrim
