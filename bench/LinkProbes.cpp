// Back-to-back live frame requests: the raw socket yardstick and the device client.
#include "CpuClock.h"
#include "Device.h"
#include "Probes.h"
#include "RawFrameClient.h"

#include <stdexcept>

namespace ondrel::bench {

namespace {
// Frames fetched before the timed window, so that buffers and caches have settled.
constexpr int kWarmUpFrames = 3;

void Check(const quorvel::DeviceError& error)
{
    if (error.failed()) {
        throw std::runtime_error(error.message);
    }
}

// Runs fetch() back to back for the target's window and reports its rate and CPU use.
template <typename Fetch> ProbeResult TimedFrames(const ProbeTarget& target, Fetch fetch)
{
    for (int i = 0; i < kWarmUpFrames; ++i) {
        fetch();
    }
    const double processStart = ProcessCpuMs();
    const double callerStart = ThreadCpuMs();
    const double machineStart = MachineBusyCpuMs();
    const auto start = WallClock::now();
    const auto end = start + std::chrono::duration<double>(target.seconds);
    int frames = 0;
    auto now = start;
    do {
        fetch();
        ++frames;
        now = WallClock::now();
    } while (now < end);
    const double wallMs = MsBetween(start, now);
    return {
        {"fps", frames * 1000.0 / wallMs},
        {"frames", frames},
        {"cpu_ms_per_frame", (ProcessCpuMs() - processStart) / frames},
        {"caller_cpu_ms_per_frame", (ThreadCpuMs() - callerStart) / frames},
        {"machine_cpu_ms_per_frame", (MachineBusyCpuMs() - machineStart) / frames},
    };
}
} // namespace

ProbeResult RunRawLink(const ProbeTarget& target)
{
    RawFrameClient client;
    client.Connect(target.host, target.port);
    if (client.Request(quorvel::tcp::MessageType::START_CAPTURE_MODE).error) {
        throw std::runtime_error("raw client: START_CAPTURE_MODE refused");
    }
    return TimedFrames(target, [&] {
        if (client.Request(quorvel::tcp::MessageType::CAPTURE).error) {
            throw std::runtime_error("raw client: CAPTURE refused");
        }
    });
}

ProbeResult RunDeviceLink(const ProbeTarget& target)
{
    quorvel::Device device;
    Check(device.Connect(target.host, target.port));
    Check(device.Start());
    cv::Mat image;
    std::vector<quorvel::SegmentInfo> segments;
    uint32_t frameId = 0;
    ProbeResult result = TimedFrames(target, [&] { Check(device.GetFrame(image, segments, frameId)); });
    if (image.empty() || segments.empty()) {
        throw std::runtime_error("device client: frames arrived without image or segments");
    }
    result["width"] = image.cols;
    result["height"] = image.rows;
    device.Disconnect();
    return result;
}

} // namespace ondrel::bench
