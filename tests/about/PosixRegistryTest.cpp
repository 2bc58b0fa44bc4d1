#ifndef _WIN32

#include "PlatformRegistry.h"
#include "SysInfo.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stdlib.h>

using namespace sparrowtrim::registry;
namespace fs = std::filesystem;

namespace {

class PosixSysInfoBackendTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "sysinfo-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        fs::create_directories(root_ / "a" / "hardinfo2"); // a folder named like a tool
        fs::create_directories(root_ / "b");
        // Search path "a", an empty entry, "b".
        backend_ = std::make_unique<PosixSysInfoBackend>((root_ / "a").string() +
                                                         "::" + (root_ / "b").string());
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string add(const std::string &file, fs::perms perms = fs::perms::owner_all)
    {
        std::ofstream(root_ / file) << "#!/bin/sh\n";
        fs::permissions(root_ / file, perms);
        return (root_ / file).string();
    }

    bool lookUp(const std::string &key, const std::string &name, std::string &value) const
    {
        return GetKeyValue(*backend_, kLocalMachine, key, name, value);
    }

    fs::path root_;
    std::unique_ptr<PosixSysInfoBackend> backend_;
};

// The better tool wins over an earlier folder; files that cannot run are passed over.
TEST_F(PosixSysInfoBackendTest, ToolKeyNamesBestRunnableToolOnSearchPath)
{
    std::string value;
    EXPECT_FALSE(lookUp(sparrowtrim::sysinfo::kToolKey, "PATH", value));
    add("a/hardinfo");
    add("a/kinfocenter", fs::perms::owner_read);
    const std::string best = add("b/hardinfo2");
    // Registry names match without regard to case.
    EXPECT_TRUE(lookUp("software\\microsoft\\shared tools\\msinfo", "path", value));
    EXPECT_EQ(value, best);
    EXPECT_FALSE(lookUp(sparrowtrim::sysinfo::kToolsLocationKey, "MSINFO", value));
    EXPECT_FALSE(lookUp(sparrowtrim::sysinfo::kToolKey, "MSINFO", value));
}

} // namespace

#endif
