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

    int compared = 0;
    for (const fs::path &source : files) {
        const std::string name = source.filename().string();
        const fs::path copy = work.Path() / name;
        fs::copy_file(source, copy);
        fs::permissions(copy, fs::perms::owner_write, fs::perm_options::add);
        const Bytes before = ReadBytes(source);

        mJPEGOpt engine;
        const std::int32_t result = engine.OptimizeJPEG(copy.string());
        const Bytes after = ReadBytes(copy);
        const Bytes output(engine.Output().begin(), engine.Output().end());
        EXPECT_EQ(after, result == kRewritten ? output : before) << name;
        if (result != kFailed) {
            EXPECT_EQ(MetadataBeforeScan(output), std::vector<int>{}) << name;
            EXPECT_EQ(engine.OptimizeJPEG(copy.string()), kNothingToChange) << name;
        }
        if (result == kRewritten && decoderAvailable) {
            const std::optional<Bytes> pixelsBefore = Decode(source, work.Path());
            if (pixelsBefore) {
                ++compared;
                EXPECT_TRUE(Decode(copy, work.Path()) == pixelsBefore) << name << ": pixels differ";
            }
        }
        fs::remove(copy);
    }
    std::cout << files.size() << " files, " << compared << " compared pixel by pixel\n";
}

} // namespace
