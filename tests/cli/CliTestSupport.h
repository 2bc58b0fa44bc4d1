#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace sparrowtrim::cli::test {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it.
struct TempDir
{
    TempDir()
    {
        std::random_device random;
        do
            path = fs::temp_directory_path() / ("sparrowtrim-cli-" + std::to_string(random()));
        while (!fs::create_directory(path));
    }
    ~TempDir()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    fs::path path;
};

// Names the rows of a data-driven test after their `name` field.
inline constexpr auto kRowName = [](const auto &row) { return std::string(row.param.name); };

// Replaces every "@" in `text` with `with`.
inline std::string Expand(std::string text, const std::string &with)
{
    for (auto at = text.find('@'); at != std::string::npos; at = text.find('@', at + with.size()))
        text.replace(at, 1, with);
    return text;
}

inline fs::path CorpusDir()
{
    const char *dir = std::getenv("SPARROWTRIM_CORPUS_DIR");
    return dir ? dir : "../shared/corpus";
}

// Copies a corpus file into `dir` under its own name or `as`; the copy is writable.
inline fs::path CopyCorpusFile(const std::string &name, const fs::path &dir, std::string as = {})
{
    const auto target = dir / (as.empty() ? name : as);
    fs::copy_file(CorpusDir() / name, target, fs::copy_options::overwrite_existing);
    fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
    return target;
}

inline std::string ReadFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace sparrowtrim::cli::test
