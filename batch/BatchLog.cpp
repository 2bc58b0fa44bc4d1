#include "batch/BatchLog.h"

namespace sparrowtrim {

bool BatchLog::Open(const std::string &path)
{
    Close();
    m_Failed = false;
    m_File.open(path, std::ios::binary | std::ios::trunc);
    return m_File.is_open();
}

void BatchLog::WriteLine(const std::string &line)
{
    if (!m_File.is_open())
        return;
    m_File << line << kCrLf;
    if (!m_File)
        m_Failed = true;
}

void BatchLog::WriteFile(const FileOutcome &outcome)
{
    WriteLine("**************");
    WriteLine("File: \t" + outcome.path);
    WriteLine(ResultText(outcome));
    if (outcome.result == kRewritten || outcome.result == kNothingToChange)
        WriteLine("Original File Size: \t" + std::to_string(outcome.inputLength));
    if (outcome.result == kRewritten) {
        WriteLine("Size After Optimizing: \t" + std::to_string(outcome.outputLength));
        WriteLine("Savings: \t" + std::to_string(outcome.BytesSaved()));
    }
    m_File.flush();
}

void BatchLog::WriteSummary(const BatchTotals &totals)
{
    WriteLine(std::string(38, '-'));
    for (const std::string &line : totals.SummaryLines())
        WriteLine(line);
    m_File.flush();
}

void BatchLog::Close()
{
    if (!m_File.is_open())
        return;
    m_File.close();
    if (m_File.fail())
        m_Failed = true;
}

} // namespace sparrowtrim
