#include "test_files.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sparrowtrim::test {

namespace {

constexpr std::int64_t kEpochDifferenceSeconds = 11644473600;
constexpr std::int64_t kTicksPerSecond = 10000000;

FileTime ToFileTime(const struct timespec &time)
{
    return static_cast<FileTime>((time.tv_sec + kEpochDifferenceSeconds) * kTicksPerSecond +
                                 time.tv_nsec / 100);
}

struct timespec ToTimespec(FileTime time)
{
    struct timespec result = {};
    result.tv_sec = static_cast<time_t>(static_cast<std::int64_t>(time / kTicksPerSecond) -
                                        kEpochDifferenceSeconds);
    result.tv_nsec = static_cast<long>(time % kTicksPerSecond) * 100;
    return result;
}

struct stat Status(const std::string &path)
{
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0)
        throw std::runtime_error("cannot stat " + path);
    return status;
}

} // namespace

FileTimes ReadFileTimes(const std::string &path)
{
    const struct stat status = Status(path);
    return {ToFileTime(status.st_atim), ToFileTime(status.st_mtim)};
}

void WriteFileTimes(const std::string &path, const FileTimes &times)
{
    const struct timespec values[2] = {ToTimespec(times.access), ToTimespec(times.modification)};
    if (::utimensat(AT_FDCWD, path.c_str(), values, 0) != 0)
        throw std::runtime_error("cannot set times of " + path);
}

int RunCommand(const std::string &command)
{
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

unsigned PermissionBits(const std::string &path)
{
    return Status(path).st_mode & 07777;
}

void SetPermissionBits(const std::string &path, unsigned bits)
{
    if (::chmod(path.c_str(), bits) != 0)
        throw std::runtime_error("cannot chmod " + path);
}

Owner OwnerOf(const std::string &path)
{
    const struct stat status = Status(path);
    return {status.st_uid, status.st_gid};
}

void SetOwner(const std::string &path, const Owner &owner)
{
    if (::chown(path.c_str(), owner.user, owner.group) != 0)
        throw std::runtime_error("cannot chown " + path);
}

bool RunsAsRoot()
{
    return ::geteuid() == 0;
}

int RunWithFileSizeLimit(std::uint64_t limit, const std::function<int()> &work)
{
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit fileSize = {limit, limit};
        if (::setrlimit(RLIMIT_FSIZE, &fileSize) != 0)
            ::_exit(125);
        ::_exit(work());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

ReservedBytes::ReservedBytes(std::size_t size) : m_Size(size)
{
    void *data =
        ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (data == MAP_FAILED)
        throw std::runtime_error("cannot reserve address space");
    m_Data = static_cast<const std::uint8_t *>(data);
}

ReservedBytes::~ReservedBytes()
{
    ::munmap(const_cast<std::uint8_t *>(m_Data), m_Size);
}

} // namespace sparrowtrim::test
