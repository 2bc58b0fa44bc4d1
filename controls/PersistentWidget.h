#pragma once

#include <QWidget>

class QString;

namespace sparrowtrim {

class PropertyBag;

// A self-drawn control whose properties the hosting window keeps in a PropertyBag. Every
// property write ends with PropertyChanged carrying the property's persistence key, so the
// host knows to save the control's properties again.
class PersistentWidget : public QWidget
{
    Q_OBJECT

public:
    explicit PersistentWidget(QWidget *parent = nullptr);

    // A new control without stored properties: every property at its initial value.
    virtual void InitProperties() = 0;
    // Assigns the stored values, key by key in the control's fixed order; draws nothing.
    virtual void ReadProperties(const PropertyBag &PropBag) = 0;
    // Writes every key in the same order; values equal to their defaults are left out.
    virtual void WriteProperties(PropertyBag &PropBag) const = 0;

signals:
    void PropertyChanged(const QString &PropertyName);
};

} // namespace sparrowtrim
