#pragma once

#include <string>

// How a folder's text becomes the text put before its files' names, for the window's folder
// box and for the command line's folder arguments alike; no Qt.
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

// The folder the window's folder box stands for: AddBackslash, then leading and trailing
// spaces removed (in that order, so a space just before the added separator stays).
std::string FolderOfText(std::string text);

// The folder a command-line argument names, taken as typed (spaces are part of a name): the
// separator is added as AddBackslash adds it, unless the text already ends in one (on Windows
// also "/", or the ":" of a drive's current folder), and an empty text stays empty (the current
// folder, whose names stand alone).
std::string FolderOfPath(std::string path);

} // namespace sparrowtrim::mUtils
