#pragma once

// Files and folders for the engine's tests. The functions at the end differ by platform
// (test_files_posix.cpp, test_files_win32.cpp).

#include "FileAttributes.h"
#include "jpeg_bytes.h"

#include <filesystem>
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

struct FileTimes
{
    FileTime access = 0;
    FileTime modification = 0;
};
FileTimes ReadFileTimes(const std::string &path);
void WriteFileTimes(const std::string &path, const FileTimes &times);

// Runs a command through the system's shell; its exit code, or -1 when it did not exit.
int RunCommand(const std::string &command);

} // namespace sparrowtrim::test
