#ifdef _WIN32

#include "about/PlatformRegistry.h"

#include <windows.h>

namespace sparrowtrim::registry {

namespace {

// The predefined roots are 32-bit values that the system sign-extends to a pointer-sized
// handle (HKEY_LOCAL_MACHINE is 0xFFFFFFFF80000002 on 64-bit Windows).
HKEY RootHandle(std::uint32_t root)
{
    return reinterpret_cast<HKEY>(
        static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(root))));
}

class OpenKey final
{
public:
    OpenKey(HKEY root, const std::string &keyName)
    {
        LONG result = RegOpenKeyExA(root, keyName.c_str(), 0, kOpenAccessMask, &key_);
        if (result == ERROR_ACCESS_DENIED) {
            // The wide access mask is refused to users who may not change the local machine's
            // keys; reading needs no more than the right to query values.
            result = RegOpenKeyExA(root, keyName.c_str(), 0, KEY_QUERY_VALUE, &key_);
        }
        if (result != ERROR_SUCCESS) {
            key_ = nullptr;
        }
    }
    ~OpenKey()
    {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    OpenKey(const OpenKey &) = delete;
    OpenKey &operator=(const OpenKey &) = delete;

    HKEY handle() const { return key_; }

private:
    HKEY key_ = nullptr;
};

} // namespace

std::optional<RawValue> WindowsBackend::ReadValue(std::uint32_t root, const std::string &keyName,
                                                  const std::string &valueName) const
{
    const OpenKey key(RootHandle(root), keyName);
    if (key.handle() == nullptr) {
        return std::nullopt;
    }

    std::array<BYTE, kMaxDataSize> buffer{};
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(buffer.size());
    // Data longer than the buffer makes the query fail with ERROR_MORE_DATA: a failed lookup.
    if (RegQueryValueExA(key.handle(), valueName.c_str(), nullptr, &type, buffer.data(), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return RawValue{type, std::string(reinterpret_cast<const char *>(buffer.data()), size)};
}

std::unique_ptr<Backend> MakePlatformBackend()
{
    return std::make_unique<WindowsBackend>();
}

} // namespace sparrowtrim::registry

#endif
