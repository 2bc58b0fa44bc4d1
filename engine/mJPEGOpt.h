#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace sparrowtrim {

// Result codes of mJPEGOpt::OptimizeJPEG.
inline constexpr std::int32_t kRewritten = 0;
inline constexpr std::int32_t kFailed = -1;
inline constexpr std::int32_t kNothingToChange = -5;

// The JPEG segment optimizer. An instance holds the state of the file last handled;
// one instance handles one file at a time, separate instances may run on separate threads.
class mJPEGOpt final
{
public:
    // Asked at the moment a read-only file is about to be replaced: true lets it be overwritten.
    using ReadOnlyPolicy = std::function<bool()>;

    explicit mJPEGOpt(ReadOnlyPolicy processReadOnly = {});

    // Optimizes the file in place: kRewritten, kFailed (see ResultMessage) or kNothingToChange.
    std::int32_t OptimizeJPEG(const std::string &path);

    // The walk alone, in memory: the bytes OptimizeJPEG would write for a file holding `input`
    // become Output(). Returns kRewritten when their length differs from the input's,
    // kNothingToChange when not, kFailed (see ResultMessage) when the input cannot be parsed.
    // No file is touched.
    std::int32_t OptimizeBuffer(std::span<const std::uint8_t> input);
    std::span<const std::uint8_t> Output() const { return m_Output; }

    // Message of the last file that failed; meaningful only after kFailed.
    const std::string &ResultMessage() const { return m_ResultMessage; }
    // Lengths of the last file handled; meaningful after kRewritten and kNothingToChange.
    std::int32_t InputLength() const { return m_InputLength; }
    std::int32_t OutputLength() const { return m_OutputLength; }

private:
    ReadOnlyPolicy m_ProcessReadOnly;
    std::string m_ResultMessage;
    std::vector<std::uint8_t> m_Output;
    std::int32_t m_InputLength = 0;
    std::int32_t m_OutputLength = 0;
};

} // namespace sparrowtrim
