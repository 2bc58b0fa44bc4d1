#pragma once

#include "Registry.h"
#include "SysInfo.h"

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// A registry in memory, and the platform around a start of the system information tool; both
// note every step ("lookup PATH", "exists P", "start P", "message M") in one journal.
struct FakeSysInfo final : sparrowtrim::registry::Backend
{
    std::map<std::pair<std::string, std::string>, sparrowtrim::registry::RawValue> values;
    std::set<std::string> files;    // paths the file test finds
    std::set<std::string> programs; // paths that start; "/throws" throws
    mutable std::vector<std::string> journal;

    std::optional<sparrowtrim::registry::RawValue>
    ReadValue(std::uint32_t root, const std::string &key, const std::string &name) const override
    {
        journal.push_back("lookup " + name);
        const auto found = values.find({key, name});
        if (root != sparrowtrim::registry::kLocalMachine || found == values.end()) {
            return std::nullopt;
        }
        return found->second;
    }

    sparrowtrim::sysinfo::Platform platform()
    {
        return {.fileExists =
                    [this](const std::string &path) {
                        journal.push_back("exists " + path);
                        return files.count(path) > 0;
                    },
                .startProgram =
                    [this](const std::string &path) {
                        journal.push_back("start " + path);
                        if (path == "/throws") {
                            throw std::runtime_error("cannot start");
                        }
                        return programs.count(path) > 0;
                    },
                .showMessage =
                    [this](const std::string &text) { journal.push_back("message " + text); }};
    }
};
