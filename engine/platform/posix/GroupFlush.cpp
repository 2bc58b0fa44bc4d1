// Putting the new files of a group on the disk, and the folders that received them.

#include "engine/platform/posix/PosixFiles.h"

#include <fcntl.h>
#include <map>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace sparrowtrim::platform {

namespace {

// The file systems that received new files. One syncfs of a file system flushes a whole group
// of them at once; it reports every failure to write since the file it is called through was
// opened, so it is called through a folder opened before the first of them. A failure it
// reports cannot be pinned on a file: from then on the files there are flushed one by one.
struct Device
{
    int sentinel = -1;
    bool oneByOne = false;
};
std::mutex g_DeviceMutex;
std::map<std::uint64_t, Device> g_Devices;

} // namespace

void WatchDevice(std::uint64_t volume, const std::string &folder)
{
    const std::lock_guard lock(g_DeviceMutex);
    const auto [device, added] = g_Devices.try_emplace(volume);
    if (!added)
        return;
    device->second.sentinel = Open(folder.empty() ? "." : folder, O_RDONLY | O_DIRECTORY);
    struct stat status;
    // Where a syncfs would not reach the disk (FUSE, network file systems), each file gets a
    // flush of its own.
    device->second.oneByOne = device->second.sentinel < 0 ||
                              ::fstat(device->second.sentinel, &status) != 0 ||
                              static_cast<std::uint64_t>(status.st_dev) != volume ||
                              !SyncfsReachesDisk(device->second.sentinel);
}

namespace {

// The folder to flush the whole file system through, or -1 when its files go one by one.
int SentinelOf(std::uint64_t volume)
{
    const std::lock_guard lock(g_DeviceMutex);
    const Device &device = g_Devices[volume];
    return device.oneByOne ? -1 : device.sentinel;
}

void FlushOneByOneFrom(std::uint64_t volume)
{
    const std::lock_guard lock(g_DeviceMutex);
    g_Devices[volume].oneByOne = true;
}

void FlushFile(StagedFile &file, FileStatus &status)
{
    if (::fdatasync(static_cast<int>(file.handle)) != 0)
        status = FileStatus::Failed(SystemReason("flushing the new file to the disk"));
}

} // namespace

void MakeDurable(std::span<StagedFile *const> files, std::span<FileStatus> statuses)
{
    // One flush of the whole file system commits a group at once, where flushing file by file
    // waits for the disk once per file. A single file is flushed alone.
    std::map<std::uint64_t, std::vector<std::size_t>> byDevice;
    for (std::size_t i = 0; i < files.size(); ++i)
        byDevice[files[i]->source.stamp.volume].push_back(i);
    for (const auto &[volume, indexes] : byDevice) {
        const int sentinel = indexes.size() > 1 ? SentinelOf(volume) : -1;
        if (sentinel >= 0 && ::syncfs(sentinel) == 0)
            continue;
        if (sentinel >= 0)
            FlushOneByOneFrom(volume);
        for (const std::size_t i : indexes)
            FlushFile(*files[i], statuses[i]);
    }
}

FileStatus FlushFolder(const std::string &folder)
{
    FileDescriptor directory(Open(folder.empty() ? "." : folder, O_RDONLY | O_DIRECTORY));
    if (!directory.IsOpen() || ::fsync(directory.Get()) != 0)
        return FileStatus::Failed(SystemReason("flushing the folder to the disk"));
    return FileStatus::Done();
}

} // namespace sparrowtrim::platform
