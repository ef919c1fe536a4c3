#include "SharedScanner.h"

#include "HandScene.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace ondrel::sim {

namespace {
std::vector<uint8_t> MakeCalibrationFile(const SimOptions& options)
{
    std::ostringstream text;
    text << "# ondrel-sim calibration\n"
         << "sensor_width=" << options.width << "\n"
         << "sensor_height=" << options.height << "\n"
         << "pixel_type=8U\n"
         << "focus_distance_mm=" << HandScene::kRestDistanceMm << "\n"
         << "pixels_per_mm=" << 19.5 * std::min(options.width / 1280.0, options.height / 1024.0) << "\n"
         << "distortion=0 0 0 0 0\n";
    const std::string content = text.str();
    return {content.begin(), content.end()};
}
} // namespace

SharedScanner::SharedScanner(SimOptions opts)
    : options(std::move(opts))
    , synthesizer(options.width, options.height)
    , authenticator(options.keysDir)
    , calibration(MakeCalibrationFile(options))
{
    if (options.preparedFrame) {
        HandScene scene(options.width, options.height, std::chrono::milliseconds(0), options.seed);
        scene.SetMissingFingers(options.missingFingers);
        prepared = std::make_unique<PreparedFrame>(synthesizer, scene.RestingView(HandKind::Right4),
                                                   options.rawImageCount, options.faults.hostile, options.degradations);
    }
}

uint32_t SharedScanner::NextFrameId()
{
    ++lastFrameId;
    if (lastFrameId == 0) {
        lastFrameId = 1;
    }
    return lastFrameId;
}

std::string SharedScanner::StoreFirmware(const std::vector<uint8_t>& image)
{
    namespace fs = std::filesystem;
    const fs::path dir(options.firmwareDir);
    fs::create_directories(dir);
    fs::path target;
    do {
        target = dir / ("firmware-" + std::to_string(++firmwareCount) + ".zpxfw");
    } while (fs::exists(target));
    // Written under a temporary name first, so that nobody sees half a firmware file.
    const fs::path partial = target.string() + ".part";
    {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        if (!file) {
            file.close();
            std::error_code ignored;
            fs::remove(partial, ignored);
            throw std::runtime_error("cannot write " + partial.string());
        }
    }
    fs::rename(partial, target);
    return target.string();
}

} // namespace ondrel::sim
