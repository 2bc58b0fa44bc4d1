#include "batch/FileOutcome.h"

namespace sparrowtrim {

std::string ResultText(const FileOutcome &outcome)
{
    switch (outcome.result) {
    case kRewritten:
        return outcome.dryRun ? "File would be optimized." : "File successfully optimized.";
    case kNothingToChange:
        return "No need to optimize file.";
    default:
        return "ERROR:  " + outcome.message;
    }
}

bool RestoresDate(const mJPEGOpt &engine, bool keepDate)
{
    // Reading a date and setting it back still touches the file.
    return keepDate && !engine.Options().dryRun;
}

FileOutcome OutcomeOf(const mJPEGOpt &engine, std::int32_t result, const std::string &folder,
                      const std::string &name)
{
    FileOutcome outcome;
    outcome.name = name;
    outcome.path = folder + name;
    outcome.dryRun = engine.Options().dryRun;
    outcome.result = result;
    outcome.inputLength = engine.InputLength();
    outcome.outputLength = engine.OutputLength();
    outcome.segments = engine.Segments();
    if (result == kFailed) {
        outcome.message = engine.ResultMessage();
        outcome.reason = engine.FailureReason();
    }
    return outcome;
}

} // namespace sparrowtrim
