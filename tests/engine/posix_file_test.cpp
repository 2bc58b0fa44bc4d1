// What the rewrite keeps and refuses where files carry POSIX permissions and owners.

#include "mJPEGOpt.h"
#include "test_files.h"

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace sparrowtrim;
using namespace sparrowtrim::test;

namespace {

struct PermissionCase
{
    std::string name;
    std::string fileName;
    unsigned before;
    unsigned after;
};

using PermissionTest = testing::TestWithParam<PermissionCase>;

// The new file keeps the old one's permission bits, and its owner and group where the process
// may set them (root gives the file to a stranger first).
TEST_P(PermissionTest, RewriteKeepsPermissionsAndOwner)
{
    const PermissionCase &row = GetParam();
    TemporaryFolder folder;
    const std::string path = folder.File(row.fileName);
    WriteBytes(path, kWithMetadata);
    ASSERT_TRUE(::geteuid() != 0 || ::chown(path.c_str(), 4321, 8765) == 0);
    ASSERT_EQ(::chmod(path.c_str(), row.before), 0);
    struct stat before, after;
    ASSERT_EQ(::stat(path.c_str(), &before), 0);

    mJPEGOpt engine([] { return true; });
    ASSERT_EQ(engine.OptimizeJPEG(path), kRewritten);
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, row.after);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(ReadBytes(path), kImage);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{row.fileName});
}

INSTANTIATE_TEST_SUITE_P(
    Posix, PermissionTest,
    testing::Values(PermissionCase{"PrivatePhotoStaysPrivate", kPhoto, 0600, 0600},
                    PermissionCase{"SharedAndExecutable", kPhoto, 0755, 0755},
                    PermissionCase{"AllowedReadOnlyGainsOwnerWrite", kPhoto, 0444, 0644},
                    PermissionCase{"AllowedWithoutAnyPermission", kPhoto, 0000, 0200},
                    // The temporary name must stay within the 255 bytes a name may take.
                    PermissionCase{"LongestFileName", std::string(251, 'n') + ".jpg", 0644, 0644}),
    [](const auto &row) { return row.param.name; });

TEST(PosixFileTest, SymbolicLinkStaysAndItsTargetIsRewritten)
{
    TemporaryFolder folder;
    WriteBytes(folder.File(kPhoto), kWithMetadata);
    fs::create_symlink(kPhoto, folder.File("link.jpg"));

    mJPEGOpt engine;
    ASSERT_EQ(engine.OptimizeJPEG(folder.File("link.jpg")), kRewritten);
    EXPECT_EQ(fs::read_symlink(folder.File("link.jpg")), kPhoto);
    EXPECT_EQ(ReadBytes(folder.File(kPhoto)), kImage);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"link.jpg", kPhoto}));
}

// The file-size limit stops the write of the temporary file half-way.
TEST(PosixFileTest, WriteStoppedHalfWayLeavesOriginal)
{
    TemporaryFolder folder;
    const std::string path = folder.File(kPhoto);
    const Bytes original =
        kSoi + kApp0 + Segment(0xE1, Text("Exif")) + kTables + kSos + Bytes(64 * 1024, 0x5A) + kEoi;
    WriteBytes(path, original);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {4096, 4096};
        mJPEGOpt engine;
        ::_exit(::setrlimit(RLIMIT_FSIZE, &limit) == 0 && engine.OptimizeJPEG(path) == kFailed &&
                        engine.ResultMessage() == kCouldNotWrite
                    ? 0
                    : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadBytes(path), original);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{kPhoto});
}

// A named pipe would hold the program; a file too long for the 32-bit lengths would overflow
// them (sparse: it takes no room on disk).
TEST(PosixFileTest, UnreadableInputsAreRefusedAtOnce)
{
    TemporaryFolder folder;
    ASSERT_EQ(::mkfifo(folder.File("pipe.jpg").c_str(), 0644), 0);
    WriteBytes(folder.File("huge.jpg"), kImage);
    fs::resize_file(folder.File("huge.jpg"),
                    std::uintmax_t{std::numeric_limits<std::int32_t>::max()} + 1);
    for (const char *name : {"pipe.jpg", "huge.jpg"}) {
        mJPEGOpt engine;
        EXPECT_EQ(engine.OptimizeJPEG(folder.File(name)), kFailed) << name;
        EXPECT_EQ(engine.ResultMessage(), kCouldNotOpen) << name;
    }
}

} // namespace
