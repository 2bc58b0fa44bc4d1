#include "app/mUtilsQt.h"

#include <QCursor>
#include <QDesktopServices>
#include <QEvent>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>
#include <QWindow>

namespace sparrowtrim::mUtils {

namespace {

// Moves the window with the pointer while the mouse is grabbed, for window systems that
// refuse to move the window themselves. Deletes itself when the button is released.
class ManualWindowDrag final : public QObject
{
public:
    explicit ManualWindowDrag(QWidget *window)
        : QObject(window), m_Window(window), m_Offset(QCursor::pos() - window->pos())
    {
        m_Window->installEventFilter(this);
        m_Window->grabMouse();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_Window)
            return false;
        if (event->type() == QEvent::MouseMove) {
            const auto *move = static_cast<QMouseEvent *>(event);
            m_Window->move(move->globalPosition().toPoint() - m_Offset);
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            m_Window->releaseMouse();
            m_Window->removeEventFilter(this);
            deleteLater();
            return true;
        }
        return false;
    }

private:
    QWidget *m_Window;
    QPoint m_Offset;
};

} // namespace

QString TrimSpaces(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ')
        ++first;
    while (last > first && text.at(last - 1) == u' ')
        --last;
    return text.mid(first, last - first);
}

void OpenWebPage(const QString &address)
{
    QDesktopServices::openUrl(QUrl(address));
}

void DragWindow(QWidget *window)
{
    if (window == nullptr)
        return;
    QWidget *topLevel = window->window();
    if (QWindow *handle = topLevel->windowHandle(); handle != nullptr && handle->startSystemMove())
        return;
    new ManualWindowDrag(topLevel);
}

} // namespace sparrowtrim::mUtils
