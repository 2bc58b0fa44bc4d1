// The main window over a big batch: the real window (off screen unless QT_QPA_PLATFORM says
// otherwise) lists a folder, Select All and Start are clicked, and every step of the progress
// bar is timed. Prints files per second over the first and the last thousand files of each
// run, and the processor time per file, which other programs on the machine disturb less;
// later runs happen in the same window, after the lines of the earlier ones.
//
// Usage: bench_window SOURCE WORK [RUNS]
// Before every run WORK is filled afresh with copies of SOURCE's files (not timed).
#include "app/fMain.h"
#include "controls/QV_Progbar.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QtTest>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using sparrowtrim::fMain;
using sparrowtrim::QV_Progbar;

constexpr std::size_t kStretch = 1000;

void CopyFresh(const fs::path &source, const fs::path &work)
{
    fs::remove_all(work);
    fs::copy(source, work);
#ifndef _WIN32
    // The copies reach the disk before the clock starts, as in the command line's runs.
    sync();
#endif
}

// When a file was reported, by the wall clock and by the processor time of the program.
struct Stamp
{
    Clock::time_point wall;
    std::clock_t processor;
};

Stamp Now()
{
    return {Clock::now(), std::clock()};
}

double Seconds(const Stamp &from, const Stamp &to)
{
    return std::chrono::duration<double>(to.wall - from.wall).count();
}

double ProcessorMicroseconds(const Stamp &from, const Stamp &to)
{
    return 1e6 * static_cast<double>(to.processor - from.processor) / CLOCKS_PER_SEC;
}

// One Start over every listed file; returns the time at which each file was reported, the
// click's own time first.
std::vector<Stamp> TimedRun(fMain &window)
{
    auto *bar = window.findChild<QV_Progbar *>(QStringLiteral("pbOps"));
    std::vector<Stamp> stamps;
    const auto connection =
        QObject::connect(bar, &QV_Progbar::PropertyChanged, [&](const QString &name) {
            if (name == QLatin1String("Value") && bar->value() > 0)
                stamps.push_back(Now());
        });
    QTest::mouseClick(window.findChild<QWidget *>(QStringLiteral("cmdselect(0)")), Qt::LeftButton);
    stamps.push_back(Now());
    QTest::mouseClick(window.findChild<QWidget *>(QStringLiteral("cmdAction(0)")), Qt::LeftButton);
    QObject::disconnect(connection);
    return stamps;
}

// One line of name=value pairs: rates in files per second by the wall clock, and processor
// time per file, over the whole run and over its first and last thousand files.
void Report(int run, int linesBefore, const std::vector<Stamp> &stamps)
{
    const std::size_t files = stamps.size() - 1;
    const std::size_t stretch = std::min(kStretch, files);
    const Stamp &start = stamps.front();
    const Stamp &firstEnd = stamps[stretch];
    const Stamp &lastStart = stamps[files - stretch];
    const Stamp &end = stamps.back();
    const auto rate = [](std::size_t count, double seconds) {
        return static_cast<double>(count) / seconds;
    };
    std::printf("run=%d lines_before=%d files=%zu seconds=%.2f first_rate=%.0f last_rate=%.0f "
                "cpu_us_per_file=%.0f first_cpu_us=%.0f last_cpu_us=%.0f\n",
                run, linesBefore, files, Seconds(start, end),
                rate(stretch, Seconds(start, firstEnd)), rate(stretch, Seconds(lastStart, end)),
                ProcessorMicroseconds(start, end) / static_cast<double>(files),
                ProcessorMicroseconds(start, firstEnd) / static_cast<double>(stretch),
                ProcessorMicroseconds(lastStart, end) / static_cast<double>(stretch));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_window SOURCE WORK [RUNS]\n");
        return 2;
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const fs::path source = argv[1];
    const fs::path work = argv[2];
    const int runs = argc > 3 ? std::atoi(argv[3]) : 2;

    QApplication app(argc, argv);
    fMain window;
    window.show();
    auto *details = window.findChild<QAbstractItemView *>(QStringLiteral("lstDetails"));
    for (int run = 1; run <= runs; ++run) {
        CopyFresh(source, work);
        // Typed afresh, so the list is read again from the folder.
        auto *folderText = window.findChild<QLineEdit *>(QStringLiteral("txtImgDir"));
        folderText->clear();
        folderText->setText(QString::fromStdString(work.string()));
        const int linesBefore = details->model()->rowCount();
        const auto stamps = TimedRun(window);
        if (stamps.size() < 2) {
            std::fprintf(stderr, "bench_window: no file was handled in %s\n", work.c_str());
            return 1;
        }
        Report(run, linesBefore, stamps);
    }
    return 0;
}
