#include "cli/Pipeline.h"

#include "batch/BatchLog.h"
#include "batch/BatchTotals.h"
#include "cli/CommandLine.h"
#include "engine/mJPEGOpt.h"

#include <istream>
#include <optional>
#include <ostream>
#include <vector>

namespace sparrowtrim::cli {

namespace {

// Large enough that a photo takes few reads, small enough that the last one wastes little.
constexpr std::size_t kChunk = std::size_t{1} << 20;
constexpr const char *kTooLarge = "reading standard input: the input is too large";

// The bytes left in a stream that can seek (a redirected file), nothing for one that cannot
// (a pipe).
std::optional<std::size_t> BytesAhead(std::istream &in)
{
    const std::istream::pos_type start = in.tellg();
    if (start == std::istream::pos_type(-1)) {
        in.clear();
        return std::nullopt;
    }
    in.seekg(0, std::ios::end);
    const std::istream::pos_type end = in.tellg();
    in.seekg(start);
    if (!in || end < start) {
        in.clear();
        return std::nullopt;
    }
    return static_cast<std::size_t>(end - start);
}

// Reads the whole stream. One that holds more than the engine takes is refused: at once when
// its size is known, otherwise as soon as that much has come.
FileStatus ReadAll(std::istream &in, std::vector<std::uint8_t> &bytes)
{
    const std::optional<std::size_t> ahead = BytesAhead(in);
    if (ahead && *ahead > kMaxFileLength)
        return FileStatus::Failed(kTooLarge);
    bytes.reserve(ahead.value_or(0) + kChunk);
    while (in) {
        const std::size_t had = bytes.size();
        bytes.resize(had + kChunk);
        in.read(reinterpret_cast<char *>(bytes.data() + had), static_cast<std::streamsize>(kChunk));
        bytes.resize(had + static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kMaxFileLength)
            return FileStatus::Failed(kTooLarge);
    }
    if (in.bad())
        return FileStatus::Failed("reading standard input failed");
    return FileStatus::Done();
}

FileOutcome UnreadOutcome(const std::string &reason)
{
    FileOutcome outcome;
    outcome.name = outcome.path = kStandardStreams;
    outcome.message = kCouldNotOpenMessage;
    outcome.reason = reason;
    return outcome;
}

} // namespace

int RunPipeline(const CliOptions &options, std::istream &in, std::ostream &out, std::ostream &err)
{
    BatchLog log;
    if (!options.logFile.empty() && !log.Open(options.logFile)) {
        err << "sparrowtrim-cli: cannot write the log file '" << options.logFile << "'\n";
        return kExitFailure;
    }
    mJPEGOpt engine({}, {.keepIccProfile = options.keepIcc,
                         .keepOrientation = options.keepOrientation,
                         .dryRun = options.dryRun});
    std::vector<std::uint8_t> input;
    const FileStatus read = ReadAll(in, input);
    const FileOutcome outcome =
        read.IsDone() ? OutcomeOf(engine, engine.OptimizeBuffer(input), "", kStandardStreams)
                      : UnreadOutcome(read.Reason());

    if (!options.dryRun && outcome.result != kFailed) {
        const std::span<const std::uint8_t> bytes =
            outcome.result == kRewritten ? engine.Output() : std::span(input);
        out.write(reinterpret_cast<const char *>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.flush();
    }
    if (!options.quiet || outcome.result == kFailed)
        err << FileLine(outcome) << '\n';
    if (!options.quiet && options.verbose && outcome.result != kFailed)
        err << SegmentsLine(outcome) << '\n';
    if (!outcome.reason.empty())
        err << "sparrowtrim-cli: " << outcome.path << ": " << outcome.reason << '\n';
    bool failed = outcome.result == kFailed;
    if (log.IsOpen()) {
        BatchTotals totals(options.dryRun);
        totals.Add(outcome);
        log.WriteFile(outcome);
        if (options.verbose && outcome.result != kFailed)
            log.WriteLine(SegmentsLine(outcome));
        log.WriteSummary(totals);
        log.Close();
        if (log.Failed()) {
            err << "sparrowtrim-cli: writing the log file '" << options.logFile << "' failed\n";
            failed = true;
        }
    }
    return failed ? kExitFailure : kExitSuccess;
}

} // namespace sparrowtrim::cli
