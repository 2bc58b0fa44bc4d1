// OptimizeJPEG on real files: results and messages, the read-only policy, file dates, and writes
// that fail without harming the original.

#include "FileAttributes.h"
#include "PlatformFiles.h"
#include "mJPEGOpt.h"
#include "test_files.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>

namespace fs = std::filesystem;
using namespace sparrowtrim;
using namespace sparrowtrim::test;

namespace {

const std::string kCouldNotOpen = "Couldn't open input file.";
const std::string kNotJpeg = "Not a valid JPEG file.  File unchanged.";
const std::string kParseProblem = "Problem parsing file.  File unchanged.";
const std::string kCouldNotWrite = "Could not write output file.";
const std::string kReadOnly = "Cannot overwrite read-only file.";

const Bytes kWithMetadata = kSoi + kApp0 + Segment(0xE1, Text("Exif") + Bytes(40, 0x2A)) +
                            DropFront(kImage, kSoi.size() + kApp0.size());
// 2001-02-03 04:05:06.7890123 UTC, with every digit that the file time can hold.
constexpr FileTime kOldTime = 126258579067890123;

constexpr const char *kPhoto = "photo.jpg";

// Removes the thing at `path`, whatever it is.
void Remove(const std::string &path)
{
    fs::remove_all(path);
}

struct ResultCase
{
    std::string name;
    std::function<void(const std::string &path)> prepare;
    std::int32_t result;
    std::string message;
    // What the path holds afterwards; nullopt when it is not a readable file.
    std::optional<Bytes> after;
};

void PrintTo(const ResultCase &row, std::ostream *out)
{
    *out << row.name;
}

std::function<void(const std::string &)> Holding(Bytes bytes)
{
    return [bytes](const std::string &path) { WriteBytes(path, bytes); };
}

class ResultTest : public testing::TestWithParam<ResultCase>
{
};

TEST_P(ResultTest, ResultMessageAndFile)
{
    const ResultCase &row = GetParam();
    TemporaryFolder folder;
    const std::string path = folder.File(kPhoto);
    row.prepare(path);
    const std::vector<std::string> namesBefore = folder.Names();
    if (fs::is_regular_file(path))
        WriteFileTimes(path, {kOldTime, kOldTime});

    mJPEGOpt engine;
    ASSERT_EQ(engine.OptimizeJPEG(path), row.result);
    if (row.result == kFailed) {
        EXPECT_EQ(engine.ResultMessage(), row.message);
    }
    if (row.after) {
        EXPECT_EQ(ReadBytes(path), *row.after);
        if (row.result != kRewritten) {
            EXPECT_EQ(ReadFileTimes(path).modification, kOldTime) << "the file was touched";
        }
    }
    EXPECT_EQ(folder.Names(), namesBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ResultTest,
    testing::Values(
        ResultCase{"Rewritten", Holding(kWithMetadata), kRewritten, "", kImage},
        ResultCase{"NothingToChange", Holding(kImage), kNothingToChange, "", kImage},
        ResultCase{"NotJpeg", Holding(Text("plain text")), kFailed, kNotJpeg, Text("plain text")},
        ResultCase{"EmptyFile", Holding({}), kFailed, kNotJpeg, Bytes{}},
        ResultCase{"Unparsable", Holding(kHead), kFailed, kParseProblem, kHead},
        ResultCase{"MissingFile", [](const std::string &) {}, kFailed, kCouldNotOpen, {}},
        ResultCase{"Folder",
                   [](const std::string &path) { fs::create_directory(path); },
                   kFailed,
                   kCouldNotOpen,
                   {}}),
    [](const testing::TestParamInfo<ResultCase> &row) { return row.param.name; });

TEST(FileTest, LengthsOfTheFileHandled)
{
    TemporaryFolder folder;
    const std::string path = folder.File(kPhoto);
    WriteBytes(path, kWithMetadata);
    mJPEGOpt engine;
    ASSERT_EQ(engine.OptimizeJPEG(path), kRewritten);
    EXPECT_EQ(engine.InputLength(), static_cast<std::int32_t>(kWithMetadata.size()));
    EXPECT_EQ(engine.OutputLength(), static_cast<std::int32_t>(kImage.size()));

    ASSERT_EQ(engine.OptimizeJPEG(folder.File("missing.jpg")), kFailed);
    EXPECT_EQ(engine.InputLength(), -1);
    EXPECT_EQ(engine.OutputLength(), 0);
}

struct ReadOnlyCase
{
    std::string name;
    Bytes content;
    bool readOnly;
    bool processReadOnly;
    std::int32_t result;
    std::string message;
    int policyQuestions;
    bool readOnlyAfter;
};

void PrintTo(const ReadOnlyCase &row, std::ostream *out)
{
    *out << row.name;
}

class ReadOnlyTest : public testing::TestWithParam<ReadOnlyCase>
{
};

TEST_P(ReadOnlyTest, PolicyDecidesAtTheMomentOfWriting)
{
    const ReadOnlyCase &row = GetParam();
    TemporaryFolder folder;
    const std::string path = folder.File(kPhoto);
    WriteBytes(path, row.content);
    SetReadOnly(path, row.readOnly);

    int questions = 0;
    mJPEGOpt engine([&] {
        ++questions;
        return row.processReadOnly;
    });
    ASSERT_EQ(engine.OptimizeJPEG(path), row.result);
    if (row.result == kFailed) {
        EXPECT_EQ(engine.ResultMessage(), row.message);
    }
    EXPECT_EQ(ReadBytes(path), row.result == kRewritten ? kImage : row.content);
    EXPECT_EQ(questions, row.policyQuestions);
    EXPECT_EQ(IsReadOnly(path), row.readOnlyAfter);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{kPhoto});
}

INSTANTIATE_TEST_SUITE_P(Files, ReadOnlyTest,
                         testing::Values(ReadOnlyCase{"WritableFileNeverAsks", kWithMetadata, false,
                                                      false, kRewritten, "", 0, false},
                                         ReadOnlyCase{"ReadOnlyRefused", kWithMetadata, true, false,
                                                      kFailed, kReadOnly, 1, true},
                                         ReadOnlyCase{"ReadOnlyAllowed", kWithMetadata, true, true,
                                                      kRewritten, "", 1, false},
                                         ReadOnlyCase{"ReadOnlyNothingToChange", kImage, true,
                                                      false, kNothingToChange, "", 0, true}),
                         [](const testing::TestParamInfo<ReadOnlyCase> &row) {
                             return row.param.name;
                         });

TEST(ReadOnlyTest, EmptyPolicyCountsAsOff)
{
    TemporaryFolder folder;
    const std::string path = folder.File(kPhoto);
    WriteBytes(path, kWithMetadata);
    SetReadOnly(path, true);
    EXPECT_TRUE(CheckReadOnly(path, mJPEGOpt::ReadOnlyPolicy{}));
    EXPECT_TRUE(CheckReadOnly(folder.File("missing.jpg"), true));
    EXPECT_FALSE(CheckReadOnly(path, true));
    EXPECT_FALSE(IsReadOnly(path));
}

TEST(FileDateTest, LastWriteTimeOnlyOfWritableFiles)
{
    TemporaryFolder folder;
    const std::string path = folder.File(kPhoto);
    WriteBytes(path, kImage);
    WriteFileTimes(path, {kOldTime, kOldTime});
    EXPECT_EQ(GetLastWriteTime(path), kOldTime);

    SetReadOnly(path, true);
    EXPECT_EQ(GetLastWriteTime(path), 0U);
    EXPECT_EQ(GetLastWriteTime(folder.File("missing.jpg")), 0U);
    EXPECT_EQ(GetLastWriteTime(folder.Path().string()), 0U);
}

struct SetTimesCase
{
    std::string name;
    bool readOnly;
    FileTime time;
    bool changes;
};

void PrintTo(const SetTimesCase &row, std::ostream *out)
{
    *out << row.name;
}

class SetFileTimesTest : public testing::TestWithParam<SetTimesCase>
{
};

TEST_P(SetFileTimesTest, SetsAccessAndWriteTime)
{
    const SetTimesCase &row = GetParam();
    TemporaryFolder folder;
    const std::string path = folder.File(kPhoto);
    WriteBytes(path, kImage);
    const FileTimes before = {kOldTime + 10'000'000, kOldTime + 20'000'000};
    WriteFileTimes(path, before);
    SetReadOnly(path, row.readOnly);

    SetFileTimes(path, row.time);
    const FileTimes after = ReadFileTimes(path);
    EXPECT_EQ(after.access, row.changes ? row.time : before.access);
    EXPECT_EQ(after.modification, row.changes ? row.time : before.modification);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SetFileTimesTest,
    testing::Values(SetTimesCase{"WritableFile", false, kOldTime, true},
                    SetTimesCase{"ZeroTimeChangesNothing", false, 0, false},
                    SetTimesCase{"ReadOnlyFileUntouched", true, kOldTime, false}),
    [](const testing::TestParamInfo<SetTimesCase> &row) { return row.param.name; });

TEST(FileDateTest, SetTimesNeverCreatesAFile)
{
    TemporaryFolder folder;
    SetFileTimes(folder.File(kPhoto), kOldTime);
    EXPECT_TRUE(folder.Names().empty());
}

TEST(FileDateTest, KeptDateSurvivesTheRewrite)
{
    TemporaryFolder folder;
    const std::string path = folder.File(kPhoto);
    WriteBytes(path, kWithMetadata);
    WriteFileTimes(path, {kOldTime, kOldTime});

    const FileTime saved = GetLastWriteTime(path);
    mJPEGOpt engine;
    ASSERT_EQ(engine.OptimizeJPEG(path), kRewritten);
    EXPECT_NE(ReadFileTimes(path).modification, kOldTime);
    SetFileTimes(path, saved);
    EXPECT_EQ(ReadFileTimes(path).modification, kOldTime);
}

// A write that cannot be done leaves the original as it was and no temporary file behind.
enum class Afterwards { Original, Nothing, Folder };

struct FailedWriteCase
{
    std::string name;
    bool readOnly;
    // Runs when the engine asks about the read-only file, just before it writes; for a writable
    // file, before the engine starts.
    std::function<void(const std::string &path)> interfere;
    std::string message;
    Afterwards atPath;
    bool folderAtTemporaryName;
};

void PrintTo(const FailedWriteCase &row, std::ostream *out)
{
    *out << row.name;
}

void FolderAtTemporaryName(const std::string &path)
{
    fs::create_directory(platform::TemporaryPathFor(path));
}

void FolderInstead(const std::string &path)
{
    Remove(path);
    fs::create_directory(path);
    WriteBytes(fs::path(path) / "inside.txt", Text("kept"));
}

class FailedWriteTest : public testing::TestWithParam<FailedWriteCase>
{
};

TEST_P(FailedWriteTest, OriginalStaysIntact)
{
    const FailedWriteCase &row = GetParam();
    TemporaryFolder folder;
    const std::string path = folder.File(kPhoto);
    WriteBytes(path, kWithMetadata);
    SetReadOnly(path, row.readOnly);
    if (!row.readOnly)
        row.interfere(path);

    mJPEGOpt engine([&] {
        row.interfere(path);
        return true;
    });
    ASSERT_EQ(engine.OptimizeJPEG(path), kFailed);
    EXPECT_EQ(engine.ResultMessage(), row.message);

    std::vector<std::string> names;
    if (row.folderAtTemporaryName)
        names.push_back(fs::path(platform::TemporaryPathFor(path)).filename().string());
    switch (row.atPath) {
    case Afterwards::Original:
        EXPECT_EQ(ReadBytes(path), kWithMetadata);
        // An allowed read-only file was given normal attributes for the rewrite, and keeps them.
        EXPECT_FALSE(IsReadOnly(path));
        names.push_back(kPhoto);
        break;
    case Afterwards::Folder:
        EXPECT_EQ(ReadBytes(fs::path(path) / "inside.txt"), Text("kept"));
        names.push_back(kPhoto);
        break;
    case Afterwards::Nothing:
        break;
    }
    EXPECT_EQ(folder.Names(), names);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FailedWriteTest,
    testing::Values(FailedWriteCase{"FolderAtTemporaryName", false, FolderAtTemporaryName,
                                    kCouldNotWrite, Afterwards::Original, true},
                    FailedWriteCase{"AllowedReadOnlyFileThenWriteFails", true,
                                    FolderAtTemporaryName, kCouldNotWrite, Afterwards::Original,
                                    true},
                    FailedWriteCase{"FileRemovedBeforeWrite", true, Remove, kReadOnly,
                                    Afterwards::Nothing, false},
                    FailedWriteCase{"FileReplacedByFolderBeforeWrite", true, FolderInstead,
                                    kCouldNotWrite, Afterwards::Folder, false}),
    [](const testing::TestParamInfo<FailedWriteCase> &row) { return row.param.name; });

} // namespace
