#pragma once

// Hand-built JPEG byte sequences and the engine's messages, for the engine's tests.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sparrowtrim::test {

using Bytes = std::vector<std::uint8_t>;

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

} // namespace sparrowtrim::test
