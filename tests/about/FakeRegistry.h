#pragma once

#include "Registry.h"
#include "SysInfo.h"

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// A registry held in memory that records every lookup made of it, in order.
class FakeRegistry final : public sparrowtrim::registry::Backend
{
public:
    using Name = std::pair<std::string, std::string>; // key, value name

    void set(const std::string &key, const std::string &valueName, std::uint32_t type,
             std::string data)
    {
        values_[{key, valueName}] = {type, std::move(data)};
    }

    std::optional<sparrowtrim::registry::RawValue>
    ReadValue(std::uint32_t root, const std::string &keyName,
              const std::string &valueName) const override
    {
        lookups.push_back({keyName, valueName});
        if (journal != nullptr) {
            journal->push_back("lookup " + valueName);
        }
        const auto found = values_.find({keyName, valueName});
        if (root != sparrowtrim::registry::kLocalMachine || found == values_.end()) {
            return std::nullopt;
        }
        return found->second;
    }

    mutable std::vector<Name> lookups;
    std::vector<std::string> *journal = nullptr; // when set, receives "lookup VALUENAME"

private:
    std::map<Name, sparrowtrim::registry::RawValue> values_;
};

// The platform around a start of the system information tool, noting every step in a journal.
struct FakeSysInfoPlatform
{
    std::vector<std::string> journal = {};
    std::set<std::string> files = {};    // paths the file test finds
    std::set<std::string> programs = {}; // paths that start
    bool startThrows = false;

    sparrowtrim::sysinfo::Platform platform()
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
