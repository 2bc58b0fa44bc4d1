// The command line over temporary copies of corpus files: what a script reads on standard
// output and error, the exit status, and what becomes of the files.

#include "cli/CommandLine.h"
#include "cli/InputFiles.h"
#include "tests/support/TestFiles.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <regex>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using namespace sparrowtrim::cli;
using sparrowtrim::test::ReadText;
using sparrowtrim::test::TemporaryFolder;

const fs::path kCorpus = sparrowtrim::test::PhotoFolder();

std::vector<std::string> Split(const std::string &text, char separator = ' ')
{
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        if (!part.empty())
            parts.push_back(part);
    return parts;
}

// `text` with every "@" replaced by `with`, every "%" by the platform's path separator.
std::string Expand(std::string text, const std::string &with)
{
    std::replace(text.begin(), text.end(), '%', char(fs::path::preferred_separator));
    for (auto at = text.find('@'); at != std::string::npos; at = text.find('@', at + with.size()))
        text.replace(at, 1, with);
    return text;
}

// Corpus files with a known fate, by the names their copies get.
const std::map<std::string, std::string> kCorpusFile = {
    {"fat.jpg", "exif-canon-40d-thumb-icc.jpg"},    // EXIF and ICC to drop
    {"turned.jpg", "jxl-sideways-exif-icc.jpg"},    // EXIF orientation 5
    {"lean.jpg", "restarts-dri.jpg"},               // nothing to drop
    {"bad.jpg", "empty.jpg"},                       // no start of image
    {"cut.jpg", "soi-app14-truncated-8-bytes.jpg"}, // ends inside a segment
};

// What a terminal line shows after `text`, a carriage return going back to its start.
std::string Screen(const std::string &text)
{
    std::string line;
    for (std::size_t column = 0; const char c : text)
        if (c == '\r')
            column = 0;
        else
            line.resize(std::max(line.size(), column + 1)), line[column++] = c;
    return line;
}

const std::string kTotals = std::string(38, '-') + "\nFiles processed: ";

struct RunCase
{
    const char *name;
    const char *files; // copied into a temporary folder, into a sub-folder when named so; "a=b" is
                       // a copy of b named a, "a->b" a symbolic link a to b, and a name ending in
                       // "sparrowtrim-tmp" a killed run's leftover
    const char *args;  // "@" stands for that folder, with its separator
    int status;        // a usage error leaves every file untouched
    std::string out;   // standard output, each file's line without its sizes; or "..." and a part
    std::string notes = {}; // "read-only" files, "stopped" at once, files left "untouched", both
                            // outputs a "terminal", "progress" shown, a "log" of every file
};

using RunTest = testing::TestWithParam<RunCase>;

