#include "test_files.h"

#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>

namespace sparrowtrim::test {

namespace {

// FILETIME counts 100-nanosecond ticks from 1601-01-01; the Unix epoch lies this much later.
constexpr std::int64_t kEpochDifferenceSeconds = 11644473600;
constexpr std::int64_t kTicksPerSecond = 10000000;

FileTime ToFileTime(const struct timespec &time)
{
    return static_cast<FileTime>((time.tv_sec + kEpochDifferenceSeconds) * kTicksPerSecond +
                                 time.tv_nsec / 100);
}

struct timespec ToTimespec(FileTime time)
{
    return {static_cast<time_t>(static_cast<std::int64_t>(time / kTicksPerSecond) -
                                kEpochDifferenceSeconds),
            static_cast<long>(time % kTicksPerSecond) * 100};
}

} // namespace

FileTimes ReadFileTimes(const std::string &path)
{
    struct stat status;
    if (::stat(path.c_str(), &status) != 0)
        throw std::runtime_error("cannot stat " + path);
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

} // namespace sparrowtrim::test
