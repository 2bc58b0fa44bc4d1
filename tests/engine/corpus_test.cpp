// The engine over real files from cameras, phones, editors and codec test suites, many of them
// damaged, each handled through a copy in a temporary folder. An independent decoder (djpeg)
// checks that a file it reads before is read after to the same pixels.

#include "mJPEGOpt.h"
#include "test_files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;
using namespace sparrowtrim;
using namespace sparrowtrim::test;

namespace {

// The decoded pixels, or nullopt when the decoder cannot read the file. Warnings about damaged
// data (exit code 2) still give pixels.
std::optional<Bytes> Decode(const fs::path &jpeg, const fs::path &work)
{
    const fs::path pixels = work / "pixels.pnm";
    fs::remove(pixels);
    const int status = RunCommand("djpeg -outfile \"" + pixels.string() + "\" \"" + jpeg.string() +
                                  "\" 2>/dev/null");
    if ((status != 0 && status != 2) || !fs::exists(pixels) || fs::file_size(pixels) == 0)
        return std::nullopt;
    return ReadBytes(pixels);
}

// The codes of what must not stand before the first start of scan: metadata but the Adobe
// colour segment, and comments; -1 when no start of scan follows. Read by the segments'
// lengths, independently of the engine.
std::vector<int> MetadataBeforeScan(const Bytes &jpeg)
{
    std::vector<int> found;
    for (std::size_t p = 2; p < jpeg.size() && jpeg[p] == 0xFF;) {
        while (p < jpeg.size() && jpeg[p] == 0xFF)
            ++p;
        if (p + 2 >= jpeg.size())
            break;
        const int code = jpeg[p];
        if (code == 0xDA)
            return found;
        if (code == 0xD8) {
            ++p;
            continue;
        }
        const std::size_t length = jpeg[p + 1] * 256U + jpeg[p + 2];
        const bool adobe =
            code == 0xEE && length >= 7 && p + 8 <= jpeg.size() &&
            std::string_view(reinterpret_cast<const char *>(&jpeg[p + 3]), 5) == "Adobe";
        if ((code >= 0xE1 && code <= 0xEF && !adobe) || code == 0xFE)
            found.push_back(code);
        p += 1 + length;
    }
    found.push_back(-1);
    return found;
}

TEST(CorpusTest, EveryFileOptimizedSafely)
{
    const char *corpus = std::getenv("SPARROWTRIM_CORPUS_DIR");
    if (corpus == nullptr || !fs::is_directory(corpus)) {
#ifdef _WIN32
        // The runner hands the corpus over as a Windows path; a broken hand-over must not
        // pass for a run over nothing.
        FAIL() << "no corpus folder at " << (corpus ? corpus : "(unset)");
#else
        GTEST_SKIP() << "SPARROWTRIM_CORPUS_DIR names no folder";
#endif
    }
    TemporaryFolder work;
    const bool decoderAvailable = RunCommand("djpeg -version") == 0;
#ifndef _WIN32
    // There is no djpeg for Windows here: the walk gives the same bytes on every platform, and
    // this run compares the pixels.
    EXPECT_TRUE(decoderAvailable) << "djpeg is not installed: pixels cannot be compared";
#endif

    std::vector<fs::path> files;
    for (const auto &entry : fs::directory_iterator(corpus))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::ranges::sort(files);
    ASSERT_FALSE(files.empty());

    // With both keep options the colour profile and the orientation's EXIF segment may also
    // stand before the scan.
    const OptimizeOptions keepBoth = {.keepIccProfile = true, .keepOrientation = true};
    int compared = 0;
    for (const fs::path &source : files) {
        const std::string name = source.filename().string();
        const fs::path copy = work.Path() / name;
        const Bytes before = ReadBytes(source);
        const std::optional<Bytes> pixelsBefore =
            decoderAvailable ? Decode(source, work.Path()) : std::nullopt;
        for (const OptimizeOptions &options : {OptimizeOptions{}, keepBoth}) {
            fs::copy_file(source, copy);
            fs::permissions(copy, fs::perms::owner_write, fs::perm_options::add);
            mJPEGOpt engine({}, options);
            const std::int32_t result = engine.OptimizeJPEG(copy.string());
            const Bytes after = ReadBytes(copy);
            const Bytes output(engine.Output().begin(), engine.Output().end());
            EXPECT_EQ(after, result == kRewritten ? output : before) << name;
            if (result != kFailed) {
                std::vector<int> metadata = MetadataBeforeScan(output);
                if (options.keepIccProfile)
                    std::erase_if(metadata, [](int code) { return code == 0xE1 || code == 0xE2; });
                EXPECT_EQ(metadata, std::vector<int>{}) << name;
                EXPECT_EQ(engine.OptimizeJPEG(copy.string()), kNothingToChange) << name;
            }
            if (result == kRewritten && pixelsBefore) {
                ++compared;
                EXPECT_TRUE(Decode(copy, work.Path()) == pixelsBefore) << name << ": pixels differ";
            }
            fs::remove(copy);
        }
    }
    std::cout << files.size() << " files, " << compared << " compared pixel by pixel\n";
}

// What a command prints about a file.
std::string Capture(const std::string &command, const fs::path &file, const fs::path &work)
{
    const fs::path printed = work / "printed.txt";
    RunCommand(command + " \"" + file.string() + "\" 2>/dev/null > \"" + printed.string() + "\"");
    const Bytes bytes = ReadBytes(printed);
    return {bytes.begin(), bytes.end()};
}

// The codes of the start of image and of the APPn segments right behind it.
std::string Head(const Bytes &jpeg)
{
    std::string head = "D8";
    for (std::size_t p = 3; p + 2 < jpeg.size() && jpeg[p] >> 4 == 0xE;
         p += 2 + jpeg[p + 1] * 256U + jpeg[p + 2])
        head += std::string(" E") + "0123456789ABCDEF"[jpeg[p] & 0xF];
    return head;
}

constexpr OptimizeOptions kIcc = {.keepIccProfile = true};
constexpr OptimizeOptions kOrientation = {.keepOrientation = true};
constexpr OptimizeOptions kBoth = {.keepIccProfile = true, .keepOrientation = true};

struct KeepCase
{
    const char *name;
    const char *file;
    OptimizeOptions options;
    const char *head;             // see Head()
    bool turned = false;          // the orientation read back as it was, or none
    int setOrientation = 0;       // written into the copy with exiftool first
    std::ptrdiff_t damageAt = -1; // a byte of the copy inverted first
};

// clang-format off
const KeepCase kKeepCases[] = {
    {"IccOfNineChunks", "cmyk-ycck-9-icc-chunks.jpg", kIcc, "D8 E2 E2 E2 E2 E2 E2 E2 E2 E2 EE"},
    {"IccKeptMpfAndFlashPixDropped", "exiftool-many-app-segments-trailer.jpg", kBoth,
     "D8 E0 E0 E0 E0 E2 EE"},
    {"Orientation1AddsNothing", "exif-canon-40d-thumb-icc.jpg", kOrientation, "D8 E0", false, 1},
    {"Orientation2BigEndian", "exif-fujifilm-e500-no-thumb.jpg", kOrientation, "D8 E0 E1", true, 2},
    {"Orientation3LittleEndian", "exif-canon-40d-thumb-icc.jpg", kOrientation, "D8 E0 E1", true, 3},
    {"Orientation4WithoutApp0", "exiftool-apple-makernotes.jpg", kOrientation, "D8 E1", true, 4},
    {"Orientation5AndIcc", "jxl-sideways-exif-icc.jpg", kBoth, "D8 E0 E1 E2", true},
    {"Orientation6LittleEndianNoApp0", "exiftool-canon-1dmkiii-makernotes.jpg", kOrientation,
     "D8 E1", true, 6},
    {"Orientation7AndIcc", "exif-canon-40d-thumb-icc.jpg", kBoth, "D8 E0 E1 E2", true, 7},
    {"Orientation8AfterThreeApp0", "jfif-three-app0-sony-powershota5.jpg", kOrientation,
     "D8 E0 E0 E0 E1", true, 8},
    {"DamagedTiffHeader", "jxl-sideways-exif-icc.jpg", kOrientation, "D8 E0", false, 0, 33},
    {"DirectoryPastSegmentEnd", "jxl-sideways-exif-icc.jpg", kOrientation, "D8 E0", false, 0, 38},
    {"OrientationOutOfRange", "jxl-sideways-exif-icc.jpg", kOrientation, "D8 E0", false, 0, 49},
};
// clang-format on

using KeepTest = testing::TestWithParam<KeepCase>;

// The kept profile and orientation as a third-party reader sees them; the pixels as before;
// a second pass changes nothing.
TEST_P(KeepTest, ReadBackByOtherTools)
{
    const KeepCase &row = GetParam();
    const char *corpus = std::getenv("SPARROWTRIM_CORPUS_DIR");
    if (corpus == nullptr || RunCommand("exiftool -ver >/dev/null") != 0 ||
        RunCommand("djpeg -version 2>/dev/null") != 0)
        GTEST_SKIP() << "needs the corpus, exiftool and djpeg";
    TemporaryFolder work;
    const fs::path source = work.Path() / "source.jpg";
    const fs::path copy = work.Path() / kPhoto;
    fs::copy_file(fs::path(corpus) / row.file, source);
    fs::permissions(source, fs::perms::owner_write, fs::perm_options::add);
    const std::string setOrientation =
        "exiftool -q -overwrite_original -n -Orientation=" + std::to_string(row.setOrientation) +
        " \"" + source.string() + "\"";
    ASSERT_TRUE(row.setOrientation == 0 || RunCommand(setOrientation) == 0);
    if (row.damageAt >= 0) {
        Bytes bytes = ReadBytes(source);
        bytes[static_cast<std::size_t>(row.damageAt)] ^= 0xFF;
        WriteBytes(source, bytes);
    }
    fs::copy_file(source, copy);

    mJPEGOpt engine({}, row.options);
    ASSERT_EQ(engine.OptimizeJPEG(copy.string()), kRewritten);

    EXPECT_EQ(Head(ReadBytes(copy)), row.head);
    const std::string orientation = "exiftool -s3 -n -Orientation -ExifByteOrder";
    EXPECT_EQ(Capture(orientation, copy, work.Path()),
              row.turned ? Capture(orientation, source, work.Path()) : "");
    const std::string profile = "exiftool -b -icc_profile";
    EXPECT_EQ(Capture(profile, copy, work.Path()),
              row.options.keepIccProfile ? Capture(profile, source, work.Path()) : "");
    const std::optional<Bytes> pixels = Decode(source, work.Path());
    EXPECT_TRUE(pixels && Decode(copy, work.Path()) == pixels);
    EXPECT_EQ(engine.OptimizeJPEG(copy.string()), kNothingToChange);
}

INSTANTIATE_TEST_SUITE_P(Corpus, KeepTest, testing::ValuesIn(kKeepCases),
                         [](const auto &row) { return std::string(row.param.name); });

} // namespace
