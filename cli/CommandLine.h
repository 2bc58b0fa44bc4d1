#pragma once

#include "BatchRun.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace sparrowtrim::cli {

// Exit statuses of the command line.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1; // a file failed, a folder or the log could not be used
inline constexpr int kExitUsage = 2;

// Runs the command line given the arguments after the program name; per-file lines and the
// summary go to `out`, usage and other problems to `err`. Returns the exit status.
int RunCommandLine(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);

// One file's line: result text, path and, where the file was read, the sizes, TAB-separated.
std::string FileLine(const FileOutcome &outcome);

// The run's totals: the same texts as the window's statistics, one per line.
std::string SummaryText(const BatchTotals &totals);

} // namespace sparrowtrim::cli
