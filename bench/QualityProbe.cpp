// What the capture quality measure costs per finger, on one core.
#include "CaptureMode.h"
#include "CaptureQuality.h"
#include "CapturedFrame.h"
#include "CpuClock.h"
#include "Device.h"
#include "FingerPositions.h"
#include "Probes.h"

#include <opencv2/core/utility.hpp>

#include <stdexcept>

namespace ondrel::bench {

ProbeResult RunQuality(const ProbeTarget& target)
{
    quorvel::Device device;
    const CapturedFrame captured = StartAndCaptureFrame(device, target);
    cv::Mat finalImage;
    std::vector<quorvel::SegmentInfo> segments;
    ThrowIfFailed(device.GetFinalImage(finalImage, captured.frameId));
    ThrowIfFailed(device.GetFinalSegmentInfos(segments, captured.frameId));
    device.Disconnect();
    if (segments.empty()) {
        throw std::runtime_error("quality: the final image has no segments");
    }

    // One core: OpenCV's own worker threads would spread a finger over several.
    cv::setNumThreads(1);
    const std::vector<int> positions = ModeFingerPositions(Right4);
    std::size_t fingers = 0;
    const auto wallStart = WallClock::now();
    const double cpuStart = ThreadCpuMs();
    while (MsBetween(wallStart, WallClock::now()) < target.seconds * 1000.0) {
        fingers += ScoreFingers(finalImage, segments, positions).size();
    }
    const double cpuMs = ThreadCpuMs() - cpuStart;
    const double wallMs = MsBetween(wallStart, WallClock::now());
    return {
        {"cpu_ms_per_finger", cpuMs / static_cast<double>(fingers)},
        {"wall_ms_per_finger", wallMs / static_cast<double>(fingers)},
        {"megapixels", static_cast<double>(finalImage.total()) / 1e6},
        {"segments", static_cast<double>(segments.size())},
    };
}

} // namespace ondrel::bench
