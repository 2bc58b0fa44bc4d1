#include "about/SysInfo.h"

#include <optional>

namespace sparrowtrim::sysinfo {

namespace {

// The path to start, or nothing when neither key leads to a tool. The tool's own key is
// taken as it came back, even empty: starting that fails in its turn.
std::optional<std::string> ToolPath(const registry::Backend &backend, const Platform &platform)
{
    std::string path;
    if (registry::GetKeyValue(backend, registry::kLocalMachine, kToolKey, kToolValue, path)) {
        return path;
    }
    if (!registry::GetKeyValue(backend, registry::kLocalMachine, kToolsLocationKey,
                               kToolsLocationValue, path)) {
        return std::nullopt;
    }
    const std::string tool = path + kToolFileSuffix;
    if (!platform.fileExists(tool)) {
        return std::nullopt;
    }
    return tool;
}

bool TryStart(const registry::Backend &backend, const Platform &platform)
{
    try {
        const std::optional<std::string> path = ToolPath(backend, platform);
        return path && platform.startProgram(*path);
    } catch (...) {
        // Whatever went wrong on the way, the user hears the same one message.
        return false;
    }
}

} // namespace

void StartSysInfo(const registry::Backend &backend, const Platform &platform)
{
    if (!TryStart(backend, platform)) {
        platform.showMessage(kUnavailableMessage);
    }
}

} // namespace sparrowtrim::sysinfo
