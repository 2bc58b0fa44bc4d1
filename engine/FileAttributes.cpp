#include "FileAttributes.h"

#include "PlatformFiles.h"

namespace sparrowtrim {

namespace {

bool RefusesOverwrite(const std::string &path, const std::function<bool()> &processReadOnly,
                      bool makeWritable)
{
    switch (platform::QueryReadOnly(path)) {
    case platform::ReadOnlyState::Writable:
        return false;
    case platform::ReadOnlyState::ReadOnly:
        if (processReadOnly && processReadOnly())
            return makeWritable && !platform::ClearReadOnly(path);
        return true;
    case platform::ReadOnlyState::Unknown:
        break;
    }
    return true;
}

} // namespace

bool CheckReadOnly(const std::string &path, const std::function<bool()> &processReadOnly)
{
    return RefusesOverwrite(path, processReadOnly, true);
}

bool WouldRefuseOverwrite(const std::string &path, const std::function<bool()> &processReadOnly)
{
    return RefusesOverwrite(path, processReadOnly, false);
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
