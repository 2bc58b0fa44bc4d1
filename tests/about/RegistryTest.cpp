#include "FakeRegistry.h"

#include <gtest/gtest.h>

using sparrowtrim::registry::BadValueData;
using sparrowtrim::registry::GetKeyValue;
using sparrowtrim::registry::kLocalMachine;
using sparrowtrim::registry::kTypeNumber32;
using sparrowtrim::registry::kTypeString;

namespace {

const std::string kKey = "SOFTWARE\\Test";
const std::string kValueName = "Value";

std::string Bytes(std::initializer_list<unsigned char> bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

struct LookupCase
{
    const char *name;
    bool stored;        // whether the value exists at all
    std::uint32_t type; // its type when stored
    std::string data;   // its bytes when stored
    std::string before; // the text the lookup writes into
    bool expectedResult;
    std::string expectedValue;
};

class GetKeyValueTest : public testing::TestWithParam<LookupCase>
{
};

TEST_P(GetKeyValueTest, ReadsValueIntoText)
{
    const LookupCase &c = GetParam();
    FakeRegistry registry;
    if (c.stored) {
        registry.set(kKey, kValueName, c.type, c.data);
    }
    std::string value = c.before;
    EXPECT_EQ(GetKeyValue(registry, kLocalMachine, kKey, kValueName, value), c.expectedResult);
    EXPECT_EQ(value, c.expectedValue);
}

const std::string kLongText(1100, 'x');

INSTANTIATE_TEST_SUITE_P(
    Values, GetKeyValueTest,
    testing::Values(
        LookupCase{"StringWithTrailingNul", true, kTypeString,
                   std::string("C:\\Tools\\info.exe\0", 18), "", true, "C:\\Tools\\info.exe"},
        LookupCase{"StringWithoutTrailingNul", true, kTypeString, "C:\\Tools\\info.exe", "", true,
                   "C:\\Tools\\info.exe"},
        LookupCase{"StringLosesOnlyOneNul", true, kTypeString, std::string("ab\0\0", 4), "", true,
                   std::string("ab\0", 3)},
        LookupCase{"StringReplacesEarlierText", true, kTypeString, std::string("new\0", 4), "old",
                   true, "new"},
        LookupCase{"SingleNulGivesEmptyString", true, kTypeString, std::string(1, '\0'), "old",
                   true, ""},
        LookupCase{"StringOfExactlyBufferSize", true, kTypeString, std::string(1024, 'y'), "", true,
                   std::string(1024, 'y')},
        LookupCase{"StringOverBufferSizeFails", true, kTypeString, std::string(1025, 'y'), "old",
                   false, ""},
        LookupCase{"Number32WithTrailingZeroByte", true, kTypeNumber32, Bytes({0x34, 0x12, 0, 0}),
                   "", true, "&h01234"},
        LookupCase{"Number32AppendsToEarlierText", true, kTypeNumber32, Bytes({0x34, 0x12, 0, 0}),
                   "x", true, "&hx01234"},
        LookupCase{"Number32AllBytesKept", true, kTypeNumber32, Bytes({0x0A, 0xFF, 0x00, 0x7F}), "",
                   true, "&h7F0FFA"},
        LookupCase{"Number32Zero", true, kTypeNumber32, Bytes({0, 0, 0, 0}), "", true, "&h000"},
        LookupCase{"UnknownTypeLeavesTextAlone", true, 3, Bytes({1, 2, 3}), "kept", true, "kept"},
        LookupCase{"UnknownTypeIntoEmptyText", true, 7, std::string("a\0b\0\0", 5), "", true, ""},
        LookupCase{"MissingValueEmptiesText", false, 0, "", "old", false, ""}),
    [](const testing::TestParamInfo<LookupCase> &row) { return std::string(row.param.name); });

TEST(GetKeyValue, FailsForOtherRoot)
{
    FakeRegistry registry;
    registry.set(kKey, kValueName, kTypeString, "text");
    std::string value = "old";
    EXPECT_FALSE(GetKeyValue(registry, 0x80000001u, kKey, kValueName, value));
    EXPECT_EQ(value, "");
}

// A value with no data at all cannot be trimmed: the lookup gives up by throwing, whatever
// the value's type, and leaves the text as it was.
TEST(GetKeyValue, EmptyDataThrowsForEveryType)
{
    for (const std::uint32_t type : {kTypeString, kTypeNumber32, 3u}) {
        FakeRegistry registry;
        registry.set(kKey, kValueName, type, "");
        std::string value = "old";
        EXPECT_THROW(GetKeyValue(registry, kLocalMachine, kKey, kValueName, value), BadValueData)
            << "type " << type;
        EXPECT_EQ(value, "old");
    }
}

} // namespace