TEST_P(RunTest, StatusOutputAndFiles)
{
    const RunCase &row = GetParam();
    const auto has = [](const std::string &text, const std::string &word) {
        return text.find(word) != std::string::npos;
    };
    const TemporaryFolder dir;
    // Only a rewrite without --keep-date may change a file's last-write time, which is kept to
    // the finest step the file system takes.
    const auto old = std::chrono::floor<std::chrono::seconds>(fs::file_time_type::clock::now() -
                                                              std::chrono::hours(24 * 365 * 3)) +
                     std::chrono::nanoseconds(123456789);
    std::map<std::string, std::string> before;
    std::map<std::string, fs::file_time_type> dated;
    for (const std::string &file : Split(row.files)) {
        const auto arrow = file.find("->");
        const fs::path path = dir.Path() / Split(file.substr(0, arrow), '=').front();
        fs::create_directories(path.parent_path());
#ifdef _WIN32
        if (arrow != std::string::npos || std::ranges::any_of(file, [](char c) { return c < 0; }))
            GTEST_SKIP() << "symbolic links and names beyond the ANSI code page";
#endif
        if (arrow != std::string::npos) {
            fs::create_symlink(file.substr(arrow + 2), path);
            continue;
        }
        if (file.ends_with("sparrowtrim-tmp")) {
            sparrowtrim::test::WriteBytes(path, {0xFF});
            continue;
        }
        fs::copy_file(
            kCorpus / kCorpusFile.at(fs::path(Split(file, '=').back()).filename().string()), path);
        fs::permissions(
            path, fs::perms::owner_read |
                      (has(row.notes, "read-only") ? fs::perms::none : fs::perms::owner_write));
        fs::last_write_time(path, old);
        dated[path.lexically_normal().string()] = fs::last_write_time(path);
        before[path.lexically_normal().string()] = ReadText(path);
    }
    std::vector<std::string> args;
    for (const std::string &arg : Split(row.args))
        args.push_back(Expand(arg, dir.Folder()));
    const std::atomic<bool> stop = has(row.notes, "stopped");
    const bool terminal = has(row.notes, "terminal");
    std::ostringstream out, err;

    EXPECT_EQ(RunCommandLine(args, out, err, &stop, {terminal, terminal}), row.status)
        << out.str() << err.str();

    // A file's line: the result, a TAB, the path and, unless it failed, a TAB and the file's
    // sizes, before and after; the lines are compared without the sizes.
    std::string lines;
    for (std::string line : Split(out.str(), '\n')) {
        const std::vector<std::string> fields = Split(line, '\t');
        const auto file = fields.size() < 2
                              ? before.end()
                              : before.find(fs::path(fields[1]).lexically_normal().string());
        if (file != before.end()) {
            const auto size = [](auto bytes) { return " " + std::to_string(bytes) + " "; };
            const std::string sizes = fields.size() > 2 ? " " + fields[2] + " " : "";
            EXPECT_EQ(sizes.starts_with(size(file->second.size())), !line.starts_with("ERROR"));
            EXPECT_TRUE(!line.starts_with("File successfully") ||
                        has(sizes.substr(1), size(fs::file_size(file->first))))
                << line;
            EXPECT_TRUE(!has(row.notes, "log") ||
                        has(ReadText(dir.Folder() + "log"), "File: \t" + fields[1] + "\r\n"));
            line = fields[0] + '\t' + fields[1];
        }
        // What a file's walk dropped goes to the log too.
        EXPECT_TRUE(!line.starts_with("\t") || !has(row.notes, "log") ||
                    has(ReadText(dir.Folder() + "log"), line + "\r\n"));
        lines += line + '\n';
    }
    if (row.out.starts_with("..."))
        EXPECT_NE(lines.find(Expand(row.out.substr(3), dir.Folder())), std::string::npos) << lines;
    else
        EXPECT_EQ(lines, Expand(row.out, dir.Folder()));
    EXPECT_EQ(has(err.str(), "Usage: sparrowtrim-cli"), row.status == kExitUsage);
    // The progress line is drawn over itself, never stays on screen, never mixes with the lines.
    EXPECT_EQ(has(err.str(), "\r"), has(row.notes, "progress")) << err.str();
    EXPECT_TRUE(!terminal || Screen(err.str()).find_first_not_of(' ') == std::string::npos);
    EXPECT_FALSE(has(out.str(), "\r"));

    bool changed = false;
    for (const auto &[path, content] : before) {
        const std::string now = ReadText(path);
        const bool rewritten = now != content;
        const auto drift = std::chrono::abs(fs::last_write_time(path) - dated[path]);
        EXPECT_EQ(drift == drift.zero(), !rewritten || has(row.args, "--keep-date")) << path;
        // Only a rewrite may take a file's read-only state away.
        const auto mode = fs::status(path).permissions() & fs::perms::owner_write;
        EXPECT_EQ(mode == fs::perms::none, has(row.notes, "read-only") && !rewritten) << path;
        // The keep options keep the profiles, and the orientation of the turned photo.
        EXPECT_TRUE(!rewritten || has(now, "ICC_PROFILE") == has(row.args, "--keep-icc"));
        EXPECT_TRUE(!rewritten || has(now, "Exif") == (has(row.args, "--keep-orientation") &&
                                                       path.ends_with("turned.jpg")));
        changed = changed || rewritten;
        fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    }
    EXPECT_EQ(changed, row.status != kExitUsage && !has(row.notes, "untouched"));
    // A killed run's leftovers go, but a dry run and a usage error touch nothing at all. On
    // Windows, where no lock tells, the leftover of another machine (as these are) stays.
#ifdef _WIN32
    constexpr bool kOtherMachinesLeftoverStays = true;
#else
    constexpr bool kOtherMachinesLeftoverStays = false;
#endif
    const bool leftoverStays =
        has(row.files, "sparrowtrim-tmp") &&
        (has(row.args, "-n") || has(row.args, "-rn") || has(row.args, "--dry-run") ||
         row.status == kExitUsage || kOtherMachinesLeftoverStays);
    std::size_t temporary = 0;
    for (const auto &entry : fs::recursive_directory_iterator(dir.Path()))
        temporary += entry.path().string().ends_with("sparrowtrim-tmp");
    EXPECT_EQ(temporary, leftoverStays ? 1U : 0U);
}

