#include "BatchRun.h"

#include <utility>

namespace sparrowtrim {
namespace {

constexpr const char *kCrLf = "\r\n";
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

std::string ResultText(const FileOutcome &outcome)
{
    switch (outcome.result) {
    case kRewritten:
        return outcome.dryRun ? "File would be optimized." : "File successfully optimized.";
    case kNothingToChange:
        return "No need to optimize file.";
    default:
        return "ERROR:  " + outcome.message;
    }
}

bool RestoresDate(const mJPEGOpt &engine, bool keepDate)
{
    // Reading a date and setting it back still touches the file.
    return keepDate && !engine.Options().dryRun;
}

FileOutcome OutcomeOf(const mJPEGOpt &engine, std::int32_t result, const std::string &folder,
                      const std::string &name)
{
    FileOutcome outcome;
    outcome.name = name;
    outcome.path = folder + name;
    outcome.dryRun = engine.Options().dryRun;
    outcome.result = result;
    outcome.inputLength = engine.InputLength();
    outcome.outputLength = engine.OutputLength();
    if (result == kFailed) {
        outcome.message = engine.ResultMessage();
        outcome.reason = engine.FailureReason();
    }
    return outcome;
}

FileOutcome OptimizeOne(mJPEGOpt &engine, const std::string &folder, const std::string &name,
                        bool keepDate)
{
    const std::string path = folder + name;
    const bool restoreDate = RestoresDate(engine, keepDate);
    const FileTime savedTime = restoreDate ? GetLastWriteTime(path) : 0;
    FileOutcome outcome = OutcomeOf(engine, engine.OptimizeJPEG(path), folder, name);
    // Restored whatever the result: a failed or untouched file keeps its date as well.
    if (restoreDate)
        SetFileTimes(path, savedTime);
    return outcome;
}

void BatchTotals::Add(const FileOutcome &outcome)
{
    ++m_Processed;
    switch (outcome.result) {
    case kRewritten:
        m_TotalSaved += outcome.BytesSaved();
        ++m_Optimized;
        break;
    case kNothingToChange:
        ++m_NoChanges;
        break;
    default:
        ++m_Errors;
        break;
    }
}

std::string BatchTotals::ProcessedText() const
{
    return "Files processed: " + std::to_string(m_Processed);
}

std::string BatchTotals::TotalSavedText() const
{
    return (m_DryRun ? "Total bytes that would be saved: " : "Total bytes saved: ") +
           std::to_string(m_TotalSaved);
}

std::array<std::string, 3> BatchTotals::CountLines() const
{
    return {std::to_string(m_Errors) + " Total errors",
            std::to_string(m_NoChanges) + " No changes needed",
            std::to_string(m_Optimized) +
                (m_DryRun ? " Files would be optimized" : " Files optimized")};
}

std::string BatchTotals::CountsText() const
{
    const std::array<std::string, 3> counts = CountLines();
    return counts[0] + kCrLf + counts[1] + kCrLf + counts[2];
}

std::vector<std::string> BatchTotals::SummaryLines() const
{
    const std::array<std::string, 3> counts = CountLines();
    std::vector<std::string> lines = {ProcessedText(), TotalSavedText()};
    lines.insert(lines.end(), counts.begin(), counts.end());
    if (m_DryRun)
        lines.emplace_back("Dry run: no JPEG file was changed.");
    return lines;
}

bool BatchLog::Open(const std::string &path)
{
    Close();
    m_Failed = false;
    m_File.open(path, std::ios::binary | std::ios::trunc);
    return m_File.is_open();
}

void BatchLog::WriteLine(const std::string &line)
{
    if (!m_File.is_open())
        return;
    m_File << line << kCrLf;
    if (!m_File)
        m_Failed = true;
}

void BatchLog::WriteFile(const FileOutcome &outcome)
{
    WriteLine("**************");
    WriteLine("File: \t" + outcome.path);
    WriteLine(ResultText(outcome));
    if (outcome.result == kRewritten || outcome.result == kNothingToChange)
        WriteLine("Original File Size: \t" + std::to_string(outcome.inputLength));
    if (outcome.result == kRewritten) {
        WriteLine("Size After Optimizing: \t" + std::to_string(outcome.outputLength));
        WriteLine("Savings: \t" + std::to_string(outcome.BytesSaved()));
    }
    m_File.flush();
}

void BatchLog::WriteSummary(const BatchTotals &totals)
{
    WriteLine(std::string(38, '-'));
    for (const std::string &line : totals.SummaryLines())
        WriteLine(line);
    m_File.flush();
}

void BatchLog::Close()
{
    if (!m_File.is_open())
        return;
    m_File.close();
    if (m_File.fail())
        m_Failed = true;
}

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
    platform::RemoveLeftovers(folder);

    BatchTotals totals;
    for (std::int32_t k = 1; k <= count; ++k) {
        const std::string &name = m_SelectedFiles[static_cast<std::size_t>(k - 1)];
        const FileOutcome outcome = OptimizeOne(m_Engine, folder, name, keepDate);
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
