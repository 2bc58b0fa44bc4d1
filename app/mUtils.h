#pragma once

#include <string>

// Path helpers shared by the main window, the batch run and the command line; no Qt.
namespace sparrowtrim::mUtils {

// The platform's path separator: "\" on Windows, "/" elsewhere.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Appends the separator when the path does not end in one; writes the new text back into
// the argument and returns it. An empty text becomes the separator alone.
std::string AddBackslash(std::string &path);

// The folder a folder text stands for: AddBackslash, then leading and trailing spaces
// removed (in that order, so a space just before the added separator stays).
std::string FolderOfText(std::string text);

} // namespace sparrowtrim::mUtils
