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
// Set in what ClearReadOnly returns when it cleared a DOS read-only attribute too.
constexpr std::uint32_t kDosReadOnlyWasSet = 0x80000000u;
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

#ifdef __linux__
// The signal a lease break sends: one whose default is to be ignored, so that a break shows only
// in the lease's state, which is read before the switch.
constexpr int kLeaseBreakSignal = SIGURG;
#endif

// Takes a read lease on the open file, which the system grants only while no other program has
// it open for writing, and breaks (holding up the writer's open) when one opens it later.
// Where no lease can be had (another owner's file without the right to lease it, a file system
// without leases), the checks of the file's stamp before the switch must do.
FileStatus TakeReadLease(int fd, bool &leased)
{
    leased = false;
#ifdef __linux__
    if (::fcntl(fd, F_SETSIG, kLeaseBreakSignal) == 0 && ::fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
        leased = true;
        return FileStatus::Done();
    }
    if (errno == EAGAIN)
        return FileStatus::Failed(kWriterActive, FileStatus::Cause::WriterActive);
#else
    (void)fd;
#endif
    return FileStatus::Done();
}

// False once another program has asked to open the file that was read for writing.
bool NoWriterWaiting(const StagedFile &staged)
{
#ifdef __linux__
    return !staged.source.leased || !staged.guard.IsHeld() ||
           ::fcntl(static_cast<int>(staged.guard.Handle()), F_GETLEASE) == F_RDLCK;
#else
    (void)staged;
    return true;
#endif
}

