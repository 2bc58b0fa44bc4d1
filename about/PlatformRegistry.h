#pragma once

#include "about/Registry.h"

#include <array>
#include <string_view>

namespace sparrowtrim::registry {

#ifdef _WIN32

// The system registry, read through the registry functions of the platform.
class WindowsBackend final : public Backend
{
public:
    std::optional<RawValue> ReadValue(std::uint32_t root, const std::string &keyName,
                                      const std::string &valueName) const override;
};

#else

// A platform without a system registry: the one value it answers is the system information
// tool's "PATH" under the local machine's MSINFO key, with the first well-known tool found on
// the search path. Every other key, the tools-location key included, does not exist.
class PosixSysInfoBackend final : public Backend
{
public:
    // searchPath is a list of folders separated by ':' as in the PATH environment variable.
    explicit PosixSysInfoBackend(std::string searchPath);

    std::optional<RawValue> ReadValue(std::uint32_t root, const std::string &keyName,
                                      const std::string &valueName) const override;

    // Desktop tools that show the system's hardware and software, most complete first.
    static constexpr std::array<std::string_view, 6> kKnownTools = {
        "kinfocenter", "hardinfo2", "hardinfo", "cpu-x", "i-nex", "gnome-system-monitor"};

    // The full path of the first known tool found on the search path; empty when none is.
    std::string FindTool() const;

private:
    std::string searchPath_;
};

#endif

} // namespace sparrowtrim::registry
