#include "batch/GroupCommit.h"

#include <algorithm>
#include <utility>

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace sparrowtrim {

namespace {

constexpr std::size_t kMaxBytes = std::size_t{64} << 20;
constexpr auto kMaxWait = std::chrono::milliseconds(100);
// Removals waiting for the disk at once: where freed blocks are discarded at once, each
// removal waits for the disk, and several waits overlap.
constexpr unsigned kRemovers = 4;
// Enough to flush many files at once; more would only hold more files open.
constexpr std::size_t kMostFilesWaiting = 128;

} // namespace

std::size_t FilesThatMayWait(unsigned jobs)
{
#ifdef _WIN32
    (void)jobs;
    return kMostFilesWaiting;
#else
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 1;
    // Standard streams, the log, each worker's file being read, its new bytes and a file it
    // checks, a folder being flushed, and some to spare.
    const rlim_t reserved = 16 + 3 * rlim_t{jobs};
    // A waiting file holds two: its new bytes and the original, held under its lease.
    constexpr rlim_t kPerFile = 2;
    constexpr rlim_t kStages = 2;
    if (limit.rlim_cur <= reserved + kPerFile * kStages)
        return 1;
    return std::clamp<std::size_t>((limit.rlim_cur - reserved) / (kPerFile * kStages), 1,
                                   kMostFilesWaiting);
#endif
}

BackgroundRemover::BackgroundRemover(unsigned threads)
{
    for (unsigned i = 0; i < threads; ++i)
        m_Threads.emplace_back([this] { Remove(); });
}

BackgroundRemover::~BackgroundRemover()
{
    {
        const std::lock_guard lock(m_Mutex);
        m_Ending = true;
    }
    m_Changed.notify_all();
    m_Threads.clear();
}

void BackgroundRemover::Add(std::vector<Replacement> replacements)
{
    if (m_Threads.empty())
        return;
    {
        const std::lock_guard lock(m_Mutex);
        for (Replacement &replacement : replacements)
            m_Queue.push_back(std::move(replacement));
    }
    m_Changed.notify_all();
}

void BackgroundRemover::Remove()
{
    std::unique_lock lock(m_Mutex);
    for (;;) {
        m_Changed.wait(lock, [this] { return m_Ending || !m_Queue.empty(); });
        if (m_Queue.empty())
            return;
        Replacement done = std::move(m_Queue.back());
        m_Queue.pop_back();
        ++m_Removing;
        lock.unlock();
        done = {};
        lock.lock();
        --m_Removing;
        m_Changed.notify_all();
    }
}

void BackgroundRemover::WaitUntilDone()
{
    std::unique_lock lock(m_Mutex);
    m_Changed.wait(lock, [this] { return m_Queue.empty() && m_Removing == 0; });
}

PreparedFile PrepareFile(mJPEGOpt &engine, const std::string &folder, const std::string &name,
                         bool keepDate)
{
    PreparedFile prepared;
    // A rewritten file gets the original's time before it is switched in, so that it never
    // shows another; a file that is not replaced keeps its date untouched.
    prepared.outcome = OutcomeOf(
        engine, engine.PrepareJPEG(folder + name, RestoresDate(engine, keepDate)), folder, name);
    if (prepared.outcome.result == kRewritten)
        prepared.replacement = engine.TakeReplacement();
    prepared.failedForSpace = engine.FailedForSpace();
    return prepared;
}

CommitGroup::CommitGroup(std::size_t mostFiles, Report report)
    : m_Fill(mostFiles), m_Report(std::move(report)), m_Remover(mostFiles > 1 ? kRemovers : 0)
{}

void CommitGroup::Add(PreparedFile file, const std::function<PreparedFile()> &again)
{
    if (file.failedForSpace && !m_Files.empty()) {
        // The group's own new copies may be what fills the disk: they go in first and the
        // files they replace are removed, then the file is tried again on its own.
        Commit();
        m_Remover.WaitUntilDone();
        file = again();
    }
    Add(std::move(file));
}

bool GroupFill::Add(std::size_t waitingBytes)
{
    if (m_Files == 0)
        m_Opened = std::chrono::steady_clock::now();
    ++m_Files;
    m_Bytes += waitingBytes;
    return m_Files >= m_MostFiles || m_Bytes >= kMaxBytes ||
           std::chrono::steady_clock::now() - m_Opened >= kMaxWait;
}

void CommitGroup::Add(PreparedFile file)
{
    const std::size_t waiting =
        file.replacement.IsPending() ? static_cast<std::size_t>(file.outcome.outputLength) : 0;
    m_Files.push_back(std::move(file));
    if (m_Fill.Add(waiting))
        Commit();
}

void CommitGroup::Commit()
{
    std::vector<Replacement> replacements;
    std::vector<std::size_t> owners;
    for (std::size_t i = 0; i < m_Files.size(); ++i) {
        if (m_Files[i].replacement.IsPending()) {
            replacements.push_back(std::move(m_Files[i].replacement));
            owners.push_back(i);
        }
    }
    const std::vector<platform::FileStatus> statuses = SwitchIn(replacements);
    m_Remover.Add(std::move(replacements));
    for (std::size_t k = 0; k < owners.size(); ++k) {
        if (statuses[k].IsDone())
            continue;
        // Not replaced: the file, its date included, is as it was before the run.
        PreparedFile &file = m_Files[owners[k]];
        file.outcome.result = kFailed;
        file.outcome.message = kCouldNotWriteMessage;
        file.outcome.reason = statuses[k].Reason();
    }
    for (const PreparedFile &file : m_Files)
        m_Report(file.outcome);
    m_Files.clear();
    m_Fill.Clear();
}

} // namespace sparrowtrim
