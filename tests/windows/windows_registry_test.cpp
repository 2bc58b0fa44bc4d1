// The registry lookups against the system registry itself: every value below is written into
// a test key by the system's own `reg` tool before it is read back through GetKeyValue.
#include "PlatformRegistry.h"
#include "Registry.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <windows.h>

using namespace sparrowtrim;

namespace {

const std::string kTestKey = "SOFTWARE\\Sparrowtrim Registry Test";
const std::string kToolPath = "C:\\Program Files\\Tools\\info.exe";

// Runs the system's `reg` tool on the test key, through the command interpreter; its exit code.
int Reg(const std::string &command, const std::string &arguments = "")
{
    const std::string line =
        "reg " + command + " \"HKLM\\" + kTestKey + "\" " + arguments + " /f >NUL 2>&1";
    return std::system(line.c_str());
}

void RegAdd(const std::string &name, const std::string &type, const std::string &data)
{
    ASSERT_EQ(Reg("add", "/v " + name + " /t " + type + data), 0) << "reg add " << name;
}

// `reg` always stores a string with its terminating NUL; other programs may give the registry
// a length without one. The byte behind the counted data is no NUL, so none is added.
void AddUnterminatedString(const char *name, const std::string &text)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTestKey.c_str(), 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    const std::string bytes = text + "!";
    const LONG result =
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(bytes.data()),
                       static_cast<DWORD>(text.size()));
    RegCloseKey(key);
    ASSERT_EQ(result, ERROR_SUCCESS);
}

struct LookupRow
{
    std::string name;
    std::string valueName;
    std::string before; // what value holds when the lookup starts
    bool found;
    std::string after;
    std::string key = kTestKey;
    bool abandons = false; // the caller's whole attempt, by BadValueData
};

class RegistryLookup : public testing::TestWithParam<LookupRow>
{
public:
    static void SetUpTestSuite()
    {
        Reg("delete");
        RegAdd("Path", "REG_SZ", " /d \"" + kToolPath + "\"");
        RegAdd("Empty", "REG_SZ", " /d \"\"");
        RegAdd("Number", "REG_DWORD", " /d 0x1234");
        RegAdd("Longest", "REG_SZ", " /d " + std::string(1023, 'x'));
        RegAdd("TooLong", "REG_SZ", " /d " + std::string(1100, 'x'));
        RegAdd("NoData", "REG_BINARY", "");
        RegAdd("Binary", "REG_BINARY", " /d 0102");
        AddUnterminatedString("Unterminated", "C:\\Tools");
    }
    static void TearDownTestSuite() { Reg("delete"); }
};

TEST_P(RegistryLookup, ReadsTheValueAsTheAboutWindowNeedsIt)
{
    const LookupRow &row = GetParam();
    const auto backend = registry::MakePlatformBackend();
    std::string value = row.before;
    if (row.abandons) {
        EXPECT_THROW(
            registry::GetKeyValue(*backend, registry::kLocalMachine, row.key, row.valueName, value),
            registry::BadValueData);
        return;
    }
    EXPECT_EQ(
        registry::GetKeyValue(*backend, registry::kLocalMachine, row.key, row.valueName, value),
        row.found);
    EXPECT_EQ(value, row.after);
}

INSTANTIATE_TEST_SUITE_P(
    Values, RegistryLookup,
    testing::Values(
        LookupRow{"StringLosesItsTerminator", "Path", "old", true, kToolPath},
        LookupRow{"StringWithoutTerminatorStaysWhole", "Unterminated", "", true, "C:\\Tools"},
        LookupRow{"EmptyStringIsFound", "Empty", "old", true, ""},
        // 34 12 00 00: the last NUL goes with the trim, the rest is read last byte first and
        // appended to what the value held.
        LookupRow{"NumberReadLastByteFirst", "Number", "x", true, "&hx01234"},
        LookupRow{"OtherTypeLeavesValue", "Binary", "kept", true, "kept"},
        LookupRow{"DataOfExactly1024BytesIsRead", "Longest", "", true, std::string(1023, 'x')},
        LookupRow{"DataOver1024BytesIsAFailedLookup", "TooLong", "old", false, ""},
        LookupRow{"MissingValueEmptiesValue", "Absent", "old", false, ""},
        LookupRow{"MissingKeyEmptiesValue", "Path", "old", false, "", kTestKey + " Missing"},
        LookupRow{"ValueWithoutDataAbandons", "NoData", "", false, "", kTestKey, true}),
    [](const auto &row) { return row.param.name; });

} // namespace
