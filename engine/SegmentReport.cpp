#include "engine/SegmentReport.h"

#include <cstddef>
#include <cstring>
#include <string_view>

namespace sparrowtrim {

namespace {

using namespace std::string_view_literals;

constexpr std::uint8_t kApp0 = 0xE0;
constexpr std::uint8_t kApp1 = 0xE1;
constexpr std::uint8_t kApp2 = 0xE2;
constexpr std::uint8_t kApp13 = 0xED;
constexpr std::uint8_t kApp15 = 0xEF;
constexpr std::uint8_t kComment = 0xFE;
constexpr std::size_t kEntryLength = 12;
constexpr std::uint32_t kGpsTag = 0x8825;

bool StartsWith(std::span<const std::uint8_t> content, std::string_view signature)
{
    return content.size() >= signature.size() &&
           std::memcmp(content.data(), signature.data(), signature.size()) == 0;
}

// Whether the TIFF structure of an EXIF segment points to a GPS directory from its first image
// directory, and has a second image directory (the thumbnail's). A damaged structure says no.
void ReadExifContents(std::span<const std::uint8_t> tiff, SegmentReport &report)
{
    if (tiff.size() < 8 || tiff[0] != tiff[1] || (tiff[0] != 'M' && tiff[0] != 'I'))
        return;
    const bool bigEndian = tiff[0] == 'M';
    const auto word = [&](std::size_t at) -> std::uint32_t {
        return bigEndian ? tiff[at] << 8 | tiff[at + 1] : tiff[at + 1] << 8 | tiff[at];
    };
    const auto doubleWord = [&](std::size_t at) {
        return bigEndian ? word(at) << 16 | word(at + 2) : word(at + 2) << 16 | word(at);
    };
    const std::size_t directory = doubleWord(4);
    if (directory > tiff.size() - 2)
        return;
    const std::size_t count = word(directory);
    if (count > (tiff.size() - directory - 6) / kEntryLength)
        return;
    for (std::size_t i = 0; i < count; ++i)
        report.exifGps = report.exifGps || word(directory + 2 + i * kEntryLength) == kGpsTag;
    const std::size_t next = doubleWord(directory + 2 + count * kEntryLength);
    report.exifThumbnail = report.exifThumbnail || (next != 0 && next < tiff.size());
}

} // namespace

void NoteDroppedSegment(std::span<const std::uint8_t> segment, SegmentReport &report)
{
    const std::uint8_t code = segment[0];
    const auto bytes = static_cast<std::int64_t>(segment.size()) + 1;
    const std::span<const std::uint8_t> content = segment.subspan(segment.size() < 3 ? 1 : 3);
    if (code == kApp1 && StartsWith(content, "Exif\0\0"sv)) {
        report.exif += bytes;
        ReadExifContents(content.subspan(6), report);
    } else if (code == kApp1 && (StartsWith(content, "http://ns.adobe.com/xap/1.0/"sv) ||
                                 StartsWith(content, "http://ns.adobe.com/xmp/extension/"sv))) {
        report.xmp += bytes;
    } else if (code == kApp2 && StartsWith(content, "ICC_PROFILE\0"sv)) {
        report.icc += bytes;
    } else if (code == kApp13) {
        report.photoshop += bytes;
    } else if (code >= kApp0 && code <= kApp15) {
        report.otherApp[code - kApp0] += bytes;
    } else if (code == kComment) {
        report.comments += bytes;
    } else {
        report.otherSegments += bytes;
    }
}

} // namespace sparrowtrim
