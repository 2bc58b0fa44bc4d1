#pragma once

#include <QLabel>

namespace sparrowtrim {

// A label that raises Click when the left button is pressed and released on it.
class LinkLabel final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinkLabel)

public:
    explicit LinkLabel(QWidget *parent = nullptr);

signals:
    void Click();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_Pressed = false;
};

} // namespace sparrowtrim
