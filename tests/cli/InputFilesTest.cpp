#include "InputFiles.h"

#include "CliTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace sparrowtrim::cli;
using sparrowtrim::cli::test::TempDir;
using sparrowtrim::cli::test::WriteText;

namespace {

std::vector<std::string> Paths(const std::vector<InputFile> &files)
{
    std::vector<std::string> paths;
    for (const InputFile &file : files)
        paths.push_back(file.Path());
    return paths;
}

struct ExtensionCase
{
    const char *name;
    const char *fileName;
    bool matches;
};

void PrintTo(const ExtensionCase &row, std::ostream *out)
{
    *out << row.name;
}

class HasJpegExtensionTest : public testing::TestWithParam<ExtensionCase>
{
};

TEST_P(HasJpegExtensionTest, MatchesThePatternsWithoutRegardToCase)
{
    EXPECT_EQ(HasJpegExtension(GetParam().fileName), GetParam().matches);
}

const ExtensionCase kExtensionCases[] = {
    {"Jpg", "a.jpg", true},
    {"JpgUpper", "A.JPG", true},
    {"JpegMixed", "b.JpEg", true},
    {"Jfif", "c.jfif", true},
    {"JfifUpper", "C.JFIF", true},
    {"Jpe", "d.jpe", false},
    {"JpgThenMore", "e.jpg.txt", false},
    {"NoDot", "jpg", false},
    {"Png", "f.png", false},
    {"DotsInName", "my.photo.v2.jpeg", true},
};

INSTANTIATE_TEST_SUITE_P(Names, HasJpegExtensionTest, testing::ValuesIn(kExtensionCases),
                         sparrowtrim::cli::test::kRowName);

TEST(CollectInputFilesTest, FolderGivesItsPlainJpegFilesSortedByNameIgnoringCase)
{
    TempDir dir;
    for (const char *name :
         {"b.jpg", "A.JPG", "c.Jpeg", "a2.jfif", "Ab.jpg", ".hidden.jpg", "notes.txt", "photo.jpe"})
        WriteText(dir.Path() / name, "x");
    fs::create_directory(dir.Path() / "folder.jpg");
    fs::create_directory(dir.Path() / "sub");
    WriteText(dir.Path() / "sub" / "inner.jpg", "x");

    const CollectedFiles collected = CollectInputFiles({dir.Path().string()});

    const std::string folder = dir.Folder();
    EXPECT_EQ(Paths(collected.files),
              (std::vector<std::string>{folder + "A.JPG", folder + "a2.jfif", folder + "Ab.jpg",
                                        folder + "b.jpg", folder + "c.Jpeg"}));
    EXPECT_TRUE(collected.problems.empty());
}

TEST(CollectInputFilesTest, FolderWithTrailingSeparatorGetsNoSecondOne)
{
    TempDir dir;
    WriteText(dir.Path() / "a.jpg", "x");

    const CollectedFiles collected = CollectInputFiles({dir.Folder()});

    ASSERT_EQ(collected.files.size(), 1U);
    EXPECT_EQ(collected.files[0].folder, dir.Folder());
    EXPECT_EQ(collected.files[0].name, "a.jpg");
}

TEST(CollectInputFilesTest, FileIsTakenAsGivenWhatEverItsNameOrExistence)
{
    const CollectedFiles collected = CollectInputFiles({"no-such-folder/x.png", "plain.jpg", "-"});

    EXPECT_EQ(collected.files,
              (std::vector<InputFile>{{"no-such-folder/", "x.png"}, {"", "plain.jpg"}, {"", "-"}}));
}

struct DedupeCase
{
    const char *name;
    std::vector<std::string> args;     // "@" stands for the temporary folder, without separator
    std::vector<std::string> expected; // paths, "@" likewise, "%" the platform's separator
};

void PrintTo(const DedupeCase &row, std::ostream *out)
{
    *out << row.name;
}

class DedupeTest : public testing::TestWithParam<DedupeCase>
{
};

TEST_P(DedupeTest, EachFileIsHandledOnceWhereItFirstAppears)
{
    TempDir dir;
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        WriteText(dir.Path() / name, "x");
    fs::create_directory(dir.Path() / "sub");
    std::error_code linkError;
    fs::create_symlink(dir.Path() / "b.jpg", dir.Path() / "sub" / "link-to-b.jpg", linkError);
    if (linkError && std::string(GetParam().name).find("Link") != std::string::npos)
        GTEST_SKIP() << "no symbolic links here: " << linkError.message();

    const auto expand = [&dir](const std::vector<std::string> &texts) {
        std::vector<std::string> result;
        for (std::string text : texts) {
            if (const auto at = text.find('@'); at != std::string::npos)
                text.replace(at, 1, dir.Path().string());
            if (const auto at = text.find('%'); at != std::string::npos)
                text.replace(at, 1, 1, static_cast<char>(fs::path::preferred_separator));
            result.push_back(text);
        }
        return result;
    };

    const CollectedFiles collected = CollectInputFiles(expand(GetParam().args));

    EXPECT_EQ(Paths(collected.files), expand(GetParam().expected));
}

const DedupeCase kDedupeCases[] = {
    {"SameFileTwice", {"@/b.jpg", "@/b.jpg"}, {"@/b.jpg"}},
    {"FileThenItsFolder", {"@/b.jpg", "@"}, {"@/b.jpg", "@%a.jpg", "@%c.jpg"}},
    {"FolderThenOneOfItsFiles", {"@", "@/c.jpg"}, {"@%a.jpg", "@%b.jpg", "@%c.jpg"}},
    {"FolderTwiceSpelledDifferently", {"@", "@/", "@/sub/.."}, {"@%a.jpg", "@%b.jpg", "@%c.jpg"}},
    {"OtherSpellingsOfOnePath", {"@/a.jpg", "@/./a.jpg", "@/sub/../a.jpg"}, {"@/a.jpg"}},
    {"SymbolicLinkToAFileAlreadyNamed", {"@/b.jpg", "@/sub/link-to-b.jpg"}, {"@/b.jpg"}},
    {"MissingFileNamedTwice", {"@/gone.jpg", "@/./gone.jpg"}, {"@/gone.jpg"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, DedupeTest, testing::ValuesIn(kDedupeCases),
                         sparrowtrim::cli::test::kRowName);

} // namespace
