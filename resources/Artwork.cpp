#include "resources/Artwork.h"

namespace sparrowtrim::artwork {

namespace {

QPixmap Load(const QString &name)
{
    return QPixmap(QStringLiteral(":/artwork/") + name + QStringLiteral(".png"));
}

constexpr int kHandHotSpotX = 8;
constexpr int kHandHotSpotY = 1;

} // namespace

ButtonFaces Faces(const QString &name)
{
    return {Load(name), Load(name + QStringLiteral("_hover")),
            Load(name + QStringLiteral("_down"))};
}

QPixmap Background()
{
    return Load(QStringLiteral("background"));
}

QCursor PointingHand()
{
    return QCursor(Load(QStringLiteral("hand")), kHandHotSpotX, kHandHotSpotY);
}

QIcon ProgramIcon()
{
    return QIcon(Load(QStringLiteral("icon_32")));
}

} // namespace sparrowtrim::artwork
