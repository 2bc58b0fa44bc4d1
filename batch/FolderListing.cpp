#include "batch/FolderListing.h"

#include <algorithm>
#include <array>
#include <filesystem>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace sparrowtrim {

namespace {

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Simple lower case of the letters file names are written in (Latin, Greek, Cyrillic,
// Armenian, full-width Latin); other characters stand as they are.
char32_t LowerCase(char32_t c)
{
    const auto evenUpper = [c](char32_t first, char32_t last) {
        return c >= first && c <= last && (c - first) % 2 == 0;
    };
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
        (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F) ||
        (c >= 0xFF21 && c <= 0xFF3A))
        return c + 32;
    if (c >= 0x400 && c <= 0x40F)
        return c + 80;
    if (c >= 0x531 && c <= 0x556)
        return c + 48;
    if (c == 0x178)
        return 0xFF;
    if (c == 0x386)
        return 0x3AC;
    if (c >= 0x388 && c <= 0x38A)
        return c + 37;
    if (c == 0x38C)
        return 0x3CC;
    if (c == 0x38E || c == 0x38F)
        return c + 63;
    if (evenUpper(0x100, 0x12F) || evenUpper(0x132, 0x137) || evenUpper(0x14A, 0x177) ||
        evenUpper(0x460, 0x481) || evenUpper(0x48A, 0x4BF) || evenUpper(0x1E00, 0x1E95) ||
        evenUpper(0x1EA0, 0x1EFF) || (c >= 0x139 && c <= 0x148 && c % 2 == 1) ||
        (c >= 0x179 && c <= 0x17E && c % 2 == 1))
        return c + 1;
    return c;
}

// How many bytes follow a UTF-8 lead byte; -1 for a byte that cannot lead.
int FollowingBytes(unsigned char lead)
{
    if (lead < 0x80)
        return 0;
    if (lead >= 0xC2 && lead < 0xE0)
        return 1;
    if (lead >= 0xE0 && lead < 0xF0)
        return 2;
    if (lead >= 0xF0 && lead < 0xF5)
        return 3;
    return -1;
}

// The code points of a UTF-8 name; false when it is not valid UTF-8.
bool DecodeUtf8(std::string_view text, std::u32string &out)
{
    static constexpr std::array<char32_t, 4> kSmallest = {0, 0x80, 0x800, 0x10000};
    out.clear();
    for (std::size_t i = 0; i < text.size();) {
        const int following = FollowingBytes(static_cast<unsigned char>(text[i]));
        if (following < 0 || text.size() - i <= static_cast<std::size_t>(following))
            return false;
        char32_t c = static_cast<unsigned char>(text[i]) & (0x7F >> following);
        for (int k = 1; k <= following; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = c << 6 | (next & 0x3F);
        }
        if (c < kSmallest[static_cast<std::size_t>(following)] || c > 0x10FFFF ||
            (c >= 0xD800 && c <= 0xDFFF))
            return false;
        out.push_back(c);
        i += static_cast<std::size_t>(following) + 1;
    }
    return true;
}

std::u32string FoldedName(std::string_view name)
{
    std::u32string folded;
    if (!DecodeUtf8(name, folded)) {
        // Latin-1: each byte is its own code point.
        folded.clear();
        for (const char c : name)
            folded.push_back(static_cast<unsigned char>(c));
    }
    std::transform(folded.begin(), folded.end(), folded.begin(), LowerCase);
    return folded;
}

bool IsHidden(const fs::directory_entry &entry, const std::string &name)
{
    if (name.empty() || name.front() == '.')
        return true;
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(entry.path().c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
#else
    (void)entry;
    return false;
#endif
}

} // namespace

bool HasJpegExtension(std::string_view name)
{
    static constexpr std::array<std::string_view, 3> kExtensions = {".jpg", ".jpeg", ".jfif"};
    return std::any_of(kExtensions.begin(), kExtensions.end(), [name](std::string_view ext) {
        return name.size() >= ext.size() &&
               std::equal(ext.begin(), ext.end(),
                          name.end() - static_cast<std::ptrdiff_t>(ext.size()),
                          [](char e, char n) { return e == LowerAscii(n); });
    });
}

bool NameLess(std::string_view a, std::string_view b)
{
    const std::u32string foldedA = FoldedName(a);
    const std::u32string foldedB = FoldedName(b);
    return foldedA != foldedB ? foldedA < foldedB : a < b;
}

std::vector<FolderEntry> ListFolder(const std::string &folder, bool withFolders,
                                    std::error_code &error)
{
    std::vector<FolderEntry> entries;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const fs::directory_entry &entry = *it;
        std::error_code typeError;
        std::string name = entry.path().filename().string();
        if (!(withFolders || HasJpegExtension(name)) || IsHidden(entry, name))
            continue;
        if (withFolders && !entry.is_symlink(typeError) && entry.is_directory(typeError))
            entries.push_back({std::move(name), true});
        else if (HasJpegExtension(name) && entry.is_regular_file(typeError))
            entries.push_back({std::move(name), false});
    }
    // Folded once per name, not once per comparison.
    std::vector<std::pair<std::u32string, FolderEntry>> keyed;
    keyed.reserve(entries.size());
    for (FolderEntry &entry : entries)
        keyed.emplace_back(FoldedName(entry.name), std::move(entry));
    std::sort(keyed.begin(), keyed.end(), [](const auto &x, const auto &y) {
        return x.first != y.first ? x.first < y.first : x.second.name < y.second.name;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        entries[i] = std::move(keyed[i].second);
    return entries;
}

} // namespace sparrowtrim
