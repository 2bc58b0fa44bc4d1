#pragma once

// The EXIF orientation a decoder reads, and the minimal EXIF segment that carries it alone.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace sparrowtrim {

struct ExifOrientation
{
    std::uint16_t value = 0; // 1 to 8; 0 when the segment gives no valid orientation
    bool bigEndian = false;
};

inline constexpr std::size_t kOrientationSegmentLength = 36;

// What an APP1 segment's content (the bytes after its length field) says of the orientation:
// nullopt when it is not EXIF data, value 0 when it is but names no valid orientation in its
// first image directory. A damaged directory is not guessed at.
std::optional<ExifOrientation> OrientationOfExif(std::span<const std::uint8_t> content);

// A whole APP1 segment (marker, length, identifier, TIFF header, one directory entry) holding
// nothing but the orientation, in its byte order.
std::array<std::uint8_t, kOrientationSegmentLength>
OrientationSegment(const ExifOrientation &orientation);

} // namespace sparrowtrim
