// What the rewrite does with Windows file attributes, and the ways a path can be spelled there.

#include "FileAttributes.h"
#include "mJPEGOpt.h"
#include "test_files.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>
#include <windows.h>

namespace fs = std::filesystem;
using namespace sparrowtrim;
using namespace sparrowtrim::test;

namespace {

const std::string kCouldNotWrite = "Could not write output file.";

const Bytes kWithMetadata = kSoi + kApp0 + Segment(0xE1, Text("Exif") + Bytes(40, 0x2A)) +
                            DropFront(kImage, kSoi.size() + kApp0.size());
constexpr const char *kPhoto = "photo.jpg";
constexpr FileTime kOldTime = 126258579067890123;
constexpr FileTime kNewTime = kOldTime + 864'000'000'000;

// The bits a user sees and the rewrite must not carry over. Wine reports every file as
// ready for archiving, so the archive bit is left out of the comparisons.
constexpr unsigned long kVisibleBits =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

unsigned long VisibleBits(const std::string &path)
{
    return Attributes(path) & kVisibleBits;
}

struct AttributeCase
{
    std::string name;
    Bytes content;
    unsigned long before;
    bool processReadOnly;
    std::int32_t result;
    unsigned long after;
};

void PrintTo(const AttributeCase &row, std::ostream *out)
{
    *out << row.name;
}

class AttributeTest : public testing::TestWithParam<AttributeCase>
{
};

TEST_P(AttributeTest, RewrittenFileIsANewFile)
{
    const AttributeCase &row = GetParam();
    TemporaryFolder folder;
    const std::string path = folder.File(kPhoto);
    WriteBytes(path, row.content);
    SetAttributes(path, row.before);

    mJPEGOpt engine([&] { return row.processReadOnly; });
    ASSERT_EQ(engine.OptimizeJPEG(path), row.result);
    EXPECT_EQ(ReadBytes(path), row.result == kRewritten ? kImage : row.content);
    EXPECT_EQ(VisibleBits(path), row.after);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{kPhoto});
}

INSTANTIATE_TEST_SUITE_P(
    Win32, AttributeTest,
    testing::Values(
        AttributeCase{"HiddenSystemFileComesBackPlain", kWithMetadata,
                      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, false, kRewritten, 0},
        AttributeCase{"AllowedReadOnlyHiddenFileComesBackPlain", kWithMetadata,
                      FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, true,
                      kRewritten, 0},
        AttributeCase{"RefusedReadOnlyFileKeepsItsBits", kWithMetadata,
                      FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, false, kFailed,
                      FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN},
        AttributeCase{"HiddenFileWithNothingToChangeStaysHidden", kImage, FILE_ATTRIBUTE_HIDDEN,
                      false, kNothingToChange, FILE_ATTRIBUTE_HIDDEN}),
    [](const testing::TestParamInfo<AttributeCase> &row) { return row.param.name; });

// Another program holds the photo open without letting it be deleted, so it cannot be
// replaced. The read-only file was allowed, so it keeps the normal attributes it was given.
TEST(Win32FileTest, PhotoHeldOpenElsewhereStaysAsItWas)
{
    TemporaryFolder folder;
    const std::string path = folder.File(kPhoto);
    WriteBytes(path, kWithMetadata);
    SetAttributes(path, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    const HANDLE holder = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    mJPEGOpt engine([] { return true; });
    const std::int32_t result = engine.OptimizeJPEG(path);
    ::CloseHandle(holder);

    ASSERT_EQ(result, kFailed);
    EXPECT_EQ(engine.ResultMessage(), kCouldNotWrite);
    EXPECT_EQ(ReadBytes(path), kWithMetadata);
    EXPECT_EQ(VisibleBits(path), 0UL);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{kPhoto});
}

