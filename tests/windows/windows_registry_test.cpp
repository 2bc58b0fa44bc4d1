// The registry lookups against the system registry itself: every value below is written into
// a test key by the platform's own `reg` tool before it is read back through GetKeyValue.
#include "PlatformRegistry.h"
#include "Registry.h"
#include "SysInfo.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>
#include <windows.h>

using namespace sparrowtrim;

namespace {

constexpr const char *kRoot = "HKLM\\";
constexpr const char *kTestKey = "SOFTWARE\\Sparrowtrim Registry Test";

// One argument for a command line, quoted so that the program's argument parser gives it
// back unchanged (backslashes double only in front of a quote).
std::string Quoted(const std::string &argument)
{
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, '\\');
    return quoted + "\"";
}

// Runs the platform's `reg` tool with its output discarded; its exit code.
DWORD RunReg(const std::vector<std::string> &arguments)
{
    std::string commandLine = "reg.exe";
    for (const auto &argument : arguments) {
        commandLine += " " + Quoted(argument);
    }

    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE sink = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = sink;
    startup.hStdError = sink;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    CloseHandle(sink);
    if (!started) {
        ADD_FAILURE() << "cannot start: " << commandLine;
        return ~DWORD{0};
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = ~DWORD{0};
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

void RegAdd(const std::string &key, const std::string &name, const std::string &type,
            const std::optional<std::string> &data)
{
    std::vector<std::string> arguments = {"add", kRoot + key, "/v", name, "/t", type};
    if (data) {
        arguments.insert(arguments.end(), {"/d", *data});
    }
    arguments.push_back("/f");
    ASSERT_EQ(RunReg(arguments), 0u) << "reg add " << key << " " << name;
}

void RegDeleteKey(const std::string &key)
{
    // Exit code 1 is a key that is not there: nothing to clean up.
    RunReg({"delete", kRoot + key, "/f"});
}

void RegDeleteValue(const std::string &key, const std::string &name)
{
    RunReg({"delete", kRoot + key, "/v", name, "/f"});
}

struct LookupRow
{
    const char *name;
    const char *valueName;
    std::string before; // what value holds when the lookup starts
    bool found;
    std::string after;
};

class RegistryLookup : public ::testing::TestWithParam<LookupRow>
{
public:
    static void SetUpTestSuite()
    {
        RegDeleteKey(kTestKey);
        RegAdd(kTestKey, "Path", "REG_SZ", "C:\\Program Files\\Tools\\info.exe");
        RegAdd(kTestKey, "Empty", "REG_SZ", "");
        RegAdd(kTestKey, "Number", "REG_DWORD", "0x1234");
        RegAdd(kTestKey, "FullNumber", "REG_DWORD", "0x12345678");
        RegAdd(kTestKey, "Longest", "REG_SZ", std::string(1023, 'x'));
        RegAdd(kTestKey, "TooLong", "REG_SZ", std::string(1100, 'x'));
        RegAdd(kTestKey, "Expandable", "REG_EXPAND_SZ", "%SystemRoot%");
        WriteStringData("Unterminated", "C:\\Tools");
        WriteStringData("TwoTerminators", std::string("C:\\Tools\0\0", 10));
    }
    static void TearDownTestSuite() { RegDeleteKey(kTestKey); }

private:
    // `reg` always stores a string with one terminating NUL. Other programs give the registry
    // a length of their own, with no terminator or more than one; that is done here through
    // the registry functions, with a byte behind the counted data that is not NUL, so that
    // the system has no terminator to add.
    static void WriteStringData(const char *name, const std::string &data)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_SET_VALUE, &key),
                  ERROR_SUCCESS);
        const std::string bytes = data + "!";
        const LONG result =
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(bytes.data()),
                           static_cast<DWORD>(data.size()));
        RegCloseKey(key);
        ASSERT_EQ(result, ERROR_SUCCESS);
    }
};

TEST_P(RegistryLookup, ReadsTheValueAsTheAboutWindowNeedsIt)
{
    const LookupRow &row = GetParam();
    const auto backend = registry::MakePlatformBackend();
    std::string value = row.before;
    EXPECT_EQ(
        registry::GetKeyValue(*backend, registry::kLocalMachine, kTestKey, row.valueName, value),
        row.found);
    EXPECT_EQ(value, row.after);
}

const std::string kToolPath = "C:\\Program Files\\Tools\\info.exe";

