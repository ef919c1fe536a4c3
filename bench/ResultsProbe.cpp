// Fetching a capture's raw frames and storing them: first as the window did before it stored
// on workers (the frames written one after another on the calling thread), then as it stores
// a mode now (StoreMode: workers on every core, flushed and renamed into place).
#include "CapturedFrame.h"
#include "CpuClock.h"
#include "Device.h"
#include "ModeStorage.h"
#include "Probes.h"
#include "ResultWriter.h"
#include "SettingsStore.h"

#include <QTemporaryDir>

#include <unistd.h>

#include <stdexcept>

namespace ondrel::bench {

ProbeResult RunResults(const ProbeTarget& target)
{
    quorvel::Device device;
    const uint32_t frameId = StartAndCaptureFrame(device, target).frameId;

    std::vector<cv::Mat> rawImages;
    const auto fetchStart = WallClock::now();
    ThrowIfFailed(device.GetRawImages(rawImages, frameId));
    const auto fetchEnd = WallClock::now();

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
    const double images = static_cast<double>(rawImages.size());
    double megabytes = 0;
    for (const cv::Mat& image : rawImages) {
        megabytes += static_cast<double>(image.total() * image.elemSize()) / 1e6;
    }
    rawImages.clear();
    // What the first way left to the disk is not the second's to wait for.
    ::sync();

    ModeStoreInput input;
    input.runDirectory = directory.path() + QStringLiteral("/run");
    input.modeName = QStringLiteral("4R");
    input.settings = DefaultAppSettings();
    input.settings.saveFinalImage = input.settings.saveSegments = input.settings.saveSegmentInformations = false;
    input.settings.saveRawData = true;
    input.stepTimer.start();
    const auto storeStart = WallClock::now();
    const ModeStoreOutcome outcome = StoreMode(input, DeviceResultRequests(device, frameId));
    const auto storeEnd = WallClock::now();
    if (!outcome.Complete() || !outcome.committed) {
        throw std::runtime_error("results: the mode was not stored");
    }
    device.Disconnect();

    return {
        {"link_ms", MsBetween(fetchStart, fetchEnd)},
        {"png_ms", MsBetween(writeStart, writeEnd)},
        {"serial_total_ms", MsBetween(fetchStart, fetchEnd) + MsBetween(writeStart, writeEnd)},
        {"store_png_ms", static_cast<double>(outcome.rawDataMs)},
        {"store_total_ms", MsBetween(storeStart, storeEnd)},
        {"images", images},
        {"megabytes", megabytes},
    };
}

} // namespace ondrel::bench
