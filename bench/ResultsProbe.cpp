// Fetching a capture's raw frames and storing them as the window does.
#include "CpuClock.h"
#include "Device.h"
#include "Probes.h"
#include "ResultWriter.h"

#include <QTemporaryDir>

#include <stdexcept>

namespace ondrel::bench {

ProbeResult RunResults(const ProbeTarget& target)
{
    quorvel::Device device;
    auto check = [](const quorvel::DeviceError& error) {
        if (error.failed()) {
            throw std::runtime_error(error.message);
        }
    };
    check(device.Connect(target.host, target.port));
    check(device.Start());
    cv::Mat frame;
    std::vector<quorvel::SegmentInfo> segments;
    uint32_t frameId = 0;
    check(device.GetFrame(frame, segments, frameId));

    std::vector<cv::Mat> rawImages;
    const auto fetchStart = WallClock::now();
    check(device.GetRawImages(rawImages, frameId));
    const auto fetchEnd = WallClock::now();
    device.Disconnect();

    QTemporaryDir directory;
    if (!directory.isValid()) {
        throw std::runtime_error("results: no temporary directory");
    }
    StorageReport report;
    const auto writeStart = WallClock::now();
    const bool written = WriteRawFrames(directory.path() + QStringLiteral("/raw"), rawImages, report);
    const auto writeEnd = WallClock::now();
    if (!written || !report.Empty()) {
        throw std::runtime_error("results: raw frames not written");
    }

    double megabytes = 0;
    for (const cv::Mat& image : rawImages) {
        megabytes += static_cast<double>(image.total() * image.elemSize()) / 1e6;
    }
    return {
        {"link_ms", MsBetween(fetchStart, fetchEnd)},
        {"png_ms", MsBetween(writeStart, writeEnd)},
        {"images", static_cast<double>(rawImages.size())},
        {"megabytes", megabytes},
    };
}

} // namespace ondrel::bench
