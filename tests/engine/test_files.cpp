#include "test_files.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

namespace sparrowtrim::test {

TemporaryFolder::TemporaryFolder()
    : m_Path(fs::canonical(fs::temp_directory_path()) /
             ("sparrowtrim-engine-test-" + std::to_string(std::random_device()())))
{
    if (!fs::create_directory(m_Path))
        throw std::runtime_error("temporary folder exists: " + m_Path.string());
}

TemporaryFolder::~TemporaryFolder()
{
    std::error_code ignored;
    // Windows removes no read-only file.
    for (const auto &entry : fs::recursive_directory_iterator(m_Path, ignored))
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(m_Path, ignored);
}

std::vector<std::string> TemporaryFolder::Names() const
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(m_Path))
        names.push_back(entry.path().filename().string());
    std::ranges::sort(names);
    return names;
}

Bytes ReadBytes(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path &path, const Bytes &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::ssize(bytes));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

void SetReadOnly(const fs::path &path, bool readOnly)
{
    fs::permissions(path, fs::perms::owner_write,
                    readOnly ? fs::perm_options::remove : fs::perm_options::add);
}

bool IsReadOnly(const fs::path &path)
{
    return (fs::status(path).permissions() & fs::perms::owner_write) == fs::perms::none;
}

} // namespace sparrowtrim::test
