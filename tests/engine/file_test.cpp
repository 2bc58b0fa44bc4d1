// OptimizeJPEG on files: results and messages, the read-only policy and file dates; then what a
// rewrite keeps and refuses where files carry POSIX permissions, owners and extended
// attributes or Windows attributes, and what it does when the system or another program gets
// in its way.

#include "engine/Replacement.h"
#include "engine/TemporaryNames.h"
#include "engine/mJPEGOpt.h"
#include "tests/engine/engine_fixtures.h"

#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#ifndef _WIN32
#include <cerrno>
#include <csignal>
#include <dlfcn.h>
#include <fcntl.h>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using namespace sparrowtrim;
using namespace sparrowtrim::test;

namespace {

using Prepare = std::function<void(const std::string &path)>;

// The bytes, dated kOld, read-only when asked.
Prepare Holding(const Bytes &bytes, bool readOnly = false)
{
    return [=](const std::string &path) {
        WriteBytes(path, bytes);
        SetFileTimes(path, kOld.fileTime);
        if (readOnly)
            fs::permissions(path, fs::perms::owner_write, fs::perm_options::remove);
    };
}

#ifdef _WIN32
HANDLE g_Holder = nullptr; // another program's, which keeps the photo from being deleted

Prepare WithAttributes(DWORD attributes, bool heldOpen = false)
{
    return [=](const std::string &path) {
        Holding(kWithMetadata)(path);
        ::SetFileAttributesA(path.c_str(), attributes);
        if (heldOpen)
            g_Holder = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
}
#endif

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
    EXPECT_EQ(row.after ? Dates(path) : "old/old", "old/old");
    EXPECT_EQ(row.after || !fs::exists(path) ? GetLastWriteTime(path) : 0,
              row.after && !readOnly ? kOld.fileTime : 0);

    int questions = 0;
    mJPEGOpt engine(row.processReadOnly ? mJPEGOpt::ReadOnlyPolicy([&] {
        ++questions;
        return *row.processReadOnly;
    })
                                        : nullptr);
#ifdef _WIN32
    // Hidden and system bits go with a rewrite, as every attribute does.
    const auto shown = [&] {
        return row.after ? ::GetFileAttributesA(path.c_str()) &
                               (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)
                         : 0;
    };
    const DWORD shownBefore = shown();
    const std::int32_t result = engine.OptimizeJPEG(path);
    if (g_Holder != nullptr)
        ::CloseHandle(std::exchange(g_Holder, nullptr));
    ASSERT_EQ(result, row.result);
    EXPECT_EQ(shown(), row.result == kRewritten ? 0 : shownBefore);
#else
    ASSERT_EQ(engine.OptimizeJPEG(path), row.result);
#endif
    EXPECT_EQ(engine.ResultMessage(), row.message);
    EXPECT_EQ(questions, row.questions);
    EXPECT_EQ(folder.Names(), namesBefore);
    EXPECT_EQ(fs::is_symlink(path), row.name.starts_with("SymbolicLink"));
    if (!row.after) {
        SetFileTimes(path, kDayBefore.fileTime);
        EXPECT_EQ(folder.Names(), namesBefore);
        return;
    }
    // Only a rewrite gives the file a new date; an allowed read-only file was given normal
    // attributes, and only a writable file takes a date.
    EXPECT_EQ(Dates(path).ends_with("/old"), row.result != kRewritten) << Dates(path);
    const bool stillReadOnly = IsReadOnly(path);
    EXPECT_EQ(stillReadOnly, readOnly && row.result != kRewritten);
    SetFileTimes(path, kDayBefore.fileTime);
    const std::string dates = Dates(path);
    EXPECT_TRUE(stillReadOnly ? dates.ends_with("/old") : dates == "day before/day before")
        << dates;
    EXPECT_EQ(ReadBytes(path), *row.after);
    EXPECT_TRUE(row.result == kFailed || engine.OutputLength() == std::ssize(*row.after));
}

const auto kTakeTemporaryName = [](auto &path) {
    Holding(kWithMetadata)(path);
    fs::create_directory(NextTemporaryPath(path));
};

// clang-format off
const FileCase kFileCases[] = {
    {"Rewritten", Holding(kWithMetadata), kRewritten, "", kImage},
    {"NothingToChange", Holding(kImage), kNothingToChange, "", kImage},
    {"EmptyFile", Holding({}), kFailed, kNotJpeg, Bytes{}},
    {"Unparsable", Holding(kHead), kFailed, kParseProblem, kHead},
    {"MissingFile", [](auto &) {}, kFailed, kCouldNotOpen, {}},
    {"Folder", [](auto &path) { fs::create_directory(path); }, kFailed, kCouldNotOpen, {}},
    // Whatever holds the temporary name stays; another name is taken.
    {"TemporaryNameTakenRetriesAnother", kTakeTemporaryName, kRewritten, "", kImage},
    {"ReadOnlyRefused", Holding(kWithMetadata, true), kFailed, kReadOnly, kWithMetadata, false, 1},
    {"ReadOnlyAllowed", Holding(kWithMetadata, true), kRewritten, "", kImage, true, 1},
    {"ReadOnlyWithoutPolicyRefused", Holding(kWithMetadata, true), kFailed, kReadOnly,
     kWithMetadata, std::nullopt},
    {"ReadOnlyNothingToChange", Holding(kImage, true), kNothingToChange, "", kImage},
#ifdef _WIN32
    {"HiddenSystemFileComesBackPlain", WithAttributes(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
     kRewritten, "", kImage},
    {"RefusedReadOnlyFileKeepsItsBits", WithAttributes(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
     kFailed, kReadOnly, kWithMetadata, false, 1},
    {"HeldOpenElsewhereGetsItsReadOnlyStateBack", WithAttributes(FILE_ATTRIBUTE_READONLY, true),
     kFailed, kCouldNotWrite, kWithMetadata, true, 1},
#else
    // The link stays; the file it leads to, with a name as long as names go, is rewritten.
    {"SymbolicLinkToALongName", [](auto &path) { Holding(kWithMetadata)(path + std::string(242, 'x'));
     fs::create_symlink(kPhoto + std::string(242, 'x'), path); }, kRewritten, "", kImage},
    // A named pipe would hold the program; a file too long for the 32-bit lengths would overflow
    // them (sparse: it takes no room on disk).
    {"NamedPipe", [](auto &path) { ::mkfifo(path.c_str(), 0644); }, kFailed, kCouldNotOpen, {}},
    {"TooLong", [](auto &path) { WriteBytes(path, kImage); fs::resize_file(path, 1UL << 31); },
     kFailed, kCouldNotOpen, {}},
#endif
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Files, FileTest, testing::ValuesIn(kFileCases),
                         [](const auto &row) { return row.param.name; });

// A file that is gone by the time of the write would be created anew: never writable.
TEST(CheckReadOnlyTest, MissingFileIsNeverWritable)
{
    TemporaryFolder folder;
    for (const bool processReadOnly : {false, true})
        EXPECT_TRUE(CheckReadOnly(folder.File(kPhoto), [=] { return processReadOnly; }));
    EXPECT_TRUE(folder.Names().empty());
}

// Cut to the 255 bytes a name may take, never inside a character: file systems that take only
// valid UTF-8 names would refuse it. Three-byte characters shifted by a byte hit every cut.
TEST(TemporaryNameTest, LongestNamesAreCutAtACharacterBoundary)
{
    for (const std::string shift : {"", "a", "ab"}) {
        std::string name = shift;
        while (name.size() < 252)
            name += "\xE2\x82\xAC"; // the euro sign
        const std::string temporary = TemporaryName(name, {1, 2, 3}, 4);
        const std::string stem = temporary.substr(0, temporary.rfind(".sparrowtrim-tmp"));
        const std::string kept = stem.substr(1, stem.rfind('.') - 1);
        EXPECT_LE(temporary.size(), 255U);
        ASSERT_TRUE(name.starts_with(kept) && kept.size() < name.size()) << temporary;
        EXPECT_NE(static_cast<unsigned char>(name[kept.size()]) & 0xC0, 0x80) << temporary;
    }
}

#ifndef _WIN32

int InFolder(const std::string &folder, const std::string &command)
{
    return std::system(("cd '" + folder + "' && " + command).c_str());
}

// Pretends a call did what it was asked, as file systems that ignore some requests do.
constexpr int kIgnored = -1;

// A system function of this process that fails with `error` (when not 0) after `meanwhile`, a
// command run in the photo's folder (or "ulimit": a file-size limit of 16 bytes), acted on the
// photo: the engine's calls to it come here before the system.
struct Fault
{
    std::string function;
    int error = 0; // or kIgnored
    std::string meanwhile = {};
    std::string atTheNextCall = {}; // what the other program does at the function's next call
};
Fault g_Fault;
std::string g_Photo;
Bytes g_LeftByOther;  // what the photo held once `meanwhile` was done with it
Bytes g_FirstByOther; // the same after the first of two
pid_t g_Meanwhile = -1;

// Whether a program is held up in opening a file for writing because this one holds a lease.
bool WriterWaitsForALease()
{
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);)
        if (line.find("LEASE") != std::string::npos && line.find("BREAK") != std::string::npos)
            return true;
    return false;
}

// Where the other program says it has opened the photo: it goes on writing later.
const fs::path kOpened = fs::temp_directory_path() / ("opened-" + std::to_string(::getpid()));

// Starts the other program in the photo's folder; returns once it is done, has opened the photo
// (for a write still to come), or waits for this one, as a writer waits for a lease to be
// given up.
void StartMeanwhile(const std::string &command)
{
    const std::string folder = fs::path(g_Photo).parent_path().string();
    fs::remove(kOpened);
    g_Meanwhile = ::fork();
    if (g_Meanwhile == 0) {
        ::setenv("OPENED", kOpened.c_str(), 1);
        ::execl("/bin/sh", "sh", "-c", ("cd '" + folder + "' && " + command).c_str(), nullptr);
        ::_exit(127);
    }
    for (int waited = 0; waited < 1000 && !WriterWaitsForALease() && !fs::exists(kOpened);
         ++waited) {
        if (::waitpid(g_Meanwhile, nullptr, WNOHANG) == g_Meanwhile) {
            g_Meanwhile = -1;
            return;
        }
        ::usleep(5000);
    }
}

// Lets the other program finish; what it left is then the photo's content.
void FinishMeanwhile()
{
    if (g_Meanwhile > 0 && ::waitpid(std::exchange(g_Meanwhile, -1), nullptr, 0) > 0)
        g_LeftByOther = fs::exists(g_Photo) ? ReadBytes(g_Photo) : Bytes{};
}

// What the call is to return instead of the system's answer: -1 (failed), 0 (ignored), or 1
// to call the system.
int Strike(const char *function)
{
    if (g_Fault.function != function)
        return 1;
    const Fault fault = std::exchange(g_Fault, {});
    if (!fault.atTheNextCall.empty())
        g_Fault = {fault.function, 0, fault.atTheNextCall};
    struct rlimit limit;
    if (fault.meanwhile == "ulimit" && ::getrlimit(RLIMIT_FSIZE, &limit) == 0) {
        limit.rlim_cur = 16;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    } else if (!fault.meanwhile.empty()) {
        StartMeanwhile(fault.meanwhile);
    }
    g_LeftByOther = fs::exists(g_Photo) ? ReadBytes(g_Photo) : Bytes{};
    if (!fault.atTheNextCall.empty())
        g_FirstByOther = g_LeftByOther;
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
SPARROWTRIM_FAULT(int, stat, (const char *path, struct stat *status), (path, status), noexcept)
SPARROWTRIM_FAULT(int, chmod, (const char *path, mode_t mode), (path, mode), noexcept)

namespace {

enum class Left { Original, Optimized, Others, Nothing };

struct FaultCase
{
    std::string name;
    Fault fault;
    Left left;
    std::string setup = {}; // a command run in the photo's folder first
    unsigned mode = 0640;   // "Process Read Only Files" is on
    std::string message = kCouldNotWrite;
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
    if (!row.setup.empty() && InFolder(folder.Path().string(), row.setup + " 2>/dev/null") != 0)
        GTEST_SKIP() << "the file system here takes no extended attributes or access lists";
    const std::string attributes = "getfattr -d -m - " + path + " 2>/dev/null";
    const std::string attributesBefore = Capture(attributes);
    struct stat before, after;
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    struct rlimit sizeLimit;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &sizeLimit), 0);

    g_Fault = row.fault;
    g_Photo = path;
    mJPEGOpt engine([] { return true; });
    const std::int32_t result = engine.OptimizeJPEG(path);
    g_Fault = {};
    FinishMeanwhile();
    ::setrlimit(RLIMIT_FSIZE, &sizeLimit);

    const bool rewritten = row.left == Left::Optimized && row.fault.error != EIO;
    EXPECT_EQ(result, rewritten ? kRewritten : kFailed);
    EXPECT_EQ(engine.ResultMessage(), rewritten ? "" : row.message);
    EXPECT_EQ(engine.FailureReason().empty(), rewritten || row.message == kReadOnly)
        << engine.FailureReason();
    if (row.left == Left::Nothing) {
        EXPECT_TRUE(folder.Names().empty());
        return;
    }
    if (!row.fault.atTheNextCall.empty()) {
        // Two saves around the switch: the first is back at the path, the second kept aside.
        EXPECT_EQ(folder.Names(),
                  (std::vector<std::string>{kPhoto, std::string(kPhoto) + ".kept"}));
        EXPECT_EQ(ReadBytes(path), g_FirstByOther);
        EXPECT_EQ(ReadBytes(path + ".kept"), g_LeftByOther);
        EXPECT_NE(engine.FailureReason().find("kept as " + path + ".kept"), std::string::npos);
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
    EXPECT_EQ(Capture(attributes), attributesBefore);
}

// Another program acting on the photo just before the write or while its new bytes are flushed;
// one rewrite keeps the size and sets the modification time back: only the change time tells.
const std::string kAppend = "echo more >>photo.jpg";
const std::string kReplace = "echo other >new && mv new photo.jpg";
const std::string kRewriteInPlace =
    "touch -r photo.jpg t && printf X | dd of=photo.jpg bs=1 "
    "seek=9 conv=notrunc status=none && touch -r t photo.jpg && rm t";
const std::string kDelete = "rm photo.jpg";
// A program that opens the photo for writing, pauses, then writes.
const std::string kOpenPauseAppend =
    "exec 3>>photo.jpg && touch \"$OPENED\" && sleep 0.3 && echo more >&3";
const std::string kAttribute = "setfattr -n user.origin -v camera photo.jpg";

// clang-format off
const FaultCase kFaultCases[] = {
    {"FileDeletedBeforeTheReadOnlyCheck", {"stat", 0, kDelete}, Left::Nothing, "", 0640, kReadOnly},
    {"ReadOnlyStateCannotBeCleared", {"chmod", EPERM}, Left::Original, "", 0440, kReadOnly},
    {"WriterHoldsTheFileOpen", {}, Left::Original, "sleep 2 >>photo.jpg &"},
    {"FileAppendedWhileFlushed", {"fdatasync", 0, kAppend}, Left::Others},
    {"FileReplacedWhileFlushed", {"fdatasync", 0, kReplace}, Left::Others},
    {"FileRewrittenWithItsTimeSetBack", {"fdatasync", 0, kRewriteInPlace}, Left::Others},
    {"FileDeletedWhileFlushedIsNotRecreated", {"fdatasync", 0, kDelete}, Left::Nothing},
    {"FileAppendedJustBeforeTheSwitch", {"renameat2", 0, kAppend}, Left::Others},
    {"WriterOpensWhileFlushedAndWritesAfterTheSwitch", {"fdatasync", 0, kOpenPauseAppend},
     Left::Others},
    {"WriterOpensJustBeforeTheSwitch", {"renameat2", 0, kOpenPauseAppend}, Left::Others},
    {"EditorSavesBeforeTheSwitchAndAgainBeforeItIsUndone",
     {"renameat2", 0, "echo one >new && mv new photo.jpg", "echo two >new && mv new photo.jpg"},
     Left::Others},
    {"FileDeletedJustBeforeTheSwitchIsNotRecreated", {"renameat2", 0, kDelete}, Left::Nothing},
    {"WriteBeyondFileSizeLimit", {"writev", 0, "ulimit"}, Left::Original},
    {"OwnerCannotBeGiven", {"fchown", EPERM}, Left::Original},
    {"PermissionsCannotBeGiven", {"fchmod", EPERM}, Left::Original},
    {"PermissionsIgnoredByTheFileSystem", {"fchmod", kIgnored}, Left::Original},
    {"PermissionsNeedNoChangeWhereTheyCannotBeSet", {"fchmod", ENOSYS}, Left::Optimized, "", 0600},
    {"AttributeCannotBeCopied", {"fsetxattr", ENOTSUP}, Left::Original, kAttribute},
    {"SwitchFails", {"renameat2", EIO}, Left::Original},
    {"FolderFlushFailsAfterTheSwitch", {"fsync", EIO}, Left::Optimized},
    {"ReadOnlyStateLostWhenTheWriteFails", {"writev", ENOSPC}, Left::Original, "", 0440},
    {"ReadOnlyStateLostWhenTheFlushFails", {"fdatasync", EIO}, Left::Original, "", 0440},
    {"SharedAndExecutableBitsLost", {}, Left::Optimized, "", 0755},
    {"ReadOnlyPhotoGivenMoreThanOwnerWrite", {}, Left::Optimized, "", 0444},
    {"AccessListAndAttributesDropped", {}, Left::Optimized,
     kAttribute + " && setfacl -m u:nobody:r photo.jpg"},
    {"FolderDefaultAccessListWidensTheNewFile", {}, Left::Optimized, "setfacl -d -m u:nobody:rwx ."},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Posix, FaultTest, testing::ValuesIn(kFaultCases),
                         [](const auto &row) { return row.param.name; });

// A leftover goes once no writer holds it, whatever machine, container or process its name
// names, unless its writer still runs here (it may not have locked it yet); one a writer holds
// stays, and so does every other name.
TEST(PosixFileTest, OnlyLeftoversNoWriterHoldsAreRemoved)
{
    TemporaryFolder folder;
    const auto self =
        WriterOfTemporaryName(fs::path(NextTemporaryPath(folder.File(kPhoto))).filename().string());
    ASSERT_TRUE(self);
    const auto leftover = [&](std::uint32_t machine, std::uint32_t boot, std::uint64_t process) {
        const std::string name = TemporaryName(kPhoto, {machine, boot, process}, 7);
        WriteBytes(folder.File(name), kImage);
        return name;
    };
    const std::string held = leftover(self->machine + 1, self->boot + 1, 999999999);
    const int writer = ::open(folder.File(held).c_str(), O_RDWR | O_CLOEXEC);
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    ASSERT_EQ(::fcntl(writer, F_OFD_SETLK, &lock), 0);
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    std::vector<std::string> kept = {held, leftover(self->machine, self->boot, self->process),
                                     ".photo.jpg.sparrowtrim-tmp", kPhoto,
                                     TemporaryName("folder", {self->machine, 0, 1}, 0)};
    leftover(self->machine, self->boot, static_cast<std::uint64_t>(child));
    leftover(self->machine + 1, self->boot, 1); // another container's, killed
    fs::create_directory(folder.File(kept.back()));
    for (const char *name : {".photo.jpg.sparrowtrim-tmp", kPhoto})
        WriteBytes(folder.File(name), kImage);

    RemoveLeftovers(folder.Path().string() + "/");
    ::close(writer);

    std::ranges::sort(kept);
    EXPECT_EQ(folder.Names(), kept);
}

#endif

} // namespace
