// A live frame keeps the body it arrived in, and bodies let go of are read into again.
// These tests make sure that nothing of an earlier frame shows through: not in a later
// frame, not in the body another operation receives, and not in an image still held.
#include "ClientTestSupport.h"
#include "Connection.h"
#include "Device.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <memory>

using namespace ondrel::testsupport;
using quorvel::Device;
using quorvel::SegmentInfo;
using quorvel::tcp::Connection;

namespace {

// Large enough that the connection reads the body into a reused buffer.
constexpr uint32_t kLargeSide = 300;
static_assert(kLargeSide * kLargeSide > Connection::kFirstBodyChunk);

// A live frame body with a square 8-bit image whose pixel i is seed + i (mod 256) and one
// segment whose posX is the frame id.
Bytes FrameBody(uint32_t frameId, uint32_t side, uint8_t seed)
{
    Bytes pixels(static_cast<std::size_t>(side) * side);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<uint8_t>(seed + i);
    }
    return Concat({ U32(frameId), ImageBlock(pixels.size(), 0, side, side, pixels), { 0 }, U32(1),
        SegmentRecord(static_cast<int32_t>(frameId), 2, 3, 4, 190.0f, 0, 0, 0), Bytes(6, 0) });
}

void ExpectFrame(const cv::Mat& image, uint32_t side, uint8_t seed)
{
    ASSERT_EQ(image.rows, static_cast<int>(side));
    ASSERT_EQ(image.cols, static_cast<int>(side));
    ASSERT_TRUE(image.isContinuous());
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < image.total(); ++i) {
        wrong += image.data[i] != static_cast<uint8_t>(seed + i) ? 1 : 0;
    }
    EXPECT_EQ(wrong, 0u) << "pixels that are not the frame's own";
}

class FrameBufferReuse : public ::testing::Test {
protected:
    void Serve(std::vector<Bytes> bodies)
    {
        Script script;
        script.SendConnected();
        for (Bytes& body : bodies) {
            script.Answer(OkResponse(body));
        }
        server.Serve(std::move(script));
        ASSERT_CONNECTED(*device, server);
    }

    ScriptedServer server;
    std::unique_ptr<Device> device = std::make_unique<Device>();
    std::vector<SegmentInfo> segments;
    uint32_t frameId = 0;
};

} // namespace

TEST_F(FrameBufferReuse, FramesOfChangingSizeArriveWhole)
{
    Serve({ FrameBody(1, kLargeSide, 10), FrameBody(2, kLargeSide - 40, 20), FrameBody(3, kLargeSide + 100, 30),
        FrameBody(4, 5, 40) });
    const struct {
        uint32_t side;
        uint8_t seed;
    } expected[] = { { kLargeSide, 10 }, { kLargeSide - 40, 20 }, { kLargeSide + 100, 30 }, { 5, 40 } };
    cv::Mat image;
    for (uint32_t i = 0; i < 4; ++i) {
        ASSERT_EQ(device->GetFrame(image, segments, frameId).code, 0u) << "frame " << i + 1;
        EXPECT_EQ(frameId, i + 1);
        ExpectFrame(image, expected[i].side, expected[i].seed);
        ASSERT_EQ(segments.size(), 1u);
        EXPECT_EQ(segments[0].posX, static_cast<int32_t>(i + 1));
    }
}

TEST_F(FrameBufferReuse, BodyAfterALargerFrameHasExactlyItsOwnBytes)
{
    // The calibration file is the whole body, so any byte left over from the frame before
    // would show up at its end.
    Bytes calibration(Connection::kFirstBodyChunk + 7);
    for (std::size_t i = 0; i < calibration.size(); ++i) {
        calibration[i] = static_cast<uint8_t>(i * 7);
    }
    Serve({ FrameBody(1, kLargeSide + 100, 1), calibration });
    cv::Mat image;
    ASSERT_EQ(device->GetFrame(image, segments, frameId).code, 0u);
    std::vector<uint8_t> received;
    ASSERT_EQ(device->GetCalibrationFile(received).code, 0u);
    EXPECT_EQ(received.size(), calibration.size());
    EXPECT_TRUE(received == calibration);
}

TEST_F(FrameBufferReuse, ImageHandedOutKeepsItsPixelsWhenTheNextFrameArrives)
{
    Serve({ FrameBody(1, kLargeSide, 50), FrameBody(2, kLargeSide, 60) });
    cv::Mat first;
    ASSERT_EQ(device->GetFrame(first, segments, frameId).code, 0u);
    const cv::Mat firstHeader = first; // shares first's pixels
    cv::Mat second;
    ASSERT_EQ(device->GetFrame(second, segments, frameId).code, 0u);
    ExpectFrame(firstHeader, kLargeSide, 50);
    ExpectFrame(second, kLargeSide, 60);
}

TEST_F(FrameBufferReuse, FramesHeldAcrossLaterFramesAndTheDeviceKeepTheirPixels)
{
    std::vector<Bytes> bodies;
    for (uint32_t i = 1; i <= 8; ++i) {
        bodies.push_back(FrameBody(i, kLargeSide, static_cast<uint8_t>(10 * i)));
    }
    Serve(bodies);
    // The live view's pattern: the new frame is fetched into the matrix of the one before
    // the last, while the last is still drawn.
    cv::Mat frame;
    cv::Mat lastFrame;
    cv::Mat kept;
    for (uint32_t i = 1; i <= 8; ++i) {
        std::swap(frame, lastFrame);
        ASSERT_EQ(device->GetFrame(frame, segments, frameId).code, 0u) << "frame " << i;
        ExpectFrame(frame, kLargeSide, static_cast<uint8_t>(10 * i));
        if (i == 2) {
            kept = frame;
        }
    }
    ExpectFrame(lastFrame, kLargeSide, 70);
    device.reset();
    ExpectFrame(kept, kLargeSide, 20);
    ExpectFrame(frame, kLargeSide, 80);
}