INSTANTIATE_TEST_SUITE_P(
    Values, RegistryLookup,
    ::testing::Values(
        // The terminator that `reg` stores is the one character dropped.
        LookupRow{"StringLosesItsTerminator", "Path", "old", true, kToolPath},
        LookupRow{"StringWithoutTerminatorStaysWhole", "Unterminated", "", true, "C:\\Tools"},
        LookupRow{"StringLosesOnlyOneOfTwoTerminators", "TwoTerminators", "", true,
                  std::string("C:\\Tools\0", 9)},
        LookupRow{"ValueNamesIgnoreCase", "PATH", "", true, kToolPath},
        LookupRow{"EmptyStringIsFound", "Empty", "old", true, ""},
        // 34 12 00 00: the last NUL goes with the trim, the rest is read last byte first.
        LookupRow{"NumberReadLastByteFirst", "Number", "", true, "&h01234"},
        LookupRow{"NumberAppendsToWhatValueHeld", "Number", "C:", true, "&hC:01234"},
        LookupRow{"NumberWithoutZeroByteKeepsAllFour", "FullNumber", "", true, "&h12345678"},
        LookupRow{"DataOfExactly1024BytesIsRead", "Longest", "", true, std::string(1023, 'x')},
        LookupRow{"DataOver1024BytesIsAFailedLookup", "TooLong", "old", false, ""},
        LookupRow{"MissingValueEmptiesValue", "Absent", "old", false, ""},
        LookupRow{"OtherTypeLeavesValueAsItWas", "Expandable", "old", true, "old"}),
    [](const auto &test) { return std::string(test.param.name); });

TEST(RegistryLookupFailure, MissingKeyIsAFailedLookup)
{
    const auto backend = registry::MakePlatformBackend();
    std::string value = "old";
    EXPECT_FALSE(registry::GetKeyValue(*backend, registry::kLocalMachine,
                                       "SOFTWARE\\Sparrowtrim No Such Key", "Path", value));
    EXPECT_EQ(value, "");
}

TEST(RegistryLookupFailure, ValueWithoutDataAbandonsTheAttempt)
{
    const std::string key = std::string(kTestKey) + " Without Data";
    RegAdd(key, "NoData", "REG_BINARY", std::nullopt);
    const auto backend = registry::MakePlatformBackend();
    std::string value;
    EXPECT_THROW(registry::GetKeyValue(*backend, registry::kLocalMachine, key, "NoData", value),
                 registry::BadValueData);
    RegDeleteKey(key);
}

// The tool's two registrations on the local machine, as the about window looks them up.
constexpr const char *kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char *kLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

struct SysInfoRow
{
    const char *name;
    const char *toolPath;    // the tool's own key, or nullptr when not registered
    const char *toolsFolder; // the shared tools' folder, or nullptr when not registered
    const char *started;     // the program started, or nullptr when the message is shown
};

class SysInfoStart : public ::testing::TestWithParam<SysInfoRow>
{
protected:
    void SetUp() override { RemoveRegistrations(); }
    void TearDown() override { RemoveRegistrations(); }

private:
    static void RemoveRegistrations()
    {
        RegDeleteValue(kToolKey, "PATH");
        RegDeleteKey(kLocationKey);
    }
};

TEST_P(SysInfoStart, FollowsTheRegistrations)
{
    const SysInfoRow &row = GetParam();
    if (row.toolPath != nullptr) {
        RegAdd(kToolKey, "PATH", "REG_SZ", std::string(row.toolPath));
    }
    if (row.toolsFolder != nullptr) {
        RegAdd(kLocationKey, "MSINFO", "REG_SZ", std::string(row.toolsFolder));
    }

    std::vector<std::string> started;
    std::vector<std::string> messages;
    const sysinfo::Platform platform{
        [](const std::string &path) {
            return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        },
        [&started](const std::string &path) {
            started.push_back(path);
            return true;
        },
        [&messages](const std::string &text) { messages.push_back(text); }};
    sysinfo::StartSysInfo(*registry::MakePlatformBackend(), platform);

    if (row.started != nullptr) {
        EXPECT_EQ(started, std::vector<std::string>{row.started});
        EXPECT_TRUE(messages.empty());
    } else {
        EXPECT_TRUE(started.empty());
        EXPECT_EQ(messages, std::vector<std::string>{sysinfo::kUnavailableMessage});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Registrations, SysInfoStart,
    ::testing::Values(SysInfoRow{"NeitherRegistered", nullptr, nullptr, nullptr},
                      // The tool's own key is started as it stands, without a test that it exists.
                      SysInfoRow{"ToolKeyStartedAsItStands", "C:\\No Such Folder\\tool.exe",
                                 "C:\\windows\\system32", "C:\\No Such Folder\\tool.exe"},
                      SysInfoRow{"SharedFolderHoldingTheTool", nullptr, "C:\\windows\\system32",
                                 "C:\\windows\\system32\\MSINFO32.EXE"},
                      SysInfoRow{"SharedFolderWithoutTheTool", nullptr, "C:\\windows\\fonts",
                                 nullptr}),
    [](const auto &test) { return std::string(test.param.name); });

} // namespace
