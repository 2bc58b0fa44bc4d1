#include "cli/CleanCopy.h"

#include "engine/Replacement.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace fs = std::filesystem;

namespace sparrowtrim::cli {

namespace {

std::string Reason(const std::string &doing, int error = errno)
{
    return doing + ": " + std::strerror(error);
}

FileStatus WriteAll(int fd, std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return FileStatus::Failed(Reason("writing the copy", put < 0 ? errno : EIO));
        bytes = bytes.subspan(static_cast<std::size_t>(put));
    }
    return FileStatus::Done();
}

// What the copy takes over from its original.
FileStatus TakeOver(int fd, const struct stat &original, bool keepDate)
{
    if (::geteuid() == 0 && ::fchown(fd, original.st_uid, original.st_gid) != 0)
        return FileStatus::Failed(Reason("giving the copy the original's owner and group"));
    if (::fchmod(fd, original.st_mode & 0777) != 0)
        return FileStatus::Failed(Reason("giving the copy the original's permissions"));
    const struct timespec times[2] = {original.st_atim, original.st_mtim};
    if (keepDate && ::futimens(fd, times) != 0)
        return FileStatus::Failed(Reason("giving the copy the original's date"));
    return FileStatus::Done();
}

FileStatus FlushFolder(const std::string &folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool flushed = fd >= 0 && ::fsync(fd) == 0;
    const int error = errno;
    if (fd >= 0)
        ::close(fd);
    return flushed ? FileStatus::Done() : FileStatus::Failed(Reason("flushing the folder", error));
}

CopiedFile Failed(FileOutcome outcome, const std::string &reason)
{
    outcome.result = kFailed;
    outcome.message = kCouldNotWriteMessage;
    outcome.reason = reason;
    return {std::move(outcome), {}};
}

} // namespace

std::vector<PlannedCopy> PlanCopies(const std::vector<InputFile> &files, const std::string &folder)
{
    std::unordered_set<std::string> inputs;
    for (const InputFile &file : files)
        inputs.insert(FileIdentity(file.Path()));
    std::unordered_map<std::string, std::string> taken; // copy's path: the file it is of
    std::vector<PlannedCopy> plans;
    plans.reserve(files.size());
    for (const InputFile &file : files) {
        PlannedCopy plan{folder + file.subFolder + file.name, {}};
        const auto [earlier, added] = taken.try_emplace(plan.path, file.Path());
        if (!added)
            plan.problem = "its copy '" + plan.path + "' is that of '" + earlier->second +
                           "', which came first";
        else if (inputs.contains(FileIdentity(plan.path)))
            plan.problem =
                "its copy '" + plan.path + "' would replace one of the files to optimize";
        plans.push_back(std::move(plan));
    }
    return plans;
}

bool IsInsideTree(const std::string &folder, const std::string &tree)
{
    std::error_code error;
    const fs::path inner = fs::weakly_canonical(fs::absolute(folder), error) / "";
    const fs::path outer = fs::weakly_canonical(fs::absolute(tree), error) / "";
    return inner.string().starts_with(outer.string());
}

StagedCopy::StagedCopy(StagedCopy &&other) noexcept
    : m_Path(std::move(other.m_Path)), m_TemporaryPath(std::move(other.m_TemporaryPath)),
      m_Fd(std::exchange(other.m_Fd, -1))
{}

StagedCopy &StagedCopy::operator=(StagedCopy &&other) noexcept
{
    if (this != &other) {
        Drop();
        m_Path = std::move(other.m_Path);
        m_TemporaryPath = std::move(other.m_TemporaryPath);
        m_Fd = std::exchange(other.m_Fd, -1);
    }
    return *this;
}

void StagedCopy::Drop()
{
    if (m_Fd < 0)
        return;
    ::close(m_Fd);
    m_Fd = -1;
    ::unlink(m_TemporaryPath.c_str());
}

