#pragma once

#include "about/Registry.h"
#include "about/SysInfo.h"

#include <map>
#include <set>
#include <string>

// A registry in memory, and the platform around a start of the system information tool; both
// note every step ("lookup PATH", "exists P", "start P", "message M") in one journal.
struct FakeSysInfo final : sparrowtrim::registry::Backend
{
    std::map<std::pair<std::string, std::string>, sparrowtrim::registry::RawValue> values;
    std::set<std::string> files; // paths that exist, and start
    mutable std::string journal;

    void note(const std::string &step) const { journal += (journal.empty() ? "" : ", ") + step; }

    std::optional<sparrowtrim::registry::RawValue>
    ReadValue(std::uint32_t root, const std::string &key, const std::string &name) const override
    {
        note("lookup " + name);
        const auto found = values.find({key, name});
        if (root != sparrowtrim::registry::kLocalMachine || found == values.end()) {
            return std::nullopt;
        }
        return found->second;
    }

    sparrowtrim::sysinfo::Platform platform()
    {
        const auto step = [this](const char *what) {
            return [this, what](const std::string &path) {
                note(what + path);
                return files.count(path) > 0;
            };
        };
        return {step("exists "), step("start "),
                [this](const std::string &text) { note("message " + text); }};
    }
};
