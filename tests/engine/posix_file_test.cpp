// What the rewrite keeps and refuses where files carry POSIX permissions, owners and extended
// attributes, and what it does when the system or another program gets in its way.

#include "PlatformFiles.h"
#include "TemporaryNames.h"
#include "mJPEGOpt.h"
#include "test_files.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace sparrowtrim;
using namespace sparrowtrim::test;

namespace {

// Pretends a call did what it was asked, as file systems that ignore some requests do.
constexpr int kIgnored = -1;

// A system function of this process that fails with `error` (when not 0) after `meanwhile`
// (when given) acted on the photo: the engine's calls to it come here before the system.
struct Fault
{
    std::string function;
    int error = 0; // or kIgnored
    std::function<void(const std::string &photo)> meanwhile = {};
};
Fault g_Fault;
std::string g_Photo;
Bytes g_LeftByOther; // what the photo held once `meanwhile` was done with it

// What the call is to return instead of the system's answer: -1 (failed), 0 (ignored), or 1
// to call the system.
int Strike(const char *function)
{
    if (g_Fault.function != function)
        return 1;
    const Fault fault = std::exchange(g_Fault, {});
    if (fault.meanwhile) {
        fault.meanwhile(g_Photo);
        g_LeftByOther = fs::exists(g_Photo) ? ReadBytes(g_Photo) : Bytes{};
    }
    errno = fault.error;
    return fault.error == kIgnored ? 0 : fault.error != 0 ? -1 : 1;
}

// As the programs do: beyond the file-size limit a write fails with its own error.
const auto kIgnoreSizeSignal = std::signal(SIGXFSZ, SIG_IGN);

template <typename Function> Function *Real(const char *name)
{
    return reinterpret_cast<Function *>(::dlsym(RTLD_NEXT, name));
}

} // namespace

