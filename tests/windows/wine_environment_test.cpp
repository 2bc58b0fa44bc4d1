// The Windows test programs see the shared JPEG corpus through the path the runner hands
// over; when that path is not usable there, every corpus-driven test would have nothing to
// read.
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {

TEST(WineEnvironment, CorpusFolderIsAWindowsPathThatHoldsJpegFiles)
{
    const char *corpus = std::getenv("SPARROWTRIM_CORPUS_DIR");
    ASSERT_NE(corpus, nullptr);
    const std::string path(corpus);
    ASSERT_GE(path.size(), 3u);
    EXPECT_EQ(path.substr(1, 2), ":\\") << path;

    int jpegFiles = 0;
    for (const auto &entry : std::filesystem::directory_iterator(path)) {
        const auto extension = entry.path().extension().string();
        if (extension == ".jpg" || extension == ".jpeg" || extension == ".JPG")
            ++jpegFiles;
    }
    EXPECT_GT(jpegFiles, 0) << path;
}

} // namespace
