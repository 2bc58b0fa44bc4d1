#pragma once

#include "engine/FileAttributes.h"
#include "engine/FileTypes.h"

#include <span>
#include <string>
#include <vector>

namespace sparrowtrim {

// A rewritten file's new bytes, written beside it under a temporary name and waiting to be
// switched in by SwitchIn. One that is dropped instead removes its temporary file and gives
// its file back the read-only state that was cleared for it; one that was switched in removes
// the file it replaced, where that file still has a name, when it is dropped.
class Replacement final
{
public:
    Replacement() = default;
    Replacement(StagedFile staged, ReadOnlyUndo undo);
    ~Replacement() { Abandon(); }
    Replacement(Replacement &&other) noexcept;
    Replacement &operator=(Replacement &&other) noexcept;
    Replacement(const Replacement &) = delete;
    Replacement &operator=(const Replacement &) = delete;

    bool IsPending() const { return m_Staged.handle >= 0; }

private:
    friend std::vector<FileStatus> SwitchIn(std::span<Replacement> group);

    void Abandon();

    StagedFile m_Staged;
    ReadOnlyUndo m_Undo;
};

// Puts the new bytes of every pending replacement of the group on the disk, then switches in
// each whose file is still the very one that was read, unchanged, then flushes each folder
// touched once, so that the switches survive a power cut. Returns one status per
// replacement; one that failed left its file as it was (a failure to flush the folder
// excepted, which comes after the switch). Removing the replaced files is left to dropping the
// replacements, which can wait for the disk: the caller may do it elsewhere.
std::vector<FileStatus> SwitchIn(std::span<Replacement> group);

// Removes the temporary files in `folder` that a run of this program left behind and whose
// writer no longer runs; never touches anything else.
void RemoveLeftovers(const std::string &folder);

// Whether one flush of the whole file system `folder` lies on puts every file's new bytes on the
// disk (the kernel's block file systems); elsewhere (FUSE, network file systems) each file needs
// a flush of its own.
bool FileSystemFlushReachesDisk(const std::string &folder);

// The temporary name the next file staged for `path` would get.
std::string NextTemporaryPath(const std::string &path);

} // namespace sparrowtrim
