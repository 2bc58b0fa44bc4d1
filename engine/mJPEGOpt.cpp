#include "mJPEGOpt.h"

#include <utility>

namespace sparrowtrim {

mJPEGOpt::mJPEGOpt(ReadOnlyPolicy processReadOnly) : m_ProcessReadOnly(std::move(processReadOnly))
{
}

std::int32_t mJPEGOpt::OptimizeJPEG(const std::string &)
{
    m_ResultMessage = "Couldn't open input file.";
    return kFailed;
}

} // namespace sparrowtrim
