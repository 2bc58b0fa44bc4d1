#include "cli/InputFiles.h"

#include "batch/FolderListing.h"
#include "batch/FolderText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <unordered_set>

namespace fs = std::filesystem;

namespace sparrowtrim::cli {

namespace {

#ifdef _WIN32
std::string LowerAscii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}
#endif

InputFile SplitFilePath(const std::string &path)
{
    const fs::path asPath(path);
    if (!asPath.has_filename())
        return {"", path};
    const std::string name = asPath.filename().string();
    return {path.substr(0, path.size() - name.size()), name};
}

} // namespace

std::string FileIdentity(const std::string &path)
{
    std::error_code error;
    fs::path identity = fs::canonical(path, error);
    if (error) {
        error.clear();
        identity = fs::absolute(path, error).lexically_normal();
        if (error)
            identity = fs::path(path).lexically_normal();
    }
#ifdef _WIN32
    return LowerAscii(identity.string());
#else
    return identity.string();
#endif
}

namespace {

class Collector final
{
public:
    explicit Collector(bool recursive) : m_Recursive(recursive) {}

    void AddFile(InputFile file)
    {
        if (m_SeenFiles.insert(FileIdentity(file.Path())).second)
            m_Collected.files.push_back(std::move(file));
    }

    // `path` as given; its files are named after FolderOfPath(path), and `subFolder` is the
    // part of that below the folder argument.
    void AddFolder(const std::string &path, const std::string &subFolder = {})
    {
        // A folder reached again (named twice, or mounted inside itself) adds nothing new.
        if (m_Recursive && !m_SeenFolders.insert(FileIdentity(path)).second)
            return;
        std::error_code error;
        const std::vector<FolderEntry> entries = ListFolder(path, m_Recursive, error);
        if (error) {
            m_Collected.problems.push_back("cannot list folder '" + path + "': " + error.message());
            return;
        }
        const std::string folder = mUtils::FolderOfPath(path);
        for (const FolderEntry &entry : entries) {
            if (entry.isFolder)
                AddFolder(folder + entry.name, mUtils::FolderOfPath(subFolder + entry.name));
            else
                AddFile({folder, entry.name, subFolder});
        }
    }

    CollectedFiles Take() { return std::move(m_Collected); }

private:
    bool m_Recursive;
    CollectedFiles m_Collected;
    std::unordered_set<std::string> m_SeenFiles;
    std::unordered_set<std::string> m_SeenFolders;
};

} // namespace

CollectedFiles CollectInputFiles(const std::vector<std::string> &paths, bool recursive)
{
    Collector collector(recursive);
    for (const std::string &path : paths) {
        std::error_code error;
        if (fs::is_directory(path, error))
            collector.AddFolder(path);
        else
            collector.AddFile(SplitFilePath(path));
    }
    return collector.Take();
}

} // namespace sparrowtrim::cli
