#pragma once

#include "batch/FileOutcome.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sparrowtrim {

// Line end of the log and of the counts text.
inline constexpr const char *kCrLf = "\r\n";

// The counters of one run and the three summary texts built from them.
class BatchTotals final
{
public:
    // The totals of a dry run say what would have been saved and that nothing was changed.
    explicit BatchTotals(bool dryRun = false) : m_DryRun(dryRun) {}

    void Add(const FileOutcome &outcome);

    std::int32_t Processed() const { return m_Processed; }
    // 64 bits: a large batch can save more than 2 GiB in all.
    std::int64_t TotalSaved() const { return m_TotalSaved; }
    std::int32_t Errors() const { return m_Errors; }
    std::int32_t NoChanges() const { return m_NoChanges; }
    std::int32_t Optimized() const { return m_Optimized; }

    std::string ProcessedText() const;  // "Files processed: N"
    std::string TotalSavedText() const; // "Total bytes saved: N"
    std::string CountsText() const;     // errors, no changes, optimized: three lines, CR LF
    // Every summary line: the two texts above, the three counts and, after a dry run, a last
    // line saying that nothing was changed.
    std::vector<std::string> SummaryLines() const;

private:
    std::array<std::string, 3> CountLines() const; // errors, no changes, optimized

    bool m_DryRun;
    std::int32_t m_Processed = 0;
    std::int64_t m_TotalSaved = 0;
    std::int32_t m_Errors = 0;
    std::int32_t m_NoChanges = 0;
    std::int32_t m_Optimized = 0;
};

} // namespace sparrowtrim
