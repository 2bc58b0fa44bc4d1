#pragma once

#include "batch/BatchLog.h"
#include "batch/BatchTotals.h"
#include "batch/FileOutcome.h"
#include "engine/mJPEGOpt.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sparrowtrim {

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
