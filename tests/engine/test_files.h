#pragma once

// Files and folders for the engine's tests. The functions at the end differ by platform
// (test_files_posix.cpp, test_files_win32.cpp).

#include "FileAttributes.h"
#include "jpeg_bytes.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace sparrowtrim::test {

inline constexpr const char *kPhoto = "photo.jpg";
// 2001-02-03 04:05:06.7890123 UTC, with every digit that the file time can hold.
inline constexpr FileTime kOldTime = 126258579067890123;

// A fresh folder under the system's temporary folder, with every link in its path resolved;
// removed with everything in it at the end.
class TemporaryFolder final
{
public:
    TemporaryFolder() { std::filesystem::create_directory(m_Path); }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        // Windows removes no read-only file.
        for (const auto &entry : std::filesystem::recursive_directory_iterator(m_Path, ignored))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_Path, ignored);
    }
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;

    const std::filesystem::path &Path() const { return m_Path; }
    std::string File(const std::string &name) const { return (m_Path / name).string(); }
    // The names of everything in the folder, sorted.
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(m_Path))
            names.push_back(entry.path().filename().string());
        std::ranges::sort(names);
        return names;
    }

private:
    std::filesystem::path m_Path =
        std::filesystem::canonical(std::filesystem::temp_directory_path()) /
        ("sparrowtrim-engine-test-" + std::to_string(std::random_device()()));
};

inline Bytes ReadBytes(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path &path, const Bytes &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.write(reinterpret_cast<const char *>(bytes.data()), std::ssize(bytes)).flush())
        throw std::runtime_error("cannot write " + path.string());
}

// The read-only state as the engine reads it.
inline void SetReadOnly(const std::filesystem::path &path, bool readOnly)
{
    std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                                 readOnly ? std::filesystem::perm_options::remove
                                          : std::filesystem::perm_options::add);
}

inline bool IsReadOnly(const std::filesystem::path &path)
{
    using std::filesystem::perms;
    return (std::filesystem::status(path).permissions() & perms::owner_write) == perms::none;
}

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
