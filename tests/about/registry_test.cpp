// The order of attempts to start the system information tool, against a registry in memory.
#include "about/PlatformRegistry.h"
#include "tests/about/fake_registry.h"

#include <gtest/gtest.h>

using namespace sparrowtrim::registry;
using std::string_literals::operator""s;

namespace {

const std::string kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kToolsLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

#ifdef _WIN32
const std::string kFile = "\\MSINFO32.EXE"; // the tool's file in the shared tools' folder
#else
const std::string kFile = "/MSINFO32.EXE";
#endif
const std::string kMessage = "message System Information Is Unavailable At This Time";

struct AttemptCase
{
    const char *name;
    std::optional<RawValue> toolKey; // as stored under the tool's own key
    const char *sharedFolder;        // the tools-location key's folder, if any
    std::string steps;               // lookups, file tests, starts and messages, in order
};

class StartSysInfoTest : public testing::TestWithParam<AttemptCase>
{
};

TEST_P(StartSysInfoTest, FollowsOrderOfAttempts)
{
    const AttemptCase &c = GetParam();
    FakeSysInfo fake;
    fake.files = {"/opt/info", "/shared" + kFile};
    if (c.toolKey) {
        fake.values[{kToolKey, "PATH"}] = *c.toolKey;
    }
    if (c.sharedFolder != nullptr) {
        fake.values[{kToolsLocationKey, "MSINFO"}] = {kTypeString, c.sharedFolder + "\0"s};
    }
    sparrowtrim::sysinfo::StartSysInfo(fake, fake.platform());
    EXPECT_EQ(fake.journal, c.steps);
}

// Where the tool's own key fails at run time, the shared folder would start a tool: the
// failure must not fall through to it.
INSTANTIATE_TEST_SUITE_P(
    Attempts, StartSysInfoTest,
    testing::Values(
        AttemptCase{"ToolKeyStartedWithoutFileTest", RawValue{kTypeString, "/opt/info"}, "/shared",
                    "lookup PATH, start /opt/info"},
        // A string loses one final NUL; a number reads as "&h" and its bytes, last first, unpadded.
        AttemptCase{"ToolKeyLosesOneNul", RawValue{kTypeString, "/x\0\0"s}, "/shared",
                    "lookup PATH, start /x\0"s + ", " + kMessage},
        AttemptCase{"ToolKeyNumber", RawValue{kTypeNumber32, "\x0A\xFF\0\x7F"s}, "/shared",
                    "lookup PATH, start &h7F0FFA, " + kMessage},
        AttemptCase{"ToolKeyOfOtherTypeStartsEmptyPath", RawValue{3, "\x01"}, "/shared",
                    "lookup PATH, start , " + kMessage},
        AttemptCase{"ToolKeyWithoutDataAbandonsAll", RawValue{kTypeString, ""}, "/shared",
                    "lookup PATH, " + kMessage},
        AttemptCase{"SharedFolderWhenNoToolKey", std::nullopt, "/shared",
                    "lookup PATH, lookup MSINFO, exists /shared" + kFile + ", start /shared" +
                        kFile},
        AttemptCase{"SharedFolderWithoutTool", std::nullopt, "/opt",
                    "lookup PATH, lookup MSINFO, exists /opt" + kFile + ", " + kMessage},
        AttemptCase{"NeitherKey", std::nullopt, nullptr,
                    "lookup PATH, lookup MSINFO, " + kMessage}),
    [](const testing::TestParamInfo<AttemptCase> &row) { return std::string(row.param.name); });

} // namespace
