#include "cli/ProgressLine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <utility>

namespace sparrowtrim::cli {

namespace {

// Up to this many files a run is over before a progress line could tell anything.
constexpr std::size_t kFilesWithoutProgress = 5;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
// Weight of the newest measurement in the rate shown.
constexpr double kRateWeight = 0.2;

// "812 bytes", "3.4 kB", "-1.2 MB": decimal units, one decimal.
std::string ByteText(std::int64_t bytes)
{
    static constexpr std::array<const char *, 4> kUnits = {"kB", "MB", "GB", "TB"};
    if (std::llabs(bytes) < 1000)
        return std::to_string(bytes) + " bytes";
    double value = static_cast<double>(bytes) / 1000;
    std::size_t unit = 0;
    while (std::fabs(value) >= 999.95 && unit + 1 < kUnits.size()) {
        value /= 1000;
        ++unit;
    }
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.1f %s", value, kUnits[unit]);
    return text.data();
}

} // namespace

bool ProgressLine::IsWanted(bool errorIsTerminal, std::size_t total, bool quiet)
{
    return errorIsTerminal && total > kFilesWithoutProgress && !quiet;
}

ProgressLine::ProgressLine(std::ostream &terminal, std::size_t total, bool shown, bool dryRun,
                           std::function<Clock::time_point()> now)
    : m_Terminal(terminal), m_Total(total), m_Shown(shown), m_DryRun(dryRun), m_Now(std::move(now)),
      m_DrawnAt(m_Now())
{}

void ProgressLine::FileDone(std::int64_t bytesSaved)
{
    ++m_Done;
    m_Saved += bytesSaved;
    if (!m_Shown)
        return;
    const Clock::time_point now = m_Now();
    const std::chrono::duration<double> elapsed = now - m_DrawnAt;
    const bool due = elapsed >= kRedrawInterval;
    if (!due && m_Width > 0)
        return;
    // The rate is measured over whole redraw intervals only, so a line drawn again at once
    // after other output shows no spike.
    if (due) {
        const double latest = static_cast<double>(m_Done - m_DoneWhenDrawn) / elapsed.count();
        m_FilesPerSecond = m_FilesPerSecond == 0
                               ? latest
                               : (1 - kRateWeight) * m_FilesPerSecond + kRateWeight * latest;
        m_DrawnAt = now;
        m_DoneWhenDrawn = m_Done;
    }
    Draw(Text());
}

void ProgressLine::Erase()
{
    if (m_Width == 0)
        return;
    m_Terminal << '\r' << std::string(m_Width, ' ') << '\r' << std::flush;
    m_Width = 0;
}

std::string ProgressLine::Text() const
{
    std::string text = std::to_string(m_Done) + " of " + std::to_string(m_Total) + " files, " +
                       ByteText(m_Saved) + (m_DryRun ? " would be saved" : " saved");
    if (m_FilesPerSecond > 0)
        text += ", " + std::to_string(std::lround(m_FilesPerSecond)) + " files/s";
    return text;
}

// Over what the line showed before: spaces cover the rest of a longer earlier text.
void ProgressLine::Draw(const std::string &text)
{
    m_Terminal << '\r' << text;
    if (text.size() < m_Width)
        m_Terminal << std::string(m_Width - text.size(), ' ');
    m_Terminal << std::flush;
    m_Width = std::max(m_Width, text.size());
}

} // namespace sparrowtrim::cli
