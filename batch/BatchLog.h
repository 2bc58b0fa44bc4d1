#pragma once

#include "batch/BatchTotals.h"
#include "batch/FileOutcome.h"

#include <fstream>
#include <string>

namespace sparrowtrim {

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
    // One more line, such as what a file's walk dropped.
    void WriteLine(const std::string &line);
    void Close();

private:
    std::ofstream m_File;
    bool m_Failed = false;
};

} // namespace sparrowtrim
