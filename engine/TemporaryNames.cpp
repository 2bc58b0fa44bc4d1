#include "engine/TemporaryNames.h"

#include <charconv>
#include <cstdio>

namespace sparrowtrim {

namespace {

constexpr std::string_view kSuffix = ".sparrowtrim-tmp";
constexpr std::size_t kMaxNameBytes = 255;
constexpr std::size_t kHexDigits = 8;

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The longest start of `name` within `limit` bytes that does not split a UTF-8 character.
std::string_view CutAtCharacter(std::string_view name, std::size_t limit)
{
    if (name.size() <= limit)
        return name;
    std::size_t cut = limit;
    // A character takes at most four bytes: three continuation bytes at most to step back.
    for (int back = 0; back < 3 && cut > 0 && IsContinuationByte(name[cut]); ++back)
        --cut;
    return name.substr(0, cut);
}

std::string Hex(std::uint32_t value)
{
    char text[kHexDigits + 1];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
    return text;
}

template <typename Number> bool ParseNumber(std::string_view text, Number &value, int base = 10)
{
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    return !text.empty() && error == std::errc() && stop == end;
}

bool IsLowerHex(std::string_view text)
{
    return text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

} // namespace

std::string TemporaryName(std::string_view fileName, const TemporaryWriter &writer,
                          std::uint64_t serial)
{
    const std::string tag = Hex(writer.machine) + Hex(writer.boot) + "-" +
                            std::to_string(writer.process) + "-" + std::to_string(serial);
    const std::size_t room = kMaxNameBytes - 2 - tag.size() - kSuffix.size();
    std::string name(1, '.');
    name.append(CutAtCharacter(fileName, room)).append(1, '.').append(tag).append(kSuffix);
    return name;
}

std::optional<TemporaryWriter> WriterOfTemporaryName(std::string_view name)
{
    if (name.size() < 2 || name.front() != '.' || !name.ends_with(kSuffix))
        return std::nullopt;
    name.remove_suffix(kSuffix.size());
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot < 2)
        return std::nullopt;
    const std::string_view tag = name.substr(dot + 1);
    const std::size_t firstDash = tag.find('-');
    const std::size_t secondDash = tag.find('-', firstDash + 1);
    if (firstDash != 2 * kHexDigits || secondDash == std::string_view::npos)
        return std::nullopt;
    TemporaryWriter writer;
    std::uint64_t serial = 0;
    const std::string_view ids = tag.substr(0, firstDash);
    if (!IsLowerHex(ids) || !ParseNumber(ids.substr(0, kHexDigits), writer.machine, 16) ||
        !ParseNumber(ids.substr(kHexDigits), writer.boot, 16) ||
        !ParseNumber(tag.substr(firstDash + 1, secondDash - firstDash - 1), writer.process) ||
        !ParseNumber(tag.substr(secondDash + 1), serial))
        return std::nullopt;
    return writer;
}

bool IsAbandoned(const TemporaryWriter &writer, const TemporaryWriter &self,
                 const std::function<bool(std::uint64_t process)> &processRuns)
{
    if (writer.machine != self.machine || writer.process == 0)
        return false;
    if (writer.boot != self.boot)
        return true;
    return writer.process != self.process && !processRuns(writer.process);
}

bool MayStillBeWriting(const TemporaryWriter &writer, const TemporaryWriter &self,
                       const std::function<bool(std::uint64_t process)> &processRuns)
{
    return writer.machine == self.machine && writer.boot == self.boot &&
           (writer.process == self.process || processRuns(writer.process));
}

std::uint32_t Digest(std::string_view text)
{
    // FNV-1a: enough to tell machines and boots apart, not meant to withstand an adversary.
    std::uint32_t hash = 2166136261u;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

} // namespace sparrowtrim
