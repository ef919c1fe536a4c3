// The main window storing modes, offscreen, as the operator would see it: a run whose every
// mode is forced as soon as it shows, raw frames saved. A timer of the window ticks every few
// milliseconds; the longest gap between its ticks while a mode is stored is how long the
// window could not answer.
#include "OffscreenWindow.h"
#include "Probes.h"
#include "StatusLine.h"
#include "app_ondrel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <stdexcept>

namespace ondrel::bench {

namespace {
constexpr int kTickMs = 5;
constexpr int kForceEveryMs = 20;
} // namespace

ProbeResult RunStoreWindow(const ProbeTarget& target, int& argc, char** argv)
{
    QTemporaryDir results;
    if (!results.isValid()) {
        throw std::runtime_error("store window: no temporary directory");
    }
    OffscreenWindow offscreen(target, argc, argv,
                              {{QStringLiteral("UserSettings/User"), 5307},
                               {QStringLiteral("WorkflowSettings/MinWorkflowDelayMs"), 0},
                               {QStringLiteral("SaveSettings/BasePath"), results.path()},
                               {QStringLiteral("SaveSettings/FinalImage"), false},
                               {QStringLiteral("SaveSettings/Segments"), false},
                               {QStringLiteral("SaveSettings/SegmentInformations"), false},
                               {QStringLiteral("SaveSettings/RawData"), true}});
    app_ondrel& window = offscreen.Window();
    auto* status = window.findChild<StatusLine*>();
    if (status == nullptr) {
        throw std::runtime_error("store window: no status line");
    }

    QElapsedTimer clock;
    clock.start();
    bool storing = false;
    qint64 storeStart = 0;
    qint64 lastTick = 0;
    qint64 longestGap = 0;
    std::vector<double> storeMs;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (storing) {
            longestGap = std::max(longestGap, now - lastTick);
        }
        lastTick = now;
    });
    QObject::connect(status, &StatusLine::textShown, [&](const QString& text) {
        const qint64 now = clock.elapsed();
        if (text.startsWith(QStringLiteral("Storing "))) {
            storing = true;
            storeStart = now;
            lastTick = now;
        } else if (storing) {
            storing = false;
            longestGap = std::max(longestGap, now - lastTick);
            storeMs.push_back(static_cast<double>(now - storeStart));
        }
    });
    QTimer forcer;
    QObject::connect(&forcer, &QTimer::timeout, &window, &app_ondrel::ForcedCapturing);
    bool storedAll = false;
    window.SetRunEndedHandler([&](bool all) {
        storedAll = all;
        QCoreApplication::quit();
    });
    ticker.start(kTickMs);
    forcer.start(kForceEveryMs);
    QTimer::singleShot(0, &window, &app_ondrel::StartWorkflow);
    QApplication::exec();

    if (!storedAll || storeMs.empty()) {
        throw std::runtime_error("store window: the run did not store every mode");
    }
    std::sort(storeMs.begin(), storeMs.end());
    return {
        {"stores", static_cast<double>(storeMs.size())},
        {"store_ms", storeMs[storeMs.size() / 2]},
        {"longest_gap_ms", static_cast<double>(longestGap)},
    };
}

} // namespace ondrel::bench
