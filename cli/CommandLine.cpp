#include "CommandLine.h"

#include "CliOptions.h"
#include "GroupCommit.h"
#include "InputFiles.h"
#include "OrderedRun.h"

#include <algorithm>
#include <ostream>
#include <unordered_set>

namespace sparrowtrim::cli {

namespace {

constexpr const char *kProgramName = "sparrowtrim-cli";

int ReportUsageError(const std::string &message, std::ostream &err)
{
    err << kProgramName << ": " << message << "\n\n" << UsageText();
    return kExitUsage;
}

std::string WithoutCarriageReturns(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

bool NamesAnInput(const std::string &path, const std::vector<InputFile> &files)
{
    const std::string identity = FileIdentity(path);
    return std::any_of(files.begin(), files.end(), [&identity](const InputFile &file) {
        return FileIdentity(file.Path()) == identity;
    });
}

// Each worker thread owns one engine; the read-only answer is fixed for the whole run.
std::vector<mJPEGOpt> MakeEngines(unsigned count, bool processReadOnly)
{
    std::vector<mJPEGOpt> engines;
    engines.reserve(count);
    for (unsigned i = 0; i < count; ++i)
        engines.emplace_back([processReadOnly] { return processReadOnly; });
    return engines;
}

// Temporary files a killed run left in the folders of this one would otherwise stay for ever.
void RemoveLeftovers(const std::vector<InputFile> &files)
{
    std::unordered_set<std::string> folders;
    for (const InputFile &file : files)
        if (folders.insert(file.folder).second)
            platform::RemoveLeftovers(file.folder);
}

} // namespace

std::string FileLine(const FileOutcome &outcome)
{
    std::string line = ResultText(outcome) + '\t' + outcome.path;
    if (outcome.result == kRewritten) {
        line += '\t' + std::to_string(outcome.inputLength) + " -> " +
                std::to_string(outcome.outputLength) + " bytes";
    } else if (outcome.result == kNothingToChange) {
        line += '\t' + std::to_string(outcome.inputLength) + " bytes";
    }
    return line;
}

std::string SummaryText(const BatchTotals &totals)
{
    return std::string(38, '-') + '\n' + totals.ProcessedText() + '\n' + totals.TotalSavedText() +
           '\n' + WithoutCarriageReturns(totals.CountsText()) + '\n';
}

int RunCommandLine(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
                   const std::atomic<bool> *stopRequested)
{
    const ParsedCommandLine parsed = ParseCommandLine(args, DefaultJobCount());
    switch (parsed.action) {
    case ParsedCommandLine::Action::Help:
        out << UsageText();
        return kExitSuccess;
    case ParsedCommandLine::Action::Version:
        out << VersionText();
        return kExitSuccess;
    case ParsedCommandLine::Action::UsageError:
        return ReportUsageError(parsed.error, err);
    case ParsedCommandLine::Action::Run:
        break;
    }
    const CliOptions &options = parsed.options;

    const CollectedFiles collected = CollectInputFiles(options.paths);
    bool failed = !collected.problems.empty();
    for (const std::string &problem : collected.problems)
        err << kProgramName << ": " << problem << '\n';

    // Opening the log replaces its content, so it must not be one of the photos.
    BatchLog log;
    if (!options.logFile.empty()) {
        if (NamesAnInput(options.logFile, collected.files))
            return ReportUsageError(
                "the log file '" + options.logFile + "' is one of the files to optimize", err);
        if (!log.Open(options.logFile)) {
            err << kProgramName << ": cannot write the log file '" << options.logFile
                << "'; no file was changed\n";
            return kExitFailure;
        }
    }

    std::vector<mJPEGOpt> engines = MakeEngines(
        static_cast<unsigned>(std::min<std::size_t>(options.jobs, collected.files.size())),
        options.processReadOnly);
    RemoveLeftovers(collected.files);
    BatchTotals totals;
    CommitGroup group(options.keepDate, [&](const FileOutcome &outcome) {
        if (!options.quiet || outcome.result == kFailed)
            out << FileLine(outcome) << std::endl;
        if (!outcome.reason.empty())
            err << kProgramName << ": " << outcome.path << ": " << outcome.reason << '\n';
        if (log.IsOpen())
            log.WriteFile(outcome);
        totals.Add(outcome);
    });
    const std::size_t handled = RunInOrder(
        collected.files.size(), options.jobs,
        [&](unsigned worker, std::size_t index) {
            const InputFile &file = collected.files[index];
            return PrepareFile(engines[worker], file.folder, file.name, options.keepDate);
        },
        [&](std::size_t, PreparedFile file) { group.Add(std::move(file)); }, stopRequested,
        CommitGroup::kMaxFiles);
    group.Commit();
    out << std::flush;
    if (handled < collected.files.size()) {
        err << kProgramName << ": stopped; " << collected.files.size() - handled << " of "
            << collected.files.size() << " files were not handled\n";
        failed = true;
    }

    if (log.IsOpen()) {
        log.WriteSummary(totals);
        log.Close();
        if (log.Failed()) {
            err << kProgramName << ": writing the log file '" << options.logFile << "' failed\n";
            failed = true;
        }
    }
    if (!options.quiet)
        out << SummaryText(totals) << std::flush;
    return failed || totals.Errors() > 0 ? kExitFailure : kExitSuccess;
}

} // namespace sparrowtrim::cli
