#include "engine/ExifOrientation.h"

#include "engine/TiffReader.h"

#include <cstring>

namespace sparrowtrim {

namespace {

constexpr char kExifSignature[] = {'E', 'x', 'i', 'f', '\0', '\0'};
constexpr std::uint32_t kOrientationTag = 0x0112;
constexpr std::uint32_t kShortType = 3;

// A minimal EXIF segment in either byte order: marker and length, identifier, TIFF header, an
// image directory whose single entry is the orientation (a SHORT, value filled in), no next
// directory.
constexpr std::size_t kOrientationValueAt = 28;
constexpr std::array<std::uint8_t, kOrientationSegmentLength> kBigEndianOrientation = {
    0xFF, 0xE1, 0x00, 0x22, 'E',  'x',  'i',  'f',  0x00, 0x00, 'M',  'M',
    0x00, 0x2A, 0x00, 0x00, 0x00, 0x08, 0x00, 0x01, 0x01, 0x12, 0x00, 0x03,
    0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
constexpr std::array<std::uint8_t, kOrientationSegmentLength> kLittleEndianOrientation = {
    0xFF, 0xE1, 0x00, 0x22, 'E',  'x',  'i',  'f',  0x00, 0x00, 'I',  'I',
    0x2A, 0x00, 0x08, 0x00, 0x00, 0x00, 0x01, 0x00, 0x12, 0x01, 0x03, 0x00,
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

// The orientation (1 to 8) that the first image directory of a TIFF structure gives, with its
// byte order; 0 when the structure is damaged or holds no valid orientation. The whole
// directory must lie inside the data: a damaged one is not guessed at.
std::uint16_t ReadOrientation(std::span<const std::uint8_t> tiff, bool &bigEndian)
{
    const TiffReader reader(tiff);
    if (!reader.HasByteOrder())
        return 0;
    bigEndian = reader.BigEndian();
    const std::size_t directory = reader.FirstDirectory();
    if (reader.Word(2) != 42 || directory > tiff.size() - 2)
        return 0;
    const std::size_t count = reader.Word(directory);
    if (count > (tiff.size() - directory - 2) / TiffReader::kEntryLength)
        return 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = directory + 2 + i * TiffReader::kEntryLength;
        if (reader.Word(entry) != kOrientationTag)
            continue;
        const std::uint32_t value = reader.Word(entry + 8);
        const bool valid = reader.Word(entry + 2) == kShortType &&
                           reader.DoubleWord(entry + 4) == 1 && value >= 1 && value <= 8;
        return valid ? static_cast<std::uint16_t>(value) : 0;
    }
    return 0;
}

} // namespace

std::optional<ExifOrientation> OrientationOfExif(std::span<const std::uint8_t> content)
{
    if (content.size() < sizeof kExifSignature ||
        std::memcmp(content.data(), kExifSignature, sizeof kExifSignature) != 0)
        return std::nullopt;
    ExifOrientation orientation;
    orientation.value =
        ReadOrientation(content.subspan(sizeof kExifSignature), orientation.bigEndian);
    return orientation;
}

std::array<std::uint8_t, kOrientationSegmentLength>
OrientationSegment(const ExifOrientation &orientation)
{
    std::array<std::uint8_t, kOrientationSegmentLength> segment =
        orientation.bigEndian ? kBigEndianOrientation : kLittleEndianOrientation;
    segment[orientation.bigEndian ? kOrientationValueAt + 1 : kOrientationValueAt] =
        static_cast<std::uint8_t>(orientation.value);
    return segment;
}

} // namespace sparrowtrim