// clang-format off
const RunCase kRunCases[] = {
    {"EachFileInItsLineThenTheTotals", "fat.jpg lean.jpg bad.jpg", "--jobs 2 --log @log @", 1,
     "ERROR:  Not a valid JPEG file.  File unchanged.\t@bad.jpg\n"
     "File successfully optimized.\t@fat.jpg\nNo need to optimize file.\t@lean.jpg\n" + kTotals +
     "3\nTotal bytes saved: 5640\n1 Total errors\n1 No changes needed\n1 Files optimized\n", "log"},
    // Files of a folder: the JPEG ones by name, whatever their letter case, none hidden.
    {"FolderGivesItsJpegFilesByName", "c.Jpeg=lean.jpg B.JPG=fat.jpg a.jfif=bad.jpg .h.jpg=fat.jpg "
     "x.jpg.txt=fat.jpg y.jpe=fat.jpg .h/f.jpg=fat.jpg sub.jpg/fat.jpg", "@", 1,
     "...ERROR:  Not a valid JPEG file.  File unchanged.\t@a.jfif\nFile successfully optimized.\t"
     "@B.JPG\nNo need to optimize file.\t@c.Jpeg\n" + kTotals + "3\n"},
    // Paths that lead elsewhere: a link out of the named tree is not followed, a photo named
    // again through a link is handled once, a log named through a link to a photo is refused.
    {"RecursionLeavesOutLinksOutOfTheTree", "out/fat.jpg tree/lean.jpg tree/ext->../out", "-r @tree",
     0, "...Files processed: 1\n", "untouched"},
    {"PhotoNamedAgainThroughALinkHandledOnce", "fat.jpg alias.jpg->fat.jpg",
     "@fat.jpg @alias.jpg", 0, "...File successfully optimized.\t@fat.jpg\n" + kTotals + "1\n"},
    {"LogNamingAPhotoThroughALinkRefused", "fat.jpg log->fat.jpg", "--log @log @fat.jpg", 2, ""},
    {"LeftoverOfAKilledRunRemoved", "fat.jpg .fat.jpg.0000000000000000-1-1.sparrowtrim-tmp",
     "--quiet @", 0, ""},
    {"EachFileOnceWhereItFirstAppears", "B.jpg=fat.jpg a.jpg=lean.jpg",
     "@B.jpg @ @./B.jpg @./a.jpg", 0, "...File successfully optimized.\t@B.jpg\n"
     "No need to optimize file.\t@a.jpg\n" + kTotals + "2\n"},
    // Sub-folders where their names fall, none hidden.
    {"RecursiveInPathOrder", "lean.jpg b/fat.jpg a.jpg/lean.jpg .h/fat.jpg", "-r @", 0,
     "...No need to optimize file.\t@a.jpg%lean.jpg\nFile successfully optimized.\t@b%fat.jpg\n"
     "No need to optimize file.\t@lean.jpg\n" + kTotals + "3\n"},
    // The window's file list shows a folder in this order too (its file list table).
    {"OrderFoldsCaseBeyondAscii", "Éb.jpg=lean.jpg a.jpg=lean.jpg éa.jpg=lean.jpg",
     "@", 0, "...No need to optimize file.\t@a.jpg\nNo need to optimize file.\t@éa.jpg\n"
     "No need to optimize file.\t@Éb.jpg\n", "untouched"},
    {"QuietShowsOnlyFailures", "fat.jpg bad.jpg cut.jpg", "--jobs=3 @ --quiet", 1,
     "ERROR:  Not a valid JPEG file.  File unchanged.\t@bad.jpg\n"
     "ERROR:  Problem parsing file.  File unchanged.\t@cut.jpg\n"},
    {"MissingFilesAndDoubleDash", "lean.jpg", "--quiet @ -- @gone.jpg --x", 1,
     "ERROR:  Couldn't open input file.\t@gone.jpg\nERROR:  Couldn't open input file.\t--x\n",
     "untouched"},
    {"StandardInputWithOtherPaths", "fat.jpg", "-q @ -", 2, ""},
    {"StandardInputToAnOutputFolder", "", "-o @out -", 2, ""},
// Windows refuses --output as a usage error.
#ifndef _WIN32
    {"CopyNeverReplacesAFile", "fat.jpg out/fat.jpg=lean.jpg", "-q -o @out @fat.jpg", 1,
     "ERROR:  Could not write output file.\t@fat.jpg\n", "untouched"},
    {"CopyReplacesAFileWhenAsked", "fat.jpg out/fat.jpg=lean.jpg", "-q --overwrite -o @out @", 0,
     ""},
    {"CopiesOfTheSameName", "a/fat.jpg b/fat.jpg", "-q -o @out @a%fat.jpg @b%fat.jpg", 1,
     "ERROR:  Could not write output file.\t@b%fat.jpg\n", "untouched"},
    {"CopyNeverReplacesItsOriginal", "fat.jpg", "-q --overwrite --output=@ @fat.jpg", 1,
     "ERROR:  Could not write output file.\t@fat.jpg\n", "untouched"},
#endif
    {"OutputInsideTheWalkedTree", "fat.jpg", "-ro @out @", 2, ""},
    {"OverwriteWithoutOutput", "fat.jpg", "--overwrite @", 2, ""},
    {"OutputWithoutFolder", "fat.jpg", "@ -o", 2, ""},
    {"VerboseSaysWhatWasDropped", "fat.jpg lean.jpg", "-v --keep-icc --jobs 1 @", 0,
     "...File successfully optimized.\t@fat.jpg\n\tRemoved: EXIF 2478 bytes (with a GPS position "
     "and a thumbnail); kept: ICC profile 3162 bytes\nNo need to optimize file.\t@lean.jpg\n"
     "\tRemoved: nothing\n"},
    {"VerboseDryRunInTheLog", "turned.jpg", "-vn --keep-orientation --log @log @", 0,
     "...\tWould remove: EXIF 100 bytes, ICC profile 2730 bytes; kept: orientation 36 bytes\n",
     "untouched log"},
    {"ReadOnlyRefused", "fat.jpg", "--quiet @", 1,
     "ERROR:  Cannot overwrite read-only file.\t@fat.jpg\n", "read-only untouched"},
    {"ReadOnlyProcessedWhenAsked", "fat.jpg", "@ --process-read-only --quiet", 0, "", "read-only"},
    {"KeepDate", "fat.jpg lean.jpg", "--keep-date @", 0, "...Files processed: 2\n"},
    {"DryRunTotals", "fat.jpg lean.jpg bad.jpg .lean.jpg.0000000000000000-1-1.sparrowtrim-tmp",
     "-n --log=@log @", 1, "...Total bytes that would be "
     "saved: 5640\n1 Total errors\n1 No changes needed\n1 Files would be optimized\nDry run: no "
     "JPEG file was changed.\n", "untouched log"},
    {"DryRunReadOnlyRefusedAsForReal", "fat.jpg", "--dry-run --quiet @", 1,
     "ERROR:  Cannot overwrite read-only file.\t@fat.jpg\n", "read-only untouched"},
    {"DryRunReadOnlyWouldBeProcessed", "fat.jpg", "-n --process-read-only --keep-date @", 0,
     "...File would be optimized.\t@fat.jpg\n", "read-only untouched"},
    {"DryRunBundledRecursive", "lean.jpg sub/fat.jpg sub/.fat.jpg.0000000000000000-1-1.sparrowtrim-tmp",
     "-rn --keep-date @", 0,
     "...Files processed: 2\n", "untouched"},
    {"NotRecursiveWithoutTheOption", "lean.jpg sub/fat.jpg", "@", 0, "...Files processed: 1\n",
     "untouched"},
    {"RepeatedFlags", "sub/fat.jpg", "-r -n --dry-run -nr @", 0, "...Files processed: 1\n",
     "untouched"},
    {"KeepOptionsReachTheEngine", "fat.jpg turned.jpg", "--keep-icc --keep-orientation -r @", 0,
     "...Files processed: 2\n"},
    {"OrientationKeptForItsFileOnly", "turned.jpg lean.jpg", "--keep-orientation --jobs 1 @", 0,
     "...No need to optimize file.\t@lean.jpg\n"},
    {"ProgressOnATerminal", "lean.jpg a/lean.jpg b/lean.jpg c/lean.jpg d/lean.jpg e/lean.jpg",
     "-r @", 0, "...Files processed: 6\n", "terminal progress untouched"},
    {"NoProgressForAHandful", "lean.jpg a/lean.jpg b/lean.jpg c/lean.jpg d/lean.jpg",
     "-r @", 0, "...Files processed: 5\n", "terminal untouched"},
    {"NoProgressWhenQuiet", "lean.jpg a/lean.jpg b/lean.jpg c/lean.jpg d/lean.jpg e/lean.jpg",
     "-rq @", 0, "", "terminal untouched"},
    {"NoProgressOffTerminal", "lean.jpg a/lean.jpg b/lean.jpg c/lean.jpg d/lean.jpg e/lean.jpg",
     "-r @", 0, "...Files processed: 6\n", "untouched"},
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

INSTANTIATE_TEST_SUITE_P(Cases, RunTest, testing::ValuesIn(kRunCases),
                         [](const auto &row) { return std::string(row.param.name); });

struct StreamCase
{
    const char *name;
    const char *args; // before the path
    bool terminal;    // standard output is a terminal
};

using StreamTest = testing::TestWithParam<StreamCase>;

// Every photo through "-" against a copy of it optimized in place: standard output holds the
// copy's new bytes (nothing after a failure, a dry run or a refusal), standard error the copy's
// line, and the exit statuses agree.
TEST_P(StreamTest, SameBytesAsARunInPlace)
{
    const StreamCase &row = GetParam();
    const bool dryRun = std::string(row.args).starts_with("-n");
    const auto result = [](const std::string &text) { return text.substr(0, text.find('\t')); };
    const TemporaryFolder dir;
    for (const auto &entry : fs::directory_iterator(kCorpus)) {
        const std::string copy = dir.File(entry.path().filename().string());
        fs::copy_file(entry.path(), copy);
        fs::permissions(copy, fs::perms::owner_write, fs::perm_options::add);
        std::vector<std::string> args = Split(row.args);
        args.push_back(copy);
        std::ostringstream inPlaceOut, inPlaceErr, out, err;
        const int inPlace = RunCommandLine(args, inPlaceOut, inPlaceErr);
        args.back() = "-";
        std::istringstream in(ReadText(entry.path()));
        const int piped = RunCommandLine(args, out, err, nullptr, {row.terminal, false}, &in);
        if (row.terminal && !dryRun) {
            EXPECT_EQ(piped, kExitUsage);
            EXPECT_EQ(out.str(), "");
            continue;
        }
        EXPECT_EQ(piped, inPlace) << copy;
        EXPECT_EQ(result(err.str()), result(inPlaceOut.str())) << copy;
        EXPECT_TRUE(out.str() == (inPlace != kExitSuccess || dryRun ? "" : ReadText(copy))) << copy;
        // With -v every byte saved is accounted for: what was dropped, less the orientation
        // kept in a segment of its own, is what was saved (and two more where an end of image
        // was added).
        const std::string text = err.str();
        if (std::string(row.args).starts_with("-v") && piped == kExitSuccess) {
            std::smatch sizes, kept;
            ASSERT_TRUE(std::regex_search(text, sizes, std::regex("\t(\\d+)( -> (\\d+))? bytes")));
            const std::string removed = text.substr(text.find("Removed: "));
            const std::string droppedPart = removed.substr(0, removed.find(';'));
            long long dropped = 0;
            const std::regex count("(\\d+) bytes?");
            for (std::sregex_iterator it(droppedPart.begin(), droppedPart.end(), count), end;
                 it != end; ++it)
                dropped += std::stoll((*it)[1]);
            std::regex_search(removed, kept, std::regex("orientation (\\d+)"));
            const long long saved =
                std::stoll(sizes[1]) - std::stoll(sizes[3].matched ? sizes[3] : sizes[1]);
            const long long added = dropped - saved - (kept.empty() ? 0 : std::stoll(kept[1]));
            EXPECT_TRUE(added == 0 || added == 2) << text;
        }
    }
}

const StreamCase kStreamCases[] = {
    {"Plain", "", false},
    {"QuietKeepingIccAndOrientation", "-q --keep-icc --keep-orientation", false},
    {"VerboseAccountsForEveryByte", "-v --keep-orientation", false},
    {"DryRunOnATerminal", "-n", true},
    {"RefusedOnATerminal", "", true},
};

INSTANTIATE_TEST_SUITE_P(Cases, StreamTest, testing::ValuesIn(kStreamCases),
                         [](const auto &row) { return std::string(row.param.name); });

#ifndef _WIN32
struct CopyCase
{
    const char *name;
    const char *inPlace; // a run over @place
    const char *copy;    // the same run over @in, copied to @out%deeper
    bool dryRun = false;
};

using CopyTest = testing::TestWithParam<CopyCase>;

// Every photo in a tree, optimized in place in one copy of the tree and copied clean from
// another: the copies hold the bytes of the run in place (none after a failure or a dry run)
// with the originals' permission bits, the originals stay as they were, and the lines agree.
TEST_P(CopyTest, SameBytesAsARunInPlace)
{
    const CopyCase &row = GetParam();
    const TemporaryFolder dir;
    const auto fill = [&](const std::string &tree) {
        int n = 0;
        for (const auto &entry : fs::directory_iterator(kCorpus)) {
            const fs::path to =
                dir.Path() / tree / (++n % 2 ? "a" : "b/c") / entry.path().filename();
            fs::create_directories(to.parent_path());
            fs::copy_file(entry.path(), to);
            fs::permissions(to, n % 3 ? fs::perms::owner_read : fs::perms::owner_all);
            fs::last_write_time(to, fs::file_time_type::clock::now() - std::chrono::hours(n));
        }
    };
    fill("place");
    fill("in");
    const auto run = [&](const char *args, const std::string &from, const std::string &to) {
        std::vector<std::string> expanded;
        for (const std::string &arg : Split(args))
            expanded.push_back(Expand(arg, dir.Folder()));
        std::ostringstream out, err;
        const int status = RunCommandLine(expanded, out, err);
        std::string text = std::to_string(status) + out.str();
        for (auto at = text.find(from); at != std::string::npos;
             at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
        return text;
    };
    const std::string copy = run(row.copy, dir.Folder() + "in", dir.Folder() + "place");
    EXPECT_EQ(copy, run(row.inPlace, dir.Folder() + "place", dir.Folder() + "place"));

    std::size_t copies = 0;
    const fs::path out = dir.Path() / "out" / "deeper";
    for (const auto &entry : fs::recursive_directory_iterator(dir.Path() / "in")) {
        // A folder gives its JPEG files only.
        if (!entry.is_regular_file() || entry.path().extension() == ".mpo")
            continue;
        const fs::path relative = fs::relative(entry.path(), dir.Path() / "in");
        const fs::path place = dir.Path() / "place" / relative;
        EXPECT_EQ(ReadText(entry.path()), ReadText(kCorpus / entry.path().filename()));
        const bool failed = copy.find("\t" + place.string() + "\n") != std::string::npos;
        EXPECT_EQ(fs::exists(out / relative), !row.dryRun && !failed) << relative;
        if (!fs::exists(out / relative))
            continue;
        ++copies;
        EXPECT_TRUE(ReadText(out / relative) == ReadText(place)) << relative;
        EXPECT_EQ(fs::status(out / relative).permissions(), entry.status().permissions());
        EXPECT_EQ(fs::last_write_time(out / relative) == fs::last_write_time(entry.path()),
                  std::string(row.copy).find("--keep-date") != std::string::npos);
    }
    std::size_t files = 0;
    std::error_code none;
    for (const auto &entry : fs::recursive_directory_iterator(dir.Path() / "out", none))
        files += entry.is_regular_file();
    EXPECT_EQ(files, copies);
    EXPECT_EQ(copies == 0, row.dryRun);
    EXPECT_EQ(fs::exists(dir.Path() / "out"), !row.dryRun);
}

const CopyCase kCopyCases[] = {
    {"Plain", "-r --process-read-only @place", "-r -o @out%deeper @in"},
    {"KeepingEverything",
     "-rq --keep-icc --keep-orientation --keep-date --process-read-only "
     "@place",
     "--jobs 3 -rq --keep-icc --keep-orientation --keep-date --output=@out%deeper @in"},
    {"DryRun", "-rn --process-read-only @place", "-rno @out%deeper @in", true},
};

INSTANTIATE_TEST_SUITE_P(Cases, CopyTest, testing::ValuesIn(kCopyCases),
                         [](const auto &row) { return std::string(row.param.name); });
#endif

// Every fourth corpus file, damaged ones included, named in reverse order and handled alone then
// in parallel from fresh copies: the lines come in the order of the arguments, and the lines and
// files agree.
TEST(CommandLineTest, LinesComeInInputOrderWhateverTheNumberOfJobs)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(kCorpus))
        names.push_back(entry.path().filename().string());
    std::sort(names.rbegin(), names.rend());
    const TemporaryFolder dir;
    std::vector<std::string> args = {"--jobs", ""};
    for (std::size_t i = 0; i < names.size(); i += 4)
        args.push_back(dir.Folder() + names[i]);
    const auto run = [&](const char *jobs) {
        args[1] = jobs;
        for (std::size_t i = 2; i < args.size(); ++i)
            fs::copy_file(kCorpus / fs::path(args[i]).filename(), args[i],
                          fs::copy_options::overwrite_existing);
        std::ostringstream out, err;
        RunCommandLine(args, out, err);
        std::string report = out.str();
        for (std::size_t i = 2; i < args.size(); ++i)
            report += ReadText(args[i]);
        return report;
    };
    const std::string alone = run("1");
    EXPECT_TRUE(run("4") == alone) << "the run in parallel reported or wrote something else";
    const std::vector<std::string> lines = Split(alone, '\n');
    for (std::size_t i = 2; i < args.size(); ++i)
        EXPECT_EQ(Split(lines[i - 2], '\t')[1], args[i]);
}

} // namespace
