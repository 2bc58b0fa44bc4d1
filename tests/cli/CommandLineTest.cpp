#include "CommandLine.h"

#include "CliTestSupport.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace sparrowtrim::cli;
using sparrowtrim::cli::test::CopyCorpusFile;
using sparrowtrim::cli::test::CorpusDir;
using sparrowtrim::cli::test::ReadBytes;
using sparrowtrim::cli::test::TempDir;
using sparrowtrim::cli::test::WriteText;

namespace {

// Corpus files with a known fate.
constexpr const char *kNeedsChange = "exif-canon-40d-thumb-icc.jpg"; // EXIF and ICC dropped
constexpr const char *kAlreadyLean = "restarts-dri.jpg";             // nothing to drop
constexpr const char *kNotJpeg = "empty.jpg";                        // no start of image
constexpr const char *kCutShort = "soi-app14-truncated-8-bytes.jpg"; // ends inside a segment

struct RunResult
{
    int status = -1;
    std::string out;
    std::string err;
};

RunResult RunCli(const std::vector<std::string> &args)
{
    std::ostringstream out;
    std::ostringstream err;
    RunResult result;
    result.status = RunCommandLine(args, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string ReadText(const fs::path &path)
{
    const auto bytes = ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

TEST(CommandLineTest, ReportsEachFileThenTheTotalsAndLogsTheSame)
{
    TempDir dir;
    CopyCorpusFile(kNeedsChange, dir.Path(), "a.jpg");
    CopyCorpusFile(kAlreadyLean, dir.Path(), "b.jpg");
    CopyCorpusFile(kNotJpeg, dir.Path(), "c.jpg");
    const auto inputSize = fs::file_size(CorpusDir() / kNeedsChange);
    const auto leanSize = fs::file_size(CorpusDir() / kAlreadyLean);
    const fs::path logPath = dir.Path() / "run.log";

    const RunResult run = RunCli({"--jobs", "2", "--log", logPath.string(), dir.Path().string()});

    const auto outputSize = fs::file_size(dir.Path() / "a.jpg");
    ASSERT_LT(outputSize, inputSize);
    const std::string saved = std::to_string(inputSize - outputSize);
    const std::string d = dir.Folder();
    EXPECT_EQ(run.out, "File successfully optimized.\t" + d + "a.jpg\t" +
                           std::to_string(inputSize) + " -> " + std::to_string(outputSize) +
                           " bytes\n"
                           "No need to optimize file.\t" +
                           d + "b.jpg\t" + std::to_string(leanSize) +
                           " bytes\n"
                           "ERROR:  Not a valid JPEG file.  File unchanged.\t" +
                           d +
                           "c.jpg\n"
                           "--------------------------------------\n"
                           "Files processed: 3\n"
                           "Total bytes saved: " +
                           saved +
                           "\n"
                           "1 Total errors\n"
                           "1 No changes needed\n"
                           "1 Files optimized\n");
    EXPECT_EQ(ReadText(logPath), "**************\r\n"
                                 "File: \t" +
                                     d +
                                     "a.jpg\r\n"
                                     "File successfully optimized.\r\n"
                                     "Original File Size: \t" +
                                     std::to_string(inputSize) +
                                     "\r\n"
                                     "Size After Optimizing: \t" +
                                     std::to_string(outputSize) +
                                     "\r\n"
                                     "Savings: \t" +
                                     saved +
                                     "\r\n"
                                     "**************\r\n"
                                     "File: \t" +
                                     d +
                                     "b.jpg\r\n"
                                     "No need to optimize file.\r\n"
                                     "Original File Size: \t" +
                                     std::to_string(leanSize) +
                                     "\r\n"
                                     "**************\r\n"
                                     "File: \t" +
                                     d +
                                     "c.jpg\r\n"
                                     "ERROR:  Not a valid JPEG file.  File unchanged.\r\n"
                                     "--------------------------------------\r\n"
                                     "Files processed: 3\r\n"
                                     "Total bytes saved: " +
                                     saved +
                                     "\r\n"
                                     "1 Total errors\r\n"
                                     "1 No changes needed\r\n"
                                     "1 Files optimized\r\n");
    EXPECT_EQ(run.status, kExitFailure);
    EXPECT_EQ(run.err, "");
}

struct StatusCase
{
    const char *name;
    std::vector<std::string> files; // corpus files copied into the temporary folder
    std::vector<std::string> args;  // "@" stands for the temporary folder
    int status;
};

void PrintTo(const StatusCase &row, std::ostream *out)
{
    *out << row.name;
}

class ExitStatusTest : public testing::TestWithParam<StatusCase>
{
};

TEST_P(ExitStatusTest, TellsWhetherAnyFileFailed)
{
    TempDir dir;
    for (const std::string &name : GetParam().files)
        CopyCorpusFile(name, dir.Path());
    std::vector<std::string> args;
    for (std::string arg : GetParam().args) {
        if (const auto at = arg.find('@'); at != std::string::npos)
            arg.replace(at, 1, dir.Path().string());
        args.push_back(arg);
    }

    const RunResult run = RunCli(args);

    EXPECT_EQ(run.status, GetParam().status) << run.out << run.err;
}

const StatusCase kStatusCases[] = {
    {"OptimizedAndUnchanged", {kNeedsChange, kAlreadyLean}, {"@"}, kExitSuccess},
    {"FolderNamedTwice", {kAlreadyLean}, {"@", "@"}, kExitSuccess},
    {"EmptyFolder", {}, {"@"}, kExitSuccess},
    {"NotAJpeg", {kNeedsChange, kNotJpeg}, {"@"}, kExitFailure},
    {"CutShort", {kCutShort}, {"--jobs", "3", "@"}, kExitFailure},
    {"MissingFile", {kNeedsChange}, {"@", "@/missing.jpg"}, kExitFailure},
    {"UnknownOption", {kNeedsChange}, {"--fast", "@"}, kExitUsage},
    {"NoPath", {}, {"--quiet"}, kExitUsage},
};

INSTANTIATE_TEST_SUITE_P(Cases, ExitStatusTest, testing::ValuesIn(kStatusCases),
                         sparrowtrim::cli::test::kRowName);

TEST(CommandLineTest, UsageErrorChangesNothingAndShowsTheUsage)
{
    TempDir dir;
    const auto photo = CopyCorpusFile(kNeedsChange, dir.Path());
    const auto before = ReadBytes(photo);

    const RunResult run = RunCli({dir.Path().string(), "--jobs", "many"});

    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("--jobs"), std::string::npos);
    EXPECT_NE(run.err.find("Usage: sparrowtrim-cli"), std::string::npos);
    EXPECT_EQ(ReadBytes(photo), before);
}

TEST(CommandLineTest, LinesComeInInputOrderWhateverTheNumberOfJobs)
{
    // Every fourth corpus file, damaged ones included, handled once alone and once in
    // parallel from the same fresh copies: the report, the log and the files must agree.
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(CorpusDir()))
        if (entry.path().extension() == ".jpg")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::vector<std::string> sample;
    for (std::size_t i = 0; i < names.size(); i += 4)
        sample.push_back(names[i]);
    ASSERT_GE(sample.size(), 20U);

    TempDir dir;
    const fs::path photos = dir.Path() / "photos";
    const auto runWithJobs = [&](const char *jobs, std::vector<std::vector<char>> &contents) {
        fs::remove_all(photos);
        fs::create_directory(photos);
        std::vector<std::string> args = {"--jobs", jobs, "--log",
                                         (dir.Path() / "run.log").string()};
        // Named in reverse order, so input order differs from the folder's name order.
        for (auto it = sample.rbegin(); it != sample.rend(); ++it)
            args.push_back(CopyCorpusFile(*it, photos).string());
        RunResult run = RunCli(args);
        for (const std::string &name : sample)
            contents.push_back(ReadBytes(photos / name));
        return std::make_pair(run, ReadText(dir.Path() / "run.log"));
    };

    std::vector<std::vector<char>> alone;
    std::vector<std::vector<char>> parallel;
    const auto [runAlone, logAlone] = runWithJobs("1", alone);
    const auto [runParallel, logParallel] = runWithJobs("4", parallel);

    EXPECT_EQ(runParallel.out, runAlone.out);
    EXPECT_EQ(logParallel, logAlone);
    EXPECT_EQ(runParallel.status, runAlone.status);
    EXPECT_TRUE(parallel == alone);
    const auto lines = Lines(runAlone.out);
    ASSERT_GT(lines.size(), sample.size());
    for (std::size_t i = 0; i < sample.size(); ++i)
        EXPECT_NE(lines[i].find("\t" + (photos / sample[sample.size() - 1 - i]).string()),
                  std::string::npos)
            << "line " << i << ": " << lines[i];
}

#ifndef _WIN32 // the ANSI file calls there stop at 260 characters, well short of these names
TEST(CommandLineTest, ParallelWorkersNeverShareATemporaryFile)
{
    // Temporary names keep only the first 200 bytes of a photo's name: files whose names begin
    // alike once collided when replaced side by side.
    TempDir dir;
    std::vector<std::string> args = {"--jobs", "4"};
    for (char last = 'a'; last < 'i'; ++last)
        args.push_back(
            CopyCorpusFile(kNeedsChange, dir.Path(), std::string(204, 'p') + last + ".jpg")
                .string());

    const RunResult run = RunCli(args);

    EXPECT_EQ(run.status, 0) << run.out;
}
#endif

TEST(CommandLineTest, FileNamedAgainOrThroughItsFolderIsHandledOnce)
{
    TempDir dir;
    const auto a = CopyCorpusFile(kNeedsChange, dir.Path(), "a.jpg");
    CopyCorpusFile(kNeedsChange, dir.Path(), "b.jpg");

    const RunResult run = RunCli(
        {"--jobs", "2", a.string(), dir.Path().string(), (dir.Path() / "." / "a.jpg").string()});

    const auto lines = Lines(run.out);
    ASSERT_GE(lines.size(), 3U);
    EXPECT_EQ(lines[0].rfind("File successfully optimized.\t" + a.string() + "\t", 0), 0U);
    EXPECT_EQ(lines[1].rfind("File successfully optimized.\t" + dir.Folder() + "b.jpg\t", 0), 0U);
    EXPECT_EQ(lines[2], "--------------------------------------");
    EXPECT_NE(run.out.find("Files processed: 2\n"), std::string::npos);
    EXPECT_EQ(run.status, kExitSuccess);
}

struct QuietCase
{
    const char *name;
    std::vector<std::string> files;
    std::string expectedOut; // "@" stands for the temporary folder with separator
};

void PrintTo(const QuietCase &row, std::ostream *out)
{
    *out << row.name;
}

class QuietTest : public testing::TestWithParam<QuietCase>
{
};

TEST_P(QuietTest, PrintsOnlyFailures)
{
    TempDir dir;
    for (const std::string &name : GetParam().files)
        CopyCorpusFile(name, dir.Path());

    const RunResult run = RunCli({"--quiet", dir.Path().string()});

    std::string expected = GetParam().expectedOut;
    for (auto at = expected.find('@'); at != std::string::npos; at = expected.find('@'))
        expected.replace(at, 1, dir.Folder());
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(run.err, "");
}

const QuietCase kQuietCases[] = {
    {"AllWell", {kNeedsChange, kAlreadyLean}, ""},
    {"OneFailure",
     {kNeedsChange, kNotJpeg, kCutShort},
     "ERROR:  Not a valid JPEG file.  File unchanged.\t@empty.jpg\n"
     "ERROR:  Problem parsing file.  File unchanged.\t@soi-app14-truncated-8-bytes.jpg\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, QuietTest, testing::ValuesIn(kQuietCases),
                         sparrowtrim::cli::test::kRowName);

TEST(CommandLineTest, LogThatIsOneOfThePhotosIsRefusedBeforeAnythingChanges)
{
    TempDir dir;
    const auto photo = CopyCorpusFile(kNeedsChange, dir.Path());
    const auto before = ReadBytes(photo);

    const RunResult run = RunCli({"--log", photo.string(), dir.Path().string()});

    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_EQ(ReadBytes(photo), before);
}

TEST(CommandLineTest, LogThatCannotBeWrittenStopsTheRunBeforeAnythingChanges)
{
    TempDir dir;
    const auto photo = CopyCorpusFile(kNeedsChange, dir.Path());
    const auto before = ReadBytes(photo);
    fs::create_directory(dir.Path() / "log-is-a-folder");

    const RunResult run =
        RunCli({"--log", (dir.Path() / "log-is-a-folder").string(), photo.string()});

    EXPECT_EQ(run.status, kExitFailure);
    EXPECT_NE(run.err.find("log-is-a-folder"), std::string::npos);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadBytes(photo), before);
}

TEST(CommandLineTest, StoppedRunTouchesNoFurtherFileAndStillReportsItsTotals)
{
    TempDir dir;
    const auto photo = CopyCorpusFile(kNeedsChange, dir.Path());
    const auto before = ReadBytes(photo);
    const fs::path logPath = dir.Path() / "run.log";
    const std::atomic<bool> stop = true;

    std::ostringstream out;
    std::ostringstream err;
    const int status = RunCommandLine({"--log", logPath.string(), photo.string()}, out, err, &stop);

    EXPECT_EQ(status, kExitFailure);
    EXPECT_EQ(ReadBytes(photo), before);
    EXPECT_NE(err.str().find("stopped; 1 of 1 files were not handled"), std::string::npos);
    EXPECT_NE(out.str().find("Files processed: 0\n"), std::string::npos);
    EXPECT_NE(ReadText(logPath).find("Files processed: 0\r\n"), std::string::npos);
}

struct ReadOnlyCase
{
    const char *name;
    bool allow;
    std::string result;
    int status;
};

void PrintTo(const ReadOnlyCase &row, std::ostream *out)
{
    *out << row.name;
}

class ReadOnlyTest : public testing::TestWithParam<ReadOnlyCase>
{
};

TEST_P(ReadOnlyTest, ReadOnlyFileIsOptimizedOnlyWhenAllowed)
{
    TempDir dir;
    const auto photo = CopyCorpusFile(kNeedsChange, dir.Path());
    fs::permissions(photo,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    std::vector<std::string> args = {photo.string()};
    if (GetParam().allow)
        args.insert(args.begin(), "--process-read-only");

    const RunResult run = RunCli(args);

    EXPECT_EQ(run.out.rfind(GetParam().result + "\t" + photo.string(), 0), 0U) << run.out;
    EXPECT_EQ(run.status, GetParam().status);
}

const ReadOnlyCase kReadOnlyCases[] = {
    {"Refused", false, "ERROR:  Cannot overwrite read-only file.", kExitFailure},
    {"Allowed", true, "File successfully optimized.", kExitSuccess},
};

INSTANTIATE_TEST_SUITE_P(Cases, ReadOnlyTest, testing::ValuesIn(kReadOnlyCases),
                         sparrowtrim::cli::test::kRowName);

struct KeepDateCase
{
    const char *name;
    const char *file;
    bool keepDate;
};

void PrintTo(const KeepDateCase &row, std::ostream *out)
{
    *out << row.name;
}

class KeepDateTest : public testing::TestWithParam<KeepDateCase>
{
};

TEST_P(KeepDateTest, KeepDateRestoresTheLastWriteTime)
{
    TempDir dir;
    const auto photo = CopyCorpusFile(GetParam().file, dir.Path());
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 3);
    fs::last_write_time(photo, old);
    std::vector<std::string> args = {photo.string()};
    if (GetParam().keepDate)
        args.insert(args.begin(), "--keep-date");

    RunCli(args);

    const auto after = fs::last_write_time(photo);
    const auto drift = std::chrono::abs(after - old);
    if (GetParam().keepDate)
        EXPECT_LT(drift, std::chrono::seconds(1));
    else
        EXPECT_GT(drift, std::chrono::hours(24));
}

const KeepDateCase kKeepDateCases[] = {
    {"RewrittenKept", kNeedsChange, true},
    {"RewrittenNotKept", kNeedsChange, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, KeepDateTest, testing::ValuesIn(kKeepDateCases),
                         sparrowtrim::cli::test::kRowName);

} // namespace
