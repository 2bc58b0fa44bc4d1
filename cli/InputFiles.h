#pragma once

#include <string>
#include <vector>

namespace sparrowtrim::cli {

// One file to handle: the folder text (empty or ending in the path separator) and the name.
struct InputFile
{
    std::string folder;
    std::string name;
    // The part of the folder below the folder argument it was found in (empty for a file named
    // itself): where a copy of the tree puts it.
    std::string subFolder = {};

    std::string Path() const { return folder + name; }
    bool operator==(const InputFile &) const = default;
};

struct CollectedFiles
{
    std::vector<InputFile> files;
    std::vector<std::string> problems; // folders that could not be listed, with the reason
};

// The files the command line's paths stand for, in order: a folder contributes its matching
// plain files (not hidden) sorted by name and, when recursive, those of its sub-folders (not
// hidden, not reached through a link) in path order; anything else is taken as a file, so a
// missing one is reported by the engine. A file reached twice, by the same or another
// spelling of its path or through its folder, is kept only where it came first.
CollectedFiles CollectInputFiles(const std::vector<std::string> &paths, bool recursive = false);

// A key equal for two paths naming the same file.
std::string FileIdentity(const std::string &path);

} // namespace sparrowtrim::cli
