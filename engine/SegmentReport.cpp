#include "engine/SegmentReport.h"

#include "engine/JpegMarkers.h"
#include "engine/TiffReader.h"

#include <cstddef>
#include <cstring>
#include <string_view>

namespace sparrowtrim {

namespace {

using namespace std::string_view_literals;

using namespace marker;
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
    const TiffReader reader(tiff);
    if (!reader.HasByteOrder())
        return;
    const std::size_t directory = reader.FirstDirectory();
    if (directory > tiff.size() - 2)
        return;
    const std::size_t count = reader.Word(directory);
    if (count > (tiff.size() - directory - 6) / TiffReader::kEntryLength)
        return;
    for (std::size_t i = 0; i < count; ++i)
        report.exifGps =
            report.exifGps || reader.Word(directory + 2 + i * TiffReader::kEntryLength) == kGpsTag;
    const std::size_t next = reader.DoubleWord(directory + 2 + count * TiffReader::kEntryLength);
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
