#include "FileAttributes.h"

#include "PlatformFiles.h"

namespace sparrowtrim {

bool CheckReadOnly(const std::string &path, const std::function<bool()> &processReadOnly,
                   ReadOnlyUndo *undo)
{
    switch (platform::QueryReadOnly(path)) {
    case platform::ReadOnlyState::Writable:
        return false;
    case platform::ReadOnlyState::ReadOnly:
        if (processReadOnly && processReadOnly()) {
            ReadOnlyUndo cleared;
            if (!platform::ClearReadOnly(path, cleared.previous))
                return true;
            cleared.cleared = true;
            if (undo != nullptr)
                *undo = cleared;
            return false;
        }
        return true;
    case platform::ReadOnlyState::Unknown:
        break;
    }
    return true;
}

FileTime GetLastWriteTime(const std::string &path)
{
    return platform::ReadLastWriteTime(path);
}

void SetFileTimes(const std::string &path, FileTime time)
{
    if (time != 0)
        platform::WriteFileTimes(path, time);
}

} // namespace sparrowtrim
