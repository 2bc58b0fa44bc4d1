#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace sparrowtrim {

// 100-nanosecond intervals since 1 January 1601, UTC; 0 means no time.
using FileTime = std::uint64_t;

// What it takes to give a file back the read-only state CheckReadOnly cleared.
struct ReadOnlyUndo
{
    bool cleared = false;
    std::uint32_t previous = 0; // the attributes before, in the platform's terms
};

// True when the file must not be overwritten. A read-only file is made writable (and false
// returned) when processReadOnly, asked only then, answers true; an empty function counts as
// "off". Any error answers true. `undo`, when given, learns how to put a cleared read-only
// state back, should the rewrite fail.
bool CheckReadOnly(const std::string &path, const std::function<bool()> &processReadOnly,
                   ReadOnlyUndo *undo = nullptr);

// The answer CheckReadOnly would give, without making any file writable.
bool WouldRefuseOverwrite(const std::string &path, const std::function<bool()> &processReadOnly);

// The file's last-write time, or 0 when the file cannot be opened for reading and writing.
FileTime GetLastWriteTime(const std::string &path);

// Sets every time the platform can set to `time`; 0 and every failure change nothing.
void SetFileTimes(const std::string &path, FileTime time);

} // namespace sparrowtrim
