// Response bodies built by the simulator, read back with the device client's own decoders,
// and the renderer behind them.
#include "FrameSynthesizer.h"
#include "HandScene.h"
#include "ResponseDecoders.h"
#include "ResponsePayloads.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <cstring>
#include <stdexcept>

namespace {
using ondrel::sim::FrameSynthesizer;
using ondrel::sim::HandKind;
using ondrel::sim::HandScene;
using ondrel::sim::HostileKind;
using quorvel::SegmentInfo;

constexpr int kWidth = 320;
constexpr int kHeight = 240;

class Payloads : public ::testing::Test {
protected:
    Payloads()
        : synthesizer(kWidth, kHeight)
        , view(HandScene(kWidth, kHeight, std::chrono::milliseconds(0), 1).RestingView(HandKind::Right4))
    {
        view.segments[1].moveX = 1.25f;
        view.segments[2].distance = 191.5f;
        segments = view.segments;
    }

    FrameSynthesizer synthesizer;
    ondrel::sim::HandView view;
    std::vector<SegmentInfo> segments;
};

void ExpectSameSegment(const SegmentInfo& a, const SegmentInfo& b)
{
    EXPECT_EQ(a.posX, b.posX);
    EXPECT_EQ(a.posY, b.posY);
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    EXPECT_EQ(a.distance, b.distance);
    EXPECT_EQ(a.moveX, b.moveX);
    EXPECT_EQ(a.moveY, b.moveY);
    EXPECT_EQ(a.moveZ, b.moveZ);
}

TEST_F(Payloads, FrameBodyDecodesToTheRenderedImageAndItsSegments)
{
    const auto message = ondrel::sim::FrameResponse(7, synthesizer, view, HostileKind::None);
    EXPECT_EQ(message.header.size, message.body.size());
    EXPECT_EQ(message.body.size(), 4 + 20 + std::size_t(kWidth * kHeight) + 1 + 4 + 4 * 38);

    cv::Mat image;
    std::vector<SegmentInfo> decoded;
    uint32_t frameId = 0;
    ASSERT_TRUE(quorvel::DecodeFrame(message.body, image, decoded, frameId));
    EXPECT_EQ(frameId, 7u);
    EXPECT_EQ(cv::norm(image, synthesizer.Render(view), cv::NORM_INF), 0.0);
    ASSERT_EQ(decoded.size(), segments.size());
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        ExpectSameSegment(decoded[i], segments[i]);
    }
}

TEST_F(Payloads, FinalSegmentsDecodeToEveryFieldAsGiven)
{
    const auto finals = ondrel::sim::FinalSegmentsResponse(segments, HostileKind::None);
    EXPECT_EQ(finals.body.size(), 4 + 4 * 32u);
    std::vector<SegmentInfo> decoded;
    ASSERT_TRUE(quorvel::DecodeFinalSegments(finals.body, decoded));
    ASSERT_EQ(decoded.size(), segments.size());
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        ExpectSameSegment(decoded[i], segments[i]);
    }
}
TEST_F(Payloads, HostileImageBlocksCarryAnUnbuildableTypeOrAShortByteCount)
{
    // The type field itself: 4096 sits just above OpenCV's type mask.
    const auto body = ondrel::sim::FinalImageResponse(synthesizer, view, HostileKind::BadImageType).body;
    uint32_t type = 0;
    std::memcpy(&type, body.data() + 8, 4);
    EXPECT_EQ(type, 4096u);
    // A byte count one short, with exactly that many bytes behind it.
    const auto shortBody = ondrel::sim::FinalImageResponse(synthesizer, view, HostileKind::BadByteCount).body;
    uint64_t byteCount = 0;
    std::memcpy(&byteCount, shortBody.data(), 8);
    EXPECT_EQ(byteCount, uint64_t(kWidth * kHeight) - 1);
    EXPECT_EQ(shortBody.size(), 20 + byteCount);
}

TEST(RawImagesPayload, MoreThanOneMessageCanCarryIsRefusedBeforeRendering)
{
    const FrameSynthesizer large(8192, 8192); // 64 MiB per take
    EXPECT_THROW(ondrel::sim::RawImagesResponse(large, {}, 64, HostileKind::None), std::length_error);
}

} // namespace
