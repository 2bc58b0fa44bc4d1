#pragma once

// The marker codes the walk and its report tell apart (each follows an 0xFF byte).

#include <cstdint>

namespace sparrowtrim::marker {

inline constexpr std::uint8_t kPrefix = 0xFF;
inline constexpr std::uint8_t kStartOfImage = 0xD8;
inline constexpr std::uint8_t kEndOfImage = 0xD9;
inline constexpr std::uint8_t kStartOfScan = 0xDA;
inline constexpr std::uint8_t kQuantisationTables = 0xDB;
inline constexpr std::uint8_t kRestartInterval = 0xDD;
inline constexpr std::uint8_t kApp0 = 0xE0;
inline constexpr std::uint8_t kApp1 = 0xE1;
inline constexpr std::uint8_t kApp2 = 0xE2;
inline constexpr std::uint8_t kApp13 = 0xED;
inline constexpr std::uint8_t kApp14 = 0xEE;
inline constexpr std::uint8_t kApp15 = 0xEF;
inline constexpr std::uint8_t kComment = 0xFE;

} // namespace sparrowtrim::marker
