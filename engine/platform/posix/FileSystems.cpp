// What the program needs to know of the file system a file lies on.

#include "engine/platform/posix/PosixFiles.h"

#include <algorithm>
#include <array>
#include <fcntl.h>

#ifdef __linux__
#include <sys/vfs.h>
#endif

namespace sparrowtrim::platform {

namespace {

#ifdef __linux__
// The kernel's own block file systems, whose syncfs writes out every file's data: ext2 to
// ext4, xfs, btrfs, f2fs, vfat, exfat, ntfs3. FUSE never sees a syncfs, so a card mounted
// through exfat-fuse or ntfs-3g would not be flushed by one.
constexpr std::array<unsigned long, 7> kSyncfsHonoured = {
    0xEF53, 0x58465342, 0x9123683E, 0xF2F52010, 0x4D44, 0x2011BAB0, 0x7366746E};
// File systems that may answer a stat from attributes cached on this side: FUSE, NFS, SMB
// (three magic numbers), Ceph, 9P, AFS.
constexpr std::array<unsigned long, 8> kCachedAttributes = {
    0x65735546, 0x6969, 0xFF534D42, 0xFE534D42, 0x517B, 0x00C36400, 0x01021997, 0x5346414F};

bool TypeIsIn(int fd, const auto &types, bool unknown)
{
    struct statfs status;
    if (::fstatfs(fd, &status) != 0)
        return unknown;
    const auto type = static_cast<unsigned long>(status.f_type) & 0xFFFFFFFFul;
    return std::find(types.begin(), types.end(), type) != types.end();
}
#endif

} // namespace

bool SyncfsReachesDisk(int fd)
{
#ifdef __linux__
    return TypeIsIn(fd, kSyncfsHonoured, false);
#else
    (void)fd;
    return false;
#endif
}

bool AttributesMayBeCached(int fd)
{
#ifdef __linux__
    return TypeIsIn(fd, kCachedAttributes, true);
#else
    (void)fd;
    return true;
#endif
}

bool FileSystemFlushReachesDisk(const std::string &folder)
{
    const FileDescriptor opened(Open(folder.empty() ? "." : folder, O_RDONLY | O_DIRECTORY));
    return opened.IsOpen() && SyncfsReachesDisk(opened.Get());
}

std::uint64_t ContentDigest(std::span<const std::uint8_t> bytes)
{
    // FNV-1a: cheap, and only asked where a stat cannot be trusted.
    std::uint64_t digest = 0xCBF29CE484222325ull;
    for (const std::uint8_t byte : bytes)
        digest = (digest ^ byte) * 0x100000001B3ull;
    return digest;
}

} // namespace sparrowtrim::platform
