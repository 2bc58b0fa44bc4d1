#include "BatchRun.h"
#include "mUtils.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace sparrowtrim;

namespace {

using Bytes = std::vector<unsigned char>;

// A complete image with nothing to remove: SOI, DQT, SOS with two data bytes, EOI.
const Bytes kClean = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x04, 0x01, 0x02, 0xFF,
                      0xDA, 0x00, 0x03, 0x00, 0xAA, 0xBB, 0xFF, 0xD9};
// The same image behind a six-byte APP1 segment.
const Bytes kWithApp1 = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x04, 0x11, 0x22, 0xFF, 0xDB, 0x00, 0x04,
                         0x01, 0x02, 0xFF, 0xDA, 0x00, 0x03, 0x00, 0xAA, 0xBB, 0xFF, 0xD9};
// Scan data that runs to the end of the file: the end-of-image marker is added.
const Bytes kUnterminated = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x04, 0x01, 0x02,
                             0xFF, 0xDA, 0x00, 0x03, 0x00, 0xAA, 0xBB};
const Bytes kNotJpeg = {'h', 'e', 'l', 'l', 'o'};

class TempFolder
{
public:
    TempFolder()
    {
        std::random_device random;
        m_Path = fs::temp_directory_path() / ("batch-run-test-" + std::to_string(random()));
        fs::create_directories(m_Path);
    }
    ~TempFolder() { fs::remove_all(m_Path); }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    const fs::path &Path() const { return m_Path; }
    std::string Folder() const
    {
        std::string folder = m_Path.string();
        return mUtils::AddBackslash(folder);
    }
    void Write(const std::string &name, const Bytes &bytes) const
    {
        std::ofstream out(m_Path / name, std::ios::binary);
        out.write(reinterpret_cast<const char *>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    std::string LogPath() const { return (m_Path / "Sparrowtrim.log").string(); }

private:
    fs::path m_Path;
};

std::vector<std::string> ReadLines(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (auto end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
    return lines;
}

// Records what a run shows; the hooks stand in for clicks served between files.
class RecordingView final : public BatchView
{
public:
    void SetProgressMax(std::int32_t max) override { progressMax = max; }
    void SetProgressValue(std::int32_t value) override
    {
        progressValues.push_back(value);
        if (onProgress)
            onProgress(value);
    }
    void AddDetailsLine(const std::string &line) override { details.push_back(line); }
    void YieldToEvents() override
    {
        ++yields;
        if (onYield)
            onYield();
    }
    void ClearSelection() override { ++selectionClears; }
    void SetStatsCaption(int index, const std::string &caption) override
    {
        captions[index] = caption;
        captionHistory.push_back(caption);
    }

    std::int32_t progressMax = -1;
    std::vector<std::int32_t> progressValues;
    std::vector<std::string> details;
    int yields = 0;
    int selectionClears = 0;
    std::map<int, std::string> captions;
    std::vector<std::string> captionHistory;
    std::function<void(std::int32_t)> onProgress;
    std::function<void()> onYield;
};

struct RunFixture : ::testing::Test
{
    TempFolder folder;
    RecordingView view;
    bool processReadOnly = false;
    BatchRun run{view, [this] { return processReadOnly; }};

    void Start(const std::vector<std::string> &names, const std::string &options = "001")
    {
        run.Start(folder.Folder(), names, options, folder.LogPath());
    }
};

struct LogBlockCase
{
    const char *name;
    Bytes content;
    std::vector<std::string> block; // after the "File: " line
};

void PrintTo(const LogBlockCase &row, std::ostream *out) { *out << row.name; }

class LogBlock : public RunFixture, public ::testing::WithParamInterface<LogBlockCase>
{
};

TEST_P(LogBlock, WritesTheLinesOfItsResult)
{
    folder.Write("photo.jpg", GetParam().content);
    Start({"photo.jpg"});

    const auto lines = ReadLines(folder.LogPath());
    std::vector<std::string> expected = {"**************",
                                         "File: \t" + folder.Folder() + "photo.jpg"};
    expected.insert(expected.end(), GetParam().block.begin(), GetParam().block.end());
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(
        std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(expected.size())),
        expected);
    EXPECT_EQ(lines.size(), expected.size() + 6) << "the block is followed by the summary alone";
}

INSTANTIATE_TEST_SUITE_P(
    Results, LogBlock,
    ::testing::Values(
        LogBlockCase{"optimized",
                     kWithApp1,
                     {"File successfully optimized.", "Original File Size: \t23",
                      "Size After Optimizing: \t17", "Savings: \t6"}},
        LogBlockCase{
            "no_change", kClean, {"No need to optimize file.", "Original File Size: \t17"}},
        LogBlockCase{"unterminated_grows",
                     kUnterminated,
                     {"File successfully optimized.", "Original File Size: \t15",
                      "Size After Optimizing: \t17", "Savings: \t-2"}},
        LogBlockCase{"not_jpeg", kNotJpeg, {"ERROR:  Not a valid JPEG file.  File unchanged."}}),
    [](const auto &row) { return std::string(row.param.name); });

TEST_F(RunFixture, OneOptimizedFileGivesTwelveLogLines)
{
    folder.Write("a.jpg", kWithApp1);
    Start({"a.jpg"});

    const std::vector<std::string> expected = {"**************",
                                               "File: \t" + folder.Folder() + "a.jpg",
                                               "File successfully optimized.",
                                               "Original File Size: \t23",
                                               "Size After Optimizing: \t17",
                                               "Savings: \t6",
                                               std::string(38, '-'),
                                               "Files processed: 1",
                                               "Total bytes saved: 6",
                                               "0 Total errors",
                                               "0 No changes needed",
                                               "1 Files optimized"};
    EXPECT_EQ(ReadLines(folder.LogPath()), expected);
}

TEST_F(RunFixture, MixedRunCountsEveryResultAndShowsTheTotals)
{
    folder.Write("1.jpg", kWithApp1);
    folder.Write("2.jpg", kClean);
    folder.Write("3.jpg", kNotJpeg);
    folder.Write("4.jpg", kUnterminated);
    Start({"1.jpg", "2.jpg", "3.jpg", "4.jpg", "missing.jpg"}, "000");

    EXPECT_EQ(view.progressMax, 5);
    EXPECT_EQ(view.progressValues, (std::vector<std::int32_t>{1, 2, 3, 4, 5, 0}));
    EXPECT_EQ(view.details, (std::vector<std::string>{"Optimizing: 1.jpg", "Optimizing: 2.jpg",
                                                      "Optimizing: 3.jpg", "Optimizing: 4.jpg",
                                                      "Optimizing: missing.jpg"}));
    EXPECT_EQ(view.captions[1], "Files processed: 5");
    EXPECT_EQ(view.captions[2], "Total bytes saved: 4");
    EXPECT_EQ(view.captions[0], "2 Total errors\r\n1 No changes needed\r\n2 Files optimized");
    EXPECT_EQ(view.selectionClears, 1);
    EXPECT_FALSE(fs::exists(folder.LogPath())) << "no log without the log option";
}

TEST_F(RunFixture, LabelsShowWorkingFromTheFirstFileUntilTheEnd)
{
    folder.Write("1.jpg", kClean);
    folder.Write("2.jpg", kClean);
    std::vector<std::string> captionsAtSecondFile;
    view.onProgress = [&](std::int32_t value) {
        if (value == 2)
            captionsAtSecondFile = view.captionHistory;
    };
    Start({"1.jpg", "2.jpg"});

    EXPECT_EQ(captionsAtSecondFile, std::vector<std::string>{"Working....."});
    EXPECT_EQ(view.captionHistory.size(), 5u) << "two Working captions, then the three totals";
}

TEST_F(RunFixture, StopDuringFirstFileFinishesAndCountsOnlyThatFile)
{
    for (const char *name : {"1.jpg", "2.jpg", "3.jpg"})
        folder.Write(name, kWithApp1);
    view.onProgress = [&](std::int32_t value) {
        if (value == 1)
            run.RequestStop();
    };
    Start({"1.jpg", "2.jpg", "3.jpg"});

    EXPECT_EQ(view.details, std::vector<std::string>{"Optimizing: 1.jpg"});
    EXPECT_EQ(view.captions[1], "Files processed: 1");
    EXPECT_EQ(view.selectionClears, 1);
    EXPECT_EQ(view.progressValues.back(), 0);
    EXPECT_FALSE(run.StopRequested()) << "the request ends with the run";
    const auto lines = ReadLines(folder.LogPath());
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[7], "Files processed: 1");
    EXPECT_EQ(fs::file_size(folder.Path() / "2.jpg"), kWithApp1.size()) << "later files untouched";
}

TEST_F(RunFixture, StopPressedWhileIdleEndsTheNextRunAfterItsFirstFile)
{
    folder.Write("1.jpg", kClean);
    folder.Write("2.jpg", kClean);
    run.RequestStop();
    Start({"1.jpg", "2.jpg"});

    EXPECT_EQ(view.details.size(), 1u);
    EXPECT_FALSE(run.StopRequested());
}

TEST_F(RunFixture, NothingSelectedChangesNothing)
{
    Start({});

    EXPECT_EQ(view.progressMax, -1);
    EXPECT_TRUE(view.progressValues.empty());
    EXPECT_TRUE(view.captionHistory.empty());
    EXPECT_EQ(view.selectionClears, 0);
    EXPECT_FALSE(fs::exists(folder.LogPath()));
}

TEST_F(RunFixture, StartDuringARunIsIgnored)
{
    folder.Write("1.jpg", kClean);
    folder.Write("2.jpg", kClean);
    bool startedAgain = false;
    view.onYield = [&] {
        if (!startedAgain) {
            startedAgain = true;
            Start({"2.jpg"});
        }
    };
    Start({"1.jpg", "2.jpg"});

    EXPECT_TRUE(startedAgain);
    EXPECT_EQ(run.SelectedFiles(), (std::vector<std::string>{"1.jpg", "2.jpg"}));
    EXPECT_EQ(view.details.size(), 2u);
    EXPECT_EQ(view.captions[1], "Files processed: 2");
    EXPECT_FALSE(run.IsRunning());
}

TEST_F(RunFixture, UnwritableLogIsReportedOnceAndTheRunGoesOn)
{
    folder.Write("1.jpg", kWithApp1);
    folder.Write("2.jpg", kWithApp1);
    const std::string logPath = (folder.Path() / "log-is-a-folder").string();
    fs::create_directory(logPath);
    run.Start(folder.Folder(), {"1.jpg", "2.jpg"}, "001", logPath);

    EXPECT_EQ(view.details, (std::vector<std::string>{"Log file could not be written: " + logPath,
                                                      "Optimizing: 1.jpg", "Optimizing: 2.jpg"}));
    EXPECT_EQ(view.captions[2], "Total bytes saved: 12");
}

TEST_F(RunFixture, EveryRunReplacesTheLog)
{
    folder.Write("1.jpg", kWithApp1);
    folder.Write("2.jpg", kClean);
    Start({"1.jpg"});
    Start({"2.jpg"});

    const auto lines = ReadLines(folder.LogPath());
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[1], "File: \t" + folder.Folder() + "2.jpg");
    EXPECT_EQ(lines[2], "No need to optimize file.");
}

