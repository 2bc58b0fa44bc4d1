#ifndef _WIN32

#include "about/PlatformRegistry.h"
#include "about/SysInfo.h"

#include <cstdlib>
#include <filesystem>
#include <strings.h>
#include <unistd.h>

namespace sparrowtrim::registry {

namespace {

// Registry key and value names match without regard to case.
bool SameName(const std::string &a, const char *b)
{
    return strcasecmp(a.c_str(), b) == 0;
}

bool IsExecutableFile(const std::filesystem::path &path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && access(path.c_str(), X_OK) == 0;
}

} // namespace

PosixSysInfoBackend::PosixSysInfoBackend(std::string searchPath)
    : searchPath_(std::move(searchPath))
{}

std::string PosixSysInfoBackend::FindTool() const
{
    for (const std::string_view tool : kKnownTools) {
        std::size_t start = 0;
        while (start <= searchPath_.size()) {
            std::size_t end = searchPath_.find(':', start);
            if (end == std::string::npos) {
                end = searchPath_.size();
            }
            // An empty entry would mean the current folder; a tool is never looked for there.
            if (end > start) {
                const std::filesystem::path candidate =
                    std::filesystem::path(searchPath_.substr(start, end - start)) / tool;
                if (IsExecutableFile(candidate)) {
                    return candidate.string();
                }
            }
            start = end + 1;
        }
    }
    return {};
}

std::optional<RawValue> PosixSysInfoBackend::ReadValue(std::uint32_t root,
                                                       const std::string &keyName,
                                                       const std::string &valueName) const
{
    if (root != kLocalMachine || !SameName(keyName, sysinfo::kToolKey) ||
        !SameName(valueName, sysinfo::kToolValue)) {
        return std::nullopt;
    }
    const std::string tool = FindTool();
    if (tool.empty()) {
        return std::nullopt;
    }
    // Stored as the registry stores a string: with its terminating NUL.
    return RawValue{kTypeString, tool + '\0'};
}

std::unique_ptr<Backend> MakePlatformBackend()
{
    const char *path = std::getenv("PATH");
    return std::make_unique<PosixSysInfoBackend>(path != nullptr ? path : "");
}

} // namespace sparrowtrim::registry

#endif