// Where a stat may answer from a cache, the file's bytes are read afresh and compared with
// those that were read.
bool ContentUnchanged(const SourceFile &source)
{
    if (!source.attributesMayBeCached)
        return true;
    FileDescriptor file(Open(source.path, O_RDONLY | O_NONBLOCK));
    struct stat status;
    if (!file.IsOpen() || ::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    // One byte more than was read shows a file that grew.
    std::vector<std::uint8_t> bytes(source.stamp.size + 1);
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(file.Get(), bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return got == source.stamp.size && ContentDigest({bytes.data(), got}) == source.contentDigest;
}

// A failure to create or write a file, telling a full disk or quota apart.
FileStatus SpaceAwareFailure(const std::string &doing)
{
    const int error = errno;
    return FileStatus::Failed(SystemReason(doing, error), error == ENOSPC || error == EDQUOT
                                                              ? FileStatus::Cause::NoSpace
                                                              : FileStatus::Cause::Other);
}

// Marks a temporary file as this process's for as long as it holds it open, with a lock that
// any process on the machine sees, in whatever namespace it runs.
void LockAsInUse(int fd)
{
#ifdef F_OFD_SETLK
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ::fcntl(fd, F_OFD_SETLK, &lock);
#else
    (void)fd;
#endif
}

enum class InUse { Yes, No, Unknown };

// Whether the temporary file `name` (whose attributes are `status`) in the open folder is held
// by its writer, through the lock LockAsInUse takes.
InUse InUseState(int folder, const char *name, const struct stat &status)
{
#ifdef F_OFD_GETLK
    FileDescriptor file(::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat opened;
    if (!file.IsOpen() || ::fstat(file.Get(), &opened) != 0 || opened.st_ino != status.st_ino ||
        opened.st_dev != status.st_dev)
        return InUse::Yes; // gone or replaced meanwhile: not this call's to remove
    struct flock lock = {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(file.Get(), F_OFD_GETLK, &lock) != 0)
        return InUse::Unknown;
    return lock.l_type == F_UNLCK ? InUse::No : InUse::Yes;
#else
    (void)folder, (void)name, (void)status;
    return InUse::Unknown;
#endif
}

struct timespec FromNanoseconds(std::int64_t nanoseconds)
{
    struct timespec time = {};
    time.tv_sec = static_cast<time_t>(nanoseconds / kNanosecondsPerSecond);
    time.tv_nsec = static_cast<long>(nanoseconds % kNanosecondsPerSecond);
    if (time.tv_nsec < 0) {
        time.tv_nsec += kNanosecondsPerSecond;
        --time.tv_sec;
    }
    return time;
}

// Moves a file that another program put under a temporary name of this run to a name of its
// own beside the photo, which no clean-up of leftovers ever removes; returns where it is now.
std::string KeepAside(const std::string &temporaryPath, const std::string &path)
{
    for (int attempt = 1; attempt <= kNameAttempts; ++attempt) {
        const std::string kept =
            path + (attempt == 1 ? ".kept" : ".kept-" + std::to_string(attempt));
        // A hard link never replaces an existing name.
        if (::link(temporaryPath.c_str(), kept.c_str()) == 0) {
            ::unlink(temporaryPath.c_str());
            return kept;
        }
        if (errno != EEXIST)
            break;
    }
    return temporaryPath;
}

// Removes what the temporary name holds when it is this run's own file: the new file that was
// not switched in, or the replaced original. Anything else there is another program's and is
// kept aside, and the status says where.
FileStatus ClearTemporaryName(const StagedFile &staged, FileStatus status)
{
    struct stat now;
    if (::lstat(staged.temporaryPath.c_str(), &now) != 0)
        return status;
    const auto volume = static_cast<std::uint64_t>(now.st_dev);
    const auto fileNumber = static_cast<std::uint64_t>(now.st_ino);
    const std::uint64_t ownNumber =
        staged.holdsReplaced ? staged.source.stamp.fileNumber : staged.fileNumber;
    if (S_ISREG(now.st_mode) && volume == staged.source.stamp.volume && fileNumber == ownNumber) {
        ::unlink(staged.temporaryPath.c_str());
        return status;
    }
    const std::string kept = KeepAside(staged.temporaryPath, staged.source.path);
    return FileStatus::Failed((status.IsDone() ? std::string() : status.Reason() + "; ") +
                                  "another program's file found under the temporary name was kept "
                                  "as " +
                                  kept,
                              status.Why());
}

} // namespace

FileStatus ReadWholeFile(const std::string &path, std::size_t maxLength, std::size_t padding,
                         std::vector<std::uint8_t> &buffer, SourceFile &source, SourceGuard &guard)
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
    // Taken before the read: a writer that opens the file from now on is noticed.
    if (FileStatus leased = TakeReadLease(file.Get(), source.leased); !leased.IsDone())
        return leased;
    source.stamp = StampOf(status);
    source.mode = status.st_mode;
    source.owner = status.st_uid;
    source.group = status.st_gid;

    // The buffer keeps its memory and size from file to file: only bytes beyond the last
    // file's end are cleared when it grows, and the padding, instead of the whole buffer.
    const auto length = static_cast<std::size_t>(status.st_size);
    buffer.resize(length + padding);
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(length), buffer.end(), 0);
    if (!ReadAll(file.Get(), buffer.data(), length)) {
        buffer.clear();
        return FileStatus::Failed(errno == ENODATA ? "the file became shorter while it was read"
                                                   : SystemReason("reading the file"));
    }
    source.attributesMayBeCached = AttributesMayBeCached(file.Get());
    source.contentDigest =
        source.attributesMayBeCached ? ContentDigest({buffer.data(), length}) : std::uint64_t{0};
    guard = SourceGuard(file.Release());
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
                            std::span<const std::span<const std::uint8_t>> pieces, bool keepTime,
                            StagedFile &staged)
{
    WatchDevice(source.stamp.volume, FolderOf(source.path));
    std::string temporaryPath;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < kNameAttempts; ++attempt) {
        temporaryPath = TemporaryPathFor(source.path, g_NextSerial++);
        fd = Open(temporaryPath, O_RDWR | O_CREAT | O_EXCL, S_IRUSR | S_IWUSR);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return SpaceAwareFailure("creating the temporary file");
    TemporaryGuard temporary(temporaryPath, fd);
    // Held for as long as the temporary file is this run's: another run sees it is in use.
    LockAsInUse(fd);

    if (!WritePieces(fd, pieces))
        return SpaceAwareFailure("writing the temporary file");
#ifdef __linux__
    // The disk can start on the bytes while the next files are read.
    ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    if (FileStatus kept = KeepAccess(source, fd); !kept.IsDone())
        return kept;
    if (keepTime) {
        const struct timespec time = FromNanoseconds(source.stamp.modified);
        const struct timespec times[2] = {time, time};
        ::futimens(fd, times);
    }
    struct stat status;
    if (::fstat(fd, &status) != 0)
        return FileStatus::Failed(SystemReason("reading the temporary file's attributes"));
    staged.source = source;
    staged.temporaryPath = std::move(temporaryPath);
    staged.fileNumber = static_cast<std::uint64_t>(status.st_ino);
    staged.handle = temporary.Release();
    return FileStatus::Done();
}

