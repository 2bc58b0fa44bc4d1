#pragma once

// Temporary folders, whole-file reads and writes, and the test photos, for every test.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace sparrowtrim::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under the system's temporary folder, with every link in its path resolved,
// removed with everything in it at the end. Its name takes the paths in it beyond the 128
// characters that Windows' OpenFile takes; they are spelled with forward slashes.
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
    std::string File(const std::string &name) const { return (m_Path / name).generic_string(); }
    // The folder's text with a separator at its end, ready to have names appended.
    std::string Folder() const { return (m_Path / "").string(); }
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
        ("sparrowtrim-test-" + std::to_string(std::random_device()()) + std::string(100, '-'));
};

inline Bytes ReadBytes(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The file's bytes as text; empty for a file that cannot be read.
inline std::string ReadText(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path &path, const Bytes &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.write(reinterpret_cast<const char *>(bytes.data()), std::ssize(bytes)).flush())
        throw std::runtime_error("cannot write " + path.string());
}

// The folder of test photos: the repository's own, or where SPARROWTRIM_CORPUS_DIR points.
inline std::filesystem::path PhotoFolder()
{
    const char *folder = std::getenv("SPARROWTRIM_CORPUS_DIR");
    if (folder == nullptr || !std::filesystem::is_directory(folder))
        throw std::runtime_error(std::string("no folder of test photos at ") +
                                 (folder ? folder : "(SPARROWTRIM_CORPUS_DIR unset)"));
    return folder;
}

} // namespace sparrowtrim::test
