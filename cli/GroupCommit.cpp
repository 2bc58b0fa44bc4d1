#include "GroupCommit.h"

#include <utility>

namespace sparrowtrim::cli {

namespace {

// Enough to flush a group at a time instead of a file at a time, little enough that files are
// reported without a noticeable lag.
constexpr std::size_t kMaxBytes = std::size_t{64} << 20;
constexpr auto kMaxWait = std::chrono::milliseconds(100);

} // namespace

PreparedFile PrepareFile(mJPEGOpt &engine, const std::string &folder, const std::string &name,
                         bool keepDate)
{
    PreparedFile prepared;
    FileOutcome &outcome = prepared.outcome;
    outcome.name = name;
    outcome.path = folder + name;
    prepared.savedTime = keepDate ? GetLastWriteTime(outcome.path) : 0;
    // A rewritten file gets its time before it is switched in, so that it never shows another.
    outcome.result = engine.PrepareJPEG(outcome.path, prepared.savedTime);
    outcome.inputLength = engine.InputLength();
    outcome.outputLength = engine.OutputLength();
    if (outcome.result == kFailed) {
        outcome.message = engine.ResultMessage();
        outcome.reason = engine.FailureReason();
    }
    if (outcome.result == kRewritten)
        prepared.replacement = engine.TakeReplacement();
    else if (keepDate)
        SetFileTimes(outcome.path, prepared.savedTime);
    return prepared;
}

void CommitGroup::Add(PreparedFile file)
{
    if (m_Files.empty())
        m_Opened = std::chrono::steady_clock::now();
    if (file.replacement.IsPending())
        m_Bytes += static_cast<std::size_t>(file.outcome.outputLength);
    m_Files.push_back(std::move(file));
    if (m_Files.size() >= kMaxFiles || m_Bytes >= kMaxBytes ||
        std::chrono::steady_clock::now() - m_Opened >= kMaxWait)
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
    for (std::size_t k = 0; k < owners.size(); ++k) {
        if (statuses[k].IsDone())
            continue;
        PreparedFile &file = m_Files[owners[k]];
        file.outcome.result = kFailed;
        file.outcome.message = kCouldNotWriteMessage;
        file.outcome.reason = statuses[k].Reason();
        if (m_KeepDate)
            SetFileTimes(file.outcome.path, file.savedTime);
    }
    for (const PreparedFile &file : m_Files)
        m_Report(file.outcome);
    m_Files.clear();
    m_Bytes = 0;
}

} // namespace sparrowtrim::cli
