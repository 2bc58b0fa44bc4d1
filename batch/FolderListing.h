#pragma once

// Which files of a folder a run offers, and in which order: the window's file list and the
// command line's folders list them alike.

#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace sparrowtrim {

// True for names matching "*.jpg;*.jpeg;*.jfif" without regard to letter case.
bool HasJpegExtension(std::string_view name);

// Name order as a file list shows it: letter case ignored (in Latin, Greek and Cyrillic
// script, not only ASCII), the exact bytes breaking ties. Names are read as UTF-8, or as
// Latin-1 where they are not valid UTF-8.
bool NameLess(std::string_view a, std::string_view b);

struct FolderEntry
{
    std::string name; // the file system's bytes
    bool isFolder = false;
};

// The folder's plain files that match the JPEG pattern and, when withFolders, its sub-folders,
// in name order; nothing hidden. Links to folders are not followed, so a tree linking back into
// itself ends. `error` tells why a folder could not be listed.
std::vector<FolderEntry> ListFolder(const std::string &folder, bool withFolders,
                                    std::error_code &error);

} // namespace sparrowtrim
