#pragma once

#include "batch/BatchTotals.h"
#include "batch/FileOutcome.h"

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

namespace sparrowtrim::cli {

// Exit statuses of the command line.
inline constexpr int kExitSuccess = 0;
// A file failed, a folder or the log could not be used, or the run was stopped.
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Which of the two output streams lead to a terminal.
struct Terminals
{
    bool output = false;
    bool error = false;
};

// Runs the command line given the arguments after the program name; per-file lines and the
// summary go to `out`, usage and other problems to `err`, and so does the progress of a long
// run when `err` is a terminal. Once *stopRequested is set no further file is started: the
// files in hand are finished and the run ends as a whole run would, with its totals and log.
// The path "-" stands for `in` and `out` (see RunPipeline); without `in` it reads as empty.
// Returns the exit status.
int RunCommandLine(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
                   const std::atomic<bool> *stopRequested = nullptr, Terminals terminals = {},
                   std::istream *in = nullptr);

// One file's line: result text, path and, where the file was read, the sizes, TAB-separated.
std::string FileLine(const FileOutcome &outcome);

// With --verbose, the line after a file's line: what its walk dropped and kept, in bytes,
// behind a TAB; empty for a file that failed.
std::string SegmentsLine(const FileOutcome &outcome);

// The run's totals: the same texts as the window's statistics, one per line.
std::string SummaryText(const BatchTotals &totals);

} // namespace sparrowtrim::cli
