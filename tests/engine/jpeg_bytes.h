#pragma once

// Hand-built JPEG byte sequences for the engine's tests.

#include <cstdint>
#include <initializer_list>
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

inline Bytes Repeat(const Bytes &bytes, int times)
{
    Bytes result;
    for (int i = 0; i < times; ++i)
        result = result + bytes;
    return result;
}

// The bytes without their first `count` (a marker's 0xFF, say).
inline Bytes DropFront(const Bytes &bytes, std::size_t count = 1)
{
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(count), bytes.end());
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
inline const Bytes kApp0 =
    Segment(0xE0, Text("JFIF") + Bytes{0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00});
inline const Bytes kDqt = Segment(0xDB, {0x00, 0x10, 0x0B, 0x0C, 0x0E});
inline const Bytes kSof0 = Segment(0xC0, {0x08, 0x00, 0x10, 0x00, 0x10, 0x01, 0x01, 0x11, 0x00});
inline const Bytes kDht = Segment(0xC4, {0x00, 0x01, 0x00, 0x00, 0x00, 0x05});
inline const Bytes kSos = Segment(0xDA, {0x01, 0x01, 0x00, 0x00, 0x3F, 0x00});
// Entropy-coded data with a stuffed zero and a restart marker.
inline const Bytes kData = {0x12, 0x34, 0xFF, 0x00, 0x56, 0xFF, 0xD0, 0x78, 0x9A};

// Everything before the scan, nothing to remove.
inline const Bytes kHead = kSoi + kApp0 + kDqt + kSof0 + kDht;
// A complete image with nothing to remove.
inline const Bytes kImage = kHead + kSos + kData + kEoi;

} // namespace sparrowtrim::test
