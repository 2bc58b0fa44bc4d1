#include "InputFiles.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <unordered_set>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace sparrowtrim::cli {

namespace {

std::string LowerAscii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool EndsWithSeparator(const std::string &folder)
{
    if (folder.empty())
        return true; // the current folder: names stand alone
#ifdef _WIN32
    // "C:" names the current folder of drive C; "C:\" would be its root.
    return folder.back() == '\\' || folder.back() == '/' || folder.back() == ':';
#else
    return folder.back() == '/';
#endif
}

std::string FolderText(std::string folder)
{
    if (!EndsWithSeparator(folder))
        folder += static_cast<char>(fs::path::preferred_separator);
    return folder;
}

bool IsHidden(const fs::directory_entry &entry)
{
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.front() == '.')
        return true;
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(entry.path().c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
#else
    return false;
#endif
}

// Name order as a file list shows it: letter case ignored, exact bytes breaking ties.
bool NameLess(const std::string &a, const std::string &b)
{
    const std::string lowerA = LowerAscii(a);
    const std::string lowerB = LowerAscii(b);
    return lowerA != lowerB ? lowerA < lowerB : a < b;
}

struct FolderEntry
{
    std::string name;
    bool isFolder = false;
};

// The folder's matching plain files and, when withFolders, its sub-folders, in name order;
// nothing hidden. Links to folders are not followed, so a tree linking back into itself ends.
std::vector<FolderEntry> ListFolder(const fs::path &folder, bool withFolders,
                                    std::error_code &error)
{
    std::vector<FolderEntry> entries;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const fs::directory_entry &entry = *it;
        std::error_code typeError;
        std::string name = entry.path().filename().string();
        if (!(withFolders || HasJpegExtension(name)) || IsHidden(entry))
            continue;
        if (withFolders && !entry.is_symlink(typeError) && entry.is_directory(typeError))
            entries.push_back({std::move(name), true});
        else if (HasJpegExtension(name) && entry.is_regular_file(typeError))
            entries.push_back({std::move(name), false});
    }
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry &a, const FolderEntry &b) { return NameLess(a.name, b.name); });
    return entries;
}

InputFile SplitFilePath(const std::string &path)
{
    const fs::path asPath(path);
    if (!asPath.has_filename())
        return {"", path};
    const std::string name = asPath.filename().string();
    return {path.substr(0, path.size() - name.size()), name};
}

} // namespace

bool HasJpegExtension(const std::string &name)
{
    static constexpr std::array<std::string_view, 3> kExtensions = {".jpg", ".jpeg", ".jfif"};
    const std::string lower = LowerAscii(name);
    return std::any_of(kExtensions.begin(), kExtensions.end(),
                       [&lower](std::string_view ext) { return lower.ends_with(ext); });
}

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

    // `path` as given; its files are named after FolderText(path).
    void AddFolder(const std::string &path)
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
        const std::string folder = FolderText(path);
        for (const FolderEntry &entry : entries) {
            if (entry.isFolder)
                AddFolder(folder + entry.name);
            else
                AddFile({folder, entry.name});
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
