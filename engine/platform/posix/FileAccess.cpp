// Owner, group, permission bits and extended attributes carried over to a new file.

#include "engine/platform/posix/PosixFiles.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <vector>

#ifdef __linux__
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#endif

namespace sparrowtrim::platform {

namespace {

#ifdef __linux__
// The names in a list of extended attributes as the system returns it.
std::vector<std::string> SplitNames(const std::vector<char> &list)
{
    std::vector<std::string> names;
    for (std::size_t at = 0; at < list.size();) {
        const std::size_t length = ::strnlen(list.data() + at, list.size() - at);
        if (length > 0)
            names.emplace_back(list.data() + at, length);
        at += length + 1;
    }
    return names;
}

// Reads a list or a value whose size is asked first; it may grow in between.
template <typename Call> bool ReadSized(Call call, std::vector<char> &out)
{
    for (;;) {
        const ssize_t size = call(nullptr, 0);
        if (size < 0)
            return false;
        out.resize(static_cast<std::size_t>(size));
        if (size == 0)
            return true;
        const ssize_t got = call(out.data(), out.size());
        if (got >= 0) {
            out.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE)
            return false;
    }
}

bool NoAttributeSupport(int error)
{
    return error == ENOTSUP || error == ENOSYS;
}

// Gives the new file exactly the extended attributes of the original: access-control lists
// (system.posix_acl_access), user.*, security.* and whatever else the process may read. Ones
// the new file received from its folder's default access-control list are taken away again,
// so that nobody gains access the original did not give.
FileStatus CopyExtendedAttributes(const std::string &from, int to)
{
    std::vector<char> list;
    if (!ReadSized(
            [&](char *data, std::size_t size) { return ::listxattr(from.c_str(), data, size); },
            list)) {
        if (NoAttributeSupport(errno))
            list.clear();
        else
            return FileStatus::Failed(SystemReason("listing the extended attributes"));
    }
    const std::vector<std::string> wanted = SplitNames(list);

    if (!ReadSized([&](char *data, std::size_t size) { return ::flistxattr(to, data, size); },
                   list))
        list.clear();
    for (const std::string &name : SplitNames(list))
        if (std::find(wanted.begin(), wanted.end(), name) == wanted.end() &&
            ::fremovexattr(to, name.c_str()) != 0)
            return FileStatus::Failed(SystemReason("removing the inherited attribute " + name));

    std::vector<char> value;
    for (const std::string &name : wanted) {
        if (!ReadSized(
                [&](char *data, std::size_t size) {
                    return ::getxattr(from.c_str(), name.c_str(), data, size);
                },
                value) ||
            ::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0)
            return FileStatus::Failed(SystemReason("copying the extended attribute " + name));
    }
    return FileStatus::Done();
}
#else
FileStatus CopyExtendedAttributes(const std::string &, int)
{
    return FileStatus::Done();
}
#endif

#ifdef __linux__
// ntfs-3g keeps a file's DOS attributes (read-only, hidden, archive...) in this attribute,
// big-endian, without listing it among the others.
constexpr const char *kNtfsAttributes = "system.ntfs_attrib_be";
constexpr std::uint32_t kDosReadOnly = 0x1;

bool ReadNtfsAttributes(const std::string &path, std::uint32_t &attributes)
{
    unsigned char value[4];
    if (::getxattr(path.c_str(), kNtfsAttributes, value, sizeof value) != sizeof value)
        return false;
    attributes = std::uint32_t{value[0]} << 24 | std::uint32_t{value[1]} << 16 |
                 std::uint32_t{value[2]} << 8 | value[3];
    return true;
}

bool WriteNtfsAttributes(const std::string &path, int fd, std::uint32_t attributes)
{
    const unsigned char value[4] = {
        static_cast<unsigned char>(attributes >> 24), static_cast<unsigned char>(attributes >> 16),
        static_cast<unsigned char>(attributes >> 8), static_cast<unsigned char>(attributes)};
    return (fd >= 0 ? ::fsetxattr(fd, kNtfsAttributes, value, sizeof value, 0)
                    : ::setxattr(path.c_str(), kNtfsAttributes, value, sizeof value, 0)) == 0;
}

// The new file gets the DOS attributes of the original where the file system keeps them apart
// from the permission bits.
FileStatus CopyDosAttributes(const std::string &from, int to)
{
    std::uint32_t attributes = 0;
    if (!ReadNtfsAttributes(from, attributes) || WriteNtfsAttributes({}, to, attributes))
        return FileStatus::Done();
    return FileStatus::Failed(SystemReason("giving the new file the original's DOS attributes"));
}
#else
FileStatus CopyDosAttributes(const std::string &, int)
{
    return FileStatus::Done();
}
#endif

} // namespace

bool DosReadOnly(const std::string &path)
{
#ifdef __linux__
    // Asked only where the file system can hold the attribute: ntfs-3g (a FUSE file system)
    // keeps it apart from the permission bits; vfat shows it in them too, and is asked all the
    // same. The same request number means something else elsewhere.
    struct statfs volume;
    if (::statfs(path.c_str(), &volume) != 0)
        return false;
    std::uint32_t attributes = 0;
    if (volume.f_type == FUSE_SUPER_MAGIC)
        return ReadNtfsAttributes(path, attributes) && (attributes & kDosReadOnly) != 0;
    if (volume.f_type != MSDOS_SUPER_MAGIC)
        return false;
    FileDescriptor file(Open(path, O_RDONLY | O_NONBLOCK));
    return file.IsOpen() && ::ioctl(file.Get(), FAT_IOCTL_GET_ATTRIBUTES, &attributes) == 0 &&
           (attributes & ATTR_RO) != 0;
#else
    (void)path;
    return false;
#endif
}

bool SetDosReadOnly(const std::string &path, bool readOnly)
{
#ifdef __linux__
    std::uint32_t attributes = 0;
    if (!ReadNtfsAttributes(path, attributes))
        return true; // the permission bits carry it
    attributes = readOnly ? attributes | kDosReadOnly : attributes & ~kDosReadOnly;
    return WriteNtfsAttributes(path, -1, attributes);
#else
    (void)path, (void)readOnly;
    return true;
#endif
}

FileStatus KeepAccess(const SourceFile &source, int fd)
{
    // Only a real difference is changed: some file systems (FAT through FUSE) take no change
    // of owner or mode at all, where the new file already has the right ones.
    struct stat status;
    if (::fstat(fd, &status) != 0)
        return FileStatus::Failed(SystemReason("checking the new file's permissions"));
    // The owner first: a change of owner clears set-id bits and file capabilities.
    if (status.st_uid != source.owner || status.st_gid != source.group) {
        if (::fchown(fd, source.owner, source.group) != 0 || ::fstat(fd, &status) != 0)
            return FileStatus::Failed(
                SystemReason("giving the new file the original's owner and group"));
    }
    if ((status.st_mode & 07777) != (source.mode & 07777) && ::fchmod(fd, source.mode & 07777) != 0)
        return FileStatus::Failed(SystemReason("giving the new file the original's permissions"));
    if (FileStatus copied = CopyExtendedAttributes(source.path, fd); !copied.IsDone())
        return copied;
    if (FileStatus kept = CopyDosAttributes(source.path, fd); !kept.IsDone())
        return kept;
    if (::fstat(fd, &status) != 0)
        return FileStatus::Failed(SystemReason("checking the new file's permissions"));
    if (status.st_uid != source.owner || status.st_gid != source.group ||
        (status.st_mode & 07777) != (source.mode & 07777))
        return FileStatus::Failed("the new file did not get the original's owner, group and "
                                  "permissions");
    return FileStatus::Done();
}

} // namespace sparrowtrim::platform
