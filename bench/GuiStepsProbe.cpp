// The live view's per-frame work, step by step, on a frame as the simulator sends it. The
// steps are the window's own functions, called in the order the live view calls them; the
// first runs on the frame's request task, the others on the GUI thread.
#include "AppSettings.h"
#include "BenchTable.h"
#include "CaptureDecision.h"
#include "CaptureMode.h"
#include "CpuClock.h"
#include "Device.h"
#include "DisplayPixmaps.h"
#include "OffscreenWindow.h"
#include "OverlayRenderer.h"
#include "Probes.h"
#include "SettingsStore.h"
#include "app_ondrel.h"

#include <QGraphicsView>
#include <QImage>
#include <QPixmap>

#include <stdexcept>

namespace ondrel::bench {

namespace {
template <typename Step> double TimedMs(Step step)
{
    const auto start = WallClock::now();
    step();
    return MsBetween(start, WallClock::now());
}
} // namespace

ProbeResult RunGuiSteps(const ProbeTarget& target, int& argc, char** argv)
{
    OffscreenWindow offscreen(target, argc, argv);

    // A frame and its segments as the live view gets them.
    cv::Mat frame;
    std::vector<quorvel::SegmentInfo> segments;
    {
        quorvel::Device device;
        uint32_t frameId = 0;
        for (const quorvel::DeviceError& error :
             {device.Connect(target.host, target.port), device.Start(), device.GetFrame(frame, segments, frameId)}) {
            if (error.failed()) {
                throw std::runtime_error(error.message);
            }
        }
    }
    AppSettings settings = DefaultAppSettings();
    settings.drawFps = settings.drawBoundingBox = settings.drawPosition = settings.drawDistance =
        settings.drawMovement = true;

    std::vector<double> makeDisplay, overlays, showImage, pixmap, paint;
    cv::Mat display;
    DisplayPixmaps pixmaps;
    const auto end = WallClock::now() + std::chrono::duration<double>(target.seconds);
    while (WallClock::now() < end) {
        makeDisplay.push_back(TimedMs([&] { MakeDisplayImage(frame, display); }));
        overlays.push_back(TimedMs([&] {
            CaptureConditionHolds(Right4, segments, display.cols, display.rows, settings);
            DrawOverlays(display, segments, 13.0f, settings);
        }));
        showImage.push_back(TimedMs([&] { offscreen.Window().ShowImage(display); }));
        // The two costly parts of ShowImage on their own.
        pixmap.push_back(TimedMs([&] { const QPixmap converted = pixmaps.Convert(display); }));
        paint.push_back(TimedMs([&] { offscreen.View().viewport()->repaint(); }));
    }
    return {
        {"make_display_ms", *Median(makeDisplay)},
        {"overlays_ms", *Median(overlays)},
        {"show_image_ms", *Median(showImage)},
        {"pixmap_ms", *Median(pixmap)},
        {"paint_ms", *Median(paint)},
        {"frames", static_cast<double>(makeDisplay.size())},
    };
}

} // namespace ondrel::bench
