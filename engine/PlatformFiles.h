#pragma once

// The engine's few operating-system services. Each platform supplies its own implementation
// (engine/posix/, engine/win32/); the walk and the read-only policy are built on these alone.

#include "FileAttributes.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace sparrowtrim::platform {

// Reads the whole regular file into `buffer`, followed by `padding` zero bytes. Fails (false)
// when the file cannot be opened or read, is not a regular file, or holds more than
// `maxLength` bytes.
bool ReadWholeFile(const std::string &path, std::size_t maxLength, std::size_t padding,
                   std::vector<std::uint8_t> &buffer);

// Replaces the file at `path` by `bytes` so that the path holds either the whole old file or the
// whole new one at every moment: the bytes go to TemporaryPathFor() first, are flushed to disk
// and then renamed over the file. The new file keeps the old one's permissions and, where the
// process may set them, its owner and group. On failure the old file is untouched and the
// temporary file is gone.
bool ReplaceFileContents(const std::string &path, std::span<const std::uint8_t> bytes);

// The name under which ReplaceFileContents writes the new contents of `path` (a path without
// symbolic links): a hidden file in the same folder, named after the file, the process and the
// calling thread, so that threads replacing files of one folder at once never share a name.
std::string TemporaryPathFor(const std::string &path);

// Removes a temporary file unless it was handed over.
class TemporaryFile final
{
public:
    explicit TemporaryFile(std::string path) : m_Path(std::move(path)) {}
    ~TemporaryFile()
    {
        std::error_code ignored;
        if (!m_Path.empty())
            std::filesystem::remove(m_Path, ignored);
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    void Release() { m_Path.clear(); }

private:
    std::string m_Path;
};

// A small number of the calling thread's own, the same at every call from that thread.
inline unsigned ThreadNumber()
{
    static std::atomic<unsigned> next{0};
    thread_local const unsigned number = next++;
    return number;
}

enum class ReadOnlyState { Writable, ReadOnly, Unknown };
ReadOnlyState QueryReadOnly(const std::string &path);
// Gives the file normal attributes; false when they cannot be set.
bool ClearReadOnly(const std::string &path);

// The file's last-write time, 0 unless the file is writable and opens for reading and writing.
FileTime ReadLastWriteTime(const std::string &path);
// Sets every time the platform can set; a file that does not open for reading and writing
// keeps its times.
void WriteFileTimes(const std::string &path, FileTime time);

} // namespace sparrowtrim::platform
