#include "cli/CliOptions.h"

#include "ProductInfo.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>
#include <thread>

namespace sparrowtrim::cli {

namespace {

constexpr unsigned kMaxJobs = 256;

// Options that only switch something on; repeating one changes nothing.
struct Flag
{
    std::string_view name;
    char letter; // its short form, 0 when it has none
    bool CliOptions::*option;
};

constexpr Flag kFlags[] = {
    {"--recursive", 'r', &CliOptions::recursive},
    {"--dry-run", 'n', &CliOptions::dryRun},
    {"--keep-icc", 0, &CliOptions::keepIcc},
    {"--keep-orientation", 0, &CliOptions::keepOrientation},
    {"--keep-date", 0, &CliOptions::keepDate},
    {"--process-read-only", 0, &CliOptions::processReadOnly},
    {"--quiet", 'q', &CliOptions::quiet},
    {"--verbose", 'v', &CliOptions::verbose},
    {"--overwrite", 0, &CliOptions::overwrite},
};

// The flag of that name or, when no name is given, of that letter.
const Flag *FindFlag(std::string_view name, char letter)
{
    for (const Flag &flag : kFlags)
        if (name.empty() ? flag.letter == letter : flag.name == name)
            return &flag;
    return nullptr;
}

struct OptionValue
{
    std::string_view name;
    std::optional<std::string_view> inlineValue; // the part after "=" in "--name=value"
};

OptionValue SplitOption(std::string_view arg)
{
    const auto equals = arg.find('=');
    if (equals == std::string_view::npos)
        return {arg, std::nullopt};
    return {arg.substr(0, equals), arg.substr(equals + 1)};
}

std::optional<unsigned> ParseJobCount(std::string_view text)
{
    unsigned value = 0;
    const auto *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < 1 || value > kMaxJobs)
        return std::nullopt;
    return value;
}

ParsedCommandLine UsageError(std::string message)
{
    ParsedCommandLine parsed;
    parsed.action = ParsedCommandLine::Action::UsageError;
    parsed.error = std::move(message);
    return parsed;
}

} // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string> &args, unsigned defaultJobs)
{
    ParsedCommandLine parsed;
    CliOptions &options = parsed.options;
    options.jobs = defaultJobs;

    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            options.paths.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // Short options, one or several after a single dash: "-r", "-rn".
        if (arg[1] != '-') {
            for (std::size_t at = 1; at < arg.size(); ++at) {
                const char letter = arg[at];
                if (letter == 'h') {
                    parsed.action = ParsedCommandLine::Action::Help;
                    return parsed;
                }
                // "-o DIR", "-oDIR", "-rno DIR": the rest of the argument or the next one.
                if (letter == 'o') {
                    const std::string_view rest = arg.substr(at + 1);
                    if (rest.empty() && i + 1 == args.size())
                        return UsageError("option '-o' needs a value");
                    options.outputFolder = rest.empty() ? args[++i] : std::string(rest);
                    if (options.outputFolder.empty())
                        return UsageError("--output needs a folder name");
                    break;
                }
                const Flag *flag = FindFlag({}, letter);
                if (flag == nullptr)
                    return UsageError("unknown option '-" + std::string(1, letter) + "'");
                options.*flag->option = true;
            }
            continue;
        }

        const auto [name, inlineValue] = SplitOption(arg);
        const bool takesValue = name == "--jobs" || name == "--log" || name == "--output";
        if (!takesValue && inlineValue)
            return UsageError("option '" + std::string(name) + "' takes no value");

        std::string_view value;
        if (takesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return UsageError("option '" + std::string(name) + "' needs a value");
            }
        }

        if (name == "--help") {
            parsed.action = ParsedCommandLine::Action::Help;
            return parsed;
        }
        if (name == "--version") {
            parsed.action = ParsedCommandLine::Action::Version;
            return parsed;
        }
        if (const Flag *flag = FindFlag(name, 0)) {
            options.*flag->option = true;
        } else if (name == "--jobs") {
            const auto jobs = ParseJobCount(value);
            if (!jobs)
                return UsageError("--jobs needs a whole number from 1 to " +
                                  std::to_string(kMaxJobs) + ", not '" + std::string(value) + "'");
            options.jobs = *jobs;
        } else if (name == "--log") {
            if (value.empty())
                return UsageError("--log needs a file name");
            options.logFile = value;
        } else if (name == "--output") {
            if (value.empty())
                return UsageError("--output needs a folder name");
            options.outputFolder = value;
        } else {
            return UsageError("unknown option '" + std::string(arg) + "'");
        }
    }

    if (options.paths.empty())
        return UsageError("no file or folder given");
    if (options.overwrite && options.outputFolder.empty())
        return UsageError("--overwrite goes with --output DIR");
    parsed.action = ParsedCommandLine::Action::Run;
    return parsed;
}