#define SPARROWTRIM_FAULT(result, name, parameters, arguments, ...)                                \
    extern "C" result name parameters __VA_ARGS__                                                  \
    {                                                                                              \
        static auto *const real = Real<result parameters>(#name);                                  \
        const int struck = Strike(#name);                                                          \
        return struck == 1 ? real arguments : struck;                                              \
    }
SPARROWTRIM_FAULT(int, fchown, (int fd, uid_t owner, gid_t group), (fd, owner, group), noexcept)
SPARROWTRIM_FAULT(int, fchmod, (int fd, mode_t mode), (fd, mode), noexcept)
SPARROWTRIM_FAULT(int, fsetxattr,
                  (int fd, const char *name, const void *value, size_t size, int flags),
                  (fd, name, value, size, flags), noexcept)
SPARROWTRIM_FAULT(ssize_t, writev, (int fd, const struct iovec *vectors, int count),
                  (fd, vectors, count))
SPARROWTRIM_FAULT(int, fdatasync, (int fd), (fd))
SPARROWTRIM_FAULT(int, renameat2,
                  (int fromFolder, const char *from, int toFolder, const char *to, unsigned flags),
                  (fromFolder, from, toFolder, to, flags), noexcept)
SPARROWTRIM_FAULT(int, fsync, (int fd), (fd))

namespace {

const Bytes kOther = Text("another program's content");

using Attributes = std::map<std::string, std::string>;

Attributes ExtendedAttributes(const std::string &path)
{
    Attributes attributes;
    char names[4096];
    const ssize_t length = ::listxattr(path.c_str(), names, sizeof names);
    for (ssize_t at = 0; at < length; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
        char value[4096];
        const ssize_t size = ::getxattr(path.c_str(), names + at, value, sizeof value);
        attributes[names + at] =
            std::string(value, static_cast<std::size_t>(std::max<ssize_t>(size, 0)));
    }
    return attributes;
}

enum class Left { Original, Optimized, Others, Nothing };

struct FaultCase
{
    std::string name;
    Fault fault;
    Left left;
    std::string setup = {}; // a command run in the photo's folder first
    unsigned mode = 0640;   // "Process Read Only Files" is on
};

using FaultTest = testing::TestWithParam<FaultCase>;

// Whatever goes wrong, the path holds the original as it was (content, owner, permissions,
// extended attributes, read-only state), the optimized bytes with the original's owner,
// permissions (plus the owner's right to write) and attributes, or what another program put
// there; never a temporary file, never a file that was deleted meanwhile. Root gives the photo
// to a stranger first.
TEST_P(FaultTest, LeavesTheOriginalTheNewFileOrTheOtherProgramsOne)
{
    const FaultCase &row = GetParam();
    TemporaryFolder folder;
    const std::string path = folder.File(kPhoto);
    WriteBytes(path, kWithMetadata);
    ASSERT_TRUE(::geteuid() != 0 || ::chown(path.c_str(), 4321, 8765) == 0);
    ASSERT_EQ(::chmod(path.c_str(), row.mode), 0);
    if (!row.setup.empty() &&
        RunCommand("cd '" + folder.Path().string() + "' && " + row.setup + " 2>/dev/null") != 0)
        GTEST_SKIP() << "the file system here takes no extended attributes or access lists";
    struct stat before, after;
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    const Attributes attributesBefore = ExtendedAttributes(path);
    struct rlimit sizeLimit;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &sizeLimit), 0);

    g_Fault = row.fault;
    g_Photo = path;
    mJPEGOpt engine([] { return true; });
    const std::int32_t result = engine.OptimizeJPEG(path);
    g_Fault = {};
    ::setrlimit(RLIMIT_FSIZE, &sizeLimit);

    const bool rewritten = row.left == Left::Optimized && row.fault.error != EIO;
    EXPECT_EQ(result, rewritten ? kRewritten : kFailed);
    EXPECT_EQ(engine.ResultMessage(), rewritten ? "" : kCouldNotWrite);
    EXPECT_EQ(engine.FailureReason().empty(), rewritten) << engine.FailureReason();
    if (row.left == Left::Nothing) {
        EXPECT_TRUE(folder.Names().empty());
        return;
    }
    EXPECT_EQ(folder.Names(), std::vector<std::string>{kPhoto});
    const Bytes expected[] = {kWithMetadata, kImage, g_LeftByOther};
    EXPECT_EQ(ReadBytes(path), expected[static_cast<int>(row.left)]);
    if (row.left == Left::Others)
        return;
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, row.left == Left::Optimized ? row.mode | 0200 : row.mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(ExtendedAttributes(path), attributesBefore);
}

// Another program acting on the photo while its new bytes are flushed.
void Appended(const std::string &photo)
{
    std::ofstream(photo, std::ios::binary | std::ios::app) << "more";
}

void Replaced(const std::string &photo)
{
    WriteBytes(photo + ".new", kOther);
    fs::rename(photo + ".new", photo);
}

// Same size, and the modification time set back: only the change time tells.
void RewrittenInPlace(const std::string &photo)
{
    struct stat status;
    ::stat(photo.c_str(), &status);
    Bytes bytes = kWithMetadata;
    bytes[10] ^= 0xFF;
    WriteBytes(photo, bytes);
    const struct timespec times[2] = {status.st_atim, status.st_mtim};
    ::utimensat(AT_FDCWD, photo.c_str(), times, 0);
}

void Deleted(const std::string &photo)
{
    fs::remove(photo);
}

void SizeLimited(const std::string &)
{
    struct rlimit limit;
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 16;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

// clang-format off
const FaultCase kFaultCases[] = {
    {"FileAppendedWhileFlushed", {"fdatasync", 0, Appended}, Left::Others},
    {"FileReplacedWhileFlushed", {"fdatasync", 0, Replaced}, Left::Others},
    {"FileRewrittenWithItsTimeSetBack", {"fdatasync", 0, RewrittenInPlace}, Left::Others},
    {"FileDeletedWhileFlushedIsNotRecreated", {"fdatasync", 0, Deleted}, Left::Nothing},
    {"FileAppendedJustBeforeTheSwitch", {"renameat2", 0, Appended}, Left::Others},
    {"FileDeletedJustBeforeTheSwitchIsNotRecreated", {"renameat2", 0, Deleted}, Left::Nothing},
    {"WriteBeyondFileSizeLimit", {"writev", 0, SizeLimited}, Left::Original},
    {"WriteFails", {"writev", EIO}, Left::Original},
    {"OwnerCannotBeGiven", {"fchown", EPERM}, Left::Original},
    {"PermissionsCannotBeGiven", {"fchmod", EPERM}, Left::Original},
    {"PermissionsIgnoredByTheFileSystem", {"fchmod", kIgnored}, Left::Original},
    {"AttributeCannotBeCopied", {"fsetxattr", ENOTSUP}, Left::Original,
     "setfattr -n user.origin -v camera photo.jpg"},
    {"FlushFails", {"fdatasync", EIO}, Left::Original},
    {"SwitchFails", {"renameat2", EIO}, Left::Original},
    {"FolderFlushFailsAfterTheSwitch", {"fsync", EIO}, Left::Optimized},
    {"ReadOnlyStateLostWhenTheWriteFails", {"writev", ENOSPC}, Left::Original, "", 0440},
    {"ReadOnlyStateLostWhenTheFlushFails", {"fdatasync", EIO}, Left::Original, "", 0440},
    {"PrivatePhotoOpenedToOthers", {}, Left::Optimized, "", 0600},
    {"SharedAndExecutableBitsLost", {}, Left::Optimized, "", 0755},
    {"ReadOnlyPhotoGivenMoreThanOwnerWrite", {}, Left::Optimized, "", 0444},
    {"PhotoWithoutAnyPermission", {}, Left::Optimized, "", 0000},
    {"AccessListAndAttributesDropped", {}, Left::Optimized,
     "setfattr -n user.origin -v camera photo.jpg && setfacl -m u:nobody:r photo.jpg"},
    {"FolderDefaultAccessListWidensTheNewFile", {}, Left::Optimized, "setfacl -d -m u:nobody:rwx ."},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Posix, FaultTest, testing::ValuesIn(kFaultCases),
                         [](const auto &row) { return row.param.name; });

// A temporary name stays within the 255 bytes a name may take, and file systems that take only
// valid UTF-8 names refuse one that splits a character; names of three-byte characters shifted
// by one byte hit every cut position.
TEST(PosixFileTest, LongestNamesAreCutAtACharacterBoundary)
{
    TemporaryFolder folder;
    for (const std::string shift : {"", "a", "ab"}) {
        std::string name = shift;
        while (name.size() < 248)
            name += "\xE2\x82\xAC"; // the euro sign
        name += ".jpg";
        WriteBytes(folder.File(name), kWithMetadata);
        EXPECT_EQ(mJPEGOpt().OptimizeJPEG(folder.File(name)), kRewritten);
        const std::string temporary =
            fs::path(platform::NextTemporaryPath(folder.File(name))).filename();
        const std::string stem = temporary.substr(0, temporary.rfind(".sparrowtrim-tmp"));
        const std::string kept = stem.substr(1, stem.rfind('.') - 1);
        EXPECT_LE(temporary.size(), 255U);
        ASSERT_TRUE(name.starts_with(kept) && kept.size() < name.size()) << temporary;
        EXPECT_NE(static_cast<unsigned char>(name[kept.size()]) & 0xC0, 0x80) << temporary;
    }
}

TEST(PosixFileTest, OnlyLeftoversOfWritersThatNoLongerRunAreRemoved)
{
    TemporaryFolder folder;
    const auto self = WriterOfTemporaryName(
        fs::path(platform::NextTemporaryPath(folder.File(kPhoto))).filename().string());
    ASSERT_TRUE(self);
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const auto leftover = [&](std::uint32_t machine, std::uint32_t boot, std::uint64_t process) {
        const std::string name = TemporaryName(kPhoto, {machine, boot, process}, 7);
        WriteBytes(folder.File(name), kImage);
        return name;
    };
    const std::string kept[] = {leftover(self->machine, self->boot, self->process),
                                leftover(self->machine, self->boot, 1),
                                leftover(self->machine + 1, self->boot + 1, 999999999),
                                ".photo.jpg.sparrowtrim-tmp", "photo.jpg"};
    leftover(self->machine, self->boot, static_cast<std::uint64_t>(child));
    leftover(self->machine, self->boot + 1, self->process);
    fs::create_directory(folder.File(TemporaryName("folder", {self->machine, 0, 1}, 0)));
    for (const char *name : {".photo.jpg.sparrowtrim-tmp", "photo.jpg"})
        WriteBytes(folder.File(name), kImage);

    platform::RemoveLeftovers(folder.Path().string() + "/");

    std::vector<std::string> expected(std::begin(kept), std::end(kept));
    expected.push_back(TemporaryName("folder", {self->machine, 0, 1}, 0));
    std::ranges::sort(expected);
    EXPECT_EQ(folder.Names(), expected);
}

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
