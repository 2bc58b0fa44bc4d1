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
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace sparrowtrim;
using namespace sparrowtrim::test;

namespace {

std::optional<fs::path> CorpusFolder()
{
    const char *folder = std::getenv("SPARROWTRIM_CORPUS_DIR");
    if (folder == nullptr || !fs::is_directory(folder))
        return std::nullopt;
    return fs::path(folder);
}

std::string Quoted(const fs::path &path)
{
    return "\"" + path.string() + "\"";
}

bool DecoderAvailable(const TemporaryFolder &work)
{
    return RunCommand("djpeg -version 2>" + Quoted(work.Path() / "version.txt")) == 0;
}

// The decoded pixels, or nullopt when the decoder cannot read the file. Warnings about damaged
// data still give pixels.
std::optional<Bytes> Decode(const fs::path &jpeg, const TemporaryFolder &work)
{
    const fs::path pixels = work.Path() / "pixels.pnm";
    fs::remove(pixels);
    const int status = RunCommand("djpeg -outfile " + Quoted(pixels) + " " + Quoted(jpeg) + " 2>" +
                                  Quoted(work.Path() / "djpeg.txt"));
    constexpr int kSuccess = 0;
    constexpr int kWarnings = 2;
    if ((status != kSuccess && status != kWarnings) || !fs::exists(pixels) ||
        fs::file_size(pixels) == 0)
        return std::nullopt;
    return ReadBytes(pixels);
}

struct Marker
{
    std::uint8_t code;
    bool adobe;
};

// The markers up to the first start of scan, read by their lengths independently of the engine.
std::vector<Marker> MarkersBeforeScan(const Bytes &jpeg)
{
    std::vector<Marker> markers;
    std::size_t p = 2;
    while (p < jpeg.size() && jpeg[p] == 0xFF) {
        while (p < jpeg.size() && jpeg[p] == 0xFF)
            ++p;
        if (p + 2 >= jpeg.size())
            break;
        const std::uint8_t code = jpeg[p];
        if (code == 0xD8) {
            ++p;
            continue;
        }
        const std::size_t length = jpeg[p + 1] * 256U + jpeg[p + 2];
        const bool adobe = length >= 7 && p + 8 <= jpeg.size() &&
                           std::equal(jpeg.begin() + static_cast<std::ptrdiff_t>(p + 3),
                                      jpeg.begin() + static_cast<std::ptrdiff_t>(p + 8), "Adobe");
        markers.push_back({code, adobe});
        if (code == 0xDA)
            break;
        p += 1 + length;
    }
    return markers;
}

std::string Hex(std::uint8_t code)
{
    std::ostringstream text;
    text << std::hex << std::uppercase << static_cast<int>(code);
    return text.str();
}

// What stands before the scan: no metadata but the Adobe colour segment, no comments.
void ExpectNoMetadataBeforeScan(const Bytes &output, const std::string &name)
{
    ASSERT_GE(output.size(), 4U) << name;
    EXPECT_TRUE(output[0] == 0xFF && output[1] == 0xD8 && output[2] == 0xFF) << name;
    EXPECT_TRUE(output[output.size() - 2] == 0xFF && output.back() == 0xD9) << name;
    const std::vector<Marker> markers = MarkersBeforeScan(output);
    ASSERT_FALSE(markers.empty()) << name;
    EXPECT_EQ(markers.back().code, 0xDA) << name << ": the walk found no start of scan";
    for (const Marker &marker : markers) {
        const bool metadata =
            marker.code >= 0xE1 && marker.code <= 0xEF && !(marker.code == 0xEE && marker.adobe);
        EXPECT_FALSE(metadata || marker.code == 0xFE) << name << ": FF " << Hex(marker.code);
    }
}

TEST(CorpusTest, EveryFileOptimizedSafely)
{
    const std::optional<fs::path> corpus = CorpusFolder();
    if (!corpus)
        GTEST_SKIP() << "SPARROWTRIM_CORPUS_DIR names no folder";
    TemporaryFolder work;
    const bool decoderAvailable = DecoderAvailable(work);
    if (!decoderAvailable)
        ADD_FAILURE() << "djpeg is not installed: pixels cannot be compared";

    std::vector<fs::path> files;
    for (const auto &entry : fs::directory_iterator(*corpus))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::ranges::sort(files);
    ASSERT_FALSE(files.empty());

    int rewritten = 0;
    int compared = 0;
    for (const fs::path &source : files) {
        const std::string name = source.filename().string();
        const fs::path copy = work.Path() / name;
        fs::copy_file(source, copy);
        fs::permissions(copy, fs::perms::owner_write, fs::perm_options::add);
        const Bytes before = ReadBytes(copy);

        mJPEGOpt engine;
        const std::int32_t result = engine.OptimizeJPEG(copy.string());
        const Bytes after = ReadBytes(copy);
        ASSERT_TRUE(result == kRewritten || result == kFailed || result == kNothingToChange);
        if (result != kRewritten) {
            EXPECT_EQ(after, before) << name << ": changed although not rewritten";
        } else {
            ++rewritten;
            EXPECT_TRUE(std::ranges::equal(engine.Output(), after)) << name;
        }
        if (result == kFailed) {
            fs::remove(copy);
            continue;
        }

        const Bytes output(engine.Output().begin(), engine.Output().end());
        ExpectNoMetadataBeforeScan(output, name);
        EXPECT_EQ(engine.OptimizeJPEG(copy.string()), kNothingToChange) << name;
        EXPECT_EQ(engine.OptimizeBuffer(output), kNothingToChange) << name;

        if (decoderAvailable && after != before) {
            const std::optional<Bytes> pixelsBefore = Decode(source, work);
            if (pixelsBefore) {
                ++compared;
                const std::optional<Bytes> pixelsAfter = Decode(copy, work);
                EXPECT_TRUE(pixelsAfter.has_value()) << name << ": no longer decodes";
                EXPECT_TRUE(pixelsAfter == pixelsBefore) << name << ": pixels differ";
            }
        }
        fs::remove(copy);
    }
    RecordProperty("files", static_cast<int>(files.size()));
    RecordProperty("rewritten", rewritten);
    RecordProperty("pixels_compared", compared);
    std::cout << files.size() << " files, " << rewritten << " rewritten, " << compared
              << " compared pixel by pixel\n";
}

} // namespace
