// The segment walk over hand-built byte sequences, in memory.

#include "jpeg_bytes.h"
#include "mJPEGOpt.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>

using namespace sparrowtrim;
using namespace sparrowtrim::test;

namespace {

struct WalkCase
{
    std::string name;
    Bytes input;
    std::int32_t result;
    Bytes output;             // after kRewritten and kNothingToChange
    std::string message = {}; // after kFailed
    OptimizeOptions options = {};
};

const auto Kept = [](std::string name, const Bytes &in) -> WalkCase {
    return {std::move(name), in, kNothingToChange, in};
};
const auto Rewritten = [](std::string name, Bytes in, Bytes out) -> WalkCase {
    return {std::move(name), std::move(in), kRewritten, std::move(out)};
};
const auto Failed = [](std::string name, Bytes in, std::string message) -> WalkCase {
    return {std::move(name), std::move(in), kFailed, {}, std::move(message)};
};
const auto Keeping = [](OptimizeOptions options, std::string name, Bytes in, Bytes out) {
    WalkCase row = Rewritten(std::move(name), std::move(in), std::move(out));
    row.options = options;
    return row;
};
const auto Repeat = [](const Bytes &bytes, int times) {
    Bytes result;
    while (times-- > 0)
        result = result + bytes;
    return result;
};

// The image behind its APP0 segment.
const Bytes kRest = kTables + kSos + kData + kEoi;
// A metadata segment carrying a thumbnail: a whole JPEG image of its own.
const Bytes kExifWithThumbnail =
    Segment(0xE1, Text("Exif") + Bytes{0x00, 0x00} + kSoi + kTables + kSos + kData + kEoi);
// Tables and a second scan of a progressive image, with FF D9 pairs inside segments.
const Bytes kBetweenScans = kExifWithThumbnail + Segment(0xFE, {0xFF, 0xD9}) +
                            Segment(0xC4, {0x10, 0x02, 0x00, 0xFF, 0xD9, 0x07}) +
                            Segment(0xDA, {0x01, 0x01, 0x00, 0x01, 0x3F, 0x10}) +
                            Bytes{0x21, 0xFF, 0x00, 0x65};
const Bytes kTrailer = Text("trailer") + kSoi + kEoi;
const Bytes kIcc = Segment(0xE2, Text("ICC_PROFILE") + Bytes{0x00, 0x01, 0x01, 0x42});
// The smallest EXIF segment that turns the photo: one directory entry, orientation 6.
const Bytes kTurned =
    Segment(0xE1, Text("Exif") + Bytes{0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 1, 0x12,
                                       0, 3, 0,   0,   0, 1,  0, 6, 0, 0, 0, 0, 0, 0});
const Bytes kCutShort = {0xFF, 0xE1, 0x01, 0x00, 0xAA, 0xFF, 0xD9};

const WalkCase kWalkCases[] = {
    Failed("NoMarkerAfterStartCode", kSoi + Bytes{0x00} + kApp0 + kRest, kNotJpeg),
    Kept("CleanImageUntouched", kImage),
    Rewritten("JunkBeforeStartRemoved", Bytes{0x00, 0x11, 0xFF, 0xD8, 0x22} + kImage, kImage),
    Rewritten("MetadataAndCommentsRemoved",
              kSoi + kApp0 + kExifWithThumbnail + Segment(0xE2, Text("ICC_PROFILE")) +
                  Segment(0xED, Text("Photoshop")) + Segment(0xEE, Text("Ducky")) +
                  Segment(0xFE, Text("comment")) + kRest,
              kImage),
    Rewritten("TrailerRemoved", kImage + kTrailer, kImage),
    Rewritten("UnterminatedScanGetsEndMarker", kHead + kSos + kData, kImage),
    Failed("SegmentPastEnd", kHead + Bytes{0xFF, 0xDB, 0x00, 0x40, 0x01, 0x02}, kParseProblem),
    Rewritten("FillBytesCollapsed",
              kSoi + Bytes{0xFF, 0xFF} + kApp0 + Bytes{0xFF, 0xFF, 0xFF} + kRest, kImage),
    Rewritten("CodesBeforeScanTakeALength",
              kSoi + kApp0 +
                  Bytes{0xFF, 0x01, 0x00, 0x02, 0xFF, 0xD0, 0x00, 0x03, 0xAA, 0xFF, 0xD9, 0x00,
                        0x02, 0xFF, 0x00, 0x00, 0x02} +
                  kRest,
              kImage),
    // A length of 0 restarts the walk at the length bytes: code 0x00 with length 4 follows.
    Rewritten("ZeroLengthContinuesInsideHeader",
              kSoi + kApp0 + Bytes{0xFF, 0xFE, 0x00, 0x00, 0x04, 0xAA, 0xBB} + kRest, kImage),
    // Each start code appends three bytes but consumes two: the output outgrows its input.
    Rewritten("RepeatedStartCodesGrowOutput", Repeat(kSoi, 40) + kApp0 + kRest,
              Repeat(kSoi + Bytes{0xFF}, 40) + Bytes(kApp0.begin() + 1, kApp0.end()) + kRest),
    Kept("ShortestAdobeSegmentKept", kSoi + kApp0 + Segment(0xEE, Text("Adobe")) + kRest),
    Rewritten("OtherApp14Dropped", kSoi + kApp0 + Segment(0xEE, Text("Adob")) + kRest, kImage),
    Kept("ConditioningAndLastFrameHeaderKept",
         kHead + Segment(0xCC, {0x00, 0x10}) + Segment(0xCF, Bytes(9, 0x03)) + kSos + kData + kEoi),
    // The file starts with a marker, but its start of image is damaged: the first FF D8 FF
    // lies inside the metadata segment, the thumbnail, not the photo.
    Failed("DamagedStartNeverYieldsThumbnail",
           Bytes{0xFF, 0xD9, 0x00, 0x10} + kExifWithThumbnail + kApp0 + kRest, kParseProblem),
    Rewritten("SegmentsBetweenScansPassedByLength",
              kHead + kSos + kData + kBetweenScans + kEoi + kTrailer,
              kHead + kSos + kData + kBetweenScans + kEoi),
    Kept("ScanHeaderHoldingEndPair",
         kHead + Segment(0xDA, {0x01, 0xFF, 0xD9, 0x00, 0x3F, 0x00}) + kData + kEoi),
    Kept("StandaloneCodesInScanAreData",
         kHead + kSos +
             Bytes{0x11, 0xFF, 0x00, 0xFF, 0x01, 0xFF, 0xD7, 0xFF, 0xD8, 0x22, 0xFF, 0xFF, 0xFF,
                   0xD3, 0x33, 0xFF, 0xFF} +
             kEoi),
    // A segment cut short by the end of the file: the first FF D9 pair ends the copy.
    Rewritten("SegmentPastEndFallsBackToSearch", kHead + kSos + kData + kCutShort + Bytes{0xBB},
              kHead + kSos + kData + kCutShort),
    Rewritten("SegmentPastEndWithoutEndPair",
              kHead + kSos + kData + Bytes{0xFF, 0xE1, 0x01, 0x00, 0xAA},
              kHead + kSos + kData + Bytes{0xFF, 0xE1, 0x01, 0x00, 0xAA} + kEoi),
    // No room behind the segment for the end-of-image marker: taken as cut short.
    Rewritten("SegmentLeavingNoRoomForEndMarker",
              kHead + kSos + kData + Segment(0xE1, {0xAA, 0xFF, 0xD9, 0xBB}) + Bytes{0x00},
              kHead + kSos + kData + Bytes{0xFF, 0xE1, 0x00, 0x06, 0xAA, 0xFF, 0xD9}),
    Keeping({.keepIccProfile = true}, "IccKeptOtherApp2Dropped",
            kSoi + kApp0 + Segment(0xE2, Text("MPF")) + kIcc + Segment(0xE2, Text("ICC_PROFILE")) +
                kRest,
            kSoi + kApp0 + kIcc + kRest),
    // Kept, it would be glued to the next segment; dropped, the file is stripped as usual.
    Keeping({.keepIccProfile = true}, "IccNotFollowedByMarkerDropped",
            kSoi + kApp0 + kIcc + Bytes{0x00, 0x00, 0x02} + kRest, kSoi + kApp0 + kRest),
    Keeping({.keepOrientation = true}, "OrientationFromTheExifSegmentOnly",
            kSoi + Segment(0xE1, Text("http://ns.adobe.com/xap/1.0/")) + kTurned + kApp0 + kRest,
            kSoi + kApp0 + kTurned + kRest),
    // The byte behind a kept segment would be copied twice, or glued to the next segment.
    Failed("KeptSegmentWithoutFollowingMarker",
           kSoi + kApp0 + Bytes(kRest.begin() + 1, kRest.end()), kParseProblem),
};

using WalkTest = testing::TestWithParam<WalkCase>;

TEST_P(WalkTest, ResultOutputAndSecondRun)
{
    const WalkCase &row = GetParam();
    mJPEGOpt engine({}, row.options);
    ASSERT_EQ(engine.OptimizeBuffer(row.input), row.result);
    if (row.result == kFailed) {
        EXPECT_EQ(engine.ResultMessage(), row.message);
        return;
    }
    const Bytes output(engine.Output().begin(), engine.Output().end());
    EXPECT_EQ(output, row.output);
    EXPECT_EQ(engine.InputLength(), static_cast<std::int32_t>(row.input.size()));
    EXPECT_EQ(engine.OutputLength(), static_cast<std::int32_t>(row.output.size()));
    EXPECT_EQ(engine.OptimizeBuffer(output), kNothingToChange);
    EXPECT_TRUE(std::ranges::equal(engine.Output(), output));
}

INSTANTIATE_TEST_SUITE_P(Segments, WalkTest, testing::ValuesIn(kWalkCases),
                         [](const auto &row) { return row.param.name; });

// The end of the copy from the first start of scan, one byte at a time: the position of the
// FF D9 pair that ends it, or the input length when none does.
std::size_t ScanEndByteByByte(const Bytes &in, std::size_t code)
{
    const auto at = [&](std::size_t i) -> unsigned { return i < in.size() ? in[i] : 0U; };
    for (;;) {
        const std::size_t n = at(code + 1) * 256 + at(code + 2);
        if (code + n + 3 > in.size()) {
            for (std::size_t i = code; i + 1 < in.size(); ++i)
                if (in[i] == 0xFF && in[i + 1] == 0xD9)
                    return i;
            return in.size();
        }
        for (std::size_t i = code + n + 1;; ++i) {
            if (i >= in.size())
                return in.size();
            if (in[i] != 0xFF || at(i + 1) == 0xFF)
                continue;
            if (at(i + 1) == 0xD9)
                return i;
            if (at(i + 1) > 0x01 && (at(i + 1) < 0xD0 || at(i + 1) > 0xD8)) {
                code = i + 1;
                break;
            }
            ++i;
        }
    }
}

// Random scans behind a clean head give the bytes of the byte-by-byte rule; damaged anywhere
// as well, they still give output that a second run leaves as it is. The bytes are drawn
// from the codes and lengths that matter, so that segments between scans (whole or cut short,
// with FF D9 pairs inside), standalone codes and fill bytes all turn up.
TEST(WalkProperties, ScanCopyFollowsTheByteRuleAndReachesAFixedPoint)
{
    const Bytes draw = {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x01, 0x04,
                        0x06, 0xD0, 0xD8, 0xD9, 0xDA, 0xC4, 0xE1, 0x55};
    std::mt19937 random(61206);
    mJPEGOpt engine;
    for (int round = 0; round < 50000; ++round) {
        Bytes input = kHead + Bytes{0xFF, 0xDA, 0x00, static_cast<std::uint8_t>(random() % 12)};
        for (auto n = random() % 48; n > 0; --n)
            input.push_back(draw[random() % draw.size()]);
        const bool damaged = round % 2 == 1;
        if (damaged)
            input.insert(input.begin() + static_cast<std::ptrdiff_t>(random() % input.size()),
                         draw[random() % draw.size()]);
        const std::int32_t result = engine.OptimizeBuffer(input);
        if (!damaged) {
            const std::size_t sos = kHead.size() + 1;
            const std::size_t end = ScanEndByteByByte(input, sos);
            const Bytes expected =
                kHead + Bytes{0xFF} +
                Bytes(input.begin() + sos, input.begin() + std::min(end + 2, input.size())) +
                (end < input.size() ? Bytes{} : kEoi);
            ASSERT_TRUE(std::ranges::equal(engine.Output(), expected)) << "round " << round;
        }
        if (result == kFailed)
            continue;
        const Bytes first(engine.Output().begin(), engine.Output().end());
        ASSERT_EQ(engine.OptimizeBuffer(first), kNothingToChange) << "round " << round;
        ASSERT_TRUE(std::ranges::equal(engine.Output(), first)) << "round " << round;
    }
}

} // namespace
