#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

namespace sparrowtrim::cli {

// The self-updating line on a terminal that shows how far a long run has come: files done of
// the total, bytes saved so far and the current rate. It is drawn over itself after a carriage
// return and erased at the end, so nothing of it stays on the screen. A line that is not
// shown writes nothing at all.
class ProgressLine final
{
public:
    using Clock = std::chrono::steady_clock;

    // A run shows the line only when standard error is a terminal, the run has more files than
    // can be followed at a glance and the user did not ask for quiet.
    static bool IsWanted(bool errorIsTerminal, std::size_t total, bool quiet);

    ProgressLine(std::ostream &terminal, std::size_t total, bool shown, bool dryRun,
                 std::function<Clock::time_point()> now = Clock::now);
    ~ProgressLine() { Erase(); }
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;

    // One more file is done. The line is redrawn a few times a second, and at once when it was
    // erased for other output.
    void FileDone(std::int64_t bytesSaved);
    // Takes the line off the screen, so that other text can be written where it stood.
    void Erase();

private:
    std::string Text() const;
    void Draw(const std::string &text);

    std::ostream &m_Terminal;
    std::size_t m_Total;
    bool m_Shown;
    bool m_DryRun;
    std::function<Clock::time_point()> m_Now;
    std::size_t m_Done = 0;
    std::int64_t m_Saved = 0;
    std::size_t m_Width = 0; // characters of the line on screen, 0 when erased
    Clock::time_point m_DrawnAt;
    std::size_t m_DoneWhenDrawn = 0;
    double m_FilesPerSecond = 0; // smoothed over the last redraws
};

} // namespace sparrowtrim::cli