unsigned DefaultJobCount()
{
    const unsigned processors = std::thread::hardware_concurrency();
    return processors == 0 ? 1 : std::min(processors, kMaxJobs);
}

std::string UsageText()
{
    return "Usage: sparrowtrim-cli [OPTION]... PATH...\n"
           "  or:  sparrowtrim-cli [OPTION]... - < IN.jpg > OUT.jpg\n"
           "Makes JPEG files smaller in place, without re-encoding them: keeps what a\n"
           "decoder needs and drops metadata (EXIF, XMP, ICC), comments, fill bytes and\n"
           "junk around the image. A PATH is a file, or a folder whose *.jpg, *.jpeg and\n"
           "*.jfif files (any letter case, not hidden) are handled in path order, those of\n"
           "its sub-folders too with --recursive. A file reached more than once is handled\n"
           "once.\n"
           "\n"
           "Each file gives one line: the result, a TAB, the path and, for files that did\n"
           "not fail, a TAB and the sizes in bytes. The run's totals follow. When standard\n"
           "error is a terminal, a run of more than a few files shows its progress there.\n"
           "\n"
           "Options:\n"
           "  -r, --recursive          include the files of all sub-folders (hidden folders\n"
           "                           and links to folders are left out)\n"
           "  -n, --dry-run            read and check every file, change nothing: report\n"
           "                           what a run would save\n"
           "      --keep-icc           keep the ICC colour profile\n"
           "      --keep-orientation   keep the EXIF orientation (rotation) of photos not\n"
           "                           stored upright, in a minimal EXIF segment\n"
           "      --keep-date          a rewritten file keeps its last-write time (read-only\n"
           "                           ones too); files not rewritten are never touched\n"
           "      --process-read-only  make read-only files writable and optimize them\n"
           "                           (otherwise they are reported as errors)\n"
           "  -q, --quiet              print only the lines of files that failed; no progress\n"
           "                           line\n"
           "  -v, --verbose            after each file's line, a line saying what was dropped\n"
           "                           (or would be, in a dry run) and how many bytes each\n"
           "      --jobs N             handle N files at a time (default: one per processor)\n"
           "      --log FILE           write the results and totals to FILE, replacing it\n"
           "  -o, --output DIR         leave the originals as they are: write each file's\n"
           "                           result to DIR under its name (with -r, under its path\n"
           "                           below the folder named), files with nothing to drop\n"
           "                           as they are; DIR is made when missing\n"
           "      --overwrite          let --output replace files that exist in DIR\n"
           "  -h, --help               show this help and exit\n"
           "      --version            show the version and exit\n"
           "Short options can be given together after one dash (-rno DIR).\n"
           "\n"
           "The PATH - reads one photo from standard input and writes the result to\n"
           "standard output (the photo unchanged when nothing needs removing, nothing when\n"
           "it fails); its line goes to standard error. Standard output must not be a\n"
           "terminal.\n"
           "\n"
           "Ctrl-C stops the run once the files in hand are done; the totals and the log\n"
           "are written as usual. A second Ctrl-C ends the program at once.\n"
           "\n"
           "Exit status: 0 when no file failed, 1 when any file failed or the run was\n"
           "stopped, 2 for a usage error.\n";
}

std::string VersionText()
{
    return std::string("sparrowtrim-cli (") + product::kTitle + ") " + product::kVersionText + "\n";
}

} // namespace sparrowtrim::cli
