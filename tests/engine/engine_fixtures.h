#pragma once

// Hand-built JPEG bytes, the engine's messages, and dates for the engine's tests. Dates are set and
// read through the system's own calls, never through the engine.

#include "engine/FileAttributes.h"
#include "tests/support/TestFiles.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace sparrowtrim::test {

inline Bytes operator+(Bytes left, const Bytes &right)
{
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

inline Bytes Text(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

// FF, code, two length bytes counting themselves and the payload, payload.
inline Bytes Segment(std::uint8_t code, const Bytes &payload)
{
    const std::size_t length = payload.size() + 2;
    return Bytes{0xFF, code, static_cast<std::uint8_t>(length >> 8),
                 static_cast<std::uint8_t>(length & 0xFF)} +
           payload;
}

inline const Bytes kSoi = {0xFF, 0xD8};
inline const Bytes kEoi = {0xFF, 0xD9};
inline const Bytes kApp0 = Segment(0xE0, Text("JFIF") + Bytes{0x00, 0x01, 0x01, 0x00, 0x00, 0x01});
// Quantisation table, frame header and Huffman table.
inline const Bytes kTables = Segment(0xDB, {0x00, 0x10, 0x0B}) +
                             Segment(0xC0, {0x08, 0x00, 0x10, 0x00, 0x10, 0x01, 0x01, 0x11, 0x00}) +
                             Segment(0xC4, {0x00, 0x01, 0x00, 0x05});
inline const Bytes kSos = Segment(0xDA, {0x01, 0x01, 0x00, 0x00, 0x3F, 0x00});
// Entropy-coded data with a stuffed zero and a restart marker.
inline const Bytes kData = {0x12, 0x34, 0xFF, 0x00, 0x56, 0xFF, 0xD0, 0x78};
// Everything before the scan, nothing to remove; a whole image; the same with metadata.
inline const Bytes kHead = kSoi + kApp0 + kTables;
inline const Bytes kImage = kHead + kSos + kData + kEoi;
inline const Bytes kWithMetadata =
    kSoi + kApp0 + Segment(0xE1, Text("Exif") + Bytes(40, 0x2A)) + kTables + kSos + kData + kEoi;

inline const std::string kCouldNotOpen = "Couldn't open input file.";
inline const std::string kNotJpeg = "Not a valid JPEG file.  File unchanged.";
inline const std::string kParseProblem = "Problem parsing file.  File unchanged.";
inline const std::string kCouldNotWrite = "Could not write output file.";
inline const std::string kReadOnly = "Cannot overwrite read-only file.";

inline constexpr const char *kPhoto = "photo.jpg";

// The read-only state as users see it.
inline bool IsReadOnly(const std::filesystem::path &path)
{
    using std::filesystem::perms;
    return (std::filesystem::status(path).permissions() & perms::owner_write) == perms::none;
}

// Two dates as file times and as the system keeps them (seconds and nanoseconds since 1970 on
// POSIX): 2001-02-03 04:05:06.7890123 UTC, and the day before.
struct KnownDate
{
    const char *name;
    FileTime fileTime;
    std::int64_t seconds;
    long nanoseconds;
};
inline constexpr KnownDate kOld = {"old", 126256467067890123, 981173106, 789012300};
inline constexpr KnownDate kDayBefore = {"day before", 126255603067890123, 981086706, 789012300};

// A file's last-access and last-write times as "access/write", each named after the date above
// it is, or "other".
inline std::string Dates(const std::string &path)
{
#ifdef _WIN32
    WIN32_FILE_ATTRIBUTE_DATA status;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &status))
        throw std::runtime_error("cannot read the times of " + path);
    const auto name = [](const FILETIME &time) {
        for (const KnownDate &date : {kOld, kDayBefore})
            if ((FileTime{time.dwHighDateTime} << 32 | time.dwLowDateTime) == date.fileTime)
                return std::string(date.name);
        return std::string("other");
    };
    return name(status.ftLastAccessTime) + "/" + name(status.ftLastWriteTime);
#else
    struct stat status;
    if (::stat(path.c_str(), &status) != 0)
        throw std::runtime_error("cannot read the times of " + path);
    const auto name = [](const struct timespec &time) {
        for (const KnownDate &date : {kOld, kDayBefore})
            if (time.tv_sec == date.seconds && time.tv_nsec == date.nanoseconds)
                return std::string(date.name);
        return std::string("other");
    };
    return name(status.st_atim) + "/" + name(status.st_mtim);
#endif
}

// What a command run through the system's shell prints on its standard output.
inline std::string Capture(const std::string &command)
{
    const std::unique_ptr<FILE, int (*)(FILE *)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string printed;
    char buffer[4096];
    while (pipe && !std::feof(pipe.get()) && !std::ferror(pipe.get()))
        printed.append(buffer, std::fread(buffer, 1, sizeof buffer, pipe.get()));
    return printed;
}

} // namespace sparrowtrim::test
