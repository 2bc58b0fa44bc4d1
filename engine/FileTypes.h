#pragma once

// The values the engine and its platform layer hand each other: how a file operation went,
// which file was read, and a new content waiting to be switched in.

#include "engine/FileAttributes.h"

#include <cstdint>
#include <string>
#include <utility>

namespace sparrowtrim {

// The outcome of a file operation: done, or what failed with the system's reason, such as
// "writing the temporary file: File too large".
class [[nodiscard]] FileStatus final
{
public:
    static FileStatus Done() { return FileStatus(); }
    static FileStatus Failed(std::string reason) { return FileStatus(std::move(reason)); }

    bool IsDone() const { return !m_Failed; }
    const std::string &Reason() const { return m_Reason; }

private:
    FileStatus() = default;
    explicit FileStatus(std::string reason) : m_Failed(true), m_Reason(std::move(reason)) {}

    bool m_Failed = false;
    std::string m_Reason;
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
};

// A file's new content written under a temporary name in the file's folder, waiting to be
// switched in; `handle` is the open temporary file in the platform's own terms. Where the
// switch exchanged the two names, the temporary name then holds the replaced file until
// Discard removes it.
struct StagedFile
{
    SourceFile source;
    std::string temporaryPath;
    std::intptr_t handle = -1;
    bool holdsReplaced = false;
};

} // namespace sparrowtrim

namespace sparrowtrim::platform {
using sparrowtrim::FileStamp;
using sparrowtrim::FileStatus;
using sparrowtrim::SourceFile;
using sparrowtrim::StagedFile;
} // namespace sparrowtrim::platform
