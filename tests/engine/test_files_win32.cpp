#include "test_files.h"

#include <cstdlib>
#include <stdexcept>
#include <windows.h>

namespace sparrowtrim::test {

namespace {

FILETIME ToNative(FileTime time)
{
    return {static_cast<DWORD>(time & 0xFFFFFFFFu), static_cast<DWORD>(time >> 32)};
}

FileTime FromNative(const FILETIME &native)
{
    return (static_cast<FileTime>(native.dwHighDateTime) << 32) | native.dwLowDateTime;
}

WIN32_FILE_ATTRIBUTE_DATA Information(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA information;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &information))
        throw std::runtime_error("cannot read the attributes of " + path);
    return information;
}

} // namespace

FileTimes ReadFileTimes(const std::string &path)
{
    const WIN32_FILE_ATTRIBUTE_DATA information = Information(path);
    return {FromNative(information.ftLastAccessTime), FromNative(information.ftLastWriteTime)};
}

void WriteFileTimes(const std::string &path, const FileTimes &times)
{
    // Setting times needs no more than the right to write attributes, which a read-only file
    // grants as well.
    const HANDLE file = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot open " + path + " to set its times");
    const FILETIME access = ToNative(times.access);
    const FILETIME modification = ToNative(times.modification);
    const BOOL set = ::SetFileTime(file, nullptr, &access, &modification);
    ::CloseHandle(file);
    if (!set)
        throw std::runtime_error("cannot set times of " + path);
}

int RunCommand(const std::string &command)
{
    // The command interpreter hands back the command's exit code as it is.
    return std::system(command.c_str());
}

} // namespace sparrowtrim::test
