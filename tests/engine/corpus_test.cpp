// The engine over real files from cameras, phones, editors and codec test suites, many of them
// damaged, each handled through a copy in a temporary folder. An independent decoder (djpeg)
// checks that a file it reads before is read after to the same pixels, an independent reader
// (exiftool) that kept profiles and orientations are read as before.

#include "engine/mJPEGOpt.h"
#include "tests/engine/engine_fixtures.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;
using namespace sparrowtrim;
using namespace sparrowtrim::test;

namespace {

// The decoded pixels; empty when the decoder cannot read the file. Damaged data that the
// decoder only warns about still gives pixels.
std::string Decode(const fs::path &jpeg)
{
    return Capture("djpeg \"" + jpeg.string() + "\" 2>/dev/null");
}

// The codes of the segments before the first start of scan, from the first start of image on,
// read by their lengths.
std::vector<int> Codes(const Bytes &jpeg)
{
    const Bytes start = {0xFF, 0xD8, 0xFF};
    std::vector<int> codes;
    for (auto p = static_cast<std::size_t>(std::ranges::search(jpeg, start).begin() - jpeg.begin());
         p + 3 < jpeg.size() && (codes.empty() || codes.back() != 0xDA);) {
        const std::uint8_t code = jpeg[++p];
        if (code != 0xFF)
            codes.push_back(code);
        p += code == 0xFF || code == 0xD8 ? 0 : jpeg[p + 1] * 256U + jpeg[p + 2];
    }
    return codes;
}

// The orientation, its byte order and the colour profile of every photo in a folder, as an
// independent reader sees them.
std::map<std::string, std::vector<std::string>> Metadata(const fs::path &folder)
{
    std::istringstream lines(Capture("exiftool -q -q -T -n -FileName -Orientation -ExifByteOrder "
                                     "-ICC_Profile \"" +
                                     folder.string() + "\""));
    std::map<std::string, std::vector<std::string>> files;
    for (std::string line, name, field; std::getline(lines, line);) {
        std::istringstream fields(line);
        for (std::getline(fields, name, '\t'); std::getline(fields, field, '\t');)
            files[name].push_back(field);
    }
    return files;
}

TEST(CorpusTest, EveryFileOptimizedSafely)
{
    const char *corpus = std::getenv("SPARROWTRIM_CORPUS_DIR");
    // A run over nothing must not pass: a missing folder or a broken hand-over of its path
    // fails here.
    ASSERT_TRUE(corpus != nullptr && fs::is_directory(corpus))
        << "no folder of test photos at " << (corpus ? corpus : "(SPARROWTRIM_CORPUS_DIR unset)");
    TemporaryFolder work;
    const fs::path kept = work.Path() / "kept";
    fs::create_directory(kept);
#ifndef _WIN32
    // There is no djpeg for Windows here: the walk gives the same bytes on every platform, and
    // this run compares the pixels.
    ASSERT_EQ(std::system("djpeg -version 2>/dev/null"), 0) << "pixels cannot be compared";
#endif

    std::vector<fs::path> files;
    for (const auto &entry : fs::directory_iterator(corpus))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    ASSERT_FALSE(files.empty()) << "the folder of test photos " << corpus << " is empty";
    const OptimizeOptions keepBoth = {.keepIccProfile = true, .keepOrientation = true};
    int compared = 0;
    for (const fs::path &source : files) {
        const std::string name = source.filename().string();
        const Bytes before = ReadBytes(source);
        const std::vector<int> codesBefore = Codes(before);
        const std::string pixelsBefore = Decode(source);
        for (const OptimizeOptions &options : {OptimizeOptions{}, keepBoth}) {
            const fs::path copy = (options.keepIccProfile ? kept : work.Path()) / name;
            fs::copy_file(source, copy);
            fs::permissions(copy, fs::perms::owner_write, fs::perm_options::add);
            mJPEGOpt engine({}, options);
            const std::int32_t result = engine.OptimizeJPEG(copy.string());
            const Bytes output(engine.Output().begin(), engine.Output().end());
            EXPECT_EQ(ReadBytes(copy), result == kRewritten ? output : before) << name;
            if (result != kFailed) {
                // Metadata and comments go, but for what the keep options keep. Every APP0
                // stays, and so does every APP14 of these files: all carry the colour
                // transform of CMYK, YCCK and RGB images.
                const std::vector<int> codes = Codes(output);
                for (const int code : codes)
                    EXPECT_TRUE(code < 0xE1 || (code > 0xEF && code != 0xFE) || code == 0xEE ||
                                (options.keepIccProfile && code <= 0xE2))
                        << name << " keeps " << std::hex << code;
                for (const int code : {0xE0, 0xEE})
                    EXPECT_EQ(std::ranges::count(codes, code),
                              std::ranges::count(codesBefore, code))
                        << name << " " << std::hex << code;
                EXPECT_EQ(engine.OptimizeJPEG(copy.string()), kNothingToChange) << name;
            }
            if (result == kRewritten && !pixelsBefore.empty()) {
                ++compared;
                EXPECT_TRUE(Decode(copy) == pixelsBefore) << name << ": pixels differ";
            }
            if (result == kFailed || !options.keepIccProfile)
                fs::remove(copy);
        }
    }
    std::cout << files.size() << " files, " << compared << " compared pixel by pixel\n";

    // Every file kept with both options has the same profile and, where it turns the photo, the
    // same orientation in the same byte order.
#ifndef _WIN32
    ASSERT_EQ(std::system("exiftool -ver >/dev/null"), 0) << "kept metadata cannot be read back";
#endif
    std::map<std::string, std::vector<std::string>> expected = Metadata(corpus);
    for (const auto &[name, metadata] : Metadata(kept)) {
        std::vector<std::string> &before = expected[name];
        if (before.size() > 1 && (before[0].size() != 1 || before[0] < "2" || before[0] > "8"))
            before[0] = before[1] = "-";
        EXPECT_EQ(metadata, before) << name;
    }
}

} // namespace
