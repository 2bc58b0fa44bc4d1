#pragma once

#include <string>
#include <vector>

namespace sparrowtrim::cli {

// What the command line asks for.
struct CliOptions
{
    bool keepDate = false;
    bool processReadOnly = false;
    bool quiet = false;
    bool verbose = false;
    bool recursive = false;
    bool dryRun = false;
    bool keepIcc = false;
    bool keepOrientation = false;
    bool overwrite = false;
    unsigned jobs = 1;
    std::string outputFolder; // empty: files are optimized in place
    std::string logFile;      // empty: no log
    std::vector<std::string> paths;
};

struct ParsedCommandLine
{
    enum class Action { Run, Help, Version, UsageError };

    Action action = Action::UsageError;
    CliOptions options;
    std::string error; // what was wrong, for Action::UsageError
};

// Parses the arguments after the program name. defaultJobs is used when --jobs is absent.
ParsedCommandLine ParseCommandLine(const std::vector<std::string> &args, unsigned defaultJobs);

// The number of workers when --jobs is not given: one per processor, at least one.
unsigned DefaultJobCount();

// The help text, program name included.
std::string UsageText();

// "sparrowtrim-cli (Sparrowtrim) 1.0.0"
std::string VersionText();

} // namespace sparrowtrim::cli
