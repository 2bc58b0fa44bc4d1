#include "PlatformFiles.h"

#include <algorithm>
#include <utility>
#include <windows.h>

namespace sparrowtrim::platform {

namespace {

// Longest part of a file name reused in its temporary name, keeping it within 255 characters.
constexpr std::size_t kMaxNameInTemporary = 200;
// Largest single read or write: the calls count bytes in a DWORD.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

class FileHandle final
{
public:
    explicit FileHandle(HANDLE handle) : m_Handle(handle) {}
    ~FileHandle()
    {
        if (IsOpen())
            ::CloseHandle(m_Handle);
    }
    FileHandle(FileHandle &&other) noexcept
        : m_Handle(std::exchange(other.m_Handle, INVALID_HANDLE_VALUE))
    {}
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;
    FileHandle &operator=(FileHandle &&) = delete;

    bool IsOpen() const { return m_Handle != INVALID_HANDLE_VALUE && m_Handle != nullptr; }
    HANDLE Get() const { return m_Handle; }
    // Closes now; false when the close reports an error.
    bool Close() { return ::CloseHandle(std::exchange(m_Handle, INVALID_HANDLE_VALUE)) != 0; }

private:
    HANDLE m_Handle;
};

bool ReadAll(HANDLE file, std::uint8_t *data, std::size_t size)
{
    while (size > 0) {
        DWORD got = 0;
        const auto wanted = static_cast<DWORD>(std::min(size, kMaxTransfer));
        if (!::ReadFile(file, data, wanted, &got, nullptr) || got == 0)
            return false;
        data += got;
        size -= got;
    }
    return true;
}

bool WriteAll(HANDLE file, const std::uint8_t *data, std::size_t size)
{
    while (size > 0) {
        DWORD put = 0;
        const auto wanted = static_cast<DWORD>(std::min(size, kMaxTransfer));
        if (!::WriteFile(file, data, wanted, &put, nullptr) || put == 0)
            return false;
        data += put;
        size -= put;
    }
    return true;
}

std::string FullPath(const std::string &path)
{
    const DWORD needed = ::GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return {};
    std::string full(needed, '\0');
    const DWORD length = ::GetFullPathNameA(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed)
        return {};
    full.resize(length);
    return full;
}

// Opens the file for reading and writing, as OpenFile with OF_READWRITE does. OpenFile takes
// paths of fewer than OFS_MAXPATHNAME characters and searches the system folders for a bare
// name, so it is given the full path, and a longer one is opened the same way by CreateFileA
// (a kept date must not depend on how deep the photo lies). A read-only file does not open
// on Windows; the handle's attributes are checked as well, since Wine running as root opens
// one, as Linux does for root.
FileHandle OpenReadWrite(const std::string &path)
{
    const std::string full = FullPath(path);
    if (full.empty())
        return FileHandle(INVALID_HANDLE_VALUE);

    HANDLE handle = INVALID_HANDLE_VALUE;
    if (full.size() < OFS_MAXPATHNAME) {
        OFSTRUCT info = {};
        info.cBytes = sizeof(info);
        const HFILE opened = ::OpenFile(full.c_str(), &info, OF_READWRITE);
        if (opened != HFILE_ERROR)
            handle = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(opened));
    } else {
        handle = ::CreateFileA(full.c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    FileHandle file(handle);
    BY_HANDLE_FILE_INFORMATION information;
    if (file.IsOpen() && (!::GetFileInformationByHandle(file.Get(), &information) ||
                          (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0))
        return FileHandle(INVALID_HANDLE_VALUE);
    return file;
}

FILETIME ToNative(FileTime time)
{
    FILETIME native;
    native.dwLowDateTime = static_cast<DWORD>(time & 0xFFFFFFFFu);
    native.dwHighDateTime = static_cast<DWORD>(time >> 32);
    return native;
}

FileTime FromNative(const FILETIME &native)
{
    return (static_cast<FileTime>(native.dwHighDateTime) << 32) | native.dwLowDateTime;
}

} // namespace

bool ReadWholeFile(const std::string &path, std::size_t maxLength, std::size_t padding,
                   std::vector<std::uint8_t> &buffer)
{
    buffer.clear();
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen() || ::GetFileType(file.Get()) != FILE_TYPE_DISK)
        return false;
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
        static_cast<std::uint64_t>(size.QuadPart) > maxLength)
        return false;

    const auto length = static_cast<std::size_t>(size.QuadPart);
    buffer.assign(length + padding, 0);
    if (!ReadAll(file.Get(), buffer.data(), length) || !file.Close()) {
        buffer.clear();
        return false;
    }
    return true;
}

bool ReplaceFileContents(const std::string &path, std::span<const std::uint8_t> bytes)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;

    // Hidden while it is being written; it becomes the photo with no attribute set, a new file
    // that carries nothing of the old one.
    const std::string temporaryPath = TemporaryPathFor(path);
    FileHandle file(::CreateFileA(temporaryPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_HIDDEN, nullptr));
    if (!file.IsOpen())
        return false;
    TemporaryFile temporary(temporaryPath);

    if (!WriteAll(file.Get(), bytes.data(), bytes.size()) || !::FlushFileBuffers(file.Get()) ||
        !file.Close())
        return false;
    if (!::SetFileAttributesA(temporaryPath.c_str(), FILE_ATTRIBUTE_NORMAL))
        return false;
    // A rename within the folder: the path holds the whole old file or the whole new one.
    if (!::MoveFileExA(temporaryPath.c_str(), path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return false;
    temporary.Release();
    return true;
}

std::string TemporaryPathFor(const std::string &path)
{
    // Both separators name folders here, and "C:photo.jpg" lies in the current folder of C:.
    const std::size_t separator = path.find_last_of("\\/:");
    const std::size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    const std::string name = path.substr(nameStart, kMaxNameInTemporary);
    return path.substr(0, nameStart) + "." + name + "." + std::to_string(::GetCurrentProcessId()) +
           "-" + std::to_string(ThreadNumber()) + ".sparrowtrim-tmp";
}

ReadOnlyState QueryReadOnly(const std::string &path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return ReadOnlyState::Unknown;
    return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? ReadOnlyState::ReadOnly
                                                       : ReadOnlyState::Writable;
}

bool ClearReadOnly(const std::string &path)
{
    // Normal attributes: read-only, hidden, system and archive all cleared. The call spells
    // "no attribute" as FILE_ATTRIBUTE_NORMAL.
    return ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) != 0;
}

FileTime ReadLastWriteTime(const std::string &path)
{
    const FileHandle file = OpenReadWrite(path);
    FILETIME lastWrite;
    if (!file.IsOpen() || !::GetFileTime(file.Get(), nullptr, nullptr, &lastWrite))
        return 0;
    return FromNative(lastWrite);
}

void WriteFileTimes(const std::string &path, FileTime time)
{
    const FileHandle file = OpenReadWrite(path);
    if (!file.IsOpen())
        return;
    const FILETIME native = ToNative(time);
    ::SetFileTime(file.Get(), &native, &native, &native);
}

} // namespace sparrowtrim::platform
