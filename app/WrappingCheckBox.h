#pragma once

#include <QCheckBox>

namespace sparrowtrim {

// A check box whose caption wraps onto further lines within the box's width, centred
// vertically beside the tick box; the whole box takes clicks.
class WrappingCheckBox final : public QCheckBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WrappingCheckBox)

public:
    explicit WrappingCheckBox(const QString &text, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;

private:
    QRect IndicatorRect() const;
    QRect TextRect() const;
};

} // namespace sparrowtrim
