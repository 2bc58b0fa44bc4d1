#pragma once

// Reasons both platforms give when another program got to a file between its reading and its
// replacement.

namespace sparrowtrim::platform {

inline constexpr const char *kChangedMeanwhile =
    "the file was changed or replaced by another program after it was read; it was left as it "
    "is now";
inline constexpr const char *kGoneMeanwhile =
    "the file was deleted or renamed by another program after it was read";

inline constexpr const char *kWriterActive =
    "another program has the file open for writing; it was left as it is";
inline constexpr const char *kWriterMeanwhile =
    "another program opened the file for writing after it was read; it was left as it is now";

} // namespace sparrowtrim::platform
