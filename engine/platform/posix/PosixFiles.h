#pragma once

// What the POSIX files of the platform layer share among themselves; nothing outside them
// includes this.

#include "engine/platform/PlatformFiles.h"

#include <cerrno>
#include <cstdint>
#include <span>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <utility>

namespace sparrowtrim::platform {

// "doing: the system's text for error".
std::string SystemReason(const std::string &doing, int error = errno);

// open() with close-on-exec, retried when a signal interrupts it.
int Open(const std::string &path, int flags, mode_t mode = 0);

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
    int Release() { return std::exchange(m_Fd, -1); }
    // Closes now; false when the close reports an error (a write the kernel could not finish).
    bool Close() { return ::close(std::exchange(m_Fd, -1)) == 0; }

private:
    int m_Fd;
};

FileStamp StampOf(const struct stat &status);

// The same file with the same content: everything but the change time, which the program's
// own attribute changes move.
bool SameContent(const FileStamp &a, const FileStamp &b);

// Gives the new file the original's owner, group, permission bits and extended attributes,
// and checks that it has them: a file must never end up belonging to someone else or open to
// more people than before.
FileStatus KeepAccess(const SourceFile &source, int fd);

// Whether the file's DOS read-only attribute is set, where the file system keeps it apart from
// the permission bits (ntfs-3g) or beside them (vfat).
bool DosReadOnly(const std::string &path);
// Sets or clears that attribute; true where the file system keeps none of its own.
bool SetDosReadOnly(const std::string &path, bool readOnly);

// Notes the file system of a file about to be staged in `folder`, so that a group of them can
// later be flushed at once.
void WatchDevice(std::uint64_t volume, const std::string &folder);

// Whether one syncfs through `fd` writes out the data of every file of its file system.
bool SyncfsReachesDisk(int fd);

// Whether a stat of a file on the file system of `fd` may answer from a cache on this side, so
// that another machine's or another side's change goes unseen.
bool AttributesMayBeCached(int fd);

// A digest of a file's bytes, to tell a changed content where a stat cannot.
std::uint64_t ContentDigest(std::span<const std::uint8_t> bytes);

} // namespace sparrowtrim::platform
