// What the rewrite keeps and refuses where files carry POSIX permissions and owners.

#include "PlatformFiles.h"
#include "mJPEGOpt.h"
#include "test_files.h"

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>
#include <string>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace sparrowtrim;
using namespace sparrowtrim::test;

namespace {

const std::string kCouldNotOpen = "Couldn't open input file.";
const std::string kCouldNotWrite = "Could not write output file.";

const Bytes kWithMetadata = kSoi + kApp0 + Segment(0xE1, Text("Exif") + Bytes(40, 0x2A)) +
                            DropFront(kImage, kSoi.size() + kApp0.size());
constexpr const char *kPhoto = "photo.jpg";

struct PermissionCase
{
    std::string name;
    unsigned before;
    unsigned after;
};

void PrintTo(const PermissionCase &row, std::ostream *out)
{
    *out << row.name;
}

class PermissionTest : public testing::TestWithParam<PermissionCase>
{
};

TEST_P(PermissionTest, RewriteKeepsPermissionBits)
{
    const PermissionCase &row = GetParam();
    TemporaryFolder folder;
    const std::string path = folder.File(kPhoto);
    WriteBytes(path, kWithMetadata);
    SetPermissionBits(path, row.before);

    mJPEGOpt engine([] { return true; });
    ASSERT_EQ(engine.OptimizeJPEG(path), kRewritten);
    EXPECT_EQ(ReadBytes(path), kImage);
    EXPECT_EQ(PermissionBits(path), row.after);
}

INSTANTIATE_TEST_SUITE_P(
    Posix, PermissionTest,
    testing::Values(PermissionCase{"PrivatePhotoStaysPrivate", 0600, 0600},
                    PermissionCase{"GroupReadable", 0640, 0640},
                    PermissionCase{"EveryoneReadable", 0644, 0644},
                    PermissionCase{"Executable", 0755, 0755},
                    PermissionCase{"AllowedReadOnlyGainsOwnerWrite", 0444, 0644},
                    PermissionCase{"AllowedWithoutAnyPermission", 0000, 0200}),
    [](const testing::TestParamInfo<PermissionCase> &row) { return row.param.name; });

TEST(PosixFileTest, RewriteKeepsOwnerAndGroup)
{
    if (!RunsAsRoot())
        GTEST_SKIP() << "only root can give a file to another user";
    TemporaryFolder folder;
    const std::string path = folder.File(kPhoto);
    WriteBytes(path, kWithMetadata);
    const Owner stranger = {4321, 8765};
    SetOwner(path, stranger);
    SetPermissionBits(path, 0640);

    mJPEGOpt engine;
    ASSERT_EQ(engine.OptimizeJPEG(path), kRewritten);
    EXPECT_EQ(OwnerOf(path), stranger);
    EXPECT_EQ(PermissionBits(path), 0640U);
}

TEST(PosixFileTest, SymbolicLinkStaysAndItsTargetIsRewritten)
{
    TemporaryFolder folder;
    const std::string target = folder.File(kPhoto);
    const std::string link = folder.File("link.jpg");
    WriteBytes(target, kWithMetadata);
    fs::create_symlink(kPhoto, link);

    mJPEGOpt engine;
    ASSERT_EQ(engine.OptimizeJPEG(link), kRewritten);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), kPhoto);
    EXPECT_EQ(ReadBytes(target), kImage);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"link.jpg", kPhoto}));
}

TEST(PosixFileTest, WriteStoppedByFileSizeLimitLeavesOriginal)
{
    TemporaryFolder folder;
    const std::string path = folder.File(kPhoto);
    // The rewritten file is far larger than the limit allows.
    const Bytes original = kSoi + kApp0 + Segment(0xE1, Text("Exif")) +
                           DropFront(kHead, kSoi.size() + kApp0.size()) + kSos +
                           Bytes(64 * 1024, 0x5A) + kEoi;
    WriteBytes(path, original);

    constexpr int kAsExpected = 0;
    constexpr int kOtherwise = 1;
    const int status = RunWithFileSizeLimit(4096, [&] {
        mJPEGOpt engine;
        const bool expected =
            engine.OptimizeJPEG(path) == kFailed && engine.ResultMessage() == kCouldNotWrite;
        return expected ? kAsExpected : kOtherwise;
    });
    EXPECT_EQ(status, kAsExpected);
    EXPECT_EQ(ReadBytes(path), original);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{kPhoto});
}

TEST(PosixFileTest, FileTooLargeForItsLengthIsRefused)
{
    TemporaryFolder folder;
    const std::string path = folder.File(kPhoto);
    WriteBytes(path, kImage);
    // Sparse: takes no room on disk.
    fs::resize_file(path, std::uintmax_t{std::numeric_limits<std::int32_t>::max()} + 1);

    mJPEGOpt engine;
    EXPECT_EQ(engine.OptimizeJPEG(path), kFailed);
    EXPECT_EQ(engine.ResultMessage(), kCouldNotOpen);
    EXPECT_EQ(engine.InputLength(), -1);
}

TEST(PosixFileTest, BufferTooLargeForItsLengthIsRefused)
{
    const ReservedBytes huge(std::size_t{std::numeric_limits<std::int32_t>::max()} + 1);
    mJPEGOpt engine;
    EXPECT_EQ(engine.OptimizeBuffer({huge.Data(), huge.Size()}), kFailed);
    EXPECT_EQ(engine.ResultMessage(), kCouldNotOpen);
}

TEST(PosixFileTest, NamedPipeIsRefusedWithoutWaiting)
{
    TemporaryFolder folder;
    const std::string path = folder.File(kPhoto);
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    mJPEGOpt engine;
    EXPECT_EQ(engine.OptimizeJPEG(path), kFailed);
    EXPECT_EQ(engine.ResultMessage(), kCouldNotOpen);
}

TEST(PosixFileTest, TemporaryNameIsHiddenBesideTheFile)
{
    const std::string name(300, 'n');
    const fs::path temporary = platform::TemporaryPathFor("/some/folder/" + name);
    EXPECT_EQ(temporary.parent_path(), "/some/folder");
    EXPECT_EQ(temporary.filename().string().front(), '.');
    EXPECT_LE(temporary.filename().string().size(), 255U);
}

} // namespace
