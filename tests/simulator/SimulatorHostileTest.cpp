// Hostile responses: the simulator sends what it announces, and the device client turns
// each into its extraction failure without crashing and with the link still usable.
#include "Device.h"
#include "RawClient.h"
#include "SimProcess.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <string>

namespace {
using ondrel::simtest::RawClient;
using ondrel::testsupport::SimProcess;
using quorvel::tcp::Message;
using quorvel::tcp::MessageType;

constexpr int kWidth = 320;
constexpr int kHeight = 240;

const char* kFrameFailure = "quorvel::Device::GetFrame(): quorvel error - Extraction of image failed";
const char* kFinalFailure = "quorvel::Device::GetFinalImage(): quorvel error - Extraction of final image failed";
const char* kRawFailure = "quorvel::Device::GetRawImages(): quorvel error - Extraction of raw images failed";
const char* kSegmentsFailure = "quorvel::Device::GetFinalSegmentInfos(): quorvel error - ";

class HostileSimulator : public ::testing::Test {
protected:
    void Launch(const std::string& kind)
    {
        sim = std::make_unique<SimProcess>(std::vector<std::string> {
            "--hostile", kind, "--width", std::to_string(kWidth), "--height", std::to_string(kHeight),
            "--settle-ms", "0" });
        ASSERT_EQ(device.Connect(sim->host(), sim->port()).code, 0u);
        ASSERT_EQ(device.Start().code, 0u);
    }

    // The link survives a refused body: the next request is answered as usual.
    void ExpectLinkStillServes()
    {
        std::string level;
        const quorvel::DeviceError result = device.GetCurrentAuthGroup(level);
        EXPECT_EQ(result.code, 0u) << result.message;
        EXPECT_EQ(level, "GUEST");
    }

    std::unique_ptr<SimProcess> sim;
    quorvel::Device device;
    cv::Mat image;
    std::vector<quorvel::SegmentInfo> segments;
    std::vector<cv::Mat> rawImages;
    uint32_t frameId = 0;
};

TEST_F(HostileSimulator, UnbuildableImageTypeFailsEveryImageResponse)
{
    Launch("bad-image-type");
    EXPECT_EQ(device.GetFrame(image, segments, frameId).message, kFrameFailure);
    ASSERT_NE(frameId, 0u); // the id comes before the image
    EXPECT_EQ(device.GetFinalImage(image, frameId).message, kFinalFailure);
    EXPECT_EQ(device.GetRawImages(rawImages, frameId).message, kRawFailure);
    EXPECT_EQ(device.GetFinalSegmentInfos(segments, frameId).code, 0u); // carries no image
    ExpectLinkStillServes();
}

TEST_F(HostileSimulator, ByteCountDisagreeingWithTheSizeFailsEveryImageResponse)
{
    Launch("bad-byte-count");
    const quorvel::DeviceError frame = device.GetFrame(image, segments, frameId);
    EXPECT_EQ(frame.code, 5u);
    EXPECT_EQ(frame.message, kFrameFailure);
    EXPECT_EQ(device.GetFinalImage(image, frameId).message, kFinalFailure);
    EXPECT_EQ(device.GetRawImages(rawImages, frameId).message, kRawFailure);
    ExpectLinkStillServes();
}

TEST_F(HostileSimulator, CountsBeyondTheBodyFailInsteadOfInventingEntries)
{
    Launch("bad-count");
    EXPECT_EQ(device.GetFrame(image, segments, frameId).message, kFrameFailure);
    EXPECT_EQ(device.GetRawImages(rawImages, frameId).message, kRawFailure);
    const quorvel::DeviceError finalSegments = device.GetFinalSegmentInfos(segments, frameId);
    EXPECT_EQ(finalSegments.code, 5u);
    EXPECT_EQ(finalSegments.message.rfind(kSegmentsFailure, 0), 0u) << finalSegments.message;
    // The final image has no count to break.
    EXPECT_EQ(device.GetFinalImage(image, frameId).code, 0u);
    ExpectLinkStillServes();
}

TEST_F(HostileSimulator, RectanglesOutsideTheImageArriveAsSent)
{
    Launch("bad-rect");
    ASSERT_EQ(device.GetFrame(image, segments, frameId).code, 0u);
    ASSERT_EQ(segments.size(), 4u);
    const cv::Rect frame(0, 0, image.cols, image.rows);
    for (const auto& s : segments) {
        // Each box is either out of the image, larger than it, or of negative size.
        const bool outside = s.width <= 0 || s.height <= 0 || s.posX < 0 || s.posY < 0
            || static_cast<int64_t>(s.posX) + s.width > frame.width
            || static_cast<int64_t>(s.posY) + s.height > frame.height;
        EXPECT_TRUE(outside) << s.posX << "," << s.posY << " " << s.width << "x" << s.height;
    }
    std::vector<quorvel::SegmentInfo> finals;
    ASSERT_EQ(device.GetFinalSegmentInfos(finals, frameId).code, 0u);
    ASSERT_EQ(finals.size(), segments.size());
    EXPECT_EQ(finals[2].width, INT32_MAX);
    EXPECT_EQ(finals[3].posX, INT32_MIN);
}

TEST(HostileSimulatorLink, HugeSizeAnnouncesFourGibibytesAndSendsNothingBehind)
{
    SimProcess sim({ "--hostile", "huge-size" });
    RawClient client(sim.host(), sim.port());
    EXPECT_EQ(client.Receive().header.id, MessageType::CONNECTED);
    client.Send(Message(MessageType::GET, "auth_group"));
    quorvel::tcp::HeaderBytes header {};
    asio::read(client.Socket(), asio::buffer(header));
    const quorvel::tcp::MessageHeader decoded = quorvel::tcp::DecodeHeader(header.data());
    EXPECT_EQ(decoded.id, MessageType::GET);
    EXPECT_EQ(decoded.size, 0xFFFFFFFFu);

    // The client waits by its limit and keeps the link.
    quorvel::Device device;
    ASSERT_EQ(device.Connect(sim.host(), sim.port()).code, 0u);
    ASSERT_EQ(device.Send(Message(MessageType::GET, "auth_group")).code, 0u);
    const Message response = device.AwaitResponse(300);
    EXPECT_TRUE(response.header.error);
    EXPECT_EQ(std::string(response.body.begin(), response.body.end() - 4), "(): quorvel error - server timeout");
    EXPECT_TRUE(device.IsConnected());
}

TEST(HostileSimulatorLink, StallAnswersNothingAfterTheHandshake)
{
    SimProcess sim({ "--hostile", "stall" });
    quorvel::Device device;
    ASSERT_EQ(device.Connect(sim.host(), sim.port()).code, 0u);
    ASSERT_EQ(device.Send(Message(MessageType::START_CAPTURE_MODE)).code, 0u);
    const Message response = device.AwaitResponse(300);
    EXPECT_TRUE(response.header.error);
    EXPECT_TRUE(device.IsConnected());
}

} // namespace
