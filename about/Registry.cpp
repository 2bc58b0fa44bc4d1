#include "about/Registry.h"

namespace sparrowtrim::registry {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Upper-case hexadecimal without leading zeros: 0 gives "0", 0x12 gives "12".
std::string HexOfByte(unsigned char byte)
{
    std::string hex;
    if (byte >= 0x10) {
        hex += kHexDigits[byte >> 4];
    }
    hex += kHexDigits[byte & 0x0F];
    return hex;
}

// The data as text; a last byte that is NUL is the string terminator and is dropped.
std::string TrimmedData(const std::string &data)
{
    if (data.empty()) {
        throw BadValueData();
    }
    return data.back() == '\0' ? data.substr(0, data.size() - 1) : data;
}

} // namespace

bool GetKeyValue(const Backend &backend, std::uint32_t root, const std::string &keyName,
                 const std::string &valueName, std::string &value)
{
    const std::optional<RawValue> raw = backend.ReadValue(root, keyName, valueName);
    if (!raw || raw->data.size() > kMaxDataSize) {
        value.clear();
        return false;
    }

    const std::string text = TrimmedData(raw->data);
    switch (raw->type) {
    case kTypeString:
        value = text;
        break;
    case kTypeNumber32:
        // Stored little-endian, so reading the bytes from the last gives the number's digits.
        for (auto byte = text.rbegin(); byte != text.rend(); ++byte) {
            value += HexOfByte(static_cast<unsigned char>(*byte));
        }
        value = "&h" + value;
        break;
    default:
        break;
    }
    return true;
}

} // namespace sparrowtrim::registry
