#include "cli/CommandLine.h"

#include <vector>

namespace sparrowtrim::cli {

namespace {

std::string Bytes(std::int64_t count)
{
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

std::string Join(const std::vector<std::string> &parts)
{
    std::string text;
    for (const std::string &part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
}

std::string Exif(const SegmentReport &segments)
{
    std::string text = "EXIF " + Bytes(segments.exif);
    if (segments.exifGps || segments.exifThumbnail)
        text += std::string(" (with ") + (segments.exifGps ? "a GPS position" : "") +
                (segments.exifGps && segments.exifThumbnail ? " and " : "") +
                (segments.exifThumbnail ? "a thumbnail" : "") + ")";
    return text;
}

std::vector<std::string> Dropped(const SegmentReport &segments)
{
    std::vector<std::string> parts;
    const auto add = [&parts](std::int64_t count, const std::string &what) {
        if (count > 0)
            parts.push_back(what + " " + Bytes(count));
    };
    if (segments.exif > 0)
        parts.push_back(Exif(segments));
    add(segments.xmp, "XMP");
    add(segments.icc, "ICC profile");
    add(segments.photoshop, "IPTC/Photoshop");
    for (std::size_t n = 0; n < segments.otherApp.size(); ++n)
        add(segments.otherApp[n], "APP" + std::to_string(n));
    add(segments.comments, "comments");
    add(segments.otherSegments, "other segments");
    add(segments.fill, "fill");
    add(segments.beforeImage, "junk before the image");
    add(segments.afterImage, "data after the end of image");
    return parts;
}

} // namespace

std::string SegmentsLine(const FileOutcome &outcome)
{
    if (outcome.result == kFailed)
        return {};
    const SegmentReport &segments = outcome.segments;
    const std::vector<std::string> dropped = Dropped(segments);
    std::string line = std::string("\t") + (outcome.dryRun ? "Would remove: " : "Removed: ") +
                       (dropped.empty() ? "nothing" : Join(dropped));
    std::vector<std::string> kept;
    if (segments.keptIcc > 0)
        kept.push_back("ICC profile " + Bytes(segments.keptIcc));
    if (segments.keptOrientation > 0)
        kept.push_back("orientation " + Bytes(segments.keptOrientation));
    if (!kept.empty())
        line += "; kept: " + Join(kept);
    return line;
}

} // namespace sparrowtrim::cli