// Makes a folder the current one for as long as it lives.
class CurrentFolder final
{
public:
    explicit CurrentFolder(const fs::path &folder) : m_Previous(fs::current_path())
    {
        fs::current_path(folder);
    }
    ~CurrentFolder()
    {
        std::error_code ignored;
        fs::current_path(m_Previous, ignored);
    }
    CurrentFolder(const CurrentFolder &) = delete;
    CurrentFolder &operator=(const CurrentFolder &) = delete;

private:
    fs::path m_Previous;
};

std::string WithForwardSlashes(std::string path)
{
    std::ranges::replace(path, '\\', '/');
    return path;
}

struct SpellingCase
{
    std::string name;
    std::string subfolder; // where the photo lies inside the temporary folder
    // The path handed to the engine, from the photo's full path.
    std::function<std::string(const fs::path &photo)> spell;
    bool fromItsFolder; // the photo's folder is the current one
};

void PrintTo(const SpellingCase &row, std::ostream *out)
{
    *out << row.name;
}

class PathSpellingTest : public testing::TestWithParam<SpellingCase>
{
};

TEST_P(PathSpellingTest, PhotoIsRewrittenAndItsDateKept)
{
    const SpellingCase &row = GetParam();
    TemporaryFolder folder;
    const fs::path photoFolder = folder.Path() / row.subfolder;
    fs::create_directories(photoFolder);
    const fs::path photo = photoFolder / kPhoto;
    WriteBytes(photo, kWithMetadata);
    WriteFileTimes(photo.string(), {kOldTime, kOldTime});
    std::optional<CurrentFolder> current;
    if (row.fromItsFolder)
        current.emplace(photoFolder);
    const std::string path = row.spell(photo);

    const FileTime saved = GetLastWriteTime(path);
    EXPECT_EQ(saved, kOldTime);
    mJPEGOpt engine;
    ASSERT_EQ(engine.OptimizeJPEG(path), kRewritten);
    SetFileTimes(path, kNewTime);

    EXPECT_EQ(ReadBytes(photo), kImage);
    EXPECT_EQ(ReadFileTimes(photo.string()).modification, kNewTime);
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(photoFolder))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{kPhoto}) << "a temporary file was left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Win32, PathSpellingTest,
    testing::Values(
        SpellingCase{"Backslashes", "photos", [](const fs::path &p) { return p.string(); }, false},
        SpellingCase{"ForwardSlashes", "photos",
                     [](const fs::path &p) { return WithForwardSlashes(p.string()); }, false},
        SpellingCase{"BareNameInTheCurrentFolder", "photos",
                     [](const fs::path &p) { return p.filename().string(); }, true},
        // OpenFile takes fewer than 128 characters; the date of a photo deeper down is kept too.
        SpellingCase{"PathLongerThanOpenFileTakes", std::string(120, 'f'),
                     [](const fs::path &p) { return p.string(); }, false}),
    [](const testing::TestParamInfo<SpellingCase> &row) { return row.param.name; });

// OpenFile looks a bare name up in the system folders when the current folder lacks it; the
// dates of a file there must never be read or changed in a photo's stead.
TEST(Win32FileTest, BareNameIsNotLookedUpInTheSystemFolders)
{
    char windowsFolder[MAX_PATH];
    ASSERT_NE(::GetWindowsDirectoryA(windowsFolder, MAX_PATH), 0U);
    const std::string systemFile = (fs::path(windowsFolder) / "win.ini").string();
    ASSERT_TRUE(fs::is_regular_file(systemFile)) << systemFile;
    const FileTime systemFileTime = ReadFileTimes(systemFile).modification;

    TemporaryFolder folder;
    const CurrentFolder current(folder.Path());
    EXPECT_EQ(GetLastWriteTime("win.ini"), 0U);
    SetFileTimes("win.ini", kOldTime);
    EXPECT_EQ(ReadFileTimes(systemFile).modification, systemFileTime);
    EXPECT_TRUE(folder.Names().empty());
}

} // namespace
