#pragma once

#include "engine/mJPEGOpt.h"

#include <cstdint>
#include <string>

namespace sparrowtrim {

// What became of one file of a run.
struct FileOutcome
{
    std::string name; // without folder
    std::string path; // folder and name
    std::int32_t result = kFailed;
    std::string message; // the engine's message, meaningful after kFailed
    std::string reason;  // the system's reason behind it, where there is one
    std::int32_t inputLength = 0;
    std::int32_t outputLength = 0;
    bool dryRun = false;    // only looked at: the result says what a real run would do
    SegmentReport segments; // what was dropped and kept, unless the file failed

    std::int32_t BytesSaved() const { return inputLength - outputLength; }
};

// "File successfully optimized." ("File would be optimized." in a dry run), "No need to
// optimize file." or "ERROR:  " and the message.
std::string ResultText(const FileOutcome &outcome);

// Whether a run that keeps dates reads and sets back the file's time: a dry run touches none.
bool RestoresDate(const mJPEGOpt &engine, bool keepDate);

// What the engine's last call, which gave `result` for folder + name, left: the result, the
// lengths and, after a failure, the messages.
FileOutcome OutcomeOf(const mJPEGOpt &engine, std::int32_t result, const std::string &folder,
                      const std::string &name);

} // namespace sparrowtrim
