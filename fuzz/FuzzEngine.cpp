// libFuzzer harness over the in-memory walk. Besides the sanitizers' own checks it holds the
// engine to what every caller relies on: a known result and message, lengths that match the
// output, an output that is a whole image (start and end marker), and an output that the
// engine gives back byte for byte when it meets it again.
#include "engine/mJPEGOpt.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

namespace {

using sparrowtrim::kFailed;
using sparrowtrim::kNothingToChange;
using sparrowtrim::kRewritten;

void Require(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

bool IsParseMessage(const std::string &message)
{
    return message == "Not a valid JPEG file.  File unchanged." ||
           message == "Problem parsing file.  File unchanged.";
}

// Walks the input with `engine` and checks the output; a fresh engine with the same options
// must give the output back unchanged.
void CheckWalk(sparrowtrim::mJPEGOpt &engine, const std::uint8_t *data, std::size_t size)
{
    const std::int32_t result = engine.OptimizeBuffer({data, size});
    Require(result == kRewritten || result == kNothingToChange || result == kFailed,
            "result is one of the three codes");
    if (result == kFailed) {
        Require(IsParseMessage(engine.ResultMessage()), "a failure carries a parse message");
        return;
    }

    const std::span<const std::uint8_t> output = engine.Output();
    Require(engine.InputLength() == static_cast<std::int32_t>(size), "input length");
    Require(engine.OutputLength() == static_cast<std::int32_t>(output.size()), "output length");
    Require((result == kNothingToChange) == (output.size() == size),
            "nothing to change exactly when the length is the same");
    Require(output.size() >= 5 && output[0] == 0xFF && output[1] == 0xD8 && output[2] == 0xFF,
            "output starts with the start of image");
    Require(output[output.size() - 2] == 0xFF && output[output.size() - 1] == 0xD9,
            "output ends with the end of image");

    // A copy of exactly the output's size, so a read past its end is caught.
    const std::vector<std::uint8_t> again(output.begin(), output.end());
    sparrowtrim::mJPEGOpt second({}, engine.Options());
    Require(second.OptimizeBuffer(again) == kNothingToChange,
            "the engine's own output needs no change");
    Require(std::equal(again.begin(), again.end(), second.Output().begin(), second.Output().end()),
            "the engine's own output comes back byte for byte");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // One engine each for every input, as a batch uses it: nothing may leak from one file into
    // the next. The second keeps the colour profile and the orientation.
    static sparrowtrim::mJPEGOpt plain;
    static sparrowtrim::mJPEGOpt keeping({}, {.keepIccProfile = true, .keepOrientation = true});
    CheckWalk(plain, data, size);
    CheckWalk(keeping, data, size);
    return 0;
}
