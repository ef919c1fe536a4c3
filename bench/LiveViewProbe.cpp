// The main window's live view, driven offscreen as the operator would: the workflow button
// starts a run, a second click stops it. The capture thresholds are set so that no frame is
// ever ready, so the run stays in its first live view until stopped.
#include "CpuClock.h"
#include "OffscreenWindow.h"
#include "Probes.h"
#include "RawFrameClient.h"
#include "app_ondrel.h"

#include <QApplication>
#include <QEvent>
#include <QGraphicsView>
#include <QMetaObject>
#include <QTimer>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace ondrel::bench {

namespace {
// Time the run gets for connecting, Start and the live view's own warm-up before counting.
constexpr auto kSettleTime = std::chrono::milliseconds(500);

// Counts the paints of the live image's view.
class PaintCounter : public QObject {
public:
    std::atomic<int> paints{0};

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

// The simulator numbers frames across all connections, so a second connection that asks
// for a frame now and then learns how many frames the window fetched in between.
struct FrameCount {
    uint32_t firstId = 0;
    uint32_t lastId = 0;
    double wallMs = 0;
    double guiCpuMs = 0;
    double processCpuMs = 0;
    double machineCpuMs = 0;
    int paints = 0;
};
} // namespace

ProbeResult RunLiveView(const ProbeTarget& target, int& argc, char** argv)
{
    OffscreenWindow offscreen(target, argc, argv);
    app_ondrel& window = offscreen.Window();
    PaintCounter paintCounter;
    offscreen.View().viewport()->installEventFilter(&paintCounter);

    std::atomic<bool> runEnded{false};
    window.SetRunEndedHandler([&](bool) {
        runEnded = true;
        QCoreApplication::quit();
    });

    const clockid_t guiClock = CpuClockOf(pthread_self());
    FrameCount count;
    std::string counterError;
    std::thread counter([&] {
        try {
            RawFrameClient probe;
            probe.Connect(target.host, target.port);
            probe.Request(quorvel::tcp::MessageType::START_CAPTURE_MODE);
            std::this_thread::sleep_for(kSettleTime);

            const auto start = WallClock::now();
            const double guiStart = ClockMs(guiClock);
            const double processStart = ProcessCpuMs();
            const double counterStart = ThreadCpuMs();
            const double machineStart = MachineBusyCpuMs();
            const int paintsStart = paintCounter.paints;
            probe.Request(quorvel::tcp::MessageType::CAPTURE);
            count.firstId = probe.LastFrameId();
            std::this_thread::sleep_for(std::chrono::duration<double>(target.seconds));
            const auto end = WallClock::now();
            count.guiCpuMs = ClockMs(guiClock) - guiStart;
            count.machineCpuMs = MachineBusyCpuMs() - machineStart;
            count.paints = paintCounter.paints - paintsStart;
            // What this thread spent on its own frame is not the window's.
            count.processCpuMs = ProcessCpuMs() - processStart - (ThreadCpuMs() - counterStart);
            probe.Request(quorvel::tcp::MessageType::CAPTURE);
            count.lastId = probe.LastFrameId();
            count.wallMs = MsBetween(start, end);
        } catch (const std::exception& e) {
            counterError = e.what();
        }
        // The second click on the workflow button asks the run to stop.
        QMetaObject::invokeMethod(&window, "StartWorkflow", Qt::QueuedConnection);
    });

    QTimer::singleShot(0, &window, &app_ondrel::StartWorkflow);
    QApplication::exec();
    counter.join();

    if (!counterError.empty()) {
        throw std::runtime_error("live view counter: " + counterError);
    }
    if (!runEnded || count.lastId <= count.firstId + 1) {
        throw std::runtime_error("live view: the run ended before it was stopped, or showed no frames");
    }
    // The counter's own two frames are not the window's.
    const double frames = static_cast<double>(count.lastId - count.firstId - 1);
    return {
        {"fps", frames * 1000.0 / count.wallMs},
        {"frames", frames},
        {"gui_ms_per_frame", count.guiCpuMs / frames},
        {"cpu_ms_per_frame", count.processCpuMs / frames},
        {"paints_per_frame", count.paints / frames},
        {"machine_cpu_ms_per_frame", count.machineCpuMs / frames},
        {"view_width", offscreen.View().viewport()->width()},
        {"view_height", offscreen.View().viewport()->height()},
    };
}

} // namespace ondrel::bench
