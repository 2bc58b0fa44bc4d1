#include "SysInfo.h"

#include "FakeRegistry.h"

#include <gtest/gtest.h>
#include <set>
#include <stdexcept>

using sparrowtrim::registry::kTypeNumber32;
using sparrowtrim::registry::kTypeString;
namespace sysinfo = sparrowtrim::sysinfo;

namespace {

#ifdef _WIN32
const std::string kSep = "\\";
#else
const std::string kSep = "/";
#endif
const std::string kTool = kSep + "MSINFO32.EXE";
const std::string kMessage = "message System Information Is Unavailable At This Time";

std::string WithNul(const std::string &text)
{
    return text + '\0';
}

// Every step the attempt takes, in order: registry lookups, file tests, starts, messages.
struct Recorder
{
    std::vector<std::string> journal;
    std::set<std::string> files;    // paths the file test finds
    std::set<std::string> programs; // paths that start
    bool startThrows = false;

    sysinfo::Platform platform()
    {
        return {
            .fileExists =
                [this](const std::string &path) {
                    journal.push_back("exists " + path);
                    return files.count(path) > 0;
                },
            .startProgram =
                [this](const std::string &path) {
                    journal.push_back("start " + path);
                    if (startThrows) {
                        throw std::runtime_error("cannot start");
                    }
                    return programs.count(path) > 0;
                },
            .showMessage =
                [this](const std::string &text) { journal.push_back("message " + text); },
        };
    }
};

struct AttemptCase
{
    const char *name;
    std::function<void(FakeRegistry &, Recorder &)> arrange;
    std::vector<std::string> expectedSteps;
};

class StartSysInfoTest : public testing::TestWithParam<AttemptCase>
{
};

TEST_P(StartSysInfoTest, FollowsOrderOfAttempts)
{
    FakeRegistry registry;
    Recorder recorder;
    registry.journal = &recorder.journal;
    GetParam().arrange(registry, recorder);

    sysinfo::StartSysInfo(registry, recorder.platform());

    EXPECT_EQ(recorder.journal, GetParam().expectedSteps);
    // The lookups go to the two registered places, the tool's own key first.
    for (const auto &[key, value] : registry.lookups) {
        EXPECT_TRUE((key == sysinfo::kToolKey && value == "PATH") ||
                    (key == sysinfo::kToolsLocationKey && value == "MSINFO"))
            << key << " " << value;
    }
}

void ToolKey(FakeRegistry &registry, std::uint32_t type, const std::string &data)
{
    registry.set(sysinfo::kToolKey, sysinfo::kToolValue, type, data);
}

void LocationKey(FakeRegistry &registry, std::uint32_t type, const std::string &data)
{
    registry.set(sysinfo::kToolsLocationKey, sysinfo::kToolsLocationValue, type, data);
}

INSTANTIATE_TEST_SUITE_P(
    Attempts, StartSysInfoTest,
    testing::Values(
        AttemptCase{"ToolKeyStartedWithoutFileTest",
                    [](FakeRegistry &r, Recorder &rec) {
                        ToolKey(r, kTypeString, WithNul("/opt/info"));
                        rec.programs.insert("/opt/info");
                    },
                    {"lookup PATH", "start /opt/info"}},
        AttemptCase{"ToolKeyNamingNoProgramShowsMessageOnly",
                    [](FakeRegistry &r, Recorder &rec) {
                        ToolKey(r, kTypeString, WithNul("/gone/info"));
                        LocationKey(r, kTypeString, WithNul("/shared"));
                        rec.files.insert("/shared" + kTool);
                    },
                    {"lookup PATH", "start /gone/info", kMessage}},
        AttemptCase{"ToolKeyOfUnknownTypeStartsEmptyPath",
                    [](FakeRegistry &r, Recorder &) { ToolKey(r, 3, "\x01\x02"); },
                    {"lookup PATH", "start ", kMessage}},
        AttemptCase{"ToolKeyNumberStartsItsHexText",
                    [](FakeRegistry &r, Recorder &) {
                        ToolKey(r, kTypeNumber32, std::string("\x34\x12\0\0", 4));
                    },
                    {"lookup PATH", "start &h01234", kMessage}},
        AttemptCase{"ToolKeyWithoutDataAbandonsBeforeSecondLookup",
                    [](FakeRegistry &r, Recorder &rec) {
                        ToolKey(r, kTypeString, "");
                        LocationKey(r, kTypeString, WithNul("/shared"));
                        rec.files.insert("/shared" + kTool);
                    },
                    {"lookup PATH", kMessage}},
        AttemptCase{
            "LocationFolderWithTool",
            [](FakeRegistry &r, Recorder &rec) {
                LocationKey(r, kTypeString, WithNul("/shared"));
                rec.files.insert("/shared" + kTool);
                rec.programs.insert("/shared" + kTool);
            },
            {"lookup PATH", "lookup MSINFO", "exists /shared" + kTool, "start /shared" + kTool}},
        AttemptCase{"LocationFolderEndingInSeparatorDoublesIt",
                    [](FakeRegistry &r, Recorder &rec) {
                        LocationKey(r, kTypeString, WithNul("/shared" + kSep));
                        rec.files.insert("/shared" + kSep + kTool);
                        rec.programs.insert("/shared" + kSep + kTool);
                    },
                    {"lookup PATH", "lookup MSINFO", "exists /shared" + kSep + kTool,
                     "start /shared" + kSep + kTool}},
        AttemptCase{
            "LocationFolderWithoutTool",
            [](FakeRegistry &r, Recorder &) { LocationKey(r, kTypeString, WithNul("/shared")); },
            {"lookup PATH", "lookup MSINFO", "exists /shared" + kTool, kMessage}},
        AttemptCase{"LocationStartFails",
                    [](FakeRegistry &r, Recorder &rec) {
                        LocationKey(r, kTypeString, WithNul("/shared"));
                        rec.files.insert("/shared" + kTool);
                    },
                    {"lookup PATH", "lookup MSINFO", "exists /shared" + kTool,
                     "start /shared" + kTool, kMessage}},
        AttemptCase{"LocationDataTooLong",
                    [](FakeRegistry &r, Recorder &) {
                        LocationKey(r, kTypeString, std::string(1025, 'a'));
                    },
                    {"lookup PATH", "lookup MSINFO", kMessage}},
        AttemptCase{"LocationWithoutDataAbandons",
                    [](FakeRegistry &r, Recorder &) { LocationKey(r, kTypeString, ""); },
                    {"lookup PATH", "lookup MSINFO", kMessage}},
        AttemptCase{"NeitherKey",
                    [](FakeRegistry &, Recorder &) {},
                    {"lookup PATH", "lookup MSINFO", kMessage}},
        AttemptCase{"StartThrowing",
                    [](FakeRegistry &r, Recorder &rec) {
                        ToolKey(r, kTypeString, WithNul("/opt/info"));
                        rec.startThrows = true;
                    },
                    {"lookup PATH", "start /opt/info", kMessage}}),
    [](const testing::TestParamInfo<AttemptCase> &row) { return std::string(row.param.name); });

} // namespace
