// The batch run without a window: the log, counters, texts, progress, stop and start rules
// and the folder rule.

#include "BatchRun.h"
#include "mUtils.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace sparrowtrim;

namespace {

using Bytes = std::vector<unsigned char>;
using Lines = std::vector<std::string>;

// A complete image with nothing to remove: SOI, DQT, SOS with two data bytes, EOI.
const Bytes kClean = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x04, 0x01, 0x02, 0xFF,
                      0xDA, 0x00, 0x03, 0x00, 0xAA, 0xBB, 0xFF, 0xD9};
// The same image behind a six-byte APP1 segment.
const Bytes kWithApp1 = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x04, 0x11, 0x22, 0xFF, 0xDB, 0x00, 0x04,
                         0x01, 0x02, 0xFF, 0xDA, 0x00, 0x03, 0x00, 0xAA, 0xBB, 0xFF, 0xD9};
// Scan data that runs to the end of the file: the end-of-image marker is added.
const Bytes kUnterminated(kClean.begin(), kClean.end() - 2);
const Bytes kNotJpeg = {'h', 'e', 'l', 'l', 'o'};

// The lines of a text file, each of which must end in CR LF.
Lines ReadLines(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    Lines lines;
    for (std::string line; std::getline(in, line); lines.push_back(line)) {
        EXPECT_TRUE(line.ends_with('\r') && !in.eof()) << "no CR LF after: " << line;
        if (line.ends_with('\r'))
            line.pop_back();
    }
    return lines;
}

// Records what a run shows; onProgress stands in for clicks served between files.
class RecordingView final : public BatchView
{
public:
    void SetProgressMax(std::int32_t max) override { progressMax = max; }
    void SetProgressValue(std::int32_t value) override
    {
        progress.push_back(value);
        if (onProgress)
            onProgress(value);
    }
    void AddDetailsLine(const std::string &line) override { details.push_back(line); }
    void YieldToEvents() override {}
    void ClearSelection() override { ++selectionClears; }
    void SetStatsCaption(int index, const std::string &caption) override
    {
        captions.push_back(std::to_string(index) + ":" + caption);
    }

    std::int32_t progressMax = -1;
    std::vector<std::int32_t> progress;
    Lines details;
    int selectionClears = 0;
    Lines captions; // "index:caption", in the order they were set
    std::function<void(std::int32_t)> onProgress;
};

class RunTest : public ::testing::Test
{
protected:
    RunTest() { fs::create_directories(m_Dir); }
    ~RunTest() override { fs::remove_all(m_Dir); }

