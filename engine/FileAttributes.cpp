#include "engine/FileAttributes.h"

#include "engine/platform/PlatformFiles.h"

namespace sparrowtrim {

namespace {

// `undo` is null when the file is only to be asked about, not made writable.
bool RefusesOverwrite(const std::string &path, const std::function<bool()> &processReadOnly,
                      ReadOnlyUndo *undo)
{
    switch (platform::QueryReadOnly(path)) {
    case platform::ReadOnlyState::Writable:
        return false;
    case platform::ReadOnlyState::ReadOnly:
        if (!processReadOnly || !processReadOnly())
            return true;
        if (undo == nullptr)
            return false;
        if (!platform::ClearReadOnly(path, undo->previous))
            return true;
        undo->cleared = true;
        return false;
    case platform::ReadOnlyState::Unknown:
        break;
    }
    return true;
}

} // namespace

bool CheckReadOnly(const std::string &path, const std::function<bool()> &processReadOnly,
                   ReadOnlyUndo *undo)
{
    ReadOnlyUndo ignored;
    return RefusesOverwrite(path, processReadOnly, undo != nullptr ? undo : &ignored);
}

bool WouldRefuseOverwrite(const std::string &path, const std::function<bool()> &processReadOnly)
{
    return RefusesOverwrite(path, processReadOnly, nullptr);
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
