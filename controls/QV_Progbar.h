#pragma once

#include "controls/ColorValue.h"
#include "controls/PersistentWidget.h"

#include <QtGlobal>

namespace sparrowtrim {

class ProgressBarElement;

// A self-drawn progress bar: a surface in BackColor with a three-dimensional border, and one
// child bar `picBar` in Barcolor with an edge of its own, as wide as the fraction value / Max.
// There is no clamping: a value above Max gives a bar wider than the control, which clips it.
class QV_Progbar final : public PersistentWidget
{
    Q_OBJECT
    Q_PROPERTY(qint32 Min READ Min WRITE setMin)
    Q_PROPERTY(qint32 Max READ Max WRITE setMax)
    Q_PROPERTY(qint32 value READ value WRITE setValue)
    Q_PROPERTY(quint32 BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(quint32 Barcolor READ Barcolor WRITE setBarcolor)
    Q_PROPERTY(qint32 Barstyle READ Barstyle WRITE setBarstyle)
    Q_PROPERTY(qint32 BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(qint32 BarOffset READ BarOffset WRITE setBarOffset)

public:
    explicit QV_Progbar(QWidget *parent = nullptr);
    ~QV_Progbar() override;
    Q_DISABLE_COPY_MOVE(QV_Progbar)

    // Stored and persisted; takes no part in drawing.
    qint32 Min() const { return m_Min; }
    void setMin(qint32 New_Min);

    // The value at which the bar spans the whole width; writing it redraws nothing.
    qint32 Max() const { return m_Max; }
    void setMax(qint32 New_Max);

    // Writing places and redraws the bar, then serves all pending window events once, so
    // handlers of other controls may run (and write value again) before the write returns.
    qint32 value() const { return m_value; }
    void setValue(qint32 New_value);

    // Background of the control surface; the border is drawn again over it.
    ColorValue BackColor() const { return m_BackColor; }
    void setBackColor(ColorValue New_BackColor);

    // Background of the bar; shown from the next value write.
    ColorValue Barcolor() const;
    void setBarcolor(ColorValue New_Barcolor);

    // Edge style (0 to 8) of the bar, used from the next value write.
    qint32 Barstyle() const { return m_Barstyle; }
    void setBarstyle(qint32 New_Barstyle);

    // Edge style (0 to 8) of the border; writing it redraws the border at once.
    qint32 BorderStyle() const { return m_BorderStyle; }
    void setBorderStyle(qint32 New_BorderStyle);

    // 1 insets the bar 2 pixels inside the border; used from the next value write.
    qint32 BarOffset() const { return m_BarOffset; }
    void setBarOffset(qint32 New_BarOffset);

    void InitProperties() override;
    void ReadProperties(const PropertyBag &PropBag) override;
    void WriteProperties(PropertyBag &PropBag) const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void UpdateBar(qint32 v);
    void DrawBorder();

    qint32 m_BarOffset = 0;
    qint32 m_BorderStyle = 0;
    qint32 m_Barstyle = 0;
    qint32 m_Min = 0;
    qint32 m_Max = 100;
    qint32 m_value = 0;

    ColorValue m_BackColor = kSysButtonFace;
    ProgressBarElement *picBar = nullptr;
};

} // namespace sparrowtrim