FileStatus StagedCopy::Stage(const std::string &source, const std::string &path,
                             std::span<const std::uint8_t> bytes, bool keepDate)
{
    struct stat original;
    if (::stat(source.c_str(), &original) != 0)
        return FileStatus::Failed(Reason("reading the original's attributes"));
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    if (error)
        return FileStatus::Failed("creating the folder of the copy: " + error.message());
    m_Path = path;
    m_TemporaryPath = NextTemporaryPath(path);
    m_Fd = ::open(m_TemporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (m_Fd < 0)
        return FileStatus::Failed(Reason("creating the copy"));
    FileStatus status = WriteAll(m_Fd, bytes);
    if (status.IsDone())
        status = TakeOver(m_Fd, original, keepDate);
    if (!status.IsDone())
        Drop();
    return status;
}

FileStatus StagedCopy::Place(bool overwrite)
{
    const char *from = m_TemporaryPath.c_str();
    const char *to = m_Path.c_str();
    bool placed = overwrite ? ::rename(from, to) == 0 : ::link(from, to) == 0;
    // Some file systems have no hard links; they may still rename without replacing.
    if (!placed && !overwrite && errno != EEXIST)
        placed = ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0;
    const int error = errno;
    if (placed && !overwrite)
        ::unlink(from);
    if (placed) {
        ::close(std::exchange(m_Fd, -1));
        return FileStatus::Done();
    }
    Drop();
    if (error == EEXIST)
        return FileStatus::Failed("the copy '" + m_Path + "' exists; --overwrite replaces it");
    return FileStatus::Failed(Reason("putting the copy in place", error));
}

CopiedFile PrepareCopy(mJPEGOpt &engine, const InputFile &file, const PlannedCopy &plan,
                       bool overwrite, bool keepDate)
{
    FileOutcome outcome;
    outcome.name = file.name;
    outcome.path = file.Path();
    outcome.dryRun = engine.Options().dryRun;
    if (!plan.problem.empty())
        return Failed(std::move(outcome), plan.problem);
    struct stat existing;
    if (!overwrite && ::lstat(plan.path.c_str(), &existing) == 0)
        return Failed(std::move(outcome),
                      "the copy '" + plan.path + "' exists; --overwrite replaces it");

    outcome = OutcomeOf(engine, engine.ExamineJPEG(outcome.path), file.folder, file.name);
    if (outcome.result == kFailed || outcome.dryRun)
        return {std::move(outcome), {}};
    CopiedFile copied{std::move(outcome), {}};
    const FileStatus staged = copied.copy.Stage(
        copied.outcome.path, plan.path,
        copied.outcome.result == kRewritten ? engine.Output() : engine.Input(), keepDate);
    if (!staged.IsDone())
        return Failed(std::move(copied.outcome), staged.Reason());
    return copied;
}

CopyGroup::CopyGroup(const std::string &folder, bool overwrite, std::size_t mostFiles,
                     Report report)
    : m_Folder(fs::path(folder).lexically_normal().string()), m_Overwrite(overwrite),
      m_Fill(mostFiles), m_Report(std::move(report)),
      // FUSE and network file systems never see a syncfs: there each copy is flushed alone.
      m_SyncfsReachesDisk(FileSystemFlushReachesDisk(folder)),
      // Opened before any copy is written: a flush of the file system through it reports
      // every failure to write since.
      m_Sentinel(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{}

CopyGroup::~CopyGroup()
{
    if (m_Sentinel >= 0)
        ::close(m_Sentinel);
}

void CopyGroup::Add(CopiedFile file)
{
    const std::size_t waiting =
        file.copy.IsPending() ? static_cast<std::size_t>(file.outcome.outputLength) : 0;
    m_Files.push_back(std::move(file));
    if (m_Fill.Add(waiting))
        Commit();
}

// One flush of the output's file system puts a whole group on the disk; a copy on another file
// system (a mount inside the output folder), or every copy when that flush fails, is flushed
// on its own.
void CopyGroup::Flush(std::vector<CopiedFile *> &pending)
{
    struct stat folder;
    const bool grouped = pending.size() > 1 && m_Sentinel >= 0 && m_SyncfsReachesDisk &&
                         ::fstat(m_Sentinel, &folder) == 0 && ::syncfs(m_Sentinel) == 0;
    for (CopiedFile *file : pending) {
        struct stat copy;
        if (grouped && ::fstat(file->copy.Handle(), &copy) == 0 && copy.st_dev == folder.st_dev)
            continue;
        if (::fdatasync(file->copy.Handle()) != 0)
            file->outcome = Failed(std::move(file->outcome), Reason("flushing the copy")).outcome;
    }
}

void CopyGroup::Commit()
{
    std::vector<CopiedFile *> pending;
    for (CopiedFile &file : m_Files)
        if (file.copy.IsPending())
            pending.push_back(&file);
    Flush(pending);
    // The folders that received a copy, and those made for them, up to the output folder.
    std::set<std::string> folders;
    for (CopiedFile *file : pending) {
        if (file->outcome.result == kFailed) {
            file->copy = {};
            continue;
        }
        const FileStatus placed = file->copy.Place(m_Overwrite);
        if (!placed.IsDone()) {
            file->outcome = Failed(std::move(file->outcome), placed.Reason()).outcome;
            continue;
        }
        for (fs::path folder = fs::path(file->copy.Path()).parent_path().lexically_normal();
             folders.insert(folder.string()).second && folder.string().size() > m_Folder.size();)
            folder = folder.parent_path();
    }
    for (const std::string &folder : folders) {
        const FileStatus flushed = FlushFolder(folder);
        if (!flushed.IsDone())
            for (CopiedFile *file : pending)
                if (file->outcome.result != kFailed &&
                    fs::path(file->copy.Path()).parent_path().lexically_normal() == folder)
                    file->outcome = Failed(std::move(file->outcome), flushed.Reason()).outcome;
    }
    for (const CopiedFile &file : m_Files)
        m_Report(file.outcome);
    m_Files.clear();
    m_Fill.Clear();
}

} // namespace sparrowtrim::cli
