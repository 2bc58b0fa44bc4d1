#include "cli/CommandLine.h"

#include "batch/BatchLog.h"
#include "batch/FolderText.h"
#include "batch/GroupCommit.h"
#include "cli/CleanCopy.h"
#include "cli/CliOptions.h"
#include "cli/InputFiles.h"
#include "cli/OrderedRun.h"
#include "cli/Pipeline.h"
#include "cli/ProgressLine.h"

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <unordered_set>

namespace sparrowtrim::cli {

namespace {

constexpr const char *kProgramName = "sparrowtrim-cli";

int ReportUsageError(const std::string &message, std::ostream &err)
{
    err << kProgramName << ": " << message << "\n\n" << UsageText();
    return kExitUsage;
}

bool NamesAnInput(const std::string &path, const std::vector<InputFile> &files)
{
    const std::string identity = FileIdentity(path);
    return std::any_of(files.begin(), files.end(), [&identity](const InputFile &file) {
        return FileIdentity(file.Path()) == identity;
    });
}

// Each worker thread owns one engine; the read-only answer is fixed for the whole run.
std::vector<mJPEGOpt> MakeEngines(unsigned count, const CliOptions &options)
{
    const OptimizeOptions engineOptions = {.keepIccProfile = options.keepIcc,
                                           .keepOrientation = options.keepOrientation,
                                           .dryRun = options.dryRun};
    std::vector<mJPEGOpt> engines;
    engines.reserve(count);
    for (unsigned i = 0; i < count; ++i)
        engines.emplace_back(
            [processReadOnly = options.processReadOnly] { return processReadOnly; }, engineOptions);
    return engines;
}

// Temporary files a killed run left in the folders of this one would otherwise stay for ever.
void RemoveLeftovers(const std::vector<InputFile> &files)
{
    std::unordered_set<std::string> folders;
    for (const InputFile &file : files)
        if (folders.insert(file.folder).second)
            sparrowtrim::RemoveLeftovers(file.folder);
}

// Why --output cannot be used as given, or nothing when it can.
std::string OutputProblem(const CliOptions &options)
{
#ifdef _WIN32
    (void)options;
    return "--output is not available on Windows";
#else
    // The copies would be found again by the walk, and copied into themselves.
    if (options.recursive)
        for (const std::string &path : options.paths)
            if (std::error_code error; std::filesystem::is_directory(path, error) &&
                                       IsInsideTree(options.outputFolder, path))
                return "the output folder '" + options.outputFolder + "' is inside '" + path +
                       "', which --recursive walks";
    return {};
#endif
}

// Each file's clean copy goes to the output folder, in groups as the files of a run in place.
std::size_t RunCopies(const std::vector<InputFile> &files, const CliOptions &options,
                      std::vector<mJPEGOpt> &engines, const CopyGroup::Report &report,
                      const std::atomic<bool> *stopRequested, std::size_t mostWaiting)
{
#ifdef _WIN32
    (void)files, (void)options, (void)engines, (void)report, (void)stopRequested, (void)mostWaiting;
    return 0;
#else
    const std::string folder = mUtils::FolderOfPath(options.outputFolder);
    const std::vector<PlannedCopy> plans = PlanCopies(files, folder);
    CopyGroup group(folder, options.overwrite, mostWaiting, report);
    const std::size_t handled = RunInOrder(
        files.size(), options.jobs,
        [&](unsigned worker, std::size_t index) {
            return PrepareCopy(engines[worker], files[index], plans[index], options.overwrite,
                               options.keepDate);
        },
        [&](std::size_t, CopiedFile file) { group.Add(std::move(file)); }, stopRequested,
        mostWaiting);
    group.Commit();
    return handled;
#endif
}

// "-": the photo comes from standard input, its result goes to standard output. Binary data
// is never written to a terminal, and never mixed with the lines of other files.
int RunStandardStreams(const CliOptions &options, std::istream *in, std::ostream &out,
                       std::ostream &err, Terminals terminals)
{
    if (options.paths.size() > 1)
        return ReportUsageError("'-' (standard input) cannot be given with other paths", err);
    if (!options.outputFolder.empty())
        return ReportUsageError("'-' writes to standard output, not to --output", err);
    if (terminals.output && !options.dryRun)
        return ReportUsageError(
            "standard output is a terminal; send it to a file or a pipe (> FILE, | PROGRAM)", err);
    std::istringstream nothing;
    return RunPipeline(options, in != nullptr ? *in : nothing, out, err);
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
    std::string text = std::string(38, '-') + '\n';
    for (const std::string &line : totals.SummaryLines())
        text += line + '\n';
    return text;
}

int RunCommandLine(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
                   const std::atomic<bool> *stopRequested, Terminals terminals, std::istream *in)
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
    if (std::find(options.paths.begin(), options.paths.end(), kStandardStreams) !=
        options.paths.end())
        return RunStandardStreams(options, in, out, err, terminals);

