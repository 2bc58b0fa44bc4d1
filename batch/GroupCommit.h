#pragma once

#include "batch/FileOutcome.h"
#include "engine/FileAttributes.h"
#include "engine/Replacement.h"
#include "engine/mJPEGOpt.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace sparrowtrim {

// One file as a worker leaves it: handled, or rewritten with its new bytes waiting to be
// switched in.
struct PreparedFile
{
    FileOutcome outcome;
    Replacement replacement;
    bool failedForSpace = false; // the disk or quota was full when its new bytes were written
};

// Handles one file up to the switch: runs the engine and, when keepDate is set, gives the new
// bytes of a rewritten file the original's modification time. A file that is not rewritten is
// left exactly as it was, its date included.
PreparedFile PrepareFile(mJPEGOpt &engine, const std::string &folder, const std::string &name,
                         bool keepDate);

// How many rewritten files may wait at once in each of two places (on their way to a group,
// in it) for `jobs` workers: each holds its new bytes open until it is switched in, so it is as
// many as the open-file limit leaves room for, and at most 128.
std::size_t FilesThatMayWait(unsigned jobs);

// When a group of new files waiting for the disk is closed: once it holds enough files or
// bytes, or its first file has waited long enough; enough to flush a group at a time instead of
// a file at a time, little enough that files are reported without a noticeable lag.
class GroupFill final
{
public:
    explicit GroupFill(std::size_t mostFiles) : m_MostFiles(mostFiles) {}

    // Counts a file (and the bytes it waits to write) into the group; true when the group is
    // to be committed now.
    bool Add(std::size_t waitingBytes);
    void Clear() { m_Files = 0, m_Bytes = 0; }

private:
    std::size_t m_MostFiles;
    std::size_t m_Files = 0;
    std::size_t m_Bytes = 0;
    std::chrono::steady_clock::time_point m_Opened;
};

// Drops switched-in replacements on threads of its own, so that removing the files they
// replaced, which can wait for the disk, overlaps the rest of the run. Its end waits until all
// are gone. With no thread, each is dropped as it is added.
class BackgroundRemover final
{
public:
    explicit BackgroundRemover(unsigned threads);
    ~BackgroundRemover();
    BackgroundRemover(const BackgroundRemover &) = delete;
    BackgroundRemover &operator=(const BackgroundRemover &) = delete;

    void Add(std::vector<Replacement> replacements);
    // Returns once every replacement added so far is gone.
    void WaitUntilDone();

private:
    void Remove();

    std::mutex m_Mutex;
    std::size_t m_Removing = 0;
    std::condition_variable m_Changed;
    std::vector<Replacement> m_Queue;
    bool m_Ending = false;
    std::vector<std::jthread> m_Threads;
};

// Files waiting to be reported, in order, with the rewritten ones among them: the new bytes of
// a whole group are put on the disk at once, the files switched in, each folder flushed once,
// and only then is each file reported. A group is committed once it holds enough files or
// bytes, or its first file has waited long enough. Files still waiting when the group is
// dropped are not switched in: their files stay as they were.
class CommitGroup final
{
public:
    using Report = std::function<void(const FileOutcome &)>;

    // At most mostFiles files wait at once in the group. A group of one file commits each
    // file as it is added, and removes the file it replaced before it reports it.
    CommitGroup(std::size_t mostFiles, Report report);
    CommitGroup(const CommitGroup &) = delete;
    CommitGroup &operator=(const CommitGroup &) = delete;

    void Add(PreparedFile file);
    // As Add, but a file that failed for a full disk while other files wait in the group is
    // prepared again by `again` once they have been switched in and their originals removed.
    void Add(PreparedFile file, const std::function<PreparedFile()> &again);
    // Switches in and reports every file waiting.
    void Commit();

private:
    GroupFill m_Fill;
    Report m_Report;
    std::vector<PreparedFile> m_Files;
    BackgroundRemover m_Remover;
};

} // namespace sparrowtrim
