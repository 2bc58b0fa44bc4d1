#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// A small read-only view of the system registry, as the about window needs it: one value of
// one key, returned raw (type and data bytes). No Qt here, so the layer builds for Windows alone.
namespace sparrowtrim::registry {

// Root handles as the registry's 32-bit constants.
inline constexpr std::uint32_t kLocalMachine = 0x80000002u;

// Value types the lookup understands; every other type is passed through untouched.
inline constexpr std::uint32_t kTypeString = 1;
inline constexpr std::uint32_t kTypeNumber32 = 4;

// Longest data a lookup accepts; longer data is a failed lookup.
inline constexpr std::size_t kMaxDataSize = 1024;

// Access asked for when a key is opened: read control, query, set and create values and
// subkeys, enumerate, notify, create link.
inline constexpr std::uint32_t kOpenAccessMask = 0x2003Fu;

struct RawValue
{
    std::uint32_t type = 0;
    std::string data; // the value's bytes as stored, one char per byte
};

class Backend
{
public:
    virtual ~Backend() = default;

    // Opens keyName under root, reads valueName and closes the key again. Empty when the key
    // or the value cannot be read, or the data is longer than kMaxDataSize.
    virtual std::optional<RawValue> ReadValue(std::uint32_t root, const std::string &keyName,
                                              const std::string &valueName) const = 0;
};

// The registry of the platform the program runs on: the system registry on Windows; elsewhere
// a stand-in that knows where the system information tool lives (see PosixSysInfoBackend).
std::unique_ptr<Backend> MakePlatformBackend();

// Raised when a value's data cannot be interpreted at all (a value with no data bytes).
class BadValueData : public std::exception
{
public:
    const char *what() const noexcept override { return "registry value holds no data"; }
};

// Reads valueName of keyName under root into value and returns true. A string value replaces
// value with its text (one trailing NUL dropped); a 32-bit number appends its bytes, last
// first, in upper-case hexadecimal without padding and puts "&h" in front; any other type
// leaves value as it was. A failed lookup empties value and returns false. Data of zero bytes
// throws BadValueData: the caller abandons its whole attempt.
bool GetKeyValue(const Backend &backend, std::uint32_t root, const std::string &keyName,
                 const std::string &valueName, std::string &value);

} // namespace sparrowtrim::registry
