// A live frame keeps the body it arrived in, and bodies let go of are read into again.
// Nothing of an earlier frame may show through: not in a later frame, not in the body
// another operation receives, and not in an image still held.
#include "Connection.h"
#include "Device.h"
#include "DeviceBytes.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>

using namespace ondrel::testsupport;
using quorvel::Device;
using quorvel::DeviceError;
using quorvel::SegmentInfo;
using quorvel::tcp::Connection;

namespace {

// Large enough that the connection reads the body into a reused buffer.
constexpr uint32_t kLarge = 300;
static_assert(kLarge * kLarge > Connection::kFirstBodyChunk);

Bytes Pixels(std::size_t count, uint8_t seed)
{
    Bytes pixels(count);
    for (std::size_t i = 0; i < count; ++i) {
        pixels[i] = static_cast<uint8_t>(seed + i);
    }
    return pixels;
}

// A square 8-bit frame whose pixel i is seed + i, with one segment whose posX is the id.
Bytes Frame(uint32_t frameId, uint32_t side, uint8_t seed)
{
    return FrameBody(frameId, ImageBlock(side * side, CV_8UC1, side, side, Pixels(side * side, seed)),
        { Segment(static_cast<int32_t>(frameId), 2, 3, 4) });
}

void ExpectFrame(const cv::Mat& image, uint32_t side, uint8_t seed)
{
    ASSERT_EQ(image.size(), cv::Size(side, side));
    ASSERT_TRUE(image.isContinuous());
    EXPECT_TRUE(Bytes(image.data, image.data + image.total()) == Pixels(image.total(), seed))
        << "pixels that are not the frame's own";
}

class FrameBufferReuse : public ::testing::Test {
protected:
    void Serve(const std::vector<Bytes>& bodies)
    {
        Script script;
        script.SendConnected();
        for (const Bytes& body : bodies) {
            script.Answer(OkResponse(body));
        }
        server.Serve(script);
        ASSERT_CONNECTED(*device, server);
    }
    DeviceError Next(cv::Mat& image) { return device->GetFrame(image, segments, frameId); }

    ScriptedServer server;
    std::unique_ptr<Device> device = std::make_unique<Device>();
    std::vector<SegmentInfo> segments;
    uint32_t frameId = 0;
};

TEST_F(FrameBufferReuse, FramesOfChangingSizeArriveWholeAndABodyAfterThemHasOnlyItsOwnBytes)
{
    const uint32_t sides[] = { kLarge, kLarge - 40, kLarge + 100, 5 };
    // The calibration file is the whole body, so a byte left over from a frame would show.
    const Bytes calibration = Pixels(Connection::kFirstBodyChunk + 7, 3);
    Serve({ Frame(1, sides[0], 10), Frame(2, sides[1], 20), Frame(3, sides[2], 30), Frame(4, sides[3], 40),
        Frame(5, kLarge + 100, 50), calibration });
    cv::Mat image;
    for (uint32_t i = 0; i < 4; ++i) {
        ASSERT_EQ(Next(image).code, DeviceError::OK) << "frame " << i + 1;
        EXPECT_EQ(frameId, i + 1);
        ExpectFrame(image, sides[i], static_cast<uint8_t>(10 * (i + 1)));
        ASSERT_EQ(segments.size(), 1u);
        EXPECT_EQ(segments[0].posX, static_cast<int32_t>(i + 1));
    }
    ASSERT_EQ(Next(image).code, DeviceError::OK);
    std::vector<uint8_t> received;
    ASSERT_EQ(device->GetCalibrationFile(received).code, DeviceError::OK);
    EXPECT_TRUE(received == calibration);
}

TEST_F(FrameBufferReuse, FramesHeldAcrossLaterFramesAndTheDeviceKeepTheirPixels)
{
    std::vector<Bytes> bodies;
    for (uint32_t i = 1; i <= 8; ++i) {
        bodies.push_back(Frame(i, kLarge, static_cast<uint8_t>(10 * i)));
    }
    Serve(bodies);
    // The live view's pattern: the new frame is fetched into the matrix of the one before
    // the last, while the last is still drawn.
    cv::Mat frame;
    cv::Mat lastFrame;
    cv::Mat kept;
    for (uint32_t i = 1; i <= 8; ++i) {
        std::swap(frame, lastFrame);
        ASSERT_EQ(Next(frame).code, DeviceError::OK) << "frame " << i;
        ExpectFrame(frame, kLarge, static_cast<uint8_t>(10 * i));
        if (i == 2) {
            kept = frame; // shares the frame's pixels
        }
    }
    ExpectFrame(lastFrame, kLarge, 70);
    device.reset();
    ExpectFrame(kept, kLarge, 20);
    ExpectFrame(frame, kLarge, 80);
}

} // namespace
