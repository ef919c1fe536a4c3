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
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace ondrel::testsupport;
using namespace ondrel::faulttest;
using quorvel::Device;
using quorvel::DeviceError;
using quorvel::SegmentInfo;
using quorvel::tcp::Message;
using quorvel::tcp::MessageType;

const char* const kSocketNotOpen = "quorvel::Device::Send(): quorvel error - socket not open";
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

    // What a sound link does next: answer the level query.
    void ExpectLinkStillServes()
    {
        std::string level;
        const DeviceError result = device.GetCurrentAuthGroup(level);
        EXPECT_EQ(result.code, 0u) << result.message;
        EXPECT_EQ(level, "GUEST");
    }

    // What a lost link does next: fail at Send, before any wait.
    void ExpectLinkLost()
    {
        EXPECT_FALSE(device.IsConnected());
        const DeviceError next = device.Start();
        EXPECT_EQ(next.code, 2u);
        EXPECT_EQ(next.message, kSocketNotOpen);
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

TEST_F(SimulatorFault, CloseInTheMiddleOfABodyLosesTheLink)
{
    Launch({ "--close-mid-body" });
    InjectFault("close mid-body", [&] {
        std::string level = "unchanged";
        const DeviceError result = device.GetCurrentAuthGroup(level);
        EXPECT_EQ(result.code, 5u);
        EXPECT_EQ(result.message, "quorvel::Device::GetCurrentAuthGroup(): quorvel error - connection not established");
        EXPECT_EQ(level, "unchanged");
        ExpectLinkLost();
    });
}

TEST_F(SimulatorFault, CloseAfterAnAnswerLosesTheLinkAtTheNextRequest)
{
    Launch({ "--close-after", "1" });
    InjectFault("close after one answer", [&] {
        EXPECT_EQ(device.Start().code, 0u);
        cv::Mat image;
        std::vector<SegmentInfo> segments;
        uint32_t frameId = 0;
        const DeviceError result = device.GetFrame(image, segments, frameId);
        EXPECT_EQ(result.code, 5u);
        EXPECT_EQ(result.message, "(): quorvel error - connection not established");
        ExpectLinkLost();
    });
}

TEST_F(SimulatorFault, StallLongerThanTheTimeLimitKeepsTheLinkUp)
{
    Launch({ "--stall-after", "1" });
    InjectFault("stall", [&] {
        EXPECT_EQ(device.Start().code, 0u);
        std::vector<uint8_t> calibration { 7 };
        const DeviceError result = device.GetCalibrationFile(calibration);
        EXPECT_EQ(result.code, 5u);
        EXPECT_EQ(result.message, "quorvel::Device::GetCalibrationFile(): quorvel error - server timeout");
        EXPECT_EQ(calibration, Bytes { 7 });
        // A quiet device is not a lost one: requests still go out.
        EXPECT_TRUE(device.IsConnected());
        EXPECT_EQ(device.Send(Message(MessageType::PING)).code, 0u);
    });
}

TEST_F(SimulatorFault, AnswerAfterItsTimeLimitIsTakenByTheNextCall)
{
    // Start waits 3000 ms; the answer comes 500 ms later, early in PlaySound's wait.
    Launch({ "--delay-ms", "3500" });
    InjectFault("answer after the time limit", [&] {
        const DeviceError start = device.Start();
        EXPECT_EQ(start.code, 5u);
        EXPECT_EQ(start.message, "quorvel::Device::Start(): quorvel error - server timeout");
        EXPECT_TRUE(device.IsConnected());
        const DeviceError sound = device.PlaySound(2);
        EXPECT_EQ(sound.code, 0u) << sound.message;
    });
}

// ---------------------------------------------------------------------------------------
// Hostile responses

TEST_F(SimulatorFault, HugeAnnouncedBodyTimesOutWithoutTakingMemory)
{
    Launch({ "--hostile", "huge-size" });
    InjectFault("4 GiB announced, nothing sent", [&] {
        const uint64_t before = ResidentBytes();
        const DeviceError result = device.Start();
        const uint64_t after = ResidentBytes();
        EXPECT_EQ(result.code, 5u);
        EXPECT_EQ(result.message, "quorvel::Device::Start(): quorvel error - server timeout");
        EXPECT_LT(after > before ? after - before : 0, 16 * kMiB * kResidentScale);
        EXPECT_TRUE(device.IsConnected());
    });
}

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
            const uint64_t before = ResidentBytes();

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
            const uint64_t after = ResidentBytes();
            EXPECT_LT(after > before ? after - before : 0, 64 * kMiB * kResidentScale);

            // The link survives every refused body.
            std::string level;
            EXPECT_EQ(scanner.GetCurrentAuthGroup(level).code, 0u);
            EXPECT_EQ(level, "GUEST");
        });
    }
}

TEST_F(SimulatorFault, RectanglesOutsideTheImageArriveAsSent)
{
    Launch({ "--hostile", "bad-rect" });
    InjectFault("rectangles outside the image", [&] {
        ASSERT_EQ(device.Start().code, 0u);
        cv::Mat image;
        std::vector<SegmentInfo> live;
        uint32_t frameId = 0;
        const DeviceError frame = device.GetFrame(image, live, frameId);
        ASSERT_EQ(frame.code, 0u) << frame.message;
        ASSERT_GE(live.size(), 4u);
        EXPECT_EQ(image.cols, 320);
        EXPECT_EQ(image.rows, 240);
        // Decoded exactly as sent; clipping them is the application's business.
        EXPECT_EQ(live[0].posX, -5000);
        EXPECT_EQ(live[0].posY, -4000);
        EXPECT_EQ(live[1].posX, 1 << 20);
        EXPECT_EQ(live[2].width, std::numeric_limits<int32_t>::max());
        EXPECT_EQ(live[2].height, std::numeric_limits<int32_t>::max());
        EXPECT_EQ(live[3].posX, std::numeric_limits<int32_t>::min());
        EXPECT_EQ(live[3].width, -60);
        EXPECT_EQ(live[3].height, -80);

        std::vector<SegmentInfo> finals;
        ASSERT_EQ(device.GetFinalSegmentInfos(finals, frameId).code, 0u);
        ASSERT_EQ(finals.size(), live.size());
        EXPECT_EQ(finals[3].posX, std::numeric_limits<int32_t>::min());
        ExpectLinkStillServes();
    });
}

} // namespace
