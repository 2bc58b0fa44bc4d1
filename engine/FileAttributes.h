#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace sparrowtrim {

// 100-nanosecond intervals since 1 January 1601, UTC; 0 means no time.
using FileTime = std::uint64_t;

// True when the file must not be overwritten. A read-only file is made writable (and false
// returned) when processReadOnly, asked only then, answers true; an empty function counts as
// "off". Any error answers true.
bool CheckReadOnly(const std::string &path, const std::function<bool()> &processReadOnly);

// The answer CheckReadOnly would give, without making any file writable.
bool WouldRefuseOverwrite(const std::string &path, const std::function<bool()> &processReadOnly);

// The file's last-write time, or 0 when the file cannot be opened for reading and writing.
FileTime GetLastWriteTime(const std::string &path);

// Sets every time the platform can set to `time`; 0 and every failure change nothing.
void SetFileTimes(const std::string &path, FileTime time);

} // namespace sparrowtrim
