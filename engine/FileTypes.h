#pragma once

// The values the engine and its platform layer hand each other: how a file operation went,
// which file was read, and a new content waiting to be switched in.

#include "engine/FileAttributes.h"

#include <cstdint>
#include <string>
#include <utility>

namespace sparrowtrim {

// The outcome of a file operation: done, or what failed with the system's reason, such as
// "writing the temporary file: File too large", and the kind of failure where a caller acts on
// it.
class [[nodiscard]] FileStatus final
{
public:
    enum class Cause {
        Other,
        WriterActive, // another program has the file open for writing
        NoSpace,      // the disk or the user's quota is full
    };

    static FileStatus Done() { return FileStatus(); }
    static FileStatus Failed(std::string reason, Cause cause = Cause::Other)
    {
        return FileStatus(std::move(reason), cause);
    }

    bool IsDone() const { return !m_Failed; }
    const std::string &Reason() const { return m_Reason; }
    Cause Why() const { return m_Cause; }

private:
    FileStatus() = default;
    FileStatus(std::string reason, Cause cause)
        : m_Failed(true), m_Reason(std::move(reason)), m_Cause(cause)
    {}

    bool m_Failed = false;
    std::string m_Reason;
    Cause m_Cause = Cause::Other;
};

// The file that was read, held open from the read until its replacement has been switched in
// and checked. On Linux it carries a read lease: no other program can open the file for
// writing meanwhile without the lease telling. On Windows it shares no write access.
class SourceGuard final
{
public:
    SourceGuard() = default;
    explicit SourceGuard(std::intptr_t handle) : m_Handle(handle) {}
    ~SourceGuard() { Release(); }
    SourceGuard(SourceGuard &&other) noexcept : m_Handle(std::exchange(other.m_Handle, -1)) {}
    SourceGuard &operator=(SourceGuard &&other) noexcept
    {
        if (this != &other) {
            Release();
            m_Handle = std::exchange(other.m_Handle, -1);
        }
        return *this;
    }
    SourceGuard(const SourceGuard &) = delete;
    SourceGuard &operator=(const SourceGuard &) = delete;

    bool IsHeld() const { return m_Handle >= 0; }
    std::intptr_t Handle() const { return m_Handle; }
    // Gives up the lease and closes the file; other programs may write it from then on.
    void Release();

private:
    std::intptr_t m_Handle = -1;
};

// What tells a file apart from every other, and from itself once it has been changed: its
// volume and file number, size, and modification and change times to the nanosecond (or as
// finely as the platform keeps them).
struct FileStamp
{
    std::uint64_t volume = 0;
    std::uint64_t fileNumber = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    std::int64_t changed = 0;

    bool operator==(const FileStamp &) const = default;
};

// The file a path named when it was read: the path itself or, where the path is a symbolic
// link, the file the link leads to (which is the one replaced, the link staying as it is).
struct SourceFile
{
    std::string path;
    FileStamp stamp;
    // Permission bits and owner (POSIX) or attribute bits (Windows) the new file is to get.
    std::uint32_t mode = 0;
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    // Whether the read took a lease that tells of a writer opening the file later.
    bool leased = false;
    // Where the file system may answer from cached attributes (FUSE, network file systems), a
    // digest of the bytes read: the check before the switch reads the file again.
    bool attributesMayBeCached = false;
    std::uint64_t contentDigest = 0;
};

// A file's new content written under a temporary name in the file's folder, waiting to be
// switched in; `handle` is the open temporary file in the platform's own terms. Where the
// switch exchanged the two names, the temporary name then holds the replaced file until
// Discard removes it.
struct StagedFile
{
    SourceFile source;
    SourceGuard guard;
    std::string temporaryPath;
    std::intptr_t handle = -1;
    std::uint64_t fileNumber = 0; // of the new file, to know it again under the temporary name
    bool holdsReplaced = false;
};

} // namespace sparrowtrim

namespace sparrowtrim::platform {
using sparrowtrim::FileStamp;
using sparrowtrim::FileStatus;
using sparrowtrim::SourceFile;
using sparrowtrim::SourceGuard;
using sparrowtrim::StagedFile;
} // namespace sparrowtrim::platform
