// A firmware upload reports the bytes sent, and a device that restarts right after its
// answer has still accepted the firmware.
#include "ClientTestSupport.h"
#include "Device.h"

#include <gtest/gtest.h>

#include <mutex>
#include <utility>

using namespace ondrel::testsupport;

TEST(FirmwareProgress, ReachesTheWholeFileAndAnAnswerBeforeTheCloseCounts)
{
    const Bytes image(3 * 1024 * 1024 + 17, 0x5A);
    TempDir dir;
    ScriptedServer server;
    server.Serve(Script().SendConnected().Answer(OkResponse()).Close());
    quorvel::Device device;
    ASSERT_CONNECTED(device, server);

    std::mutex lock;
    std::vector<std::pair<uint64_t, uint64_t>> steps;
    const quorvel::DeviceError result = device.UploadFirmware(dir.Write("fw.zpxfw", image), [&](uint64_t sent, uint64_t total) {
        std::scoped_lock guard(lock);
        steps.emplace_back(sent, total);
    });

    EXPECT_EQ(result.code, quorvel::DeviceError::OK) << result.message;
    std::scoped_lock guard(lock);
    ASSERT_GT(steps.size(), 1u);
    EXPECT_EQ(steps.back(), std::make_pair(uint64_t(image.size()), uint64_t(image.size())));
    for (std::size_t i = 1; i < steps.size(); ++i) {
        EXPECT_LT(steps[i - 1].first, steps[i].first);
    }
}
