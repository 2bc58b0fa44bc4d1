#include "FakeRegistry.h"

#include <gtest/gtest.h>

using sparrowtrim::registry::kTypeString;
using sparrowtrim::registry::RawValue;
namespace sysinfo = sparrowtrim::sysinfo;

namespace {

#ifdef _WIN32
const std::string kSep = "\\";
#else
const std::string kSep = "/";
#endif
const std::string kTool = "/shared" + kSep + "MSINFO32.EXE"; // the one file that exists
const std::string kMessage = "message System Information Is Unavailable At This Time";

// A string value as the registry stores it, with its terminating NUL.
RawValue Text(const std::string &text)
{
    return {kTypeString, text + '\0'};
}

struct AttemptCase
{
    const char *name;
    std::optional<RawValue> toolKey;
    const char *sharedFolder; // the tools-location key's folder, if any
    std::string steps;        // lookups, file tests, starts and messages, in order
};

class StartSysInfoTest : public testing::TestWithParam<AttemptCase>
{
};

TEST_P(StartSysInfoTest, FollowsOrderOfAttempts)
{
    const AttemptCase &c = GetParam();
    FakeSysInfo fake;
    fake.files = {kTool};
    fake.programs = {"/opt/info", kTool};
    if (c.toolKey) {
        fake.values[{sysinfo::kToolKey, "PATH"}] = *c.toolKey;
    }
    if (c.sharedFolder != nullptr) {
        fake.values[{sysinfo::kToolsLocationKey, "MSINFO"}] = Text(c.sharedFolder);
    }
    sysinfo::StartSysInfo(fake, fake.platform());
    std::string steps;
    for (const std::string &step : fake.journal) {
        steps += (steps.empty() ? "" : ", ") + step;
    }
    EXPECT_EQ(steps, c.steps);
}

// Where the tool's own key fails at run time, the shared folder would start a tool: the
// failure must not fall through to it.
INSTANTIATE_TEST_SUITE_P(
    Attempts, StartSysInfoTest,
    testing::Values(AttemptCase{"ToolKeyStartedWithoutFileTest", Text("/opt/info"), "/shared",
                                "lookup PATH, start /opt/info"},
                    AttemptCase{"SharedFolderWhenNoToolKey", std::nullopt, "/shared",
                                "lookup PATH, lookup MSINFO, exists " + kTool + ", start " + kTool},
                    AttemptCase{"ToolKeyNamingNoProgram", Text("/gone/info"), "/shared",
                                "lookup PATH, start /gone/info, " + kMessage},
                    AttemptCase{"ToolKeyOfUnknownTypeStartsEmptyPath", RawValue{3, "\x01"},
                                "/shared", "lookup PATH, start , " + kMessage},
                    AttemptCase{"ToolKeyWithoutDataAbandonsAll", RawValue{kTypeString, ""},
                                "/shared", "lookup PATH, " + kMessage},
                    AttemptCase{"StartThrowing", Text("/throws"), "/shared",
                                "lookup PATH, start /throws, " + kMessage},
                    AttemptCase{"SharedFolderWithoutTool", std::nullopt, "/none",
                                "lookup PATH, lookup MSINFO, exists /none" + kSep +
                                    "MSINFO32.EXE, " + kMessage},
                    AttemptCase{"NeitherKey", std::nullopt, nullptr,
                                "lookup PATH, lookup MSINFO, " + kMessage}),
    [](const testing::TestParamInfo<AttemptCase> &row) { return std::string(row.param.name); });

} // namespace
