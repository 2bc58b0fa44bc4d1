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
#include <string>

namespace fs = std::filesystem;
using namespace sparrowtrim;
using namespace sparrowtrim::test;

namespace {

constexpr FileTime kDayBefore = kOldTime - 864'000'000'000;

using Prepare = std::function<void(const std::string &path)>;

Prepare Holding(const Bytes &bytes, bool readOnly = false)
{
    return [=](const std::string &path) {
        WriteBytes(path, bytes);
        SetReadOnly(path, readOnly);
    };
}

struct FileCase
{
    std::string name;
    Prepare prepare;
    std::int32_t result;
    std::string message;
    std::optional<Bytes> after;                  // nullopt when the path holds no readable file
    std::optional<bool> processReadOnly = false; // nullopt: no policy given
    int questions = 0;
};

using FileTest = testing::TestWithParam<FileCase>;

// The read-only policy is asked only when a read-only file is about to be replaced; no
// temporary file stays behind. A file's date is read and set only while the file opens for
// writing: the caller keeps a writable file's date by setting the saved one back.
TEST_P(FileTest, ResultMessageFileAndDate)
{
    const FileCase &row = GetParam();
    TemporaryFolder folder;
    const std::string path = folder.File(kPhoto);
    row.prepare(path);
    const std::vector<std::string> namesBefore = folder.Names();
    const bool readOnly = row.after && IsReadOnly(path);
    if (row.after)
        WriteFileTimes(path, {kDayBefore, kOldTime});
    const FileTime saved = GetLastWriteTime(path);
    EXPECT_EQ(saved, row.after && !readOnly ? kOldTime : 0);

    int questions = 0;
    mJPEGOpt engine(row.processReadOnly ? mJPEGOpt::ReadOnlyPolicy([&] {
        ++questions;
        return *row.processReadOnly;
    })
                                        : nullptr);
    ASSERT_EQ(engine.OptimizeJPEG(path), row.result);
    EXPECT_EQ(engine.ResultMessage(), row.message);
    EXPECT_EQ(questions, row.questions);
    if (!row.after) {
        SetFileTimes(path, kOldTime);
        EXPECT_EQ(engine.InputLength(), -1);
        EXPECT_EQ(folder.Names(), namesBefore);
        return;
    }
    EXPECT_EQ(folder.Names(), namesBefore);
    EXPECT_EQ(ReadBytes(path), *row.after);
    if (row.result != kFailed) {
        EXPECT_EQ(engine.OutputLength(), std::ssize(*row.after));
    }
    // An allowed read-only file was given normal attributes.
    const bool stillReadOnly = IsReadOnly(path);
    EXPECT_EQ(stillReadOnly, readOnly && row.result != kRewritten);
    const FileTimes before = ReadFileTimes(path);
    EXPECT_EQ(before.modification == kOldTime, row.result != kRewritten);

    SetFileTimes(path, stillReadOnly ? kOldTime + 1 : saved);
    const FileTimes after = ReadFileTimes(path);
    EXPECT_EQ(after.modification, saved != 0 ? saved : before.modification);
    if (saved != 0) {
        EXPECT_EQ(after.access, saved);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, FileTest,
    testing::Values(
        FileCase{"Rewritten", Holding(kWithMetadata), kRewritten, "", kImage},
        FileCase{"NothingToChange", Holding(kImage), kNothingToChange, "", kImage},
        FileCase{"EmptyFile", Holding({}), kFailed, kNotJpeg, Bytes{}},
        FileCase{"Unparsable", Holding(kHead), kFailed, kParseProblem, kHead},
        FileCase{"MissingFile", [](auto &) {}, kFailed, kCouldNotOpen, {}},
        FileCase{
            "Folder", [](auto &path) { fs::create_directory(path); }, kFailed, kCouldNotOpen, {}},
        // Whatever holds the temporary name stays; another name is taken.
        FileCase{"TemporaryNameTakenRetriesAnother",
                 [](auto &path) {
                     Holding(kWithMetadata)(path);
                     fs::create_directory(platform::NextTemporaryPath(path));
                 },
                 kRewritten, "", kImage},
        FileCase{"ReadOnlyRefused", Holding(kWithMetadata, true), kFailed, kReadOnly, kWithMetadata,
                 false, 1},
        FileCase{"ReadOnlyAllowed", Holding(kWithMetadata, true), kRewritten, "", kImage, true, 1},
        FileCase{"ReadOnlyWithoutPolicyRefused", Holding(kWithMetadata, true), kFailed, kReadOnly,
                 kWithMetadata, std::nullopt},
        FileCase{"ReadOnlyNothingToChange", Holding(kImage, true), kNothingToChange, "", kImage,
                 false}),
    [](const auto &row) { return row.param.name; });

} // namespace
