#include "engine/platform/PlatformFiles.h"

#include "engine/TemporaryNames.h"
#include "engine/platform/Messages.h"

#include <algorithm>
#include <atomic>
#include <utility>
#include <windows.h>

namespace sparrowtrim::platform {

namespace {

// Largest single read or write: the calls count bytes in a DWORD.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;
// Temporary names tried before a file gives up.
constexpr int kNameAttempts = 100;

std::string SystemReason(const std::string &doing, DWORD error = ::GetLastError())
{
    char text[256] = {};
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                         0, text, sizeof text, nullptr);
    std::string reason(text, length);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r'))
        reason.pop_back();
    return doing + ": " + (reason.empty() ? "error " + std::to_string(error) : reason);
}

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
    HANDLE Release() { return std::exchange(m_Handle, INVALID_HANDLE_VALUE); }
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

// The stamp of an open file: volume serial number and file index, size, last-write time and,
// where the file system keeps one, the change time.
bool StampOf(HANDLE file, FileStamp &stamp, DWORD *attributes = nullptr)
{
    BY_HANDLE_FILE_INFORMATION information;
    if (!::GetFileInformationByHandle(file, &information))
        return false;
    FILE_BASIC_INFO basic = {};
    const bool hasChangeTime =
        ::GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) != 0;
    stamp.volume = information.dwVolumeSerialNumber;
    stamp.fileNumber =
        (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    stamp.size =
        (static_cast<std::uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
    stamp.modified = static_cast<std::int64_t>(FromNative(information.ftLastWriteTime));
    stamp.changed = hasChangeTime ? basic.ChangeTime.QuadPart : 0;
    if (attributes != nullptr)
        *attributes = information.dwFileAttributes;
    return true;
}

// The stamp of the file a path names now; false when it names none.
bool StampOf(const std::string &path, FileStamp &stamp, DWORD *attributes = nullptr)
{
    const FileHandle file(::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsOpen() && StampOf(file.Get(), stamp, attributes);
}

bool SameContent(const FileStamp &a, const FileStamp &b)
{
    return a.volume == b.volume && a.fileNumber == b.fileNumber && a.size == b.size &&
           a.modified == b.modified;
}

const TemporaryWriter &ThisWriter()
{
    static const TemporaryWriter writer = [] {
        char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
        DWORD length = sizeof computer;
        ::GetComputerNameA(computer, &length);
        return TemporaryWriter{Digest(std::string(computer, length)), 0, ::GetCurrentProcessId()};
    }();
    return writer;
}

std::atomic<std::uint64_t> g_NextSerial{0};

std::size_t NameStart(const std::string &path)
{
    // Both separators name folders here, and "C:photo.jpg" lies in the current folder of C:.
    const std::size_t separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? 0 : separator + 1;
}

std::string TemporaryPathFor(const std::string &path, std::uint64_t serial)
{
    const std::size_t nameStart = NameStart(path);
    return path.substr(0, nameStart) +
           TemporaryName(std::string_view(path).substr(nameStart), ThisWriter(), serial);
}

bool ProcessRuns(std::uint64_t process)
{
    const HANDLE handle = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(process));
    if (handle == nullptr)
        return ::GetLastError() != ERROR_INVALID_PARAMETER;
    const bool running = ::WaitForSingleObject(handle, 0) == WAIT_TIMEOUT;
    ::CloseHandle(handle);
    return running;
}

} // namespace

FileStatus ReadWholeFile(const std::string &path, std::size_t maxLength, std::size_t padding,
                         std::vector<std::uint8_t> &buffer, SourceFile &source, SourceGuard &guard)
{
    source.path = path;
    // No write sharing: a program writing the file keeps it from being read, and none can
    // open it for writing until the guard is released.
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen() && ::GetLastError() == ERROR_SHARING_VIOLATION)
        return FileStatus::Failed(kWriterActive, FileStatus::Cause::WriterActive);
    if (!file.IsOpen())
        return FileStatus::Failed(SystemReason("opening the file"));
    DWORD attributes = 0;
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK ||
        !StampOf(file.Get(), source.stamp, &attributes))
        return FileStatus::Failed("not a regular file");
    if (source.stamp.size > maxLength)
        return FileStatus::Failed("the file is too large");
    source.mode = attributes;

    // The buffer keeps its memory and size from file to file: only bytes beyond the last
    // file's end are cleared when it grows, and the padding, instead of the whole buffer.
    const auto length = static_cast<std::size_t>(source.stamp.size);
    buffer.resize(length + padding);
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(length), buffer.end(), 0);
    if (!ReadAll(file.Get(), buffer.data(), length)) {
        buffer.clear();
        return FileStatus::Failed(SystemReason("reading the file"));
    }
    guard = SourceGuard(reinterpret_cast<std::intptr_t>(file.Release()));
    return FileStatus::Done();
}

FileStatus Restamp(SourceFile &source)
{
    FileStamp now;
    DWORD attributes = 0;
    if (!StampOf(source.path, now, &attributes))
        return FileStatus::Failed(kGoneMeanwhile);
    if (!SameContent(now, source.stamp))
        return FileStatus::Failed(kChangedMeanwhile);
    source.stamp = now;
    source.mode = attributes;
    return FileStatus::Done();
}

