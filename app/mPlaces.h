#pragma once

#include <QString>
#include <QStringList>

// Where the window program keeps its log and which folder it shows first. A copy that runs
// from a folder the user may write to (the build folder, a portable copy) keeps both beside
// itself; an installed copy uses the user's own folders instead.
namespace sparrowtrim::mPlaces {

// The program folder when it is writable; otherwise $XDG_STATE_HOME/sparrowtrim (by default
// ~/.local/state/sparrowtrim), created private to the user when missing.
QString LogFolder(const QString &programFolder);

// The program folder when it is writable; otherwise the user's pictures folder as the XDG user
// folders name it, or the home folder when there is none.
QString StartFolder(const QString &programFolder);

// What the command line asks the window to show: a folder, or the folder of a file with
// that file (and any further files given in the same folder) selected. A path that does not
// exist stands for a folder, as a typed one does.
struct OpenRequest
{
    QString folder; // absolute; empty when no path was given
    QStringList selectedNames;
};
OpenRequest OpenRequestFor(const QStringList &paths);

} // namespace sparrowtrim::mPlaces
