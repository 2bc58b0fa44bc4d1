#include "CommandLine.h"

#include "CliTestSupport.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <vector>

namespace {

using namespace sparrowtrim::cli;
using namespace sparrowtrim::cli::test;

// Corpus files with a known fate.
constexpr const char *kNeedsChange = "exif-canon-40d-thumb-icc.jpg"; // EXIF and ICC dropped
constexpr const char *kAlreadyLean = "restarts-dri.jpg";             // nothing to drop
constexpr const char *kNotJpeg = "empty.jpg";                        // no start of image

struct RunResult
{
    int status;
    std::string out;
    std::string err;
};

RunResult RunCli(const std::vector<std::string> &args, const std::atomic<bool> *stop = nullptr)
{
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunCommandLine(args, out, err, stop);
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
    CopyCorpusFile(kNeedsChange, dir.path, "a.jpg");
    CopyCorpusFile(kAlreadyLean, dir.path, "b.jpg");
    CopyCorpusFile(kNotJpeg, dir.path, "c.jpg");
    const auto size = [](const fs::path &path) { return std::to_string(fs::file_size(path)); };
    const std::string before = size(CorpusDir() / kNeedsChange);

    const RunResult run = RunCli({"--jobs", "2", "--log", d + "run.log", d});

    const std::string after = size(d + "a.jpg");
    const std::string saved = std::to_string(std::stoi(before) - std::stoi(after));
    EXPECT_EQ(run.out, "File successfully optimized.\t" + d + "a.jpg\t" + before + " -> " + after +
                           " bytes\nNo need to optimize file.\t" + d + "b.jpg\t" +
                           size(d + "b.jpg") + " bytes\nERROR:  Not a valid JPEG file.  " +
                           "File unchanged.\t" + d + "c.jpg\n" + std::string(38, '-') +
                           "\nFiles processed: 3\nTotal bytes saved: " + saved +
                           "\n1 Total errors\n1 No changes needed\n1 Files optimized\n");
    EXPECT_NE(ReadFile(d + "run.log").find("File: \t" + d + "c.jpg\r\n"), std::string::npos);
    EXPECT_EQ(run.status, kExitFailure);
    EXPECT_EQ(run.err, "");
}

struct RunCase
{
    const char *name;
    const char *files;      // copied into a temporary folder: fat.jpg, lean.jpg, bad.jpg, cut.jpg
    const char *args;       // "@" stands for that folder, with its separator
    int status;             // a usage error leaves every file untouched
    std::string out;        // the whole output, or "..." and a part of it
    std::string notes = {}; // "read-only" files, "stopped" at once, files left "untouched"
};

class RunTest : public testing::TestWithParam<RunCase>
{
};

TEST_P(RunTest, GivesTheExpectedStatusAndOutput)
{
    const RunCase &c = GetParam();
    const std::map<std::string, const char *> corpusFile = {
        {"fat.jpg", kNeedsChange},
        {"lean.jpg", kAlreadyLean},
        {"bad.jpg", kNotJpeg},
        {"cut.jpg", "soi-app14-truncated-8-bytes.jpg"}};
    const TempDir dir;
    const std::string folder = (dir.path / "").string();
    std::string before;
    for (const std::string &name : Words(c.files)) {
        before += ReadFile(CopyCorpusFile(corpusFile.at(name), dir.path, name));
        if (c.notes.find("read-only") != std::string::npos)
            fs::permissions(folder + name, fs::perms::owner_read | fs::perms::group_read);
    }
    std::vector<std::string> args;
    for (const std::string &arg : Words(c.args))
        args.push_back(Expand(arg, folder));
    const std::atomic<bool> stop = c.notes.find("stopped") != std::string::npos;

    const RunResult run = RunCli(args, &stop);

    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    if (c.out.starts_with("..."))
        EXPECT_NE(run.out.find(c.out.substr(3)), std::string::npos) << run.out;
    else
        EXPECT_EQ(run.out, Expand(c.out, folder));
    EXPECT_EQ(run.err.find("Usage: sparrowtrim-cli") != std::string::npos, c.status == kExitUsage);
    std::string after;
    for (const std::string &name : Words(c.files))
        after += ReadFile(folder + name);
    EXPECT_EQ(after == before,
              c.status == kExitUsage || c.notes.find("untouched") != std::string::npos);
}

// clang-format off
const RunCase kRunCases[] = {
    {"QuietWhenAllWell", "fat.jpg lean.jpg", "--quiet @", 0, ""},
    {"QuietShowsOnlyFailures", "fat.jpg bad.jpg cut.jpg", "--jobs 3 @ --quiet", 1,
     "ERROR:  Not a valid JPEG file.  File unchanged.\t@bad.jpg\n"
     "ERROR:  Problem parsing file.  File unchanged.\t@cut.jpg\n"},
    {"MissingFilesAfterDoubleDash", "lean.jpg", "--quiet @ -- @gone.jpg --x", 1,
     "ERROR:  Couldn't open input file.\t@gone.jpg\nERROR:  Couldn't open input file.\t--x\n",
     "untouched"},
    {"EmptyFolder", "", "@", 0, "...Files processed: 0\n", "untouched"},
    {"FileNamedAgainIsHandledOnce", "fat.jpg", "--jobs=2 @fat.jpg @ @./fat.jpg", 0,
     "...Files processed: 1\n"},
    {"ReadOnlyRefused", "fat.jpg", "--quiet @", 1,
     "ERROR:  Cannot overwrite read-only file.\t@fat.jpg\n", "read-only untouched"},
    {"ReadOnlyProcessedWhenAsked", "fat.jpg", "@ --process-read-only --quiet", 0, "", "read-only"},
    {"StoppedAtOnce", "fat.jpg", "--log @log @", 1, "...Files processed: 0\n", "stopped untouched"},
    {"LogCannotBeWritten", "fat.jpg", "--log @ @", 1, "", "untouched"},
    {"HelpWinsOverPaths", "fat.jpg", "@ -h", 0, "...Usage: sparrowtrim-cli", "untouched"},
    {"LogIsOneOfThePhotos", "fat.jpg", "--log @fat.jpg @", 2, ""},
    {"UnknownOption", "fat.jpg", "--fast @", 2, ""},
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
    std::vector<std::string> args = {"--jobs", "1"};
    std::string expected;
    for (std::size_t i = 0; i < names.size(); i += 4) {
        args.push_back((dir.path / names[i]).string());
        expected += args.back() + '\n';
    }
    const auto run = [&](std::string &files) {
        for (std::size_t i = 0; i < names.size(); i += 4)
            CopyCorpusFile(names[i], dir.path);
        const RunResult result = RunCli(args);
        for (std::size_t i = 2; i < args.size(); ++i)
            files += ReadFile(args[i]);
        return result;
    };

    std::string filesAlone;
    std::string filesParallel;
    const RunResult alone = run(filesAlone);
    args[1] = "4";
    const RunResult parallel = run(filesParallel);

    EXPECT_EQ(parallel.out, alone.out);
    EXPECT_TRUE(filesParallel == filesAlone);
    std::istringstream lines(alone.out);
    std::string reported;
    for (std::string line; std::getline(lines, line);)
        if (const auto tab = line.find('\t'); tab != std::string::npos)
            reported += line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1) + '\n';
    EXPECT_EQ(reported, expected);
}

