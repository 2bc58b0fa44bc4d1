#include "mJPEGOpt.h"

#include <utility>

namespace sparrowtrim {

mJPEGOpt::mJPEGOpt(ReadOnlyPolicy processReadOnly) : m_ProcessReadOnly(std::move(processReadOnly))
{}

std::int32_t mJPEGOpt::OptimizeJPEG(const std::string &)
{
    m_ResultMessage = "Couldn't open input file.";
    return kFailed;
}

std::int32_t mJPEGOpt::OptimizeBuffer(std::span<const std::uint8_t>)
{
    m_ResultMessage = "Problem parsing file.  File unchanged.";
    return kFailed;
}

} // namespace sparrowtrim
