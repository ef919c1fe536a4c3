#pragma once

#include "DeviceError.h"
#include "Probes.h"
#include "SegmentInfo.h"

#include <opencv2/core.hpp>

#include <cstdint>
#include <vector>

namespace quorvel {
class Device;
}

namespace ondrel::bench {

// Throws std::runtime_error with the error's text when the operation failed.
void ThrowIfFailed(const quorvel::DeviceError& error);

// A live frame taken in capture mode on a fresh connection of `device` to `target`, for the
// probes that go on to fetch its results.
struct CapturedFrame {
    cv::Mat frame;
    std::vector<quorvel::SegmentInfo> segments;
    uint32_t frameId = 0;
};
CapturedFrame StartAndCaptureFrame(quorvel::Device& device, const ProbeTarget& target);

} // namespace ondrel::bench
