#include "CliOptions.h"

#include "ProductInfo.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>
#include <thread>

namespace sparrowtrim::cli {

namespace {

constexpr unsigned kMaxJobs = 256;

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

        const auto [name, inlineValue] = SplitOption(arg);
        const bool takesValue = name == "--jobs" || name == "--log";
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

        if (name == "--help" || name == "-h") {
            parsed.action = ParsedCommandLine::Action::Help;
            return parsed;
        }
        if (name == "--version") {
            parsed.action = ParsedCommandLine::Action::Version;
            return parsed;
        }
        if (name == "--keep-date") {
            options.keepDate = true;
        } else if (name == "--process-read-only") {
            options.processReadOnly = true;
        } else if (name == "--quiet") {
            options.quiet = true;
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
        } else {
            return UsageError("unknown option '" + std::string(arg) + "'");
        }
    }

    if (options.paths.empty())
        return UsageError("no file or folder given");
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
           "Makes JPEG files smaller in place, without re-encoding them: keeps what a\n"
           "decoder needs and drops metadata (EXIF, XMP, ICC), comments, fill bytes and\n"
           "junk around the image. A PATH is a file, or a folder whose *.jpg, *.jpeg and\n"
           "*.jfif files (any letter case, not hidden, not in sub-folders) are handled in\n"
           "name order. A file named more than once is handled once.\n"
           "\n"
           "Each file gives one line: the result, a TAB, the path and, for files that did\n"
           "not fail, a TAB and the sizes in bytes. The run's totals follow.\n"
           "\n"
           "Options:\n"
           "      --keep-date          give every file back its last-write time\n"
           "      --process-read-only  make read-only files writable and optimize them\n"
           "                           (otherwise they are reported as errors)\n"
           "      --quiet              print only the lines of files that failed\n"
           "      --jobs N             handle N files at a time (default: one per processor)\n"
           "      --log FILE           write the results and totals to FILE, replacing it\n"
           "  -h, --help               show this help and exit\n"
           "      --version            show the version and exit\n"
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
