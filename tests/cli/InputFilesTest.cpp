#include "InputFiles.h"

#include "CliTestSupport.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace sparrowtrim::cli::test;

struct CollectCase
{
    const char *name;
    std::vector<std::string> args; // "@" stands for the folder below, without separator
    std::string expected;          // the paths, space-separated; "%" is the platform's separator
    bool recursive = false;
};

class CollectInputFilesTest : public testing::TestWithParam<CollectCase>
{
};

TEST_P(CollectInputFilesTest, GivesEachFileOnceWhereItFirstAppears)
{
    const TempDir dir;
    const std::string at = dir.path.string();
    for (const char *name : {"c.Jpeg", "B.JPG", "a.jfif", ".hidden.jpg", "x.jpg.txt", "y.jpe"})
        std::ofstream(dir.path / name) << "x";
    fs::create_directories(dir.path / "sub.jpg" / "deeper");
    fs::create_directory(dir.path / ".hidden");
    for (const char *name : {"sub.jpg/inner.jpg", "sub.jpg/deeper/d.jpg", ".hidden/h.jpg"})
        std::ofstream(dir.path / name) << "x";
    std::error_code linkError;
    fs::create_symlink(dir.path / "B.JPG", dir.path / "sub.jpg" / "link.jpg", linkError);
    if (!linkError)
        fs::create_directory_symlink(dir.path / ".hidden", dir.path / "sub.jpg" / "shown",
                                     linkError);
    if (linkError && std::string(GetParam().name).find("Link") != std::string::npos)
        GTEST_SKIP() << "no symbolic links here: " << linkError.message();
    std::vector<std::string> args;
    for (const std::string &arg : GetParam().args)
        args.push_back(Expand(arg, at));

    std::string paths;
    for (const auto &file : sparrowtrim::cli::CollectInputFiles(args, GetParam().recursive).files)
        paths += (paths.empty() ? "" : " ") + file.Path();

    std::string expected = Expand(GetParam().expected, at);
    std::replace(expected.begin(), expected.end(), '%', char(fs::path::preferred_separator));
    EXPECT_EQ(paths, expected);
}

// clang-format off
const CollectCase kCases[] = {
    // Letter case ignored in the pattern and the order; no hidden file, folder or sub-folder.
    {"FolderGivesItsJpegFilesByName", {"@"}, "@%a.jfif @%B.JPG @%c.Jpeg"},
    {"FolderWithSeparatorGetsNoSecond", {"@/"}, "@/a.jfif @/B.JPG @/c.Jpeg"},
    {"FileTakenAsGiven", {"@/x.jpg.txt", "@/gone.jpg", "-"}, "@/x.jpg.txt @/gone.jpg -"},
    {"FileThenItsFolderThenAgain", {"@/B.JPG", "@", "@/./B.JPG"}, "@/B.JPG @%a.jfif @%c.Jpeg"},
    {"FolderTwiceThenItsFile", {"@", "@/sub.jpg/..", "@/c.Jpeg"}, "@%a.jfif @%B.JPG @%c.Jpeg"},
    {"LinkToAFileNamedBefore", {"@/B.JPG", "@/sub.jpg/link.jpg"}, "@/B.JPG"},
    {"MissingFileNamedTwice", {"@/gone.jpg", "@/sub.jpg/../gone.jpg"}, "@/gone.jpg"},
    // Sub-folders where their names fall; no hidden folder, no link to a folder followed.
    {"RecursiveInPathOrder", {"@"},
     "@%a.jfif @%B.JPG @%c.Jpeg @%sub.jpg%deeper%d.jpg @%sub.jpg%inner.jpg", true},
    {"RecursiveLinkToAFileFirst", {"@/sub.jpg", "@"},
     "@/sub.jpg%deeper%d.jpg @/sub.jpg%inner.jpg @/sub.jpg%link.jpg @%a.jfif @%c.Jpeg", true},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Cases, CollectInputFilesTest, testing::ValuesIn(kCases), kRowName);

} // namespace
