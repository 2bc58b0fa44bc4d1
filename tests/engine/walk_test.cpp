// The segment walk over hand-built byte sequences, in memory.

#include "engine/mJPEGOpt.h"
#include "tests/engine/engine_fixtures.h"

#include <gtest/gtest.h>

using namespace sparrowtrim;
using namespace sparrowtrim::test;

namespace {

struct WalkCase
{
    std::string name;
    Bytes input;
    Bytes output;             // the input itself when nothing is to change; none when it fails
    std::string message = {}; // when it fails
    OptimizeOptions options = {};
};

Bytes Repeat(const Bytes &bytes, int times)
{
    return times == 0 ? Bytes{} : bytes + Repeat(bytes, times - 1);
}

// The image behind its APP0 segment.
const Bytes kRest = kTables + kSos + kData + kEoi;
// A metadata segment carrying a thumbnail: a whole JPEG image of its own.
const Bytes kExifWithThumbnail =
    Segment(0xE1, Text("Exif") + Bytes{0x00, 0x00} + kSoi + kTables + kSos + kData + kEoi);
const Bytes kJfxx = Segment(0xE0, Text("JFXX") + Bytes{0, 0x10, 0xAA});
const Bytes kIcc = Segment(0xE2, Text("ICC_PROFILE") + Bytes{0x00, 0x01, 0x01, 0x42});
const OptimizeOptions kIccOption = {.keepIccProfile = true};
const OptimizeOptions kOrientation = {.keepOrientation = true};
// The smallest EXIF segment that turns the photo: one directory entry, orientation 6.
const Bytes kTurned =
    Segment(0xE1, Text("Exif") + Bytes{0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 1, 0x12,
                                       0, 3, 0,   0,   0, 1,  0, 6, 0, 0, 0, 0, 0, 0});
// A camera's EXIF in Intel byte order, image width and then orientation 8; the smallest segment
// that keeps that orientation.
const Bytes kCameraExif = Segment(
    0xE1, Text("Exif") + Bytes{0,  0, 'I', 'I', 42,   0, 8, 0, 0, 0, 2, 0, 0, 1, 3, 0, 1, 0, 0, 0,
                               16, 0, 0,   0,   0x12, 1, 3, 0, 1, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0} +
              Bytes(20, 0x2A));
const Bytes kTurnedLittle =
    Segment(0xE1, Text("Exif") + Bytes{0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 1,
                                       3, 0, 1,   0,   0,  0, 8, 0, 0, 0, 0, 0, 0,    0});
// EXIF that names no orientation: kTurned's one entry is another tag.
const Bytes kUnturned = [] {
    Bytes exif = kTurned;
    exif[21] = 0x13;
    return exif;
}();
// An image whose kTurned has one byte changed.
Bytes Turned(std::size_t at, std::uint8_t value)
{
    Bytes turned = kTurned;
    turned[at] = value;
    return kSoi + kApp0 + turned + kRest;
}
const Bytes kScan = kHead + kSos + kData;
// Coded data with TEM and RST6, each followed by bytes that would read as a short length
// reaching past the end of image.
const Bytes kStandaloneInScan = {0x12, 0xFF, 0x01, 0x00, 0x09, 0xFF, 0xD6, 0x00, 0x05, 0xAB};
const Bytes kCutShort = {0xFF, 0xE1, 0x01, 0x00, 0xAA, 0xFF, 0xD9};

// clang-format off
const WalkCase kWalkCases[] = {
    {"EmptyFile", {}, {}, kNotJpeg},
    {"NoMarkerAfterStartCode", kSoi + Bytes{0x00} + kApp0 + kRest, {}, kNotJpeg},
    {"CleanImageUntouched", kImage, kImage},
    // A thumbnail extension and a video frame's segment: every APP0 stays, wherever it stands.
    {"EveryApp0Kept", kSoi + kJfxx + kApp0 + Segment(0xE0, Text("AVI1")) + kTables +
     Segment(0xE0, Bytes{0x49, 0x49}) + kSos + kData + kEoi, {}},
    {"JunkBeforeStartRemoved", Bytes{0x00, 0x11, 0xFF, 0xD8, 0x22} + kImage, kImage},
    {"MetadataAndCommentsRemoved", kSoi + kApp0 + kExifWithThumbnail +
     Segment(0xE2, Text("ICC_PROFILE")) + Segment(0xED, Text("Photoshop")) +
     Segment(0xEE, Text("Ducky")) + Segment(0xFE, Text("comment")) + kRest, kImage},
    {"TrailerRemoved", kImage + Text("trailer") + kSoi + kEoi, kImage},
    {"UnterminatedScanGetsEndMarker", kScan, kImage},
    {"SegmentPastEnd", kHead + Bytes{0xFF, 0xDB, 0x00, 0x40, 0x01, 0x02}, {}, kParseProblem},
    {"FillBytesCollapsed", kSoi + Bytes{0xFF, 0xFF} + kApp0 + Bytes{0xFF, 0xFF, 0xFF} + kRest,
     kImage},
    {"CodesBeforeScanTakeALength", kSoi + kApp0 + Bytes{0xFF, 0x01, 0x00, 0x02, 0xFF, 0xD0, 0x00,
     0x03, 0xAA, 0xFF, 0xD9, 0x00, 0x02, 0xFF, 0x00, 0x00, 0x02} + kRest, kImage},
    // A length of 0 restarts the walk at the length bytes: code 0x00 with length 4 follows.
    {"ZeroLengthContinuesInsideHeader",
     kSoi + kApp0 + Bytes{0xFF, 0xFE, 0x00, 0x00, 0x04, 0xAA, 0xBB} + kRest, kImage},
    // Each start code appends three bytes but consumes two: the output outgrows its input.
    {"RepeatedStartCodesGrowOutput", Repeat(kSoi, 40) + kApp0 + kRest,
     Repeat(kSoi + Bytes{0xFF}, 40) + Bytes(kApp0.begin() + 1, kApp0.end()) + kRest},
    {"ShortestAdobeSegmentKept", kSoi + kApp0 + Segment(0xEE, Text("Adobe")) + kRest, {}},
    {"OtherApp14Dropped", kSoi + kApp0 + Segment(0xEE, Text("Adob")) + kRest, kImage},
    {"ConditioningAndLastFrameHeaderKept",
     kHead + Segment(0xCC, {0x00, 0x10}) + Segment(0xCF, Bytes(9, 0x03)) + kSos + kData + kEoi, {}},
    // The file starts with a marker, but its start of image is damaged: the first FF D8 FF
    // lies inside the metadata segment, the thumbnail, not the photo.
    {"DamagedStartNeverYieldsThumbnail",
     Bytes{0xFF, 0xD9, 0x00, 0x10} + kExifWithThumbnail + kApp0 + kRest, {}, kParseProblem},
    {"StandaloneCodesInScanAreData", kScan + Bytes{0x11, 0xFF, 0x01, 0xFF, 0xD7, 0xFF, 0xD8, 0x22,
     0xFF, 0xFF, 0xFF, 0xD3, 0x33, 0xFF, 0xFF} + kEoi, {}},
    // A segment cut short by the end of the file: the first FF D9 pair ends the copy.
    {"SegmentPastEndFallsBackToSearch", kScan + kCutShort + Bytes{0xBB}, kScan + kCutShort},
    {"SegmentPastEndWithoutEndPair", kScan + Bytes{0xFF, 0xE1, 0x01, 0x00, 0xAA},
     kScan + Bytes{0xFF, 0xE1, 0x01, 0x00, 0xAA} + kEoi},
    // No room behind the segment for the end-of-image marker: taken as cut short.
    {"SegmentLeavingNoRoomForEndMarker", kScan + Segment(0xE1, {0xAA, 0xFF, 0xD9, 0xBB}) +
     Bytes{0x00}, kScan + Bytes{0xFF, 0xE1, 0x00, 0x06, 0xAA, 0xFF, 0xD9}},
    // The byte behind a kept segment would be copied twice, or glued to the next segment.
    {"KeptSegmentWithoutFollowingMarker", kSoi + kApp0 + Bytes(kRest.begin() + 1, kRest.end()), {},
     kParseProblem},
    {"IccKeptOtherApp2Dropped", kSoi + kApp0 + Segment(0xE2, Text("MPF")) + kIcc +
     Segment(0xE2, Text("ICC_PROFILE")) + kRest, kSoi + kApp0 + kIcc + kRest, "", kIccOption},
    // Kept, it would be glued to the next segment; dropped, the file is stripped as usual.
    {"IccNotFollowedByMarkerDropped", kSoi + kApp0 + kIcc + Bytes{0x00, 0x00, 0x02} + kRest,
     kSoi + kApp0 + kRest, "", kIccOption},
    {"OrientationFromTheExifSegmentOnly", kSoi + Segment(0xE1, Text("http://ns.adobe.com/xap/1.0/"))
     + kTurned + kApp0 + kRest, kSoi + kApp0 + kTurned + kRest, "", kOrientation},
    {"OrientationAloneInItsByteOrderBehindEveryLeadingApp0", kSoi + kCameraExif + kApp0 + kJfxx +
     kRest, kSoi + kApp0 + kJfxx + kTurnedLittle + kRest, "", kOrientation},
    {"OrientationRightBehindTheStartWithoutApp0", kSoi + kCameraExif + kRest,
     kSoi + kTurnedLittle + kRest, "", kOrientation},
    {"UprightAddsNothing", Turned(29, 1), kImage, "", kOrientation},
    {"OrientationOutOfRangeAddsNothing", Turned(29, 9), kImage, "", kOrientation},
    {"DamagedByteOrderAddsNothing", Turned(11, 'I'), kImage, "", kOrientation},
    {"DirectoryPastTheSegmentAddsNothing", Turned(17, 0x40), kImage, "", kOrientation},
    // Decoders read the first EXIF segment only.
    {"OrientationOfTheFirstExifSegment", kSoi + kApp0 + kTurned + kCameraExif + kRest,
     kSoi + kApp0 + kTurned + kRest, "", kOrientation},
    {"FirstExifWithoutOrientationKeepsNone", kSoi + kApp0 + kUnturned + kCameraExif + kRest, kImage,
     "", kOrientation},
    // Behind TEM and RST6 the bytes would read as lengths running past the end of image.
    {"StandaloneCodesInScanNeverTakeALength", kHead + kSos + kStandaloneInScan + kEoi +
     Bytes{0x00, 0x00, 0x00, 0x00}, kHead + kSos + kStandaloneInScan + kEoi},
};
// clang-format on

using WalkTest = testing::TestWithParam<WalkCase>;

TEST_P(WalkTest, ResultOutputAndSecondRun)
{
    const WalkCase &row = GetParam();
    const Bytes &expected = row.output.empty() && row.message.empty() ? row.input : row.output;
    mJPEGOpt engine({}, row.options);
    ASSERT_EQ(engine.OptimizeBuffer(row.input), !row.message.empty()    ? kFailed
                                                : expected == row.input ? kNothingToChange
                                                                        : kRewritten);
    if (!row.message.empty()) {
        EXPECT_EQ(engine.ResultMessage(), row.message);
        return;
    }
    const Bytes output(engine.Output().begin(), engine.Output().end());
    EXPECT_EQ(output, expected);
    EXPECT_EQ(engine.InputLength(), std::ssize(row.input));
    EXPECT_EQ(engine.OutputLength(), std::ssize(expected));
    EXPECT_EQ(engine.OptimizeBuffer(output), kNothingToChange);
    EXPECT_TRUE(std::ranges::equal(engine.Output(), output));
}

INSTANTIATE_TEST_SUITE_P(Segments, WalkTest, testing::ValuesIn(kWalkCases),
                         [](const auto &row) { return row.param.name; });

// Scans as an encoder writes them, with the end of image where the generator put it: start-of-
// scan headers, entropy-coded data (stuffed zeros, restart markers, fill bytes), tables and
// metadata between scans, FF D9 pairs inside every kind of segment, then the end of image and
// a trailer, or no end at all. The engine must copy exactly the scans and end them.
std::pair<Bytes, Bytes> RandomImage(std::mt19937 &random)
{
    const auto pick = [&](std::size_t count) { return random() % count; };
    const auto payload = [&] {
        Bytes bytes(pick(6), 0x55);
        if (pick(2) == 0)
            bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(pick(bytes.size() + 1)),
                         kEoi.begin(), kEoi.end());
        return bytes;
    };
    const std::uint8_t between[] = {0xC4, 0xDB, 0xDD, 0xCC, 0xE1, 0xEE, 0xFE};
    Bytes scans;
    for (auto scan = 1 + pick(3); scan > 0; --scan) {
        for (auto n = scans.empty() ? 0 : pick(3); n > 0; --n)
            scans = scans + Segment(between[pick(sizeof between)], payload());
        scans = scans + Segment(0xDA, payload());
        for (auto n = pick(12); n > 0; --n) {
            const auto kind = pick(5);
            if (kind == 0)
                scans = scans + Bytes{0xFF, 0x00};
            else if (kind == 1)
                scans = scans + Bytes(pick(3), 0xFF) + Bytes{0xFF, std::uint8_t(0xD0 + pick(8))};
            else
                scans.push_back(static_cast<std::uint8_t>(pick(255)));
        }
        // Data of at least two bytes: a file cut right behind a segment counts as damaged.
        scans = scans + Bytes{static_cast<std::uint8_t>(pick(255)), 0x42};
    }
    const Bytes trailer = pick(2) == 0 ? Bytes{} : kSoi + Bytes(pick(4), 0xFF) + kEoi + Bytes{0x01};
    return {kHead + scans + (pick(4) == 0 ? Bytes{} : kEoi + trailer), kHead + scans + kEoi};
}

// Random scans give the output the generator expects; cut or damaged anywhere, they still give
// output that a second run leaves as it is.
TEST(WalkProperties, ScansCopiedUpToTheirEndAndOutputIsAFixedPoint)
{
    std::mt19937 random(61206);
    mJPEGOpt engine;
    for (int round = 0; round < 40000; ++round) {
        auto [input, expected] = RandomImage(random);
        const bool damaged = round % 2 == 1;
        const auto at = input.begin() + random() % input.size();
        const Bytes codes = {0xFF, 0xFF, 0xD8, 0xD9, 0xDA, 0x00, 0x04};
        if (damaged && round % 4 == 1)
            input.erase(at, input.end());
        else if (damaged)
            input.insert(at, codes[random() % codes.size()]);
        const std::int32_t result = engine.OptimizeBuffer(input);
        ASSERT_TRUE(damaged || std::ranges::equal(engine.Output(), expected)) << "round " << round;
        if (result == kFailed)
            continue;
        const Bytes first(engine.Output().begin(), engine.Output().end());
        ASSERT_EQ(engine.OptimizeBuffer(first), kNothingToChange) << "round " << round;
        ASSERT_TRUE(std::ranges::equal(engine.Output(), first)) << "round " << round;
    }
}

} // namespace
