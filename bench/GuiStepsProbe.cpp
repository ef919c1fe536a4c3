// The live view's per-frame work, step by step, on a frame as the simulator sends it. The
// steps are the window's own functions, called in the order the live view calls them; the
// first runs on the frame's request task, the others on the GUI thread.
#include "AppSettings.h"
#include "BenchTable.h"
#include "CaptureDecision.h"
#include "CaptureMode.h"
#include "CpuClock.h"
#include "Device.h"
#include "OffscreenWindow.h"
#include "OverlayRenderer.h"
#include "Probes.h"
#include "SceneImage.h"
#include "SettingsStore.h"
#include "ViewImage.h"
#include "ViewQuality.h"
#include "app_ondrel.h"

#include <QCoreApplication>
#include <QGraphicsView>

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
    QGraphicsView& view = offscreen.View();

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
    constexpr float kFps = 13.0f;

    std::vector<double> makeView, overlays, show, paint;
    const cv::Size viewport = SceneImage::ViewportPixels(view);
    ViewImage shown;
    const auto end = WallClock::now() + std::chrono::duration<double>(target.seconds);
    while (WallClock::now() < end) {
        makeView.push_back(TimedMs([&] {
            MakeViewImage(frame, viewport, shown);
            DrawViewOverlays(shown, segments, settings);
        }));
        overlays.push_back(TimedMs([&] {
            CaptureConditionHolds(Right4, segments, frame.cols, frame.rows, settings);
            DrawViewFrameRate(shown, kFps);
        }));
        // As the window shows a frame: into the scene, then the events that paint it.
        show.push_back(TimedMs([&] {
            SceneImage::Show(view, shown);
            QCoreApplication::processEvents();
        }));
        paint.push_back(TimedMs([&] { view.viewport()->repaint(); }));
    }

    // What the operator sees, against today's full-size drawing reduced with cv::INTER_AREA.
    cv::Mat display;
    MakeDisplayImage(frame, display);
    DrawOverlays(display, segments, kFps, settings);
    return {
        {"make_view_ms", *Median(makeView)},
        {"overlays_ms", *Median(overlays)},
        {"show_ms", *Median(show)},
        {"paint_ms", *Median(paint)},
        {"view_image_width", static_cast<double>(shown.pixels.cols)},
        {"view_image_height", static_cast<double>(shown.pixels.rows)},
        {"ssim", ShownImageSsim(view, display)},
        {"frames", static_cast<double>(makeView.size())},
    };
}

} // namespace ondrel::bench
