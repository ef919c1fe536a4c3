#include "CapturedFrame.h"

#include "Device.h"

#include <stdexcept>

namespace ondrel::bench {

void ThrowIfFailed(const quorvel::DeviceError& error)
{
    if (error.failed()) {
        throw std::runtime_error(error.message);
    }
}

CapturedFrame StartAndCaptureFrame(quorvel::Device& device, const ProbeTarget& target)
{
    ThrowIfFailed(device.Connect(target.host, target.port));
    ThrowIfFailed(device.Start());
    CapturedFrame captured;
    ThrowIfFailed(device.GetFrame(captured.frame, captured.segments, captured.frameId));
    return captured;
}

} // namespace ondrel::bench
