// What the rewrite does with Windows file attributes, and the ways a path can be spelled there.

#include "FileAttributes.h"
#include "mJPEGOpt.h"
#include "test_files.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <windows.h>

namespace fs = std::filesystem;
using namespace sparrowtrim;
using namespace sparrowtrim::test;

namespace {

// The bits a user sees. Wine reports every file as ready for archiving, so the archive bit
// is left out.
unsigned long VisibleBits(const std::string &path)
{
    return ::GetFileAttributesA(path.c_str()) &
           (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
}

constexpr unsigned long kReadOnlyBit = FILE_ATTRIBUTE_READONLY;
constexpr unsigned long kHidden = FILE_ATTRIBUTE_HIDDEN;

struct AttributeCase
{
    std::string name;
    Bytes content;
    unsigned long before;
    bool processReadOnly;
    bool heldOpen; // by another program that does not let it be deleted
    std::int32_t result;
    std::string message;
    unsigned long after;
};

using AttributeTest = testing::TestWithParam<AttributeCase>;

// A rewritten photo is a new file that carries none of the old attributes; one that cannot be
// replaced stays as it was, read-only state included.
TEST_P(AttributeTest, RewrittenFileIsANewFile)
{
    const AttributeCase &row = GetParam();
    TemporaryFolder folder;
    const std::string path = folder.File(kPhoto);
    WriteBytes(path, row.content);
    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), row.before));
    const HANDLE holder = row.heldOpen
                              ? ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                              : INVALID_HANDLE_VALUE;

    mJPEGOpt engine([&] { return row.processReadOnly; });
    const std::int32_t result = engine.OptimizeJPEG(path);
    if (holder != INVALID_HANDLE_VALUE)
        ::CloseHandle(holder);
    ASSERT_EQ(result, row.result);
    EXPECT_EQ(engine.ResultMessage(), row.message);
    EXPECT_EQ(ReadBytes(path), row.result == kRewritten ? kImage : row.content);
    EXPECT_EQ(VisibleBits(path), row.after);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{kPhoto});
}

INSTANTIATE_TEST_SUITE_P(
    Win32, AttributeTest,
    testing::Values(AttributeCase{"HiddenSystemFileComesBackPlain", kWithMetadata,
                                  kHidden | FILE_ATTRIBUTE_SYSTEM, false, false, kRewritten, "", 0},
                    AttributeCase{"RefusedReadOnlyFileKeepsItsBits", kWithMetadata,
                                  kReadOnlyBit | kHidden, false, false, kFailed, kReadOnly,
                                  kReadOnlyBit | kHidden},
                    AttributeCase{"NothingToChangeStaysHidden", kImage, kHidden, false, false,
                                  kNothingToChange, "", kHidden},
                    AttributeCase{"HeldOpenElsewhereGetsItsReadOnlyStateBack", kWithMetadata,
                                  kReadOnlyBit | kHidden, true, true, kFailed, kCouldNotWrite,
                                  kReadOnlyBit | kHidden}),
    [](const auto &row) { return row.param.name; });

// Makes a folder the current one for as long as it lives.
class CurrentFolder final
{
public:
    explicit CurrentFolder(const fs::path &folder) { fs::current_path(folder); }
    ~CurrentFolder()
    {
        std::error_code ignored;
        fs::current_path(m_Previous, ignored);
    }
    CurrentFolder(const CurrentFolder &) = delete;
    CurrentFolder &operator=(const CurrentFolder &) = delete;

private:
    fs::path m_Previous = fs::current_path();
};

struct SpellingCase
{
    std::string name;
    std::function<std::string(const fs::path &photo)> spell;
};

using PathSpellingTest = testing::TestWithParam<SpellingCase>;

TEST_P(PathSpellingTest, PhotoIsRewrittenAndItsDateKept)
{
    const SpellingCase &row = GetParam();
    TemporaryFolder folder;
    // OpenFile takes fewer than 128 characters; a photo that lies deeper keeps its date too.
    const fs::path photo = folder.Path() / std::string(120, 'f') / kPhoto;
    fs::create_directories(photo.parent_path());
    WriteBytes(photo, kWithMetadata);
    WriteFileTimes(photo.string(), {kOldTime, kOldTime});
    const CurrentFolder current(photo.parent_path());
    const std::string path = row.spell(photo);

    EXPECT_EQ(GetLastWriteTime(path), kOldTime);
    mJPEGOpt engine;
    ASSERT_EQ(engine.OptimizeJPEG(path), kRewritten);
    SetFileTimes(path, kOldTime + 1);
    EXPECT_EQ(ReadBytes(photo), kImage);
    EXPECT_EQ(ReadFileTimes(photo.string()).modification, kOldTime + 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(photo.parent_path()), fs::directory_iterator()),
              1)
        << "a temporary file was left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Win32, PathSpellingTest,
    testing::Values(SpellingCase{"Backslashes", [](const fs::path &p) { return p.string(); }},
                    SpellingCase{"ForwardSlashes",
                                 [](const fs::path &p) { return p.generic_string(); }},
                    SpellingCase{"BareNameInTheCurrentFolder",
                                 [](const fs::path &p) { return p.filename().string(); }}),
    [](const auto &row) { return row.param.name; });

} // namespace