    void Write(const std::string &name, const Bytes &bytes) const
    {
        std::ofstream(m_Dir / name, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    std::string Folder() const
    {
        std::string folder = m_Dir.string();
        return mUtils::AddBackslash(folder);
    }
    void Start(const Lines &names, const std::string &options = "001")
    {
        m_Run.Start(Folder(), names, options, m_Log.string());
    }

    const fs::path m_Dir =
        fs::temp_directory_path() / ("batch-run-test-" + std::to_string(std::random_device{}()));
    const fs::path m_Log = m_Dir / "Sparrowtrim.log";
    RecordingView m_View;
    BatchRun m_Run{m_View, [] { return false; }};
};

// Every result's log block, the summary, the counters and label texts, the progress.
TEST_F(RunTest, MixedRunShowsEveryResult)
{
    Write("Sparrowtrim.log", kNotJpeg); // an earlier run's log, to be replaced
    Write("1.jpg", kWithApp1);
    Write("2.jpg", kClean);
    Write("3.jpg", kNotJpeg);
    Write("4.jpg", kUnterminated);
    Lines captionsAtSecondFile;
    m_View.onProgress = [&](std::int32_t value) {
        if (value == 2)
            captionsAtSecondFile = m_View.captions;
    };
    Start({"1.jpg", "2.jpg", "3.jpg", "4.jpg", "missing.jpg"});

    const std::string stars = "**************";
    const std::string file = "File: \t" + Folder();
    EXPECT_EQ(ReadLines(m_Log), (Lines{stars,
                                       file + "1.jpg",
                                       "File successfully optimized.",
                                       "Original File Size: \t23",
                                       "Size After Optimizing: \t17",
                                       "Savings: \t6",
                                       stars,
                                       file + "2.jpg",
                                       "No need to optimize file.",
                                       "Original File Size: \t17",
                                       stars,
                                       file + "3.jpg",
                                       "ERROR:  Not a valid JPEG file.  File unchanged.",
                                       stars,
                                       file + "4.jpg",
                                       "File successfully optimized.",
                                       "Original File Size: \t15",
                                       "Size After Optimizing: \t17",
                                       "Savings: \t-2",
                                       stars,
                                       file + "missing.jpg",
                                       "ERROR:  Couldn't open input file.",
                                       std::string(38, '-'),
                                       "Files processed: 5",
                                       "Total bytes saved: 4",
                                       "2 Total errors",
                                       "1 No changes needed",
                                       "2 Files optimized"}));
    EXPECT_EQ(m_View.progressMax, 5);
    EXPECT_EQ(m_View.progress, (std::vector<std::int32_t>{1, 2, 3, 4, 5, 0}));
    EXPECT_EQ(m_View.details, (Lines{"Optimizing: 1.jpg", "Optimizing: 2.jpg", "Optimizing: 3.jpg",
                                     "Optimizing: 4.jpg", "Optimizing: missing.jpg"}));
    EXPECT_EQ(m_View.selectionClears, 1);
    // "Working" from the end of the first file; the totals only at the end.
    EXPECT_EQ(captionsAtSecondFile, Lines{"0:Working....."});
    Lines captions(5, "0:Working.....");
    captions.insert(captions.end(),
                    {"1:Files processed: 5", "2:Total bytes saved: 4",
                     "0:2 Total errors\r\n1 No changes needed\r\n2 Files optimized"});
    EXPECT_EQ(m_View.captions, captions);
}

class Stop : public RunTest, public ::testing::WithParamInterface<bool> // pressed while idle
{
};

TEST_P(Stop, FinishesTheFileInHandThenEndsTheRunAsUsual)
{
    for (const char *name : {"1.jpg", "2.jpg", "3.jpg"})
        Write(name, kWithApp1);
    if (GetParam())
        m_Run.RequestStop();
    else
        m_View.onProgress = [&](std::int32_t value) {
            if (value == 1)
                m_Run.RequestStop();
        };
    Start({"1.jpg", "2.jpg", "3.jpg"});

    EXPECT_EQ(m_View.details, Lines{"Optimizing: 1.jpg"});
    EXPECT_EQ(m_View.captions.at(0), "1:Files processed: 1");
    EXPECT_EQ(m_View.selectionClears, 1);
    EXPECT_EQ(m_View.progress.back(), 0);
    EXPECT_FALSE(m_Run.StopRequested()) << "the request ends with the run";
    const Lines log = ReadLines(m_Log);
    ASSERT_EQ(log.size(), 12u);
    EXPECT_EQ(log[7], "Files processed: 1");
    EXPECT_EQ(fs::file_size(m_Dir / "2.jpg"), kWithApp1.size()) << "later files untouched";
}

INSTANTIATE_TEST_SUITE_P(When, Stop, ::testing::Values(false, true), [](const auto &row) {
    return std::string(row.param ? "while_idle" : "during_first_file");
});

TEST_F(RunTest, NothingSelectedChangesNothing)
{
    Start({});

    EXPECT_EQ(m_View.progressMax, -1);
    EXPECT_TRUE(m_View.progress.empty());
    EXPECT_TRUE(m_View.captions.empty());
    EXPECT_EQ(m_View.selectionClears, 0);
    EXPECT_FALSE(fs::exists(m_Log));
}

TEST_F(RunTest, StartDuringARunIsIgnored)
{
    Write("1.jpg", kClean);
    Write("2.jpg", kClean);
    int nestedStarts = 0;
    m_View.onProgress = [&](std::int32_t) {
        if (nestedStarts++ == 0)
            Start({"2.jpg"});
    };
    Start({"1.jpg", "2.jpg"});

    EXPECT_GT(nestedStarts, 0);
    EXPECT_EQ(m_Run.SelectedFiles(), (Lines{"1.jpg", "2.jpg"}));
    EXPECT_EQ(m_View.details.size(), 2u);
}

TEST_F(RunTest, UnwritableLogIsReportedOnceAndTheRunGoesOn)
{
    Write("1.jpg", kWithApp1);
    Write("2.jpg", kWithApp1);
    const std::string logPath = (m_Dir / "log-is-a-folder").string();
    fs::create_directory(logPath);
    m_Run.Start(Folder(), {"1.jpg", "2.jpg"}, "001", logPath);

    EXPECT_EQ(m_View.details, (Lines{"Log file could not be written: " + logPath,
                                     "Optimizing: 1.jpg", "Optimizing: 2.jpg"}));
    EXPECT_EQ(fs::file_size(m_Dir / "2.jpg"), kClean.size());
}

TEST_F(RunTest, KeepDateRestoresTheTimeOfARewrittenFile)
{
    Write("1.jpg", kWithApp1);
    const auto oldTime = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
    fs::last_write_time(m_Dir / "1.jpg", oldTime);
    Start({"1.jpg"}, "010");

    EXPECT_EQ(fs::file_size(m_Dir / "1.jpg"), kClean.size());
    EXPECT_LT(std::chrono::abs(fs::last_write_time(m_Dir / "1.jpg") - oldTime),
              std::chrono::seconds(1));
    EXPECT_FALSE(fs::exists(m_Log)) << "no log without the log option";
}

struct FolderCase
{
    const char *name;
    std::string text;
    std::string folder;
};

class FolderOfText : public ::testing::TestWithParam<FolderCase>
{
};

TEST_P(FolderOfText, AddsOneSeparatorThenTrimsSpaces)
{
    EXPECT_EQ(mUtils::FolderOfText(GetParam().text), GetParam().folder);
}

const std::string kSep(1, mUtils::kPathSeparator);

INSTANTIATE_TEST_SUITE_P(
    Texts, FolderOfText,
    ::testing::Values(FolderCase{"empty", "", kSep}, FolderCase{"root", kSep, kSep},
                      FolderCase{"plain", "photos", "photos" + kSep},
                      FolderCase{"ends_in_separator", "photos" + kSep, "photos" + kSep},
                      FolderCase{"leading_spaces", "  photos", "photos" + kSep},
                      FolderCase{"space_before_added_separator_stays", "photos ",
                                 "photos " + kSep}),
    [](const auto &row) { return std::string(row.param.name); });

} // namespace
