#pragma once

#include "FileAttributes.h"
#include "mJPEGOpt.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace sparrowtrim {

// What became of one file of a run.
struct FileOutcome
{
    std::string name; // without folder
    std::string path; // folder and name
    std::int32_t result = kFailed;
    std::string message; // the engine's message, meaningful after kFailed
    std::string reason;  // the system's reason behind it, where there is one
    std::int32_t inputLength = 0;
    std::int32_t outputLength = 0;
    bool dryRun = false; // only looked at: the result says what a real run would do

    std::int32_t BytesSaved() const { return inputLength - outputLength; }
};

// "File successfully optimized." ("File would be optimized." in a dry run), "No need to
// optimize file." or "ERROR:  " and the message.
std::string ResultText(const FileOutcome &outcome);

// Whether a run that keeps dates reads and sets back the file's time: a dry run touches none.
bool RestoresDate(const mJPEGOpt &engine, bool keepDate);

// What the engine's last call, which gave `result` for folder + name, left: the result, the
// lengths and, after a failure, the messages.
FileOutcome OutcomeOf(const mJPEGOpt &engine, std::int32_t result, const std::string &folder,
                      const std::string &name);

// Handles one file: reads its time when keepDate is set, runs the engine, restores the time
// whatever the result. A dry run of the engine touches no time.
FileOutcome OptimizeOne(mJPEGOpt &engine, const std::string &folder, const std::string &name,
                        bool keepDate);

// The counters of one run and the three summary texts built from them.
class BatchTotals final
{
public:
    // The totals of a dry run say what would have been saved and that nothing was changed.
    explicit BatchTotals(bool dryRun = false) : m_DryRun(dryRun) {}

    void Add(const FileOutcome &outcome);

    std::int32_t Processed() const { return m_Processed; }
    // 64 bits: a large batch can save more than 2 GiB in all.
    std::int64_t TotalSaved() const { return m_TotalSaved; }
    std::int32_t Errors() const { return m_Errors; }
    std::int32_t NoChanges() const { return m_NoChanges; }
    std::int32_t Optimized() const { return m_Optimized; }

    std::string ProcessedText() const;  // "Files processed: N"
    std::string TotalSavedText() const; // "Total bytes saved: N"
    std::string CountsText() const;     // errors, no changes, optimized: three lines, CR LF
    // Every summary line: the two texts above, the three counts and, after a dry run, a last
    // line saying that nothing was changed.
    std::vector<std::string> SummaryLines() const;

private:
    std::array<std::string, 3> CountLines() const; // errors, no changes, optimized

    bool m_DryRun;
    std::int32_t m_Processed = 0;
    std::int64_t m_TotalSaved = 0;
    std::int32_t m_Errors = 0;
    std::int32_t m_NoChanges = 0;
    std::int32_t m_Optimized = 0;
};

// The result log: CR LF line ends, a TAB after each label. Every block is flushed at once,
// so a program ended in the middle of a run leaves what was written on disk.
class BatchLog final
{
public:
    // Creates the file or replaces its content; false when it cannot be opened.
    bool Open(const std::string &path);
    bool IsOpen() const { return m_File.is_open(); }
    // True once a write has failed since Open.
    bool Failed() const { return m_Failed; }

    void WriteFile(const FileOutcome &outcome);
    void WriteSummary(const BatchTotals &totals);
    void Close();

private:
    void WriteLine(const std::string &line);

    std::ofstream m_File;
    bool m_Failed = false;
};

// What a run writes to: the main window implements it, tests record it.
class BatchView
{
public:
    virtual ~BatchView() = default;

    virtual void SetProgressMax(std::int32_t max) = 0;
    // May serve pending window events before it returns.
    virtual void SetProgressValue(std::int32_t value) = 0;
    virtual void AddDetailsLine(const std::string &line) = 0;
    // Serves pending window events once.
    virtual void YieldToEvents() = 0;
    // The "Clear" action: the file list's selection is cleared.
    virtual void ClearSelection() = 0;
    virtual void SetStatsCaption(int index, const std::string &caption) = 0;
};

// The START/STOP batch run, without a window.
class BatchRun final
{
public:
    BatchRun(BatchView &view, mJPEGOpt::ReadOnlyPolicy processReadOnly);

    // START: handles the selected names of `folder` (already passed through FolderOfText).
    // optionText is the three-character option text; positions 2 and 3 are read once here.
    // Ignored while a run is going on, and does nothing when no name is selected.
    void Start(const std::string &folder, const std::vector<std::string> &selectedNames,
               const std::string &optionText, const std::string &logFileName);

    // STOP: the run ends after the file in hand; pressed while idle, the next run ends after
    // its first file.
    void RequestStop() { m_StopRequested = true; }

    bool IsRunning() const { return m_Running; }
    bool StopRequested() const { return m_StopRequested; }
    const std::vector<std::string> &SelectedFiles() const { return m_SelectedFiles; }

    // The program is ending in the middle of a run: what the log holds so far is kept.
    void Abandon();

private:
    BatchView &m_View;
    mJPEGOpt m_Engine;
    BatchLog m_Log;
    std::vector<std::string> m_SelectedFiles;
    bool m_StopRequested = false;
    bool m_Running = false;
};

} // namespace sparrowtrim