    const bool copying = !options.outputFolder.empty();
    if (const std::string problem = copying ? OutputProblem(options) : ""; !problem.empty())
        return ReportUsageError(problem, err);

    const CollectedFiles collected = CollectInputFiles(options.paths, options.recursive);
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
        options);
    // A dry run leaves even the leftovers of earlier runs alone, and a run that copies leaves
    // the originals' folders alone.
    if (!options.dryRun && !copying)
        RemoveLeftovers(collected.files);
    if (std::error_code error;
        copying && !options.dryRun &&
        (std::filesystem::create_directories(options.outputFolder, error), error)) {
        err << kProgramName << ": cannot make the output folder '" << options.outputFolder
            << "': " << error.message() << "; no file was copied\n";
        return kExitFailure;
    }
    BatchTotals totals(options.dryRun);
    const std::size_t count = collected.files.size();
    ProgressLine progress(err, count, ProgressLine::IsWanted(terminals.error, count, options.quiet),
                          options.dryRun);
    const std::size_t mostWaiting = FilesThatMayWait(options.jobs);
    const auto report = [&](const FileOutcome &outcome) {
        if (!options.quiet || outcome.result == kFailed) {
            if (terminals.output)
                progress.Erase();
            out << FileLine(outcome) << '\n';
            if (options.verbose && outcome.result != kFailed)
                out << SegmentsLine(outcome) << '\n';
            out << std::flush;
        }
        if (!outcome.reason.empty()) {
            progress.Erase();
            err << kProgramName << ": " << outcome.path << ": " << outcome.reason << '\n';
        }
        if (log.IsOpen())
            log.WriteFile(outcome);
        if (log.IsOpen() && options.verbose && outcome.result != kFailed)
            log.WriteLine(SegmentsLine(outcome));
        totals.Add(outcome);
        progress.FileDone(outcome.result == kRewritten ? outcome.BytesSaved() : 0);
    };
    std::size_t handled = 0;
    if (copying) {
        handled = RunCopies(collected.files, options, engines, report, stopRequested, mostWaiting);
    } else {
        // Tries again, on the run's own thread, a file that found the disk full.
        std::vector<mJPEGOpt> spare = MakeEngines(1, options);
        CommitGroup group(mostWaiting, report);
        handled = RunInOrder(
            collected.files.size(), options.jobs,
            [&](unsigned worker, std::size_t index) {
                const InputFile &file = collected.files[index];
                return PrepareFile(engines[worker], file.folder, file.name, options.keepDate);
            },
            [&](std::size_t index, PreparedFile file) {
                const InputFile &input = collected.files[index];
                group.Add(std::move(file), [&] {
                    return PrepareFile(spare.front(), input.folder, input.name, options.keepDate);
                });
            },
            stopRequested, mostWaiting);
        group.Commit();
    }
    progress.Erase();
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
