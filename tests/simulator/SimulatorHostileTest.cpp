// Hostile responses: the simulator sends what it announces, and the device client takes
// it without crashing and with the link still usable.
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

    std::unique_ptr<SimProcess> sim;
    quorvel::Device device;
    cv::Mat image;
    std::vector<quorvel::SegmentInfo> segments;
    uint32_t frameId = 0;
};

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
}

} // namespace
