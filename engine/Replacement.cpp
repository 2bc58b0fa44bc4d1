#include "Replacement.h"

#include <algorithm>
#include <map>
#include <thread>
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

namespace {

// Removing a replaced file frees its blocks, which waits for the disk where freed blocks are
// discarded at once: a few removals at a time let those waits overlap.
constexpr std::size_t kParallelRemovals = 4;

} // namespace

void RemoveReplacedFiles(std::span<Replacement> group)
{
    const std::size_t threads = std::min(kParallelRemovals, group.size());
    if (threads <= 1) {
        for (Replacement &replacement : group)
            replacement.Abandon();
        return;
    }
    std::vector<std::jthread> removers;
    for (std::size_t first = 0; first < threads; ++first)
        removers.emplace_back([group, first, threads] {
            for (std::size_t i = first; i < group.size(); i += threads)
                group[i].Abandon();
        });
}

std::vector<platform::FileStatus> SwitchIn(std::span<Replacement> group)
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
        }
    }
    for (const auto &[folder, switched] : folders) {
        const platform::FileStatus folderFlushed = platform::FlushFolder(folder);
        if (!folderFlushed.IsDone())
            for (const std::size_t i : switched)
                statuses[i] = folderFlushed;
    }
    RemoveReplacedFiles(group);
    return statuses;
}

} // namespace sparrowtrim
