#pragma once

// The TIFF structure inside an EXIF segment, read in its own byte order.

#include <cstddef>
#include <cstdint>
#include <span>

namespace sparrowtrim {

class TiffReader final
{
public:
    static constexpr std::size_t kHeaderLength = 8; // byte order, 42, first directory offset
    static constexpr std::size_t kEntryLength = 12; // of a directory entry

    explicit TiffReader(std::span<const std::uint8_t> tiff)
        : m_Tiff(tiff), m_BigEndian(!tiff.empty() && tiff[0] == 'M')
    {}

    // The header is long enough and names a byte order; anything else is not guessed at.
    bool HasByteOrder() const
    {
        return m_Tiff.size() >= kHeaderLength && m_Tiff[0] == m_Tiff[1] &&
               (m_Tiff[0] == 'M' || m_Tiff[0] == 'I');
    }
    bool BigEndian() const { return m_BigEndian; }
    std::size_t Size() const { return m_Tiff.size(); }

    // The 16- and 32-bit numbers at `at`, which the caller keeps inside the structure.
    std::uint32_t Word(std::size_t at) const
    {
        return m_BigEndian ? std::uint32_t{m_Tiff[at]} << 8 | m_Tiff[at + 1]
                           : std::uint32_t{m_Tiff[at + 1]} << 8 | m_Tiff[at];
    }
    std::uint32_t DoubleWord(std::size_t at) const
    {
        return m_BigEndian ? Word(at) << 16 | Word(at + 2) : Word(at + 2) << 16 | Word(at);
    }
    std::size_t FirstDirectory() const { return DoubleWord(4); }

private:
    std::span<const std::uint8_t> m_Tiff;
    bool m_BigEndian;
};

} // namespace sparrowtrim