FileStatus SwitchIn(StagedFile &staged)
{
    FileDescriptor temporary(static_cast<int>(std::exchange(staged.handle, -1)));
    const auto fail = [&](FileStatus status) {
        status = ClearTemporaryName(staged, std::move(status));
        staged.guard.Release();
        return status;
    };
    if (!temporary.Close())
        return fail(FileStatus::Failed(SystemReason("closing the temporary file")));

    // The path must still name the file that was read, unchanged, and no other program may
    // be waiting to write it.
    struct stat status;
    if (::stat(staged.source.path.c_str(), &status) != 0)
        return fail(FileStatus::Failed(kGoneMeanwhile));
    if (StampOf(status) != staged.source.stamp || !ContentUnchanged(staged.source))
        return fail(FileStatus::Failed(kChangedMeanwhile));
    if (!NoWriterWaiting(staged))
        return fail(FileStatus::Failed(kWriterMeanwhile));
#ifdef RENAME_EXCHANGE
    // Exchanging the names never creates the file, should it vanish after the check; the old
    // file, now under the temporary name, shows whether it is still the one that was read, and
    // the lease whether a writer came meanwhile. It is removed by Discard: freeing its blocks
    // may wait for the disk.
    if (::renameat2(AT_FDCWD, staged.temporaryPath.c_str(), AT_FDCWD, staged.source.path.c_str(),
                    RENAME_EXCHANGE) == 0) {
        struct stat previous;
        const bool unchanged = ::lstat(staged.temporaryPath.c_str(), &previous) == 0 &&
                               SameContent(StampOf(previous), staged.source.stamp);
        const bool noWriter = NoWriterWaiting(staged);
        if (unchanged && noWriter) {
            staged.holdsReplaced = true;
            staged.guard.Release();
            return FileStatus::Done();
        }
        // The original goes back before the waiting writer is let through.
        if (::renameat2(AT_FDCWD, staged.temporaryPath.c_str(), AT_FDCWD,
                        staged.source.path.c_str(), RENAME_EXCHANGE) != 0) {
            const std::string reason = SystemReason("putting the original back");
            staged.guard.Release();
            return FileStatus::Failed(
                "the file changed while it was replaced and could not be put back (" + reason +
                "); the file found in its place was kept as " +
                KeepAside(staged.temporaryPath, staged.source.path));
        }
        return fail(FileStatus::Failed(noWriter ? kChangedMeanwhile : kWriterMeanwhile));
    }
    if (errno == ENOENT)
        return fail(FileStatus::Failed(kGoneMeanwhile));
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return fail(FileStatus::Failed(SystemReason("putting the new file in place")));
#endif
    if (::rename(staged.temporaryPath.c_str(), staged.source.path.c_str()) != 0)
        return fail(FileStatus::Failed(SystemReason("putting the new file in place")));
    staged.guard.Release();
    return FileStatus::Done();
}

void Discard(StagedFile &staged)
{
    staged.guard.Release();
    if (staged.handle >= 0)
        ::close(static_cast<int>(std::exchange(staged.handle, -1)));
    else if (!staged.holdsReplaced)
        return;
    (void)ClearTemporaryName(staged, FileStatus::Done());
    staged.holdsReplaced = false;
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
        if (!writer || ::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(status.st_mode))
            continue;
        // A writer holds its lock for as long as the file is its own, whatever machine,
        // container or process namespace it runs in; an unlocked file is left only to a writer
        // of this namespace that still runs (it may not have locked it yet). Process numbers
        // alone decide only where the file system keeps no locks.
        const InUse use = InUseState(fd, entry->d_name, status);
        const bool abandoned =
            use == InUse::No
                ? !MayStillBeWriting(*writer, ThisWriter(), processRuns)
                : use == InUse::Unknown && IsAbandoned(*writer, ThisWriter(), processRuns);
        if (abandoned)
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
    return IsOwnerWritable(status) && !DosReadOnly(path) ? ReadOnlyState::Writable
                                                         : ReadOnlyState::ReadOnly;
}

bool ClearReadOnly(const std::string &path, std::uint32_t &previous)
{
    struct stat status;
    if (::stat(path.c_str(), &status) != 0)
        return false;
    const bool dosReadOnly = DosReadOnly(path);
    previous = (status.st_mode & 07777) | (dosReadOnly ? kDosReadOnlyWasSet : 0);
    return ::chmod(path.c_str(), (status.st_mode & 07777) | S_IWUSR) == 0 &&
           (!dosReadOnly || SetDosReadOnly(path, false));
}

void RestoreReadOnly(const SourceFile &source, std::uint32_t previous)
{
    struct stat status;
    if (::stat(source.path.c_str(), &status) != 0 || !SameContent(StampOf(status), source.stamp) ||
        (status.st_mode & 07777) != ((previous | S_IWUSR) & 07777))
        return;
    ::chmod(source.path.c_str(), previous & 07777);
    if ((previous & kDosReadOnlyWasSet) != 0)
        (void)SetDosReadOnly(source.path, true);
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

namespace sparrowtrim {

void SourceGuard::Release()
{
    // Closing the file also gives up its lease.
    if (m_Handle >= 0)
        ::close(static_cast<int>(std::exchange(m_Handle, -1)));
}

} // namespace sparrowtrim
