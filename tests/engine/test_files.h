#pragma once

// Files and folders for the engine's tests. The functions at the end differ by platform; they
// are the only place where the tests touch the operating system directly.

#include "FileAttributes.h"
#include "jpeg_bytes.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace sparrowtrim::test {

// A fresh folder under the system's temporary folder, with every link in its path resolved;
// removed with everything in it at the end.
class TemporaryFolder final
{
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;

    const std::filesystem::path &Path() const { return m_Path; }
    // The path of `name` inside the folder, as text.
    std::string File(const std::string &name) const { return (m_Path / name).string(); }
    // The names of everything in the folder, sorted.
    std::vector<std::string> Names() const;

private:
    std::filesystem::path m_Path;
};

Bytes ReadBytes(const std::filesystem::path &path);
void WriteBytes(const std::filesystem::path &path, const Bytes &bytes);

// The read-only state as the engine reads it.
void SetReadOnly(const std::filesystem::path &path, bool readOnly);
bool IsReadOnly(const std::filesystem::path &path);

// Platform-dependent helpers, in test_files_posix.cpp and test_files_win32.cpp.

struct FileTimes
{
    FileTime access = 0;
    FileTime modification = 0;
};
FileTimes ReadFileTimes(const std::string &path);
void WriteFileTimes(const std::string &path, const FileTimes &times);

// Runs a command through the system's shell; its exit code, or -1 when it did not exit.
int RunCommand(const std::string &command);

#ifdef _WIN32
// Windows keeps a creation time of its own, which the engine sets with the other two.
FileTime CreationTime(const std::string &path);
// The file's attribute bits (FILE_ATTRIBUTE_*).
unsigned long Attributes(const std::string &path);
void SetAttributes(const std::string &path, unsigned long attributes);
#else
unsigned PermissionBits(const std::string &path);
void SetPermissionBits(const std::string &path, unsigned bits);

struct Owner
{
    unsigned user = 0;
    unsigned group = 0;
    bool operator==(const Owner &) const = default;
};
Owner OwnerOf(const std::string &path);
void SetOwner(const std::string &path, const Owner &owner);
bool RunsAsRoot();

// Runs `work` in a child process whose files cannot grow past `limit` bytes (writes beyond
// fail instead of ending the process). The child's exit code, or -1 when it did not exit.
int RunWithFileSizeLimit(std::uint64_t limit, const std::function<int()> &work);

// `size` zero bytes of address space that take no memory until read.
class ReservedBytes final
{
public:
    explicit ReservedBytes(std::size_t size);
    ~ReservedBytes();
    ReservedBytes(const ReservedBytes &) = delete;
    ReservedBytes &operator=(const ReservedBytes &) = delete;

    const std::uint8_t *Data() const { return m_Data; }
    std::size_t Size() const { return m_Size; }

private:
    const std::uint8_t *m_Data;
    std::size_t m_Size;
};
#endif

} // namespace sparrowtrim::test
