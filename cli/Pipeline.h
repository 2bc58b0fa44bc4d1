#pragma once

#include "cli/CliOptions.h"

#include <iosfwd>

namespace sparrowtrim::cli {

// The path that stands for standard input, and for standard output as the result's place.
inline constexpr const char *kStandardStreams = "-";

// Optimizes what `in` holds and writes the result to `out`: the optimized bytes, or the input
// unchanged when nothing needs removing; nothing at all when the input fails, in a dry run,
// or when it is larger than the engine takes (refused before anything is read). The file's
// line goes to `err`, with the same texts as a run over files. Returns the exit status.
int RunPipeline(const CliOptions &options, std::istream &in, std::ostream &out, std::ostream &err);

} // namespace sparrowtrim::cli
