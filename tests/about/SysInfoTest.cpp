#include "SysInfo.h"

#include "FakeRegistry.h"

#include <gtest/gtest.h>

using sparrowtrim::registry::kTypeNumber32;
using sparrowtrim::registry::kTypeString;
using sparrowtrim::registry::RawValue;
namespace sysinfo = sparrowtrim::sysinfo;

namespace {

#ifdef _WIN32
const std::string kSep = "\\";
#else
const std::string kSep = "/";
#endif
const std::string kTool = kSep + "MSINFO32.EXE";
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
    FakeRegistry registry;
    FakeSysInfoPlatform platform{
        .files = c.files, .programs = c.programs, .startThrows = c.startThrows};
    registry.journal = &platform.journal;
    if (c.toolKey) {
        registry.set(sysinfo::kToolKey, sysinfo::kToolValue, c.toolKey->type, c.toolKey->data);
    }
    if (c.locationKey) {
        registry.set(sysinfo::kToolsLocationKey, sysinfo::kToolsLocationValue, c.locationKey->type,
                     c.locationKey->data);
    }

    sysinfo::StartSysInfo(registry, platform.platform());

    EXPECT_EQ(platform.journal, c.steps);
    for (const auto &[key, value] : registry.lookups) {
        EXPECT_TRUE((key == sysinfo::kToolKey && value == "PATH") ||
                    (key == sysinfo::kToolsLocationKey && value == "MSINFO"))
            << key << " " << value;
    }
}

const std::string kShared = "/shared";
const std::string kSharedTool = kShared + kTool;

INSTANTIATE_TEST_SUITE_P(
    Attempts, StartSysInfoTest,
    testing::Values(
        AttemptCase{.name = "ToolKeyStartedWithoutFileTest",
                    .toolKey = Text("/opt/info"),
                    .programs = {"/opt/info"},
                    .steps = {"lookup PATH", "start /opt/info"}},
        AttemptCase{.name = "ToolKeyNamingNoProgramShowsMessageOnly",
                    .toolKey = Text("/gone/info"),
                    .locationKey = Text(kShared),
                    .files = {kSharedTool},
                    .steps = {"lookup PATH", "start /gone/info", kMessage}},
        AttemptCase{.name = "ToolKeyOfUnknownTypeStartsEmptyPath",
                    .toolKey = RawValue{3, "\x01\x02"},
                    .steps = {"lookup PATH", "start ", kMessage}},
        AttemptCase{.name = "ToolKeyNumberStartsItsHexText",
                    .toolKey = RawValue{kTypeNumber32, std::string("\x34\x12\0\0", 4)},
                    .steps = {"lookup PATH", "start &h01234", kMessage}},
        AttemptCase{.name = "ToolKeyWithoutDataAbandonsBeforeSecondLookup",
                    .toolKey = RawValue{kTypeString, ""},
                    .locationKey = Text(kShared),
                    .files = {kSharedTool},
                    .steps = {"lookup PATH", kMessage}},
        AttemptCase{.name = "LocationFolderWithTool",
                    .locationKey = Text(kShared),
                    .files = {kSharedTool},
                    .programs = {kSharedTool},
                    .steps = {"lookup PATH", "lookup MSINFO", "exists " + kSharedTool,
                              "start " + kSharedTool}},
        AttemptCase{.name = "LocationFolderEndingInSeparatorDoublesIt",
                    .locationKey = Text(kShared + kSep),
                    .files = {kShared + kSep + kTool},
                    .programs = {kShared + kSep + kTool},
                    .steps = {"lookup PATH", "lookup MSINFO", "exists " + kShared + kSep + kTool,
                              "start " + kShared + kSep + kTool}},
        AttemptCase{.name = "LocationFolderWithoutTool",
                    .locationKey = Text(kShared),
                    .steps = {"lookup PATH", "lookup MSINFO", "exists " + kSharedTool, kMessage}},
        AttemptCase{.name = "LocationStartFails",
                    .locationKey = Text(kShared),
                    .files = {kSharedTool},
                    .steps = {"lookup PATH", "lookup MSINFO", "exists " + kSharedTool,
                              "start " + kSharedTool, kMessage}},
        AttemptCase{.name = "LocationDataTooLong",
                    .locationKey = RawValue{kTypeString, std::string(1025, 'a')},
                    .steps = {"lookup PATH", "lookup MSINFO", kMessage}},
        AttemptCase{.name = "LocationWithoutDataAbandons",
                    .locationKey = RawValue{kTypeString, ""},
                    .steps = {"lookup PATH", "lookup MSINFO", kMessage}},
        AttemptCase{.name = "NeitherKey", .steps = {"lookup PATH", "lookup MSINFO", kMessage}},
        AttemptCase{.name = "StartThrowing",
                    .toolKey = Text("/opt/info"),
                    .startThrows = true,
                    .steps = {"lookup PATH", "start /opt/info", kMessage}}),
    [](const testing::TestParamInfo<AttemptCase> &row) { return std::string(row.param.name); });

} // namespace
