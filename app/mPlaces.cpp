#include "app/mPlaces.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace sparrowtrim::mPlaces {

namespace {

constexpr const char *kFolderName = "sparrowtrim";

// Missing folders on the way are made private to the user, as the XDG base folder rules
// ask: the log names the user's photos.
bool MakePrivatePath(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    const QString parent = info.path();
    return parent != path && MakePrivatePath(parent) &&
           QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString AbsolutePath(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// The user may create files in the folder.
bool IsWritableFolder(const QString &folder)
{
#ifdef _WIN32
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
#else
    // The kernel's answer: read-only mounts and access lists count, and root may write.
    return ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
#endif
}

// $XDG_STATE_HOME/sparrowtrim, by default ~/.local/state/sparrowtrim; not created here.
QString StateFolder()
{
    // A relative value is invalid by the XDG rules and ignored.
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir(base).filePath(QLatin1String(kFolderName));
}

// The user's pictures folder as the XDG user folders name it, else the home folder.
QString PicturesFolder()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

} // namespace

QString LogFolder(const QString &programFolder)
{
    if (IsWritableFolder(programFolder))
        return programFolder;
    // A folder that cannot be made shows up as the log that cannot be written.
    const QString state = StateFolder();
    MakePrivatePath(state);
    return state;
}

QString StartFolder(const QString &programFolder)
{
    return IsWritableFolder(programFolder) ? programFolder : PicturesFolder();
}

OpenRequest OpenRequestFor(const QStringList &paths)
{
    OpenRequest request;
    if (paths.isEmpty())
        return request;
    const QFileInfo first(AbsolutePath(paths.first()));
    if (!first.exists() || first.isDir()) {
        request.folder = first.filePath();
        return request;
    }
    request.folder = first.path();
    for (const QString &path : paths) {
        const QFileInfo file(AbsolutePath(path));
        if (file.isFile() && file.path() == request.folder)
            request.selectedNames << file.fileName();
    }
    return request;
}

} // namespace sparrowtrim::mPlaces
