// Faults injected by ondrel-sim's fault options and hostile responses. For each: the exact
// DeviceError, memory bounded, and the next operation behaving as the link's state says.
#include "ClientTestSupport.h"
#include "DeviceOperations.h"
#include "FaultTally.h"
#include "ResidentMemory.h"
#include "SimProcess.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace ondrel::testsupport;
using namespace ondrel::faulttest;
using quorvel::Device;
using quorvel::DeviceError;
using quorvel::SegmentInfo;

const char* const kFrameFailure = "quorvel::Device::GetFrame(): quorvel error - Extraction of image failed";
const char* const kFinalFailure = "quorvel::Device::GetFinalImage(): quorvel error - Extraction of final image failed";
const char* const kRawFailure = "quorvel::Device::GetRawImages(): quorvel error - Extraction of raw images failed";
const char* const kSegmentsFailure
    = "quorvel::Device::GetFinalSegmentInfos(): quorvel error - Extraction of segment informations failed";

// Small frames keep every exchange quick; the hand is in place at once.
class SimulatorFault : public ::testing::Test {
protected:
    void Launch(std::vector<std::string> args)
    {
        args.insert(args.end(), { "--width", "320", "--height", "240", "--settle-ms", "0" });
        sim = std::make_unique<SimProcess>(args);
        const DeviceError connected = device.Connect(sim->host(), sim->port());
        ASSERT_EQ(connected.code, 0u) << connected.message;
    }

    TempDir dir;
    std::string firmware = dir.Write("device.zpxfw", BytesOf("FWIMG"));
    std::unique_ptr<SimProcess> sim;
    Device device;
};

// ---------------------------------------------------------------------------------------
// Fault options

TEST_F(SimulatorFault, ErrorResponseToEveryOperationGivesItsExactText)
{
    Launch({ "--error-type", "10,16,32,33,100,101,128,129,402" });
    for (const DeviceOperation& op : AllOperations(firmware)) {
        InjectFault("error response, " + op.name, [&] {
            const DeviceError result = op.run(device);
            const std::string deviceText = "simulated failure of " + quorvel::tcp::MessageTypeToString(op.request);
            EXPECT_EQ(result.code, 5u);
            EXPECT_EQ(result.message, op.TextForErrorBody(ZeroTerminated(deviceText)));
            // A refusal is an answer: the link stays up and paired for the next operation.
            EXPECT_TRUE(device.IsConnected());
        });
    }
}

// ---------------------------------------------------------------------------------------
// Hostile responses

struct HostileCase {
    const char* kind;
    const char* frame;    // expected GetFrame message
    const char* final;    // GetFinalImage
    const char* raw;      // GetRawImages
    const char* segments; // GetFinalSegmentInfos
};

TEST_F(SimulatorFault, BrokenImagesAndCountsFailTheirExtractionAndTheLinkGoesOn)
{
    const HostileCase cases[] = {
        { "bad-image-type", kFrameFailure, kFinalFailure, kRawFailure, "-" },
        { "bad-byte-count", kFrameFailure, kFinalFailure, kRawFailure, "-" },
        { "bad-count", kFrameFailure, "-", kRawFailure, kSegmentsFailure },
    };
    for (const HostileCase& c : cases) {
        InjectFault(c.kind, [&] {
            SimProcess hostile({ "--hostile", c.kind, "--width", "320", "--height", "240", "--settle-ms", "0" });
            Device scanner;
            ASSERT_EQ(scanner.Connect(hostile.host(), hostile.port()).code, 0u);
            ASSERT_EQ(scanner.Start().code, 0u);
            const uint64_t before = CurrentMemoryUse().residentBytes;

            cv::Mat image;
            std::vector<SegmentInfo> segments;
            std::vector<cv::Mat> raw;
            uint32_t frameId = 0;
            EXPECT_EQ(scanner.GetFrame(image, segments, frameId).message, c.frame);
            EXPECT_NE(frameId, 0u); // the id comes before anything broken
            EXPECT_EQ(scanner.GetFinalImage(image, frameId).message, c.final);
            EXPECT_EQ(scanner.GetRawImages(raw, frameId).message, c.raw);
            EXPECT_EQ(scanner.GetFinalSegmentInfos(segments, frameId).message, c.segments);

            // Nothing invented: counts beyond the body leave no phantom entries behind.
            EXPECT_LE(segments.size(), 10u);
            EXPECT_LE(raw.size(), 64u);
            const uint64_t after = CurrentMemoryUse().residentBytes;
            EXPECT_LT(after > before ? after - before : 0, 64 * kMiB * kResidentScale);

            // The link survives every refused body.
            std::string level;
            EXPECT_EQ(scanner.GetCurrentAuthGroup(level).code, 0u);
            EXPECT_EQ(level, "GUEST");
        });
    }
}

} // namespace
