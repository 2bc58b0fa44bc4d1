#include "batch/BatchTotals.h"

namespace sparrowtrim {

void BatchTotals::Add(const FileOutcome &outcome)
{
    ++m_Processed;
    switch (outcome.result) {
    case kRewritten:
        m_TotalSaved += outcome.BytesSaved();
        ++m_Optimized;
        break;
    case kNothingToChange:
        ++m_NoChanges;
        break;
    default:
        ++m_Errors;
        break;
    }
}

std::string BatchTotals::ProcessedText() const
{
    return "Files processed: " + std::to_string(m_Processed);
}

std::string BatchTotals::TotalSavedText() const
{
    return (m_DryRun ? "Total bytes that would be saved: " : "Total bytes saved: ") +
           std::to_string(m_TotalSaved);
}

std::array<std::string, 3> BatchTotals::CountLines() const
{
    return {std::to_string(m_Errors) + " Total errors",
            std::to_string(m_NoChanges) + " No changes needed",
            std::to_string(m_Optimized) +
                (m_DryRun ? " Files would be optimized" : " Files optimized")};
}

std::string BatchTotals::CountsText() const
{
    const std::array<std::string, 3> counts = CountLines();
    return counts[0] + kCrLf + counts[1] + kCrLf + counts[2];
}

std::vector<std::string> BatchTotals::SummaryLines() const
{
    const std::array<std::string, 3> counts = CountLines();
    std::vector<std::string> lines = {ProcessedText(), TotalSavedText()};
    lines.insert(lines.end(), counts.begin(), counts.end());
    if (m_DryRun)
        lines.emplace_back("Dry run: no JPEG file was changed.");
    return lines;
}

} // namespace sparrowtrim
