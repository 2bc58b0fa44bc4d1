#pragma once

// The engine's few operating-system services. Each platform supplies its own implementation
// (posix/, win32/); the walk and the read-only policy are built on these alone. Only the
// engine includes this: the programs reach these services through the engine's headers.

#include "engine/FileAttributes.h"
#include "engine/FileTypes.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sparrowtrim::platform {

// Reads the whole regular file into `buffer`, followed by `padding` zero bytes, and tells which
// file it was. Fails, leaving the buffer's content unspecified, when the file cannot be opened
// or read, is not a regular file, or holds more than `maxLength` bytes.
// `guard` then holds the file open, with a read lease where the system grants one; a file that
// another program has open for writing fails with Cause::WriterActive.
FileStatus ReadWholeFile(const std::string &path, std::size_t maxLength, std::size_t padding,
                         std::vector<std::uint8_t> &buffer, SourceFile &source, SourceGuard &guard);

// Takes the new stamp of a source file whose attributes the program itself has just changed;
// fails when the file has been replaced or its content changed meanwhile.
FileStatus Restamp(SourceFile &source);

// Writes `pieces`, one after the other, to a new temporary file beside the source and gives it
// the source's owner, group, permission bits and extended attributes and, when keepTime is set,
// the source's modification time (as finely as the file system keeps it) as its access and
// modification times. Fails, leaving nothing behind, when any of them cannot be given; a full
// disk or quota fails with Cause::NoSpace.
FileStatus StageReplacement(const SourceFile &source,
                            std::span<const std::span<const std::uint8_t>> pieces, bool keepTime,
                            StagedFile &staged);

// Puts the bytes of every staged file on the disk; statuses[i] tells how files[i] fared.
void MakeDurable(std::span<StagedFile *const> files, std::span<FileStatus> statuses);

// Switches a durable staged file in under the source's path, provided the path still names
// the very file that was read, unchanged, and no other program opened it for writing since it
// was read; otherwise nothing is switched and the temporary file is gone. The guard is released
// once the switch has been made and checked.
FileStatus SwitchIn(StagedFile &staged);

// Closes and removes a staged file that is not to be switched in, or the file a switch
// replaced.
void Discard(StagedFile &staged);

// Whether one flush of the file system that `folder` lies on reaches the disk for all its files.
bool FileSystemFlushReachesDisk(const std::string &folder);

// Makes the switches of files in `folder` survive a power cut.
FileStatus FlushFolder(const std::string &folder);

// The folder of a path, as FlushFolder takes it.
std::string FolderOf(const std::string &path);

// Removes the temporary files in `folder` that a run of this program left behind and whose
// writer no longer runs; never touches anything else.
void RemoveLeftovers(const std::string &folder);

// The temporary name of the next file staged for `path`.
std::string NextTemporaryPath(const std::string &path);

enum class ReadOnlyState { Writable, ReadOnly, Unknown };
ReadOnlyState QueryReadOnly(const std::string &path);
// Gives the file normal attributes; false when they cannot be set. `previous` receives what
// RestoreReadOnly needs to put the attributes back.
bool ClearReadOnly(const std::string &path, std::uint32_t &previous);
// Puts back the attributes ClearReadOnly took away, provided the path still names the file
// they were taken from and nobody changed them since.
void RestoreReadOnly(const SourceFile &source, std::uint32_t previous);

// The file's last-write time, 0 unless the file is writable and opens for reading and writing.
FileTime ReadLastWriteTime(const std::string &path);
// Sets every time the platform can set; a file that does not open for reading and writing
// keeps its times.
void WriteFileTimes(const std::string &path, FileTime time);

} // namespace sparrowtrim::platform
