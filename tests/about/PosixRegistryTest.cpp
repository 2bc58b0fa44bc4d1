#ifndef _WIN32

#include "PlatformRegistry.h"
#include "SysInfo.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stdlib.h>

using namespace sparrowtrim::registry;
using sparrowtrim::sysinfo::kToolKey;
using sparrowtrim::sysinfo::kToolsLocationKey;
namespace fs = std::filesystem;

// The better tool wins over an earlier folder; files that cannot run and folders are passed
// over; an empty entry in the search path does not stop the search.
TEST(PosixSysInfoBackend, ToolKeyNamesBestRunnableToolOnSearchPath)
{
    std::string pattern = (fs::temp_directory_path() / "sysinfo-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path root = pattern;
    fs::create_directories(root / "a" / "hardinfo2");
    fs::create_directories(root / "b");
    const PosixSysInfoBackend backend((root / "a").string() + "::" + (root / "b").string());
    const auto add = [&root](const char *file, fs::perms perms) {
        std::ofstream(root / file) << "#!/bin/sh\n";
        fs::permissions(root / file, perms);
    };

    std::string value;
    EXPECT_FALSE(GetKeyValue(backend, kLocalMachine, kToolKey, "PATH", value));
    add("a/hardinfo", fs::perms::owner_all);
    add("a/kinfocenter", fs::perms::owner_read);
    add("b/hardinfo2", fs::perms::owner_all);
    // Registry names match without regard to case.
    EXPECT_TRUE(GetKeyValue(backend, kLocalMachine, "software\\microsoft\\shared tools\\msinfo",
                            "path", value));
    EXPECT_EQ(value, (root / "b" / "hardinfo2").string());
    EXPECT_FALSE(GetKeyValue(backend, kLocalMachine, kToolsLocationKey, "MSINFO", value));
    EXPECT_FALSE(GetKeyValue(backend, kLocalMachine, kToolKey, "MSINFO", value));
    fs::remove_all(root);
}

#endif
