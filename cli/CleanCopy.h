#pragma once

#include "batch/FileOutcome.h"
#include "batch/GroupCommit.h"
#include "cli/InputFiles.h"
#include "engine/mJPEGOpt.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// Clean copies written into another folder (--output), the originals left as they are. POSIX
// only: the command line refuses --output on Windows.
namespace sparrowtrim::cli {

// Where a file's clean copy goes and, when it cannot go there, why.
struct PlannedCopy
{
    std::string path;
    std::string problem;
};

// The copy of each file, in `folder` (ending in the separator) under the file's name, below
// its sub-folder: a copy whose path an earlier file already takes, or that names one of the
// files to optimize, is refused.
std::vector<PlannedCopy> PlanCopies(const std::vector<InputFile> &files, const std::string &folder);

// True when `folder` is `tree` or lies anywhere below it, whether or not it exists yet.
bool IsInsideTree(const std::string &folder, const std::string &tree);

// A clean copy's bytes under a temporary name in the folder it goes to, waiting to be put
// under its own name. One dropped before that removes its temporary file.
class StagedCopy final
{
public:
    StagedCopy() = default;
    ~StagedCopy() { Drop(); }
    StagedCopy(StagedCopy &&other) noexcept;
    StagedCopy &operator=(StagedCopy &&other) noexcept;
    StagedCopy(const StagedCopy &) = delete;
    StagedCopy &operator=(const StagedCopy &) = delete;

    // Writes `bytes` under a temporary name beside `path`, with the permission bits of the
    // file `source` (its owner too when run as root) and, when keepDate is set, its times.
    FileStatus Stage(const std::string &source, const std::string &path,
                     std::span<const std::uint8_t> bytes, bool keepDate);
    // Puts the durable bytes under their name: beside an existing file only when `overwrite`.
    FileStatus Place(bool overwrite);

    bool IsPending() const { return m_Fd >= 0; }
    int Handle() const { return m_Fd; }
    const std::string &Path() const { return m_Path; }

private:
    void Drop();

    std::string m_Path;
    std::string m_TemporaryPath;
    int m_Fd = -1;
};

struct CopiedFile
{
    FileOutcome outcome;
    StagedCopy copy;
};

// Walks one file and, unless it failed, the run is dry or its copy is refused, writes its
// result (its own bytes when nothing needs removing) beside plan.path, with the original's
// permission bits (and owner, when run as root) and, when keepDate is set, its times.
CopiedFile PrepareCopy(mJPEGOpt &engine, const InputFile &file, const PlannedCopy &plan,
                       bool overwrite, bool keepDate);

// Copies waiting to be reported, in order: the bytes of a whole group are put on the disk at
// once, the copies put under their names, their folders flushed, and only then is each
// reported. An existing file is replaced only when `overwrite` is set.
class CopyGroup final
{
public:
    using Report = std::function<void(const FileOutcome &)>;

    // `folder` exists: the copies' file system is flushed through it.
    CopyGroup(const std::string &folder, bool overwrite, std::size_t mostFiles, Report report);
    ~CopyGroup();
    CopyGroup(const CopyGroup &) = delete;
    CopyGroup &operator=(const CopyGroup &) = delete;

    void Add(CopiedFile file);
    void Commit();

private:
    void Flush(std::vector<CopiedFile *> &pending);

    std::string m_Folder;
    bool m_Overwrite;
    GroupFill m_Fill;
    Report m_Report;
    bool m_SyncfsReachesDisk;
    int m_Sentinel = -1;
    std::vector<CopiedFile> m_Files;
};

} // namespace sparrowtrim::cli