TEST_F(RunFixture, ReadOnlyPolicyIsAskedWhenTheFileIsWritten)
{
    folder.Write("locked.jpg", kWithApp1);
    fs::permissions(folder.Path() / "locked.jpg", fs::perms::owner_write, fs::perm_options::remove);
    Start({"locked.jpg"});
    EXPECT_EQ(ReadLines(folder.LogPath())[2], "ERROR:  Cannot overwrite read-only file.");

    processReadOnly = true;
    Start({"locked.jpg"});
    EXPECT_EQ(ReadLines(folder.LogPath())[2], "File successfully optimized.");
}

TEST_F(RunFixture, KeepDateRestoresTheTimeWhateverTheResult)
{
    const std::map<std::string, Bytes> files = {
        {"optimized.jpg", kWithApp1}, {"same.jpg", kClean}, {"broken.jpg", kNotJpeg}};
    const auto oldTime = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
    std::vector<std::string> names;
    for (const auto &[name, bytes] : files) {
        folder.Write(name, bytes);
        fs::last_write_time(folder.Path() / name, oldTime);
        names.push_back(name);
    }
    Start(names, "010");

    for (const auto &name : names) {
        const auto kept = fs::last_write_time(folder.Path() / name);
        EXPECT_LT(std::chrono::abs(kept - oldTime), std::chrono::seconds(1)) << name;
    }
    EXPECT_EQ(fs::file_size(folder.Path() / "optimized.jpg"), kClean.size());
}

