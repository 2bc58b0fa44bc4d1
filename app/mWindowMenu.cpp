#include "app/mWindowMenu.h"

#include "about/fAbout.h"
#include "about/fHelp.h"

#include <QCursor>
#include <QMenu>
#include <QTimer>

namespace sparrowtrim {

namespace {

std::function<void(QMenu &)> &Responder()
{
    static std::function<void(QMenu &)> responder;
    return responder;
}

void AddItem(QMenu &menu, const QString &text, int commandId)
{
    QAction *item = menu.addAction(text);
    item->setData(commandId);
}

// One instance per kind: an open window (one not closed, awaiting deletion) is brought to
// the front; otherwise a new one is created and shown.
template <typename Window> void ShowSingleWindow(QWidget *mainWindow)
{
    const auto open = mainWindow->findChildren<Window *>(QString(), Qt::FindDirectChildrenOnly);
    for (Window *window : open) {
        if (!window->isHidden()) {
            window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
            window->raise();
            window->activateWindow();
            return;
        }
    }
    auto *window = new Window(mainWindow);
    window->show();
}

} // namespace

void SetWindowMenuResponder(std::function<void(QMenu &menu)> responder)
{
    Responder() = std::move(responder);
}

int TrackWindowMenu(QWidget *mainWindow, const QPoint &pointer)
{
    QMenu menu(mainWindow);
    menu.setObjectName(QStringLiteral("windowMenu"));
    AddItem(menu, QStringLiteral("Quick Help"), kQuickHelpCommand);
    AddItem(menu, QStringLiteral("About"), kAboutCommand);

    if (Responder()) {
        QTimer::singleShot(0, &menu, [&menu] { Responder()(menu); });
    }
    // The menu opens to the left of and below the pointer.
    const QAction *chosen = menu.exec(pointer - QPoint(menu.sizeHint().width(), 0));
    return chosen != nullptr ? chosen->data().toInt() : 0;
}

void OpenWindowMenuCommand(QWidget *mainWindow, int commandId)
{
    if (mainWindow == nullptr) {
        return;
    }
    if (commandId == kAboutCommand) {
        ShowSingleWindow<fAbout>(mainWindow);
    } else if (commandId == kQuickHelpCommand) {
        ShowSingleWindow<fHelp>(mainWindow);
    }
}

void ShowWindowMenu(QWidget *mainWindow)
{
    OpenWindowMenuCommand(mainWindow, TrackWindowMenu(mainWindow, QCursor::pos()));
}

} // namespace sparrowtrim
