#include "engine/platform/PlatformFiles.h"

#include "engine/TemporaryNames.h"
#include "engine/platform/Messages.h"
#include "engine/platform/posix/PosixFiles.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <utility>

#ifdef __linux__
#include <sys/xattr.h>
#endif

namespace sparrowtrim::platform {

namespace {

// FILETIME counts 100-nanosecond ticks from 1601-01-01; the Unix epoch lies this much later.
constexpr std::int64_t kEpochDifferenceSeconds = 11644473600;
constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kNanosecondsPerTick = 100;
constexpr std::int64_t kNanosecondsPerSecond = 1000000000;

// Largest single read or write; Linux moves at most about 2 GiB per call.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;
// Temporary names tried before a file gives up: each is new, so only a folder crowded with
// names of this very process collides more than once.
constexpr int kNameAttempts = 100;

} // namespace

std::string SystemReason(const std::string &doing, int error)
{
    return doing + ": " + std::strerror(error);
}

int Open(const std::string &path, int flags, mode_t mode)
{
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

std::int64_t Nanoseconds(const struct timespec &time)
{
    return static_cast<std::int64_t>(time.tv_sec) * kNanosecondsPerSecond + time.tv_nsec;
}

FileStamp StampOf(const struct stat &status)
{
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
            static_cast<std::uint64_t>(status.st_size), Nanoseconds(status.st_mtim),
            Nanoseconds(status.st_ctim)};
}

bool SameContent(const FileStamp &a, const FileStamp &b)
{
    return a.volume == b.volume && a.fileNumber == b.fileNumber && a.size == b.size &&
           a.modified == b.modified;
}

namespace {

bool ReadAll(int fd, std::uint8_t *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t got = ::read(fd, data, std::min(size, kMaxTransfer));
        if (got < 0 && errno == EINTR)
            continue;
        if (got == 0)
            errno = ENODATA; // the file became shorter while it was read
        if (got <= 0)
            return false;
        data += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

// Writes the pieces one after the other, as few calls as the system allows.
bool WritePieces(int fd, std::span<const std::span<const std::uint8_t>> pieces)
{
    std::vector<struct iovec> vectors;
    vectors.reserve(pieces.size());
    for (const auto &piece : pieces)
        if (!piece.empty())
            vectors.push_back({const_cast<std::uint8_t *>(piece.data()), piece.size()});
    std::size_t next = 0;
    while (next < vectors.size()) {
        const int count = static_cast<int>(std::min<std::size_t>(vectors.size() - next, IOV_MAX));
        ssize_t put = ::writev(fd, &vectors[next], count);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return false;
        while (next < vectors.size() && static_cast<std::size_t>(put) >= vectors[next].iov_len)
            put -= static_cast<ssize_t>(vectors[next++].iov_len);
        if (put > 0) {
            vectors[next].iov_base = static_cast<std::uint8_t *>(vectors[next].iov_base) + put;
            vectors[next].iov_len -= static_cast<std::size_t>(put);
        }
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

std::string ResolvedPath(const std::string &path)
{
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                               &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

std::string FirstLine(const char *file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

const TemporaryWriter &ThisWriter()
{
    static const TemporaryWriter writer = [] {
        // Containers on one machine may share its identity but not their process numbers:
        // the process namespace is part of the machine here.
        char pidNamespace[64] = {};
        const ssize_t length =
            ::readlink("/proc/self/ns/pid", pidNamespace, sizeof pidNamespace - 1);
        char host[HOST_NAME_MAX + 1] = {};
        ::gethostname(host, sizeof host - 1);
        const std::string machine = FirstLine("/etc/machine-id") + "/" + host + "/" +
                                    std::string(pidNamespace, length > 0 ? length : 0);
        return TemporaryWriter{Digest(machine),
                               Digest(FirstLine("/proc/sys/kernel/random/boot_id")),
                               static_cast<std::uint64_t>(::getpid())};
    }();
    return writer;
}

std::atomic<std::uint64_t> g_NextSerial{0};

std::string TemporaryPathFor(const std::string &path, std::uint64_t serial)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, nameStart) +
           TemporaryName(std::string_view(path).substr(nameStart), ThisWriter(), serial);
}

// Removes the temporary file unless it was handed over.
class TemporaryGuard final
{
public:
    TemporaryGuard(std::string path, int fd) : m_Path(std::move(path)), m_Fd(fd) {}
    ~TemporaryGuard()
    {
        if (m_Fd.IsOpen()) {
            m_Fd.Close();
            ::unlink(m_Path.c_str());
        }
    }
    TemporaryGuard(const TemporaryGuard &) = delete;
    TemporaryGuard &operator=(const TemporaryGuard &) = delete;

    int Fd() const { return m_Fd.Get(); }
    int Release() { return m_Fd.Release(); }

private:
    std::string m_Path;
    FileDescriptor m_Fd;
};

} // namespace

FileStatus ReadWholeFile(const std::string &path, std::size_t maxLength, std::size_t padding,
                         std::vector<std::uint8_t> &buffer, SourceFile &source)
{
    source.path = path;
    // Non-blocking, so that a named pipe cannot hold the program; it is refused below. A
    // symbolic link is resolved only when the path is one, which spares the lookups of every
    // folder above for all other files.
    int fd = Open(path, O_RDONLY | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0 && errno == ELOOP) {
        source.path = ResolvedPath(path);
        if (!source.path.empty())
            fd = Open(source.path, O_RDONLY | O_NONBLOCK);
    }
    FileDescriptor file(fd);
    if (!file.IsOpen())
        return FileStatus::Failed(SystemReason("opening the file"));
    struct stat status;
    if (::fstat(file.Get(), &status) != 0)
        return FileStatus::Failed(SystemReason("reading the file's attributes"));
    if (!S_ISREG(status.st_mode))
        return FileStatus::Failed("not a regular file");
    if (status.st_size < 0 || static_cast<std::uint64_t>(status.st_size) > maxLength)
        return FileStatus::Failed("the file is too large");
    source.stamp = StampOf(status);
    source.mode = status.st_mode;
    source.owner = status.st_uid;
    source.group = status.st_gid;

    // The buffer keeps its memory and size from file to file: only bytes beyond the last
    // file's end are cleared when it grows, and the padding, instead of the whole buffer.
    const auto length = static_cast<std::size_t>(status.st_size);
    buffer.resize(length + padding);
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(length), buffer.end(), 0);
    if (!ReadAll(file.Get(), buffer.data(), length) || !file.Close()) {
        buffer.clear();
        return FileStatus::Failed(errno == ENODATA ? "the file became shorter while it was read"
                                                   : SystemReason("reading the file"));
    }
    return FileStatus::Done();
}

FileStatus Restamp(SourceFile &source)
{
    struct stat status;
    if (::stat(source.path.c_str(), &status) != 0)
        return FileStatus::Failed(kGoneMeanwhile);
    const FileStamp now = StampOf(status);
    if (!SameContent(now, source.stamp))
        return FileStatus::Failed(kChangedMeanwhile);
    source.stamp = now;
    source.mode = status.st_mode;
    return FileStatus::Done();
}

FileStatus StageReplacement(const SourceFile &source,
                            std::span<const std::span<const std::uint8_t>> pieces, FileTime time,
                            StagedFile &staged)
{
    WatchDevice(source.stamp.volume, FolderOf(source.path));
    std::string temporaryPath;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < kNameAttempts; ++attempt) {
        temporaryPath = TemporaryPathFor(source.path, g_NextSerial++);
        fd = Open(temporaryPath, O_WRONLY | O_CREAT | O_EXCL, S_IRUSR | S_IWUSR);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return FileStatus::Failed(SystemReason("creating the temporary file"));
    TemporaryGuard temporary(temporaryPath, fd);

    if (!WritePieces(fd, pieces))
        return FileStatus::Failed(SystemReason("writing the temporary file"));
#ifdef __linux__
    // The disk can start on the bytes while the next files are read.
    ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    if (FileStatus kept = KeepAccess(source, fd); !kept.IsDone())
        return kept;
    if (time != 0) {
        const struct timespec times[2] = {ToTimespec(time), ToTimespec(time)};
        ::futimens(fd, times);
    }
    staged.source = source;
    staged.temporaryPath = std::move(temporaryPath);
    staged.handle = temporary.Release();
    return FileStatus::Done();
}

FileStatus SwitchIn(StagedFile &staged)
{
    FileDescriptor temporary(static_cast<int>(std::exchange(staged.handle, -1)));
    const auto fail = [&](FileStatus status) {
        ::unlink(staged.temporaryPath.c_str());
        return status;
    };
    if (!temporary.Close())
        return fail(FileStatus::Failed(SystemReason("closing the temporary file")));

    // The path must still name the file that was read, unchanged.
    struct stat status;
    if (::stat(staged.source.path.c_str(), &status) != 0)
        return fail(FileStatus::Failed(kGoneMeanwhile));
    if (StampOf(status) != staged.source.stamp)
        return fail(FileStatus::Failed(kChangedMeanwhile));
#ifdef RENAME_EXCHANGE
    // Exchanging the names never creates the file, should it vanish after the check; the old
    // file, now under the temporary name, shows whether it is still the one that was read.
    // It is removed by Discard: freeing its blocks may wait for the disk.
    if (::renameat2(AT_FDCWD, staged.temporaryPath.c_str(), AT_FDCWD, staged.source.path.c_str(),
                    RENAME_EXCHANGE) == 0) {
        struct stat previous;
        if (::lstat(staged.temporaryPath.c_str(), &previous) == 0 &&
            SameContent(StampOf(previous), staged.source.stamp)) {
            staged.holdsReplaced = true;
            return FileStatus::Done();
        }
        if (::renameat2(AT_FDCWD, staged.temporaryPath.c_str(), AT_FDCWD,
                        staged.source.path.c_str(), RENAME_EXCHANGE) != 0)
            return FileStatus::Failed(SystemReason(
                "the file changed while it was replaced and could not be put back; it was "
                "kept as " +
                staged.temporaryPath));
        return fail(FileStatus::Failed(kChangedMeanwhile));
    }
    if (errno == ENOENT)
        return fail(FileStatus::Failed(kGoneMeanwhile));
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return fail(FileStatus::Failed(SystemReason("putting the new file in place")));
#endif
    if (::rename(staged.temporaryPath.c_str(), staged.source.path.c_str()) != 0)
        return fail(FileStatus::Failed(SystemReason("putting the new file in place")));
    return FileStatus::Done();
}

void Discard(StagedFile &staged)
{
    if (staged.handle >= 0)
        ::close(static_cast<int>(std::exchange(staged.handle, -1)));
    else if (!std::exchange(staged.holdsReplaced, false))
        return;
    ::unlink(staged.temporaryPath.c_str());
}

std::string FolderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void RemoveLeftovers(const std::string &folder)
{
    const std::string base = folder.empty() ? "." : folder;
    const auto close = [](DIR *open) { ::closedir(open); };
    const std::unique_ptr<DIR, decltype(close)> directory(::opendir(base.c_str()), close);
    if (!directory)
        return;
    const auto processRuns = [](std::uint64_t process) {
        return process > static_cast<std::uint64_t>(INT_MAX) ||
               ::kill(static_cast<pid_t>(process), 0) == 0 || errno != ESRCH;
    };
    const int fd = ::dirfd(directory.get());
    while (const struct dirent *entry = ::readdir(directory.get())) {
        const auto writer = WriterOfTemporaryName(entry->d_name);
        struct stat status;
        if (writer && IsAbandoned(*writer, ThisWriter(), processRuns) &&
            ::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(status.st_mode))
            ::unlinkat(fd, entry->d_name, 0);
    }
}

std::string NextTemporaryPath(const std::string &path)
{
    return TemporaryPathFor(path, g_NextSerial.load());
}

ReadOnlyState QueryReadOnly(const std::string &path)
{
    struct stat status;
    if (::stat(path.c_str(), &status) != 0)
        return ReadOnlyState::Unknown;
    return IsOwnerWritable(status) ? ReadOnlyState::Writable : ReadOnlyState::ReadOnly;
}

bool ClearReadOnly(const std::string &path, std::uint32_t &previous)
{
    struct stat status;
    if (::stat(path.c_str(), &status) != 0)
        return false;
    previous = status.st_mode & 07777;
    return ::chmod(path.c_str(), (status.st_mode & 07777) | S_IWUSR) == 0;
}

void RestoreReadOnly(const SourceFile &source, std::uint32_t previous)
{
    struct stat status;
    if (::stat(source.path.c_str(), &status) == 0 && SameContent(StampOf(status), source.stamp) &&
        (status.st_mode & 07777) == ((previous | S_IWUSR) & 07777))
        ::chmod(source.path.c_str(), previous);
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
