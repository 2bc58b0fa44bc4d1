// The segment walk over hand-built byte sequences, in memory.

#include "jpeg_bytes.h"
#include "mJPEGOpt.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <ostream>
#include <random>
#include <string>

using namespace sparrowtrim;
using namespace sparrowtrim::test;

namespace {

const std::string kNotJpeg = "Not a valid JPEG file.  File unchanged.";
const std::string kParseProblem = "Problem parsing file.  File unchanged.";

struct WalkCase
{
    std::string name;
    Bytes input;
    std::int32_t result;
    // Expected output after kRewritten and kNothingToChange; the message after kFailed.
    Bytes output;
    std::string message;
};

WalkCase Kept(std::string name, Bytes input)
{
    Bytes output = input;
    return {std::move(name), std::move(input), kNothingToChange, std::move(output), {}};
}

WalkCase Rewritten(std::string name, Bytes input, Bytes output)
{
    return {std::move(name), std::move(input), kRewritten, std::move(output), {}};
}

WalkCase Failed(std::string name, Bytes input, std::string message)
{
    return {std::move(name), std::move(input), kFailed, {}, std::move(message)};
}

Bytes Bytes16(std::uint8_t first, std::size_t count)
{
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

// A metadata segment carrying a thumbnail: a whole JPEG image of its own.
const Bytes kExifWithThumbnail =
    Segment(0xE1, Text("Exif") + Bytes{0x00, 0x00} + kSoi + kDqt + kSof0 + kSos + kData + kEoi);
// A second scan of a progressive image.
const Bytes kSos2 = Segment(0xDA, {0x01, 0x01, 0x00, 0x01, 0x3F, 0x10});
const Bytes kData2 = {0x21, 0x43, 0xFF, 0x00, 0x65};
// Tables between scans whose payload holds an FF D9 pair.
const Bytes kDhtWithEndPair = Segment(0xC4, {0x10, 0x02, 0x00, 0xFF, 0xD9, 0x07});
const Bytes kTrailer = Text("trailer") + kSoi + kEoi;

std::vector<WalkCase> PlainWalkCases()
{
    return {
        Failed("EmptyFile", {}, kNotJpeg),
        Failed("OneByte", {0xFF}, kNotJpeg),
        Failed("StartCodeOnly", kSoi, kNotJpeg),
        Failed("NoMarkerAfterStartCode", kSoi + Bytes{0x00} + DropFront(kImage, 2), kNotJpeg),
        Kept("CleanImageUntouched", kImage),
        Rewritten("JunkBeforeStartRemoved", Bytes{0x00, 0x11, 0xFF, 0xD8, 0x22} + kImage, kImage),
        Rewritten("MetadataSegmentsRemoved",
                  kSoi + kApp0 + kExifWithThumbnail + Segment(0xE2, Text("ICC_PROFILE")) +
                      Segment(0xED, Text("Photoshop 3.0")) + Segment(0xEE, Text("Ducky")) +
                      Segment(0xFE, Text("comment")) +
                      DropFront(kHead, kSoi.size() + kApp0.size()) + kSos + kData + kEoi,
                  kImage),
        Rewritten("DataAfterEndOfImageRemoved", kImage + kTrailer, kImage),
        Rewritten("UnterminatedScanGetsEndMarker", kHead + kSos + kData, kImage),
        Failed("SegmentLengthPastEnd", kHead + Bytes{0xFF, 0xDB, 0x00, 0x40, 0x01, 0x02},
               kParseProblem),
        Failed("SegmentEndingAtLastByte", kHead, kParseProblem),
        Failed("DroppedSegmentEndingAtLastByte", kHead + Segment(0xFE, Text("note")),
               kParseProblem),
        Failed("FillBytesRunToEnd", kHead + Bytes{0xFF, 0xFF, 0xFF}, kParseProblem),
        Rewritten("FillBytesCollapsed",
                  kSoi + Bytes{0xFF, 0xFF} + kApp0 + Bytes{0xFF, 0xFF, 0xFF} +
                      DropFront(kImage, kSoi.size() + kApp0.size()),
                  kImage),
        Kept("EveryApp0Kept", kSoi + kApp0 + Segment(0xE0, Text("JFXX") + Bytes{0x10, 0x01}) +
                                  DropFront(kImage, kSoi.size() + kApp0.size())),
        Rewritten("CodesBetweenSegmentsTakeALength",
                  kSoi + kApp0 + Bytes{0xFF, 0x01, 0x00, 0x02, 0xFF, 0xD0, 0x00, 0x03, 0xAA} +
                      Bytes{0xFF, 0xD9, 0x00, 0x02, 0xFF, 0x00, 0x00, 0x02} +
                      DropFront(kImage, kSoi.size() + kApp0.size()),
                  kImage),
        // The 0xFF behind the APP0 segment is copied, then FF D8 FF is appended again.
        Rewritten("SecondStartCodeRepeated",
                  kSoi + kApp0 + kSoi + DropFront(kImage, kSoi.size() + kApp0.size()),
                  kSoi + kApp0 + Bytes{0xFF} + kSoi +
                      DropFront(kImage, kSoi.size() + kApp0.size())),
        // A length of 0 restarts the walk at the length bytes: code 0x00 with length 4 follows.
        Rewritten("ShortLengthContinuesInsideHeader",
                  kSoi + kApp0 + Bytes{0xFF, 0xFE, 0x00, 0x00, 0x04, 0xAA, 0xBB} +
                      DropFront(kImage, kSoi.size() + kApp0.size()),
                  kImage),
    };
}

// Faults of the plain walk, mended.
std::vector<WalkCase> MendedWalkCases()
{
    const Bytes afterApp0 = DropFront(kImage, kSoi.size() + kApp0.size());
    const Bytes scans = kSos + kData + kDhtWithEndPair + kSos2 + kData2;
    return {
        // Each start code appends three bytes but consumes two: the output outgrows its input.
        Rewritten("RepeatedStartCodesGrowOutput", Repeat(kSoi, 40) + DropFront(kImage, 2),
                  Repeat(kSoi + Bytes{0xFF}, 40) + DropFront(kImage, 3)),
        Kept("AdobeColourSegmentKept",
             kSoi + kApp0 +
                 Segment(0xEE, Text("Adobe") + Bytes{0x00, 0x64, 0x00, 0x00, 0x00, 0x00, 0x02}) +
                 afterApp0),
        Kept("ShortestAdobeSegmentKept", kSoi + kApp0 + Segment(0xEE, Text("Adobe")) + afterApp0),
        Rewritten("TruncatedAdobeSignatureDropped",
                  kSoi + kApp0 + Segment(0xEE, Text("Adob")) + afterApp0, kImage),
        Rewritten("OtherApp14Dropped", kSoi + kApp0 + Segment(0xEE, Text("adobe!")) + afterApp0,
                  kImage),
        Kept("ArithmeticConditioningAndSof13To15Kept",
             kHead + Segment(0xCC, {0x00, 0x10}) + Segment(0xCD, Bytes16(0x01, 9)) +
                 Segment(0xCE, Bytes16(0x02, 9)) + Segment(0xCF, Bytes16(0x03, 9)) + kSos + kData +
                 kEoi),
        // The first FF D8 FF lies inside the metadata segment: the thumbnail, not the photo.
        Failed("DamagedStartNeverYieldsThumbnail",
               Bytes{0xFF, 0xD8, 0x00, 0x10} + kExifWithThumbnail + DropFront(kHead, 2) + kSos +
                   kData + kEoi,
               kParseProblem),
        Kept("SegmentsBetweenScansPassedByLength", kHead + kSos + kData + kExifWithThumbnail +
                                                       Segment(0xFE, {0xFF, 0xD9}) +
                                                       kDhtWithEndPair + kSos2 + kData2 + kEoi),
        Rewritten("TrailerAfterScansWithEndPairsRemoved", kHead + scans + kEoi + kTrailer,
                  kHead + scans + kEoi),
        Kept("ScanHeaderHoldingEndPairPassedByLength",
             kHead + Segment(0xDA, {0x01, 0xFF, 0xD9, 0x00, 0x3F, 0x00}) + kData + kEoi),
        Kept("StandaloneCodesInScanAreData",
             kHead + kSos +
                 Bytes{0x11, 0xFF, 0x00, 0xFF, 0x01, 0xFF, 0xD7, 0xFF, 0xD8, 0x22, 0xFF, 0xFF, 0xFF,
                       0xD3, 0x33, 0xFF, 0xFF} +
                 kEoi),
        // A segment cut short by the end of the file: the first FF D9 pair ends the copy.
        Rewritten("SegmentPastEndFallsBackToSearch",
                  kHead + kSos + kData + Bytes{0xFF, 0xE1, 0x01, 0x00, 0xAA, 0xFF, 0xD9, 0xBB},
                  kHead + kSos + kData + Bytes{0xFF, 0xE1, 0x01, 0x00, 0xAA, 0xFF, 0xD9}),
        Rewritten("SegmentPastEndWithoutEndPair",
                  kHead + kSos + kData + Bytes{0xFF, 0xE1, 0x01, 0x00, 0xAA, 0xBB},
                  kHead + kSos + kData + Bytes{0xFF, 0xE1, 0x01, 0x00, 0xAA, 0xBB} + kEoi),
        Rewritten("ScanHeaderPastEndFallsBackToSearch",
                  kHead + Bytes{0xFF, 0xDA, 0x00, 0x40, 0x01, 0xFF, 0xD9, 0x00} + kTrailer,
                  kHead + Bytes{0xFF, 0xDA, 0x00, 0x40, 0x01, 0xFF, 0xD9}),
        // No room behind the segment for the end-of-image marker: taken as cut short.
        Rewritten("SegmentLeavingNoRoomForEndMarker",
                  kHead + kSos + kData + Segment(0xE1, {0xAA, 0xFF, 0xD9, 0xBB}) + Bytes{0x00},
                  kHead + kSos + kData + Bytes{0xFF, 0xE1, 0x00, 0x06, 0xAA, 0xFF, 0xD9}),
        Rewritten("ScanEndingInFillByteGetsEndMarker", kHead + kSos + kData + Bytes{0xFF},
                  kHead + kSos + kData + Bytes{0xFF} + kEoi),
        // The byte behind a kept segment would be copied twice.
        Failed("KeptSegmentWithoutFollowingMarker", kSoi + kApp0 + DropFront(afterApp0),
               kParseProblem),
        Rewritten("DroppedSegmentWithoutFollowingMarker",
                  kSoi + kApp0 + Segment(0xE1, Text("Exif")) + DropFront(afterApp0), kImage),
    };
}

std::vector<WalkCase> AllWalkCases()
{
    std::vector<WalkCase> cases = PlainWalkCases();
    for (WalkCase &mended : MendedWalkCases())
        cases.push_back(std::move(mended));
    return cases;
}

std::vector<WalkCase> WrittenWalkCases()
{
    std::vector<WalkCase> cases = AllWalkCases();
    std::erase_if(cases, [](const WalkCase &row) { return row.result == kFailed; });
    return cases;
}

void PrintTo(const WalkCase &row, std::ostream *out)
{
    *out << row.name;
}

std::string RowName(const testing::TestParamInfo<WalkCase> &row)
{
    return row.param.name;
}

class WalkTest : public testing::TestWithParam<WalkCase>
{
};
class FixedPointTest : public testing::TestWithParam<WalkCase>
{
};

TEST_P(WalkTest, ResultOutputAndMessage)
{
    const WalkCase &row = GetParam();
    mJPEGOpt engine;
    const std::int32_t result = engine.OptimizeBuffer(row.input);
    ASSERT_EQ(result, row.result);
    if (result == kFailed) {
        EXPECT_EQ(engine.ResultMessage(), row.message);
        return;
    }
    const Bytes output(engine.Output().begin(), engine.Output().end());
    EXPECT_EQ(output, row.output);
    EXPECT_EQ(engine.InputLength(), static_cast<std::int32_t>(row.input.size()));
    EXPECT_EQ(engine.OutputLength(), static_cast<std::int32_t>(row.output.size()));
}

TEST_P(FixedPointTest, SecondRunChangesNothing)
{
    const WalkCase &row = GetParam();
    mJPEGOpt engine;
    ASSERT_NE(engine.OptimizeBuffer(row.input), kFailed);
    const Bytes first(engine.Output().begin(), engine.Output().end());
    ASSERT_EQ(engine.OptimizeBuffer(first), kNothingToChange);
    EXPECT_TRUE(std::ranges::equal(engine.Output(), first));
}

INSTANTIATE_TEST_SUITE_P(Segments, WalkTest, testing::ValuesIn(AllWalkCases()), RowName);
INSTANTIATE_TEST_SUITE_P(Segments, FixedPointTest, testing::ValuesIn(WrittenWalkCases()), RowName);

// Damaged variants of well-formed images: whatever the damage, the engine never reads or writes
// out of bounds (the sanitizer build checks), and what it writes is a fixed point.
TEST(WalkProperties, DamagedImagesReachAFixedPoint)
{
    const std::vector<Bytes> bases = {
        kImage,
        kHead + kSos + kData + kExifWithThumbnail + kDhtWithEndPair + kSos2 + kData2 + kEoi +
            kTrailer,
        Repeat(kSoi, 3) + DropFront(kHead, 2) + kSos + kData,
    };
    const Bytes interesting = {0x00, 0x01, 0x02, 0xD0, 0xD8, 0xD9, 0xDA, 0xE1, 0xEE, 0xFF};
    std::mt19937 random(20261206);
    mJPEGOpt engine;
    for (int round = 0; round < 20000; ++round) {
        Bytes input = bases[random() % bases.size()];
        for (int edits = 1 + static_cast<int>(random() % 4); edits > 0 && !input.empty(); --edits) {
            const std::size_t at = random() % input.size();
            const std::uint8_t value = interesting[random() % interesting.size()];
            switch (random() % 4) {
            case 0:
                input[at] = value;
                break;
            case 1:
                input.insert(input.begin() + static_cast<std::ptrdiff_t>(at), value);
                break;
            case 2:
                input.erase(input.begin() + static_cast<std::ptrdiff_t>(at));
                break;
            default:
                input.resize(at);
                break;
            }
        }
        const std::int32_t result = engine.OptimizeBuffer(input);
        if (result == kFailed)
            continue;
        const Bytes first(engine.Output().begin(), engine.Output().end());
        ASSERT_EQ(result == kNothingToChange, first.size() == input.size());
        ASSERT_GE(first.size(), 6U);
        ASSERT_TRUE(std::equal(kSoi.begin(), kSoi.end(), first.begin()));
        ASSERT_TRUE(std::equal(kEoi.begin(), kEoi.end(), first.end() - 2));
        ASSERT_EQ(engine.OptimizeBuffer(first), kNothingToChange) << "round " << round;
        ASSERT_TRUE(std::ranges::equal(engine.Output(), first)) << "round " << round;
    }
}

// The copy from the first start of scan, one byte at a time: the position of the FF D9 pair
// that ends it, or the input length when none does.
std::size_t ScanEndByteByByte(const Bytes &input, std::size_t sos)
{
    const auto at = [&](std::size_t i) -> unsigned { return i < input.size() ? input[i] : 0U; };
    const std::size_t length = input.size();
    std::size_t code = sos;
    for (;;) {
        const std::size_t n = at(code + 1) * 256 + at(code + 2);
        if (code + n + 3 > length) {
            for (std::size_t i = code; i + 1 < length; ++i)
                if (input[i] == 0xFF && input[i + 1] == 0xD9)
                    return i;
            return length;
        }
        std::size_t i = code + n + 1;
        for (;; ++i) {
            if (i >= length)
                return length;
            if (input[i] != 0xFF)
                continue;
            const unsigned next = at(i + 1);
            if (next == 0xD9)
                return i;
            if (next == 0x00 || next == 0x01 || (next >= 0xD0 && next <= 0xD8)) {
                ++i;
            } else if (next != 0xFF) {
                code = i + 1;
                break;
            }
        }
    }
}

// Scans, tables and metadata between scans, cut anywhere, with FF D9 pairs in many places.
Bytes RandomScans(std::mt19937 &random)
{
    const auto pick = [&](std::uint32_t count) { return random() % count; };
    Bytes scans = {0xFF, 0xDA, 0x00, static_cast<std::uint8_t>(pick(12))};
    for (int piece = static_cast<int>(pick(12)); piece > 0; --piece) {
        switch (pick(6)) {
        case 0:
            for (int i = static_cast<int>(pick(20)); i > 0; --i)
                scans.push_back(static_cast<std::uint8_t>(pick(2) == 0 ? 0xFF : random()));
            break;
        case 1: {
            const std::uint8_t standalone[] = {0x00, 0x01, 0xD0, 0xD7, 0xD8, 0xFF};
            scans = scans + Bytes{0xFF, standalone[pick(sizeof standalone)]};
            break;
        }
        case 2:
        case 3: {
            const std::uint8_t codes[] = {0xC4, 0xDA, 0xDB, 0xDD, 0xE1, 0xFE, 0x37};
            Bytes payload(pick(8), 0x55);
            if (!payload.empty() && pick(2) == 0)
                payload.insert(payload.begin() + pick(static_cast<std::uint32_t>(payload.size())),
                               kEoi.begin(), kEoi.end());
            Bytes segment = Segment(codes[pick(sizeof codes)], payload);
            if (pick(4) == 0)
                segment[3] = static_cast<std::uint8_t>(pick(16));
            scans = scans + segment;
            break;
        }
        case 4:
            scans = scans + kEoi;
            break;
        default:
            scans.resize(scans.size() - pick(static_cast<std::uint32_t>(scans.size()) / 2));
            break;
        }
    }
    return scans;
}

TEST(WalkProperties, ScanCopyMatchesTheByteByByteRule)
{
    std::mt19937 random(61206);
    mJPEGOpt engine;
    for (int round = 0; round < 20000; ++round) {
        const Bytes input = kHead + RandomScans(random);
        const std::size_t sos = kHead.size() + 1;
        const std::size_t end = ScanEndByteByByte(input, sos);
        const Bytes scans(input.begin() + static_cast<std::ptrdiff_t>(sos),
                          input.begin() +
                              static_cast<std::ptrdiff_t>(std::min(end + 2, input.size())));
        const Bytes expected = kHead + Bytes{0xFF} + scans + (end < input.size() ? Bytes{} : kEoi);

        ASSERT_NE(engine.OptimizeBuffer(input), kFailed) << "round " << round;
        ASSERT_TRUE(std::ranges::equal(engine.Output(), expected)) << "round " << round;
    }
}

} // namespace
