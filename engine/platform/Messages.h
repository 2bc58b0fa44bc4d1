#pragma once

// Reasons both platforms give when another program got to a file between its reading and its
// replacement.

namespace sparrowtrim::platform {

inline constexpr const char *kChangedMeanwhile =
    "the file was changed or replaced by another program after it was read; it was left as it "
    "is now";
inline constexpr const char *kGoneMeanwhile =
    "the file was deleted or renamed by another program after it was read";

} // namespace sparrowtrim::platform
