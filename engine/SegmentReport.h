#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace sparrowtrim {

// What the walk of one file dropped, in bytes (marker included), and what it kept only because
// it was asked to. It is counted once per segment, so it costs the walk nothing measurable.
struct SegmentReport
{
    std::int64_t exif = 0;
    bool exifGps = false;       // an EXIF segment dropped held a GPS position
    bool exifThumbnail = false; // and a thumbnail image
    std::int64_t xmp = 0;
    std::int64_t icc = 0;
    std::int64_t photoshop = 0;              // APP13: IPTC and Photoshop data
    std::array<std::int64_t, 16> otherApp{}; // other APPn segments, by n
    std::int64_t comments = 0;
    std::int64_t otherSegments = 0; // markers a decoder does not need that are not APPn
    std::int64_t fill = 0;
    std::int64_t beforeImage = 0;
    std::int64_t afterImage = 0;
    std::int64_t keptIcc = 0;
    std::int64_t keptOrientation = 0; // the minimal EXIF segment written in place of the EXIF
};

// Adds the segment at `segment` (its code first, then the length field and the content) to
// the report, by what its code and signature say it holds.
void NoteDroppedSegment(std::span<const std::uint8_t> segment, SegmentReport &report);

} // namespace sparrowtrim
