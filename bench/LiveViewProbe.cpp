// The main window's live view, driven offscreen as the operator would: the workflow button
// starts a run, a second click stops it. The capture thresholds are set so that no frame is
// ever ready, so the run stays in its first live view until stopped.
#include "CpuClock.h"
#include "Probes.h"
#include "RawFrameClient.h"
#include "SettingsStore.h"
#include "app_ondrel.h"

#include <QApplication>
#include <QEvent>
#include <QGraphicsView>
#include <QMetaObject>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace ondrel::bench {

namespace {
// Time the run gets for connecting, Start and the live view's own warm-up before counting.
constexpr auto kSettleTime = std::chrono::milliseconds(1000);

void WriteSettings(const ProbeTarget& target)
{
    const std::unique_ptr<QSettings> store = OpenSettingsStore();
    store->setValue(QStringLiteral("DeviceSettings/DeviceIp"), QString::fromStdString(target.host));
    store->setValue(QStringLiteral("DeviceSettings/DevicePort"), QString::number(target.port));
    // Every overlay on: the most work a frame can cost.
    for (const char* key : { "DrawFPS", "DrawBoundingBox", "DrawPosition", "DrawDistance", "DrawMovement" }) {
        store->setValue(QStringLiteral("LiveViewSettings/") + QLatin1String(key), true);
    }
    // Every segment is "too high": never ready, so the live view runs until stopped.
    store->setValue(QStringLiteral("CaptureSettings/ThresholdTooHigh"), QStringLiteral("1"));
    store->setValue(QStringLiteral("CaptureSettings/ThresholdTooLow"), QStringLiteral("0"));
    store->sync();
}

// Counts the paints of the live image's view.
class PaintCounter : public QObject {
public:
    std::atomic<int> paints { 0 };

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
    int paints = 0;
};
} // namespace

ProbeResult RunLiveView(const ProbeTarget& target, int argc, char** argv)
{
    // The settings file lives in a home of its own; set before Qt reads the environment.
    QTemporaryDir home;
    if (!home.isValid()) {
        throw std::runtime_error("live view: no temporary directory");
    }
    setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    QApplication application(argc, argv);
    WriteSettings(target);

    LaunchOptions options;
    options.unattended = true; // errors on standard error instead of message boxes
    app_ondrel window(nullptr, options);
    if (!window.IsConnected()) {
        throw std::runtime_error("live view: the window did not connect");
    }
    window.show();
    auto* view = window.findChild<QGraphicsView*>(QStringLiteral("graphicsView"));
    if (view == nullptr) {
        throw std::runtime_error("live view: the window has no graphicsView");
    }
    PaintCounter paintCounter;
    view->viewport()->installEventFilter(&paintCounter);

    std::atomic<bool> runEnded { false };
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
            const int paintsStart = paintCounter.paints;
            probe.Request(quorvel::tcp::MessageType::CAPTURE);
            count.firstId = probe.LastFrameId();
            std::this_thread::sleep_for(std::chrono::duration<double>(target.seconds));
            const auto end = WallClock::now();
            count.guiCpuMs = ClockMs(guiClock) - guiStart;
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
    application.exec();
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
        { "fps", frames * 1000.0 / count.wallMs },
        { "frames", frames },
        { "gui_ms_per_frame", count.guiCpuMs / frames },
        { "cpu_ms_per_frame", count.processCpuMs / frames },
        { "paints_per_frame", count.paints / frames },
        { "view_width", view->viewport()->width() },
        { "view_height", view->viewport()->height() },
    };
}

} // namespace ondrel::bench