struct FolderCase
{
    const char *name;
    std::string text;
    std::string folder;
};

void PrintTo(const FolderCase &row, std::ostream *out) { *out << row.name; }

class FolderOfText : public ::testing::TestWithParam<FolderCase>
{
};

TEST_P(FolderOfText, AddsOneSeparatorThenTrimsSpaces)
{
    EXPECT_EQ(mUtils::FolderOfText(GetParam().text), GetParam().folder);
}

constexpr char kSep = mUtils::kPathSeparator;

INSTANTIATE_TEST_SUITE_P(
    Texts, FolderOfText,
    ::testing::Values(
        FolderCase{"empty", "", std::string(1, kSep)},
        FolderCase{"plain", "photos", std::string("photos") + kSep},
        FolderCase{"ends_in_separator", std::string("photos") + kSep, std::string("photos") + kSep},
        FolderCase{"root", std::string(1, kSep), std::string(1, kSep)},
        FolderCase{"spaces_around", "  photos", std::string("photos") + kSep},
        FolderCase{"space_before_added_separator_stays", "photos ", std::string("photos ") + kSep},
        FolderCase{"only_spaces", "   ", std::string(1, kSep)}),
    [](const auto &row) { return std::string(row.param.name); });

TEST(AddBackslash, WritesTheResultBackIntoItsArgument)
{
    std::string path = "photos";
    const std::string result = mUtils::AddBackslash(path);
    EXPECT_EQ(path, result);
    EXPECT_EQ(result.back(), kSep);
}

} // namespace
