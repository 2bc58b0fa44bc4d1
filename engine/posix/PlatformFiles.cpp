#include "PlatformFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace sparrowtrim::platform {

namespace {

// FILETIME counts 100-nanosecond ticks from 1601-01-01; the Unix epoch lies this much later.
constexpr std::int64_t kEpochDifferenceSeconds = 11644473600;
constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kNanosecondsPerTick = 100;

// Longest part of a file name reused in its temporary name, keeping it within 255 bytes.
constexpr std::size_t kMaxNameInTemporary = 200;
// Largest single read or write; Linux moves at most about 2 GiB per call.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

class FileDescriptor final
{
public:
    explicit FileDescriptor(int fd) : m_Fd(fd) {}
    ~FileDescriptor()
    {
        if (m_Fd >= 0)
            ::close(m_Fd);
    }
    FileDescriptor(FileDescriptor &&other) noexcept : m_Fd(std::exchange(other.m_Fd, -1)) {}
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    FileDescriptor &operator=(FileDescriptor &&) = delete;

    bool IsOpen() const { return m_Fd >= 0; }
    int Get() const { return m_Fd; }
    // Closes now; false when the close reports an error (a write the kernel could not finish).
    bool Close() { return ::close(std::exchange(m_Fd, -1)) == 0; }

private:
    int m_Fd;
};

int Open(const std::string &path, int flags, mode_t mode = 0)
{
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool ReadAll(int fd, std::uint8_t *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t got = ::read(fd, data, std::min(size, kMaxTransfer));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        data += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

bool WriteAll(int fd, const std::uint8_t *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t put = ::write(fd, data, std::min(size, kMaxTransfer));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

bool IsOwnerWritable(const struct stat &status)
{
    return (status.st_mode & S_IWUSR) != 0;
}

FileTime ToFileTime(const struct timespec &time)
{
    const std::int64_t seconds = static_cast<std::int64_t>(time.tv_sec) + kEpochDifferenceSeconds;
    if (seconds < 0)
        return 0;
    return static_cast<FileTime>(seconds) * kTicksPerSecond +
           static_cast<FileTime>(time.tv_nsec / kNanosecondsPerTick);
}

struct timespec ToTimespec(FileTime time)
{
    struct timespec result = {};
    result.tv_sec = static_cast<time_t>(static_cast<std::int64_t>(time / kTicksPerSecond) -
                                        kEpochDifferenceSeconds);
    result.tv_nsec = static_cast<long>(time % kTicksPerSecond) * kNanosecondsPerTick;
    return result;
}

// Opens a file for reading and writing only when its owner may write it, so that a read-only
// file behaves the same whether or not the process runs as root.
FileDescriptor OpenWritableFile(const std::string &path)
{
    FileDescriptor file(Open(path, O_RDWR | O_NONBLOCK));
    struct stat status;
    if (file.IsOpen() && (::fstat(file.Get(), &status) != 0 || !IsOwnerWritable(status)))
        return FileDescriptor(-1);
    return file;
}

// Best effort: only root may give a file to another user, but a user may still hand it to one
// of their own groups. Failing that, the new file belongs to whoever runs the program.
bool KeepOwner(int fd, const struct stat &original)
{
    return ::fchown(fd, original.st_uid, original.st_gid) == 0 ||
           ::fchown(fd, static_cast<uid_t>(-1), original.st_gid) == 0;
}

std::string ResolvedPath(const std::string &path)
{
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                               &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

} // namespace

bool ReadWholeFile(const std::string &path, std::size_t maxLength, std::size_t padding,
                   std::vector<std::uint8_t> &buffer)
{
    buffer.clear();
    // Non-blocking, so that a named pipe cannot hold the program; it is refused below.
    FileDescriptor file(Open(path, O_RDONLY | O_NONBLOCK));
    if (!file.IsOpen())
        return false;
    struct stat status;
    if (::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0 ||
        static_cast<std::uint64_t>(status.st_size) > maxLength)
        return false;

    const auto length = static_cast<std::size_t>(status.st_size);
    buffer.assign(length + padding, 0);
    if (!ReadAll(file.Get(), buffer.data(), length) || !file.Close()) {
        buffer.clear();
        return false;
    }
    return true;
}

bool ReplaceFileContents(const std::string &path, std::span<const std::uint8_t> bytes)
{
    // Through a symbolic link the file it points to is replaced; the link stays.
    const std::string target = ResolvedPath(path);
    struct stat original;
    if (target.empty() || ::stat(target.c_str(), &original) != 0 || !S_ISREG(original.st_mode))
        return false;

    const std::string temporaryPath = TemporaryPathFor(target);
    FileDescriptor file(Open(temporaryPath, O_WRONLY | O_CREAT | O_EXCL, S_IRUSR | S_IWUSR));
    if (!file.IsOpen())
        return false;
    TemporaryFile temporary(temporaryPath);

    KeepOwner(file.Get(), original);
    // After the owner, whose change may clear set-id bits. Where the file system cannot take
    // them, the new file stays readable by its owner alone, never by more people than before.
    ::fchmod(file.Get(), original.st_mode & 07777);

    if (!WriteAll(file.Get(), bytes.data(), bytes.size()) || ::fdatasync(file.Get()) != 0 ||
        !file.Close())
        return false;
    if (::rename(temporaryPath.c_str(), target.c_str()) != 0)
        return false;
    temporary.Release();
    return true;
}

std::string TemporaryPathFor(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string name = path.substr(nameStart, kMaxNameInTemporary);
    return path.substr(0, nameStart) + "." + name + "." + std::to_string(::getpid()) + "-" +
           std::to_string(ThreadNumber()) + ".sparrowtrim-tmp";
}

ReadOnlyState QueryReadOnly(const std::string &path)
{
    struct stat status;
    if (::stat(path.c_str(), &status) != 0)
        return ReadOnlyState::Unknown;
    return IsOwnerWritable(status) ? ReadOnlyState::Writable : ReadOnlyState::ReadOnly;
}

bool ClearReadOnly(const std::string &path)
{
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 &&
           ::chmod(path.c_str(), (status.st_mode & 07777) | S_IWUSR) == 0;
}

FileTime ReadLastWriteTime(const std::string &path)
{
    const FileDescriptor file = OpenWritableFile(path);
    struct stat status;
    if (!file.IsOpen() || ::fstat(file.Get(), &status) != 0)
        return 0;
    return ToFileTime(status.st_mtim);
}

void WriteFileTimes(const std::string &path, FileTime time)
{
    const FileDescriptor file = OpenWritableFile(path);
    if (!file.IsOpen())
        return;
    const struct timespec times[2] = {ToTimespec(time), ToTimespec(time)};
    ::futimens(file.Get(), times);
}

} // namespace sparrowtrim::platform