FileStatus StageReplacement(const SourceFile &source,
                            std::span<const std::span<const std::uint8_t>> pieces, bool keepTime,
                            StagedFile &staged)
{
    // Hidden while it is being written; it becomes the photo with no attribute set, a new file
    // that carries nothing of the old one.
    std::string temporaryPath;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; handle == INVALID_HANDLE_VALUE && attempt < kNameAttempts; ++attempt) {
        temporaryPath = TemporaryPathFor(source.path, g_NextSerial++);
        handle = ::CreateFileA(temporaryPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (handle == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS &&
            ::GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    if (handle == INVALID_HANDLE_VALUE)
        return FileStatus::Failed(SystemReason("creating the temporary file"));
    FileHandle file(handle);

    for (const auto &piece : pieces) {
        if (!WriteAll(file.Get(), piece.data(), piece.size())) {
            const DWORD error = ::GetLastError();
            const std::string reason = SystemReason("writing the temporary file", error);
            file.Close();
            ::DeleteFileA(temporaryPath.c_str());
            return FileStatus::Failed(reason,
                                      error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL
                                          ? FileStatus::Cause::NoSpace
                                          : FileStatus::Cause::Other);
        }
    }
    if (keepTime) {
        const FILETIME native = ToNative(static_cast<FileTime>(source.stamp.modified));
        ::SetFileTime(file.Get(), &native, &native, &native);
    }
    staged.source = source;
    staged.temporaryPath = std::move(temporaryPath);
    staged.handle = reinterpret_cast<std::intptr_t>(file.Release());
    return FileStatus::Done();
}

void MakeDurable(std::span<StagedFile *const> files, std::span<FileStatus> statuses)
{
    for (std::size_t i = 0; i < files.size(); ++i)
        if (!::FlushFileBuffers(reinterpret_cast<HANDLE>(files[i]->handle)))
            statuses[i] = FileStatus::Failed(SystemReason("flushing the new file to the disk"));
}

FileStatus SwitchIn(StagedFile &staged)
{
    FileHandle file(reinterpret_cast<HANDLE>(std::exchange(staged.handle, -1)));
    const auto fail = [&](FileStatus status) {
        ::DeleteFileA(staged.temporaryPath.c_str());
        return status;
    };
    if (!file.Close())
        return fail(FileStatus::Failed(SystemReason("closing the temporary file")));

    // The path must still name the file that was read, unchanged; a change that slips in
    // between this check and the move is lost.
    FileStamp now;
    if (!StampOf(staged.source.path, now))
        return fail(FileStatus::Failed(kGoneMeanwhile));
    if (now != staged.source.stamp)
        return fail(FileStatus::Failed(kChangedMeanwhile));
    // The file cannot be replaced while it is held open.
    staged.guard.Release();
    if (!::SetFileAttributesA(staged.temporaryPath.c_str(), FILE_ATTRIBUTE_NORMAL))
        return fail(FileStatus::Failed(SystemReason("showing the temporary file")));
    // A rename within the folder: the path holds the whole old file or the whole new one.
    if (!::MoveFileExA(staged.temporaryPath.c_str(), staged.source.path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return fail(FileStatus::Failed(SystemReason("putting the new file in place")));
    return FileStatus::Done();
}

void Discard(StagedFile &staged)
{
    if (staged.handle < 0)
        return;
    ::CloseHandle(reinterpret_cast<HANDLE>(std::exchange(staged.handle, -1)));
    ::DeleteFileA(staged.temporaryPath.c_str());
}

FileStatus FlushFolder(const std::string &)
{
    // The move was made with write-through: it is on the disk once it returns.
    return FileStatus::Done();
}

bool FileSystemFlushReachesDisk(const std::string &)
{
    // Each new file is flushed as it is moved in place.
    return false;
}

std::string FolderOf(const std::string &path)
{
    return path.substr(0, NameStart(path));
}

void RemoveLeftovers(const std::string &folder)
{
    WIN32_FIND_DATAA entry;
    const HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const auto writer = WriterOfTemporaryName(entry.cFileName);
        const DWORD notPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
        if (writer && (entry.dwFileAttributes & notPlain) == 0 &&
            IsAbandoned(*writer, ThisWriter(), ProcessRuns)) {
            const std::string path = folder + entry.cFileName;
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA(path.c_str());
        }
    } while (::FindNextFileA(search, &entry));
    ::FindClose(search);
}

std::string NextTemporaryPath(const std::string &path)
{
    return TemporaryPathFor(path, g_NextSerial.load());
}

ReadOnlyState QueryReadOnly(const std::string &path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return ReadOnlyState::Unknown;
    return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? ReadOnlyState::ReadOnly
                                                       : ReadOnlyState::Writable;
}

bool ClearReadOnly(const std::string &path, std::uint32_t &previous)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    previous = attributes;
    // Normal attributes: read-only, hidden, system and archive all cleared. The call spells
    // "no attribute" as FILE_ATTRIBUTE_NORMAL.
    return ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) != 0;
}

void RestoreReadOnly(const SourceFile &source, std::uint32_t previous)
{
    FileStamp now;
    DWORD attributes = 0;
    if (StampOf(source.path, now, &attributes) && SameContent(now, source.stamp) &&
        (attributes & FILE_ATTRIBUTE_READONLY) == 0)
        ::SetFileAttributesA(source.path.c_str(), previous);
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

namespace sparrowtrim {

void SourceGuard::Release()
{
    if (m_Handle >= 0)
        ::CloseHandle(reinterpret_cast<HANDLE>(std::exchange(m_Handle, -1)));
}

} // namespace sparrowtrim
