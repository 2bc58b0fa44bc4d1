// The batch run without a window: what it shows and logs, counting, STOP, the start rules and
// the folder rule. Also runs on Windows, where the log must still end its lines in CR LF.

#include "app/BatchRun.h"
#include "batch/FolderText.h"
#include "tests/support/TestFiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <random>

namespace fs = std::filesystem;
using namespace sparrowtrim;

namespace {

using test::Bytes;
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
const std::string kOptimized = "File successfully optimized.\r\n";

// Records what a run shows, in order; onProgress stands in for clicks served between files.
class RecordingView final : public BatchView
{
public:
    void SetProgressMax(std::int32_t n) override { events.push_back("max " + std::to_string(n)); }
    void SetProgressValue(std::int32_t value) override
    {
        events.push_back("value " + std::to_string(value));
        if (onProgress)
            onProgress(value);
    }
    void AddDetailsLine(const std::string &line) override { events.push_back(line); }
    void YieldToEvents() override { events.emplace_back("yield"); }
    void ClearSelection() override { events.emplace_back("clear"); }
    void SetStatsCaption(int index, const std::string &caption) override
    {
        events.push_back("label " + std::to_string(index) + ": " + caption);
    }

    Lines events;
    std::function<void(std::int32_t)> onProgress;
};

class RunTest : public ::testing::Test
{
protected:
    void Write(const std::string &name, const Bytes &bytes) const
    {
        test::WriteBytes(m_Dir.Path() / name, bytes);
    }
    std::string Folder() const { return m_Dir.Path().string() + mUtils::kPathSeparator; }
    void Start(const Lines &names) { m_Run.Start(Folder(), names, "001", m_Log.string()); }
    std::string Log() const { return test::ReadText(m_Log); }
    // A file's block in the log: the asterisks, the path and what became of it.
    std::string Block(const std::string &name, const std::string &result) const
    {
        return "**************\r\nFile: \t" + Folder() + name + "\r\n" + result;
    }

    const test::TemporaryFolder m_Dir;
    const fs::path m_Log = m_Dir.Path() / "Sparrowtrim.log";
    RecordingView m_View;
    BatchRun m_Run{m_View, [] { return false; }};
};

// Every result's log block, the summary, the counts and label texts, progress and yields. A
// START between two files is ignored.
TEST_F(RunTest, MixedRunShowsEveryResult)
{
    Write("Sparrowtrim.log", kNotJpeg); // an earlier run's log, to be replaced
    Write("1.jpg", kWithApp1);
    Write("2.jpg", kClean);
    Write("3.jpg", kNotJpeg);
    Write("4.jpg", kUnterminated);
    const Lines names = {"1.jpg", "2.jpg", "3.jpg", "4.jpg", "missing.jpg"};
    m_View.onProgress = [&](std::int32_t value) {
        if (value == 1)
            Start({"2.jpg"});
    };
    Start(names);

    EXPECT_EQ(Log(),
              Block("1.jpg", kOptimized) +
                  "Original File Size: \t23\r\nSize After Optimizing: \t17\r\nSavings: \t6\r\n" +
                  Block("2.jpg", "No need to optimize file.\r\nOriginal File Size: \t17\r\n") +
                  Block("3.jpg", "ERROR:  Not a valid JPEG file.  File unchanged.\r\n") +
                  Block("4.jpg", kOptimized) +
                  "Original File Size: \t15\r\nSize After Optimizing: \t17\r\nSavings: \t-2\r\n" +
                  Block("missing.jpg", "ERROR:  Couldn't open input file.\r\n") +
                  std::string(38, '-') +
                  "\r\nFiles processed: 5\r\nTotal bytes saved: 4\r\n2 Total errors\r\n"
                  "1 No changes needed\r\n2 Files optimized\r\n");
    // "Working" from the end of the first file; the totals only at the end.
    Lines events = {"max 5"};
    for (std::size_t k = 1; k <= names.size(); ++k)
        events.insert(events.end(), {"Optimizing: " + names[k - 1], "value " + std::to_string(k),
                                     "yield", "label 0: Working....."});
    events.insert(events.end(),
                  {"value 0", "clear", "label 1: Files processed: 5",
                   "label 2: Total bytes saved: 4",
                   "label 0: 2 Total errors\r\n1 No changes needed\r\n2 Files optimized"});
    EXPECT_EQ(m_View.events, events);
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

    EXPECT_EQ(m_View.events,
              (Lines{"max 3", "Optimizing: 1.jpg", "value 1", "yield", "value 0", "clear",
                     "label 1: Files processed: 1", "label 2: Total bytes saved: 6",
                     "label 0: 0 Total errors\r\n0 No changes needed\r\n1 Files optimized"}));
    // Twelve lines: the file's block of six and the summary.
    EXPECT_EQ(std::ranges::count(Log(), '\n'), 12);
    EXPECT_EQ(fs::file_size(m_Dir.Path() / "2.jpg"), kWithApp1.size()) << "later files untouched";
    EXPECT_FALSE(m_Run.StopRequested()) << "the request ends with the run";
}

INSTANTIATE_TEST_SUITE_P(When, Stop, ::testing::Values(false, true), [](const auto &row) {
    return std::string(row.param ? "while_idle" : "during_first_file");
});

TEST_F(RunTest, NothingSelectedChangesNothing)
{
    Start({});
    EXPECT_TRUE(m_View.events.empty());
    EXPECT_FALSE(fs::exists(m_Log));
}

// The folder a folder text stands for; the separator is "\" on Windows. Spaces are trimmed
// after the separator is added, so a space before it stays.
TEST(FolderOfText, AddsOneSeparatorThenTrimsSpaces)
{
    const std::string sep(1, mUtils::kPathSeparator);
    const std::pair<std::string, std::string> textAndFolder[] = {
        {"", sep}, {sep, sep}, {"a" + sep, "a" + sep}, {"  a", "a" + sep}, {"a ", "a " + sep}};
    for (const auto &[text, folder] : textAndFolder)
        EXPECT_EQ(mUtils::FolderOfText(text), folder) << "text: \"" << text << '"';
}

} // namespace
