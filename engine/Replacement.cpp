#include "engine/Replacement.h"

#include "engine/platform/PlatformFiles.h"

#include <map>
#include <utility>

namespace sparrowtrim {

Replacement::Replacement(platform::StagedFile staged, ReadOnlyUndo undo)
    : m_Staged(std::move(staged)), m_Undo(undo)
{}

Replacement::Replacement(Replacement &&other) noexcept
    : m_Staged(std::exchange(other.m_Staged, {})), m_Undo(std::exchange(other.m_Undo, {}))
{}

Replacement &Replacement::operator=(Replacement &&other) noexcept
{
    if (this != &other) {
        Abandon();
        m_Staged = std::exchange(other.m_Staged, {});
        m_Undo = std::exchange(other.m_Undo, {});
    }
    return *this;
}

void Replacement::Abandon()
{
    platform::Discard(m_Staged);
    if (m_Undo.cleared)
        platform::RestoreReadOnly(m_Staged.source, m_Undo.previous);
    m_Undo = {};
}

std::vector<FileStatus> SwitchIn(std::span<Replacement> group)
{
    std::vector<platform::FileStatus> statuses(group.size(), platform::FileStatus::Done());
    std::vector<platform::StagedFile *> files;
    std::vector<std::size_t> fileIndexes;
    for (std::size_t i = 0; i < group.size(); ++i) {
        if (group[i].IsPending()) {
            files.push_back(&group[i].m_Staged);
            fileIndexes.push_back(i);
        }
    }
    std::vector<platform::FileStatus> flushed(files.size(), platform::FileStatus::Done());
    platform::MakeDurable(files, flushed);

    // Folders and the replacements switched in there.
    std::map<std::string, std::vector<std::size_t>> folders;
    for (std::size_t k = 0; k < files.size(); ++k) {
        Replacement &replacement = group[fileIndexes[k]];
        platform::FileStatus &status = statuses[fileIndexes[k]];
        status = flushed[k].IsDone() ? platform::SwitchIn(replacement.m_Staged) : flushed[k];
        if (status.IsDone()) {
            folders[platform::FolderOf(replacement.m_Staged.source.path)].push_back(fileIndexes[k]);
            replacement.m_Undo = {};
        } else {
            replacement.Abandon();
        }
    }
    for (const auto &[folder, switched] : folders) {
        const platform::FileStatus folderFlushed = platform::FlushFolder(folder);
        if (!folderFlushed.IsDone())
            for (const std::size_t i : switched)
                statuses[i] = folderFlushed;
    }
    return statuses;
}

void RemoveLeftovers(const std::string &folder)
{
    platform::RemoveLeftovers(folder);
}

bool FileSystemFlushReachesDisk(const std::string &folder)
{
    return platform::FileSystemFlushReachesDisk(folder);
}

std::string NextTemporaryPath(const std::string &path)
{
    return platform::NextTemporaryPath(path);
}

} // namespace sparrowtrim
