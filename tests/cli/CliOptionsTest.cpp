#include "CliOptions.h"

#include "CliTestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using sparrowtrim::cli::ParseCommandLine;
using Action = sparrowtrim::cli::ParsedCommandLine::Action;

namespace {

constexpr unsigned kDefaultJobs = 3;

struct ParseCase
{
    const char *name;
    std::vector<std::string> args;
    Action action;
    bool keepDate = false;
    bool processReadOnly = false;
    bool quiet = false;
    unsigned jobs = kDefaultJobs;
    std::string logFile = {};

    void PrintTo(const ParseCase &row, std::ostream *out) { *out << row.name; }
    std::vector<std::string> paths = {};
};

class ParseCommandLineTest : public testing::TestWithParam<ParseCase>
{
};

TEST_P(ParseCommandLineTest, GivesActionAndOptions)
{
    const ParseCase &c = GetParam();
    const auto parsed = ParseCommandLine(c.args, kDefaultJobs);

    ASSERT_EQ(parsed.action, c.action) << parsed.error;
    if (c.action == Action::UsageError) {
        EXPECT_FALSE(parsed.error.empty());
        return;
    }
    if (c.action != Action::Run)
        return;
    EXPECT_EQ(parsed.options.keepDate, c.keepDate);
    EXPECT_EQ(parsed.options.processReadOnly, c.processReadOnly);
    EXPECT_EQ(parsed.options.quiet, c.quiet);
    EXPECT_EQ(parsed.options.jobs, c.jobs);
    EXPECT_EQ(parsed.options.logFile, c.logFile);
    EXPECT_EQ(parsed.options.paths, c.paths);
}

const ParseCase kCases[] = {
    {"OnePathDefaults", {"a.jpg"}, Action::Run, false, false, false, kDefaultJobs, "", {"a.jpg"}},
    {"AllFlagsAnywhere",
     {"a.jpg", "--keep-date", "b", "--process-read-only", "--quiet"},
     Action::Run,
     true,
     true,
     true,
     kDefaultJobs,
     "",
     {"a.jpg", "b"}},
    {"JobsAndLogAsSeparateValues",
     {"--jobs", "4", "--log", "run.log", "x"},
     Action::Run,
     false,
     false,
     false,
     4,
     "run.log",
     {"x"}},
    {"JobsAndLogWithEquals",
     {"--jobs=1", "--log=my run.log", "x"},
     Action::Run,
     false,
     false,
     false,
     1,
     "my run.log",
     {"x"}},
    {"LastJobsWins",
     {"--jobs", "2", "--jobs", "5", "x"},
     Action::Run,
     false,
     false,
     false,
     5,
     "",
     {"x"}},
    {"DoubleDashEndsOptions",
     {"--", "--quiet", "-x.jpg"},
     Action::Run,
     false,
     false,
     false,
     kDefaultJobs,
     "",
     {"--quiet", "-x.jpg"}},
    {"LoneDashIsAPath", {"-"}, Action::Run, false, false, false, kDefaultJobs, "", {"-"}},
    {"HelpWinsOverPaths", {"a.jpg", "--help"}, Action::Help},
    {"ShortHelp", {"-h"}, Action::Help},
    {"Version", {"--version"}, Action::Version},
    {"ErrorBeforeHelpIsReported", {"--bogus", "--help"}, Action::UsageError},
    {"NoArguments", {}, Action::UsageError},
    {"OptionsButNoPath", {"--quiet", "--jobs", "2"}, Action::UsageError},
    {"UnknownLongOption", {"--recursive", "x"}, Action::UsageError},
    {"UnknownShortOption", {"-q", "x"}, Action::UsageError},
    {"JobsZero", {"--jobs", "0", "x"}, Action::UsageError},
    {"JobsNegative", {"--jobs=-2", "x"}, Action::UsageError},
    {"JobsNotANumber", {"--jobs", "two", "x"}, Action::UsageError},
    {"JobsTrailingGarbage", {"--jobs", "2x", "x"}, Action::UsageError},
    {"JobsTooMany", {"--jobs", "100000", "x"}, Action::UsageError},
    {"JobsWithoutValue", {"x", "--jobs"}, Action::UsageError},
    {"LogWithoutValue", {"x", "--log"}, Action::UsageError},
    {"LogEmpty", {"--log=", "x"}, Action::UsageError},
    {"FlagWithValue", {"--quiet=yes", "x"}, Action::UsageError},
};

INSTANTIATE_TEST_SUITE_P(Cases, ParseCommandLineTest, testing::ValuesIn(kCases),
                         sparrowtrim::cli::test::kRowName);

} // namespace
