#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace sparrowtrim::cli::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir final
{
public:
    TempDir()
    {
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        do {
            m_Path = base / ("sparrowtrim-cli-test-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(m_Path));
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::permissions(m_Path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_Path, ignored);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::filesystem::path &Path() const { return m_Path; }
    // The folder with a trailing separator, as the command line forms it.
    std::string Folder() const { return (m_Path / "").string(); }

private:
    std::filesystem::path m_Path;
};

// Names the rows of a data-driven test after their `name` field.
inline constexpr auto kRowName = [](const auto &row) { return std::string(row.param.name); };

inline std::filesystem::path CorpusDir()
{
    const char *dir = std::getenv("SPARROWTRIM_CORPUS_DIR");
    return dir ? std::filesystem::path(dir) : std::filesystem::path("../shared/corpus");
}

// Copies a corpus file into `dir`, under another name when `as` is given; the copy is
// writable whatever the corpus file's permissions.
inline std::filesystem::path CopyCorpusFile(const std::string &name,
                                            const std::filesystem::path &dir,
                                            const std::string &as = {})
{
    const auto target = dir / (as.empty() ? name : as);
    std::filesystem::copy_file(CorpusDir() / name, target,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(target, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    return target;
}

inline std::vector<char> ReadBytes(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteText(const std::filesystem::path &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace sparrowtrim::cli::test
