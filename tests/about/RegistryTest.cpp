#include "FakeRegistry.h"

#include <gtest/gtest.h>

using namespace sparrowtrim::registry;

namespace {

enum class Outcome { Found, Failed, Throws };

struct LookupCase
{
    const char *name;
    std::optional<RawValue> stored; // nothing: the lookup fails
    std::string before;             // the text the lookup writes into
    Outcome outcome;
    std::string after;
};

class GetKeyValueTest : public testing::TestWithParam<LookupCase>
{
};

TEST_P(GetKeyValueTest, ReadsValueIntoText)
{
    const LookupCase &c = GetParam();
    FakeSysInfo registry;
    if (c.stored) {
        registry.values[{"Key", "Value"}] = *c.stored;
    }
    std::string value = c.before;
    if (c.outcome == Outcome::Throws) {
        EXPECT_THROW(GetKeyValue(registry, kLocalMachine, "Key", "Value", value), BadValueData);
    } else {
        EXPECT_EQ(GetKeyValue(registry, kLocalMachine, "Key", "Value", value),
                  c.outcome == Outcome::Found);
    }
    EXPECT_EQ(value, c.after);
}

using std::string_literals::operator""s;

INSTANTIATE_TEST_SUITE_P(
    Values, GetKeyValueTest,
    testing::Values(
        LookupCase{"StringWithNulReplacesText", RawValue{kTypeString, "C:\\info.exe\0"s}, "old",
                   Outcome::Found, "C:\\info.exe"},
        LookupCase{"StringWithoutNulKeepsLastChar", RawValue{kTypeString, "C:\\info.exe"}, "",
                   Outcome::Found, "C:\\info.exe"},
        LookupCase{"StringLosesOnlyOneNul", RawValue{kTypeString, "ab\0\0"s}, "", Outcome::Found,
                   "ab\0"s},
        LookupCase{"StringOfLongestSize", RawValue{kTypeString, std::string(1024, 'y')}, "",
                   Outcome::Found, std::string(1024, 'y')},
        LookupCase{"StringTooLongFails", RawValue{kTypeString, std::string(1025, 'y')}, "old",
                   Outcome::Failed, ""},
        LookupCase{"Number32Example", RawValue{kTypeNumber32, "\x34\x12\0\0"s}, "", Outcome::Found,
                   "&h01234"},
        // Digits are appended to the text already there, each byte without a leading zero.
        LookupCase{"Number32AppendsUnpaddedDigits", RawValue{kTypeNumber32, "\x0A\xFF\0\x7F"s}, "x",
                   Outcome::Found, "&hx7F0FFA"},
        LookupCase{"UnknownTypeLeavesText", RawValue{3, "\1\2\3"}, "kept", Outcome::Found, "kept"},
        LookupCase{"MissingValueEmptiesText", std::nullopt, "old", Outcome::Failed, ""},
        // No data bytes at all: the lookup gives up whatever the type and leaves the text.
        LookupCase{"EmptyStringThrows", RawValue{kTypeString, ""}, "old", Outcome::Throws, "old"},
        LookupCase{"EmptyUnknownThrows", RawValue{3, ""}, "old", Outcome::Throws, "old"}),
    [](const testing::TestParamInfo<LookupCase> &row) { return std::string(row.param.name); });

} // namespace
