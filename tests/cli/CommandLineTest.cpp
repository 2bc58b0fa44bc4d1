#include "CommandLine.h"

#include "CliTestSupport.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <tuple>
#include <vector>

namespace {

using namespace sparrowtrim::cli;
using namespace sparrowtrim::cli::test;

// Corpus files with a known fate, by the names their copies get.
const std::map<std::string, std::string> kCorpusFile = {
    {"fat.jpg", "exif-canon-40d-thumb-icc.jpg"},    // EXIF and ICC to drop
    {"a-turned.jpg", "jxl-sideways-exif-icc.jpg"},  // EXIF orientation 5
    {"lean.jpg", "restarts-dri.jpg"},               // nothing to drop
    {"bad.jpg", "empty.jpg"},                       // no start of image
    {"cut.jpg", "soi-app14-truncated-8-bytes.jpg"}, // ends inside a segment
};

fs::path Copy(const std::string &name, const fs::path &dir, const std::string &as = {})
{
    return CopyCorpusFile(kCorpusFile.at(name), dir, as.empty() ? name : as);
}

// The exit status, the output and the error output of a run.
std::tuple<int, std::string, std::string> RunCli(const std::vector<std::string> &args,
                                                 const std::atomic<bool> *stop = nullptr,
                                                 Terminals terminals = {})
{
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunCommandLine(args, out, err, stop, terminals);
    return {status, out.str(), err.str()};
}

std::vector<std::string> Words(const std::string &text)
{
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

TEST(CommandLineTest, ReportsEachFileInItsLineThenTheTotalsAndWritesTheLog)
{
    const TempDir dir;
    const std::string d = (dir.path / "").string();
    for (const char *name : {"fat.jpg", "lean.jpg", "bad.jpg"})
        Copy(name, dir.path);
    const auto before = fs::file_size(d + "fat.jpg");

    const auto [status, out, err] = RunCli({"--jobs", "2", "--log", d + "run.log", d});

    const auto after = fs::file_size(d + "fat.jpg");
    EXPECT_EQ(out,
              "ERROR:  Not a valid JPEG file.  File unchanged.\t" + d + "bad.jpg\n" +
                  "File successfully optimized.\t" + d + "fat.jpg\t" + std::to_string(before) +
                  " -> " + std::to_string(after) + " bytes\n" + "No need to optimize file.\t" + d +
                  "lean.jpg\t" + std::to_string(fs::file_size(d + "lean.jpg")) + " bytes\n" +
                  std::string(38, '-') +
                  "\nFiles processed: 3\nTotal bytes saved: " + std::to_string(before - after) +
                  "\n1 Total errors\n1 No changes needed\n1 Files optimized\n");
    EXPECT_NE(ReadFile(d + "run.log").find("File: \t" + d + "bad.jpg\r\n"), std::string::npos);
    EXPECT_EQ(status, kExitFailure);
    EXPECT_EQ(err, "");
}

// What a terminal line shows after `text`, a carriage return going back to its start.
std::string Screen(const std::string &text)
{
    std::string line;
    std::size_t column = 0;
    for (const char c : text) {
        if (c == '\r')
            column = 0;
        else if (column < line.size())
            line[column++] = c;
        else
            line += c, ++column;
    }
    return line;
}

struct RunCase
{
    const char *name;
    const char *files;      // copied into a temporary folder: fat.jpg, lean.jpg, bad.jpg, cut.jpg,
                            // in a sub-folder when named so
    const char *args;       // "@" stands for that folder, with its separator
    int status;             // a usage error leaves every file untouched
    std::string out;        // the whole output, or "..." and a part of it
    std::string notes = {}; // "read-only" files, "stopped" at once, files left "untouched",
                            // both outputs a "terminal", "progress" shown
};

class RunTest : public testing::TestWithParam<RunCase>
{
};

TEST_P(RunTest, GivesTheExpectedStatusAndOutputAndChangesOnlyWhatItShould)
{
    const RunCase &c = GetParam();
    const auto noted = [&c](const char *word) { return c.notes.find(word) != std::string::npos; };
    const TempDir dir;
    const std::string folder = (dir.path / "").string();
    // Only a rewrite without --keep-date may change a file's last-write time.
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 3);
    std::vector<std::string> before;
    for (const std::string &name : Words(c.files)) {
        const fs::path in = (dir.path / name).parent_path();
        fs::create_directories(in);
        before.push_back(ReadFile(Copy(fs::path(name).filename().string(), in)));
        fs::last_write_time(folder + name, old);
        if (noted("read-only"))
            fs::permissions(folder + name, fs::perms::owner_read | fs::perms::group_read);
    }
    std::vector<std::string> args;
    for (const std::string &arg : Words(c.args))
        args.push_back(Expand(arg, folder));
    const std::atomic<bool> stop = noted("stopped");

    const bool terminal = noted("terminal");

    const auto [status, out, err] = RunCli(args, &stop, {.output = terminal, .error = terminal});

    EXPECT_EQ(status, c.status) << out << err;
    // The progress line never stays on screen, nor mixes with the lines on standard output.
    EXPECT_EQ(err.find(" files, ") != std::string::npos, noted("progress")) << err;
    EXPECT_TRUE(!terminal || Screen(err).find_first_not_of(' ') == std::string::npos) << err;
    EXPECT_EQ(out.find('\r'), std::string::npos);
    if (c.out.starts_with("..."))
        EXPECT_NE(out.find(Expand(c.out.substr(3), folder)), std::string::npos) << out;
    else
        EXPECT_EQ(out, Expand(c.out, folder));
    EXPECT_EQ(err.find("Usage: sparrowtrim-cli") != std::string::npos, c.status == kExitUsage);
    const bool keepDate = std::string(c.args).find("--keep-date") != std::string::npos;
    bool changed = false;
    for (std::size_t i = 0; i < before.size(); ++i) {
        const std::string path = folder + Words(c.files)[i];
        const bool rewritten = ReadFile(path) != before[i];
        const auto drift = std::chrono::abs(fs::last_write_time(path) - old);
        EXPECT_EQ(drift < std::chrono::seconds(1), !rewritten || keepDate) << path;
        // Only a rewrite may take a file's read-only state away.
        const auto mode = fs::status(path).permissions() & fs::perms::owner_write;
        EXPECT_EQ(mode == fs::perms::none, noted("read-only") && !rewritten) << path;
        changed = changed || rewritten;
        fs::permissions(path, fs::perms::owner_write,
                        fs::perm_options::add); // Windows keeps read-only files
    }
    EXPECT_EQ(changed, c.status != kExitUsage && !noted("untouched"));
}

// clang-format off
const RunCase kRunCases[] = {
    {"QuietShowsOnlyFailures", "fat.jpg bad.jpg cut.jpg", "--jobs=3 @ --quiet", 1,
     "ERROR:  Not a valid JPEG file.  File unchanged.\t@bad.jpg\n"
     "ERROR:  Problem parsing file.  File unchanged.\t@cut.jpg\n"},
    {"MissingFilesDashAndDoubleDash", "lean.jpg", "--quiet - @ -- @gone.jpg --x", 1,
     "ERROR:  Couldn't open input file.\t-\nERROR:  Couldn't open input file.\t@gone.jpg\n"
     "ERROR:  Couldn't open input file.\t--x\n", "untouched"},
    {"EmptyFolder", "", "@", 0, "...Files processed: 0\n", "untouched"},
    {"ReadOnlyRefused", "fat.jpg", "--quiet @", 1,
     "ERROR:  Cannot overwrite read-only file.\t@fat.jpg\n", "read-only untouched"},
    {"ReadOnlyProcessedWhenAsked", "fat.jpg", "@ --process-read-only --quiet", 0, "", "read-only"},
    {"KeepDate", "fat.jpg lean.jpg", "--keep-date @", 0, "...Files processed: 2\n"},
    {"DryRunTotals", "fat.jpg lean.jpg bad.jpg", "-n --log=@log @", 1, "...Total bytes that would be "
     "saved: 5640\n1 Total errors\n1 No changes needed\n1 Files would be optimized\nDry run: no "
     "JPEG file was changed.\n", "untouched"},
    {"DryRunReadOnlyRefusedAsForReal", "fat.jpg", "--dry-run --quiet @", 1,
     "ERROR:  Cannot overwrite read-only file.\t@fat.jpg\n", "read-only untouched"},
    {"DryRunReadOnlyWouldBeProcessed", "fat.jpg", "-n --process-read-only --keep-date @", 0,
     "...File would be optimized.\t@fat.jpg", "read-only untouched"},
    {"DryRunBundledRecursive", "lean.jpg sub/fat.jpg", "-rn --keep-date @", 0,
     "...Files processed: 2\n", "untouched"},
    {"RepeatedFlags", "sub/fat.jpg", "-r -n --dry-run -nr @", 0, "...Files processed: 1\n",
     "untouched"},
    {"KeepOptionsReachTheEngine", "fat.jpg", "--keep-icc --keep-orientation @", 0,
     "...\t7958 -> 5480 bytes\n"},
    {"ProgressOnATerminal", "lean.jpg a/lean.jpg b/lean.jpg c/lean.jpg d/lean.jpg e/lean.jpg",
     "-r @", 0, "...Files processed: 6\n", "terminal progress untouched"},
    {"NoProgressForAHandful", "lean.jpg a/lean.jpg b/lean.jpg c/lean.jpg d/lean.jpg",
     "-r @", 0, "...Files processed: 5\n", "terminal untouched"},
    {"NoProgressWhenQuiet", "lean.jpg a/lean.jpg b/lean.jpg c/lean.jpg d/lean.jpg e/lean.jpg",
     "-rq @", 0, "", "terminal untouched"},
    {"NoProgressOffTerminal", "lean.jpg a/lean.jpg b/lean.jpg c/lean.jpg d/lean.jpg e/lean.jpg",
     "-r @", 0, "...Files processed: 6\n", "untouched"},
    {"OrientationKeptForItsFileOnly", "a-turned.jpg lean.jpg", "--keep-orientation --jobs 1 @", 0,
     "...No need to optimize file.\t@lean.jpg"},
    {"StoppedAtOnce", "fat.jpg", "--log=@log @", 1, "...Files processed: 0\n", "stopped untouched"},
    {"LogCannotBeWritten", "fat.jpg", "--log @ @", 1, "", "untouched"},
    {"HelpWinsOverPaths", "fat.jpg", "@ -h", 0, "...Usage: sparrowtrim-cli", "untouched"},
    {"LogIsOneOfThePhotos", "fat.jpg", "--log @fat.jpg @", 2, ""},
    {"UnknownOption", "fat.jpg", "--fast @", 2, ""},
    {"UnknownShortOption", "fat.jpg", "-rx @", 2, ""},
    {"FlagWithValue", "fat.jpg", "--quiet=yes @", 2, ""},
    {"JobsZero", "fat.jpg", "--jobs 0 @", 2, ""},
    {"JobsNotANumber", "fat.jpg", "--jobs 2x @", 2, ""},
    {"JobsTooMany", "fat.jpg", "--jobs 100000 @", 2, ""},
    {"JobsWithoutValue", "fat.jpg", "@ --jobs", 2, ""},
    {"LogEmpty", "fat.jpg", "--log= @", 2, ""},
    {"ErrorBeforeHelp", "", "--bogus --help", 2, ""},
    {"OptionsButNoPath", "", "--quiet --jobs 2", 2, ""},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Cases, RunTest, testing::ValuesIn(kRunCases), kRowName);

TEST(CommandLineTest, LinesComeInInputOrderWhateverTheNumberOfJobs)
{
    // Every fourth corpus file, damaged ones included, named in reverse order and handled
    // alone then in parallel from fresh copies: the reports and the files must agree.
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(CorpusDir()))
        names.push_back(entry.path().filename().string());
    std::sort(names.rbegin(), names.rend());
    const TempDir dir;
    std::vector<std::string> args = {"--jobs", ""};
    for (std::size_t i = 0; i < names.size(); i += 4)
        args.push_back((dir.path / names[i]).string());
    const auto run = [&](const char *jobs) {
        args[1] = jobs;
        for (std::size_t i = 2; i < args.size(); ++i)
            CopyCorpusFile(fs::path(args[i]).filename().string(), dir.path);
        std::string report = std::get<1>(RunCli(args));
        for (std::size_t i = 2; i < args.size(); ++i)
            report += ReadFile(args[i]);
        return report;
    };

    const std::string alone = run("1");

    EXPECT_TRUE(run("4") == alone) << "the run in parallel reported or wrote something else";
    std::istringstream lines(alone);
    std::string line;
    for (std::size_t i = 2; i < args.size() && std::getline(lines, line); ++i)
        EXPECT_NE(line.find('\t' + args[i]), std::string::npos) << line;
}

} // namespace
