#pragma once

#include "about/Registry.h"

#include <functional>
#include <string>

// Starting the platform's system information tool, found through the registry.
namespace sparrowtrim::sysinfo {

// Where the tool is registered: first the tool's own key, then the shared tools' folder.
inline constexpr const char *kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr const char *kToolValue = "PATH";
inline constexpr const char *kToolsLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr const char *kToolsLocationValue = "MSINFO";

// File name of the tool inside the shared tools' folder, with the separator put before it.
#ifdef _WIN32
inline constexpr const char *kToolFileSuffix = "\\MSINFO32.EXE";
#else
inline constexpr const char *kToolFileSuffix = "/MSINFO32.EXE";
#endif

inline constexpr const char *kUnavailableMessage = "System Information Is Unavailable At This Time";

// What the attempt needs from the platform besides the registry.
struct Platform
{
    // True when a file of that path exists.
    std::function<bool(const std::string &path)> fileExists;
    // Starts the program without waiting for it; false (or an exception) when it cannot start.
    std::function<bool(const std::string &path)> startProgram;
    // Shows the text to the user and returns once they have closed it.
    std::function<void(const std::string &text)> showMessage;
};

// Starts the tool named by the tool's own key as it stands (its existence is not tested
// first); failing that key, the tool inside the shared tools' folder when the file is there.
// Every failure, including any exception on the way, ends in kUnavailableMessage, shown once.
void StartSysInfo(const registry::Backend &backend, const Platform &platform);

} // namespace sparrowtrim::sysinfo
