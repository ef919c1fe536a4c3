// The runs window reading a base directory of generated runs: how long the GUI thread is
// ever kept from its event loop while the worker reads and the table fills.
#include "CpuClock.h"
#include "GeneratedRuns.h"
#include "Probes.h"
#include "RunsTableModel.h"
#include "RunsWindow.h"

#include <QApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace ondrel::bench {

ProbeResult RunRunsLoad(int runs, int& argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    QTemporaryDir base;
    if (!base.isValid()) {
        throw std::runtime_error("runs-load: no temporary directory");
    }
    ondrel::testsupport::GenerateRuns(base.path(), runs, false);

    RunsWindow window;
    window.show();
    QEventLoop loop;
    // A timer that fires every millisecond while the event loop is free; the longest time
    // between two of its ticks is the longest the window could not react.
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    double longestGapMs = 0.0;
    bool started = false;
    auto last = WallClock::now();
    const auto begin = last;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const auto now = WallClock::now();
        longestGapMs = std::max(longestGapMs, MsBetween(last, now));
        last = now;
        if (!started) {
            started = true;
            window.SetBaseDirectory(base.path()); // its own cost counts in the next gap
        } else if (!window.IsReading()) {
            loop.quit();
        }
    });
    tick.start();
    loop.exec();
    const double loadMs = MsBetween(begin, WallClock::now());
    if (window.ShownRuns().rowCount() != runs) {
        throw std::runtime_error("runs-load: the window shows " + std::to_string(window.ShownRuns().rowCount())
                                 + " runs of " + std::to_string(runs));
    }
    return {{"longest_gap_ms", longestGapMs}, {"load_ms", loadMs}, {"runs", runs}};
}

} // namespace ondrel::bench
