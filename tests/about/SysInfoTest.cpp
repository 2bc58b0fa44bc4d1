#include "FakeRegistry.h"

#include <gtest/gtest.h>

using sparrowtrim::registry::kTypeString;
using sparrowtrim::registry::RawValue;
namespace sysinfo = sparrowtrim::sysinfo;

namespace {

#ifdef _WIN32
const std::string kTool = "/shared\\MSINFO32.EXE";
#else
const std::string kTool = "/shared/MSINFO32.EXE";
#endif
const std::string kMessage = "message System Information Is Unavailable At This Time";

// A string value as the registry stores it, with its terminating NUL.
RawValue Text(const std::string &text)
{
    return {kTypeString, text + '\0'};
}

struct AttemptCase
{
    const char *name = "";
    std::optional<RawValue> toolKey = {};
    std::optional<RawValue> locationKey = {};
    std::set<std::string> files = {};
    std::set<std::string> programs = {};
    bool startThrows = false;
    std::vector<std::string> steps = {}; // lookups, file tests, starts and messages, in order
};

class StartSysInfoTest : public testing::TestWithParam<AttemptCase>
{
};

TEST_P(StartSysInfoTest, FollowsOrderOfAttempts)
{
    const AttemptCase &c = GetParam();
    FakeSysInfo fake;
    fake.files = c.files;
    fake.programs = c.programs;
    fake.startThrows = c.startThrows;
    if (c.toolKey) {
        fake.values[{sysinfo::kToolKey, "PATH"}] = *c.toolKey;
    }
    if (c.locationKey) {
        fake.values[{sysinfo::kToolsLocationKey, "MSINFO"}] = *c.locationKey;
    }
    sysinfo::StartSysInfo(fake, fake.platform());
    EXPECT_EQ(fake.journal, c.steps);
}

// Where the tool's own key fails at run time, the shared folder holds a tool that would start:
// the failure must not fall through to it.
INSTANTIATE_TEST_SUITE_P(
    Attempts, StartSysInfoTest,
    testing::Values(
        AttemptCase{.name = "ToolKeyStartedWithoutFileTest",
                    .toolKey = Text("/opt/info"),
                    .programs = {"/opt/info"},
                    .steps = {"lookup PATH", "start /opt/info"}},
        AttemptCase{.name = "SharedFolderWhenNoToolKey",
                    .locationKey = Text("/shared"),
                    .files = {kTool},
                    .programs = {kTool},
                    .steps = {"lookup PATH", "lookup MSINFO", "exists " + kTool, "start " + kTool}},
        AttemptCase{.name = "ToolKeyNamingNoProgramShowsMessageOnly",
                    .toolKey = Text("/gone/info"),
                    .locationKey = Text("/shared"),
                    .files = {kTool},
                    .programs = {kTool},
                    .steps = {"lookup PATH", "start /gone/info", kMessage}},
        AttemptCase{.name = "ToolKeyOfUnknownTypeStartsEmptyPath",
                    .toolKey = RawValue{3, "\x01\x02"},
                    .locationKey = Text("/shared"),
                    .files = {kTool},
                    .programs = {kTool},
                    .steps = {"lookup PATH", "start ", kMessage}},
        AttemptCase{.name = "ToolKeyWithoutDataAbandonsBeforeSecondLookup",
                    .toolKey = RawValue{kTypeString, ""},
                    .locationKey = Text("/shared"),
                    .files = {kTool},
                    .programs = {kTool},
                    .steps = {"lookup PATH", kMessage}},
        AttemptCase{.name = "StartThrowing",
                    .toolKey = Text("/opt/info"),
                    .locationKey = Text("/shared"),
                    .files = {kTool},
                    .startThrows = true,
                    .steps = {"lookup PATH", "start /opt/info", kMessage}},
        AttemptCase{.name = "SharedFolderWithoutTool",
                    .locationKey = Text("/shared"),
                    .programs = {kTool},
                    .steps = {"lookup PATH", "lookup MSINFO", "exists " + kTool, kMessage}},
        AttemptCase{.name = "NeitherKey", .steps = {"lookup PATH", "lookup MSINFO", kMessage}}),
    [](const testing::TestParamInfo<AttemptCase> &row) { return std::string(row.param.name); });

} // namespace
