#include "app/BatchRun.h"

#include "batch/GroupCommit.h"
#include "engine/Replacement.h"

#include <utility>

namespace sparrowtrim {
namespace {

constexpr const char *kWorkingCaption = "Working.....";
constexpr const char *kLogProblemLine = "Log file could not be written: ";

bool OptionIsOn(const std::string &optionText, std::size_t position)
{
    return optionText.size() >= position && optionText[position - 1] == '1';
}

// Clears the running flag however the run is left.
class RunningGuard final
{
public:
    explicit RunningGuard(bool &running) : m_Running(running) { m_Running = true; }
    ~RunningGuard() { m_Running = false; }
    RunningGuard(const RunningGuard &) = delete;
    RunningGuard &operator=(const RunningGuard &) = delete;

private:
    bool &m_Running;
};

} // namespace

BatchRun::BatchRun(BatchView &view, mJPEGOpt::ReadOnlyPolicy processReadOnly)
    : m_View(view), m_Engine(std::move(processReadOnly))
{}

void BatchRun::Start(const std::string &folder, const std::vector<std::string> &selectedNames,
                     const std::string &optionText, const std::string &logFileName)
{
    // The window is served between files, so START can arrive during a run.
    if (m_Running)
        return;
    m_SelectedFiles = selectedNames;
    if (m_SelectedFiles.empty())
        return;
    const RunningGuard guard(m_Running);

    const auto count = static_cast<std::int32_t>(m_SelectedFiles.size());
    m_View.SetProgressMax(count);
    const bool keepDate = OptionIsOn(optionText, 2);
    const bool writeLog = OptionIsOn(optionText, 3);
    bool logProblemShown = false;
    const auto reportLogProblem = [&] {
        if (!logProblemShown)
            m_View.AddDetailsLine(kLogProblemLine + logFileName);
        logProblemShown = true;
    };
    if (writeLog && !m_Log.Open(logFileName))
        reportLogProblem();
    // Temporary files a killed run left here would otherwise stay for ever.
    RemoveLeftovers(folder);

    BatchTotals totals;
    // Groups of one: each file is switched in, flushed and reported before the next is read.
    FileOutcome outcome;
    CommitGroup group(1, [&outcome](const FileOutcome &done) { outcome = done; });
    for (std::int32_t k = 1; k <= count; ++k) {
        const std::string &name = m_SelectedFiles[static_cast<std::size_t>(k - 1)];
        group.Add(PrepareFile(m_Engine, folder, name, keepDate));
        totals.Add(outcome);
        m_View.AddDetailsLine("Optimizing: " + name);
        m_View.SetProgressValue(k);
        if (writeLog) {
            m_Log.WriteFile(outcome);
            if (m_Log.Failed())
                reportLogProblem();
        }
        m_View.YieldToEvents();
        if (m_StopRequested)
            break;
        m_View.SetStatsCaption(0, kWorkingCaption);
    }

    m_View.SetProgressValue(0);
    m_StopRequested = false;
    m_View.ClearSelection();
    if (writeLog) {
        m_Log.WriteSummary(totals);
        m_Log.Close();
        if (m_Log.Failed())
            reportLogProblem();
    }
    m_View.SetStatsCaption(1, totals.ProcessedText());
    m_View.SetStatsCaption(2, totals.TotalSavedText());
    m_View.SetStatsCaption(0, totals.CountsText());
}

void BatchRun::Abandon()
{
    m_Log.Close();
}

} // namespace sparrowtrim
