#ifndef _WIN32

#include "PlatformRegistry.h"
#include "SysInfo.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stdlib.h>

using sparrowtrim::registry::GetKeyValue;
using sparrowtrim::registry::kLocalMachine;
using sparrowtrim::registry::PosixSysInfoBackend;
namespace fs = std::filesystem;
namespace sysinfo = sparrowtrim::sysinfo;

namespace {

class PosixSysInfoBackendTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "sysinfo-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        fs::create_directories(root_ / "a");
        fs::create_directories(root_ / "b");
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path addFile(const std::string &folder, const std::string &name, bool executable)
    {
        const fs::path file = root_ / folder / name;
        std::ofstream(file) << "#!/bin/sh\n";
        fs::permissions(file, executable ? fs::perms::owner_all
                                         : fs::perms::owner_read | fs::perms::owner_write);
        return file;
    }

    std::string searchPath() const
    {
        return (root_ / "a").string() + "::" + (root_ / "b").string();
    }

    std::string lookUp(const PosixSysInfoBackend &backend, const char *key, const char *valueName,
                       bool *found)
    {
        std::string value;
        *found = GetKeyValue(backend, kLocalMachine, key, valueName, value);
        return value;
    }

    fs::path root_;
};

TEST_F(PosixSysInfoBackendTest, ToolKeyNamesFirstKnownToolOnSearchPath)
{
    addFile("a", "hardinfo", true);
    const fs::path preferred = addFile("b", "kinfocenter", true);
    const PosixSysInfoBackend backend(searchPath());

    bool found = false;
    EXPECT_EQ(lookUp(backend, sysinfo::kToolKey, sysinfo::kToolValue, &found), preferred.string());
    EXPECT_TRUE(found);
    // Registry names match without regard to case.
    EXPECT_EQ(lookUp(backend, "software\\microsoft\\shared tools\\msinfo", "path", &found),
              preferred.string());
}

TEST_F(PosixSysInfoBackendTest, SkipsFilesThatCannotRunAndFolders)
{
    addFile("a", "kinfocenter", false);
    fs::create_directories(root_ / "a" / "hardinfo2");
    const fs::path runnable = addFile("b", "hardinfo", true);
    const PosixSysInfoBackend backend(searchPath());
    EXPECT_EQ(backend.FindTool(), runnable.string());
}

TEST_F(PosixSysInfoBackendTest, NoToolAndNoLocationKey)
{
    addFile("a", "kinfocenter", true);
    const PosixSysInfoBackend empty((root_ / "none").string() + ":" + (root_ / "b").string());
    bool found = true;
    EXPECT_EQ(lookUp(empty, sysinfo::kToolKey, sysinfo::kToolValue, &found), "");
    EXPECT_FALSE(found);

    const PosixSysInfoBackend withTool(searchPath());
    EXPECT_EQ(lookUp(withTool, sysinfo::kToolsLocationKey, sysinfo::kToolsLocationValue, &found),
              "");
    EXPECT_FALSE(found);
    EXPECT_EQ(lookUp(withTool, sysinfo::kToolKey, "MSINFO", &found), "");
    EXPECT_FALSE(found);
}

} // namespace

#endif