#ifndef _WIN32 // the ANSI file calls there stop at 260 characters, well short of these names
TEST(CommandLineTest, ParallelWorkersNeverShareATemporaryFile)
{
    // Temporary names keep only the first 200 bytes of a photo's name: files whose names begin
    // alike once collided when replaced side by side.
    const TempDir dir;
    std::vector<std::string> args = {"--jobs", "4"};
    for (char last = 'a'; last < 'i'; ++last)
        args.push_back(
            CopyCorpusFile(kNeedsChange, dir.path, std::string(204, 'p') + last + ".jpg").string());

    const RunResult run = RunCli(args);

    EXPECT_EQ(run.status, kExitSuccess) << run.out;
}
#endif

TEST(CommandLineTest, KeepDateGivesARewrittenFileBackItsLastWriteTime)
{
    for (const char *keepDate : {"", "--keep-date"}) {
        const TempDir dir;
        const auto photo = CopyCorpusFile(kNeedsChange, dir.path);
        const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 3);
        fs::last_write_time(photo, old);

        RunCli(Words(std::string(keepDate) + " " + photo.string()));

        const auto drift = std::chrono::abs(fs::last_write_time(photo) - old);
        EXPECT_EQ(drift < std::chrono::seconds(1), *keepDate != '\0') << keepDate;
    }
}

} // namespace
