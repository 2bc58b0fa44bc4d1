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
    std::string flags = {}; // k: keep date, r: process read-only, q: quiet
    unsigned jobs = kDefaultJobs;
    std::string logFile = {};
    std::vector<std::string> paths = {};
};

void PrintTo(const ParseCase &row, std::ostream *out)
{
    *out << row.name;
}

class ParseCommandLineTest : public testing::TestWithParam<ParseCase>
{
};

TEST_P(ParseCommandLineTest, GivesActionAndOptions)
{
    const ParseCase &c = GetParam();
    const auto parsed = ParseCommandLine(c.args, kDefaultJobs);

    ASSERT_EQ(parsed.action, c.action) << parsed.error;
    EXPECT_EQ(parsed.error.empty(), c.action != Action::UsageError);
    if (c.action != Action::Run)
        return;
    const auto flag = [&c](char letter) { return c.flags.find(letter) != std::string::npos; };
    EXPECT_EQ(parsed.options.keepDate, flag('k'));
    EXPECT_EQ(parsed.options.processReadOnly, flag('r'));
    EXPECT_EQ(parsed.options.quiet, flag('q'));
    EXPECT_EQ(parsed.options.jobs, c.jobs);
    EXPECT_EQ(parsed.options.logFile, c.logFile);
    EXPECT_EQ(parsed.options.paths, c.paths);
}

const ParseCase kCases[] = {
    {"OnePathDefaults", {"a.jpg"}, Action::Run, "", kDefaultJobs, "", {"a.jpg"}},
    {"AllFlagsAnywhere",
     {"a.jpg", "--keep-date", "b", "--process-read-only", "--quiet"},
     Action::Run,
     "krq",
     kDefaultJobs,
     "",
     {"a.jpg", "b"}},
    {"JobsAndLogAsSeparateValues",
     {"--jobs", "4", "--log", "run.log", "x"},
     Action::Run,
     "",
     4,
     "run.log",
     {"x"}},
    {"JobsAndLogWithEquals",
     {"--jobs=1", "--log=my run.log", "x"},
     Action::Run,
     "",
     1,
     "my run.log",
     {"x"}},
    {"DoubleDashEndsOptions",
     {"--", "--quiet", "-x.jpg"},
     Action::Run,
     "",
     kDefaultJobs,
     "",
     {"--quiet", "-x.jpg"}},
    {"LoneDashIsAPath", {"-"}, Action::Run, "", kDefaultJobs, "", {"-"}},
    {"HelpWinsOverPaths", {"a.jpg", "--help"}, Action::Help},
    {"ShortHelp", {"-h"}, Action::Help},
    {"Version", {"--version"}, Action::Version},
    {"ErrorBeforeHelpIsReported", {"--bogus", "--help"}, Action::UsageError},
    {"NoArguments", {}, Action::UsageError},
    {"OptionsButNoPath", {"--quiet", "--jobs", "2"}, Action::UsageError},
    {"UnknownOption", {"--recursive", "x"}, Action::UsageError},
    {"JobsZero", {"--jobs", "0", "x"}, Action::UsageError},
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
