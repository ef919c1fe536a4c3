// Decoding of response bodies without a socket. The device is not trusted: every count,
// byte count and element type must be checked against the bytes that really arrived.
#include "ClientTestSupport.h"
#include "ResponseDecoders.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <limits>

using namespace ondrel::testsupport;
using quorvel::DecodeFinalImage;
using quorvel::DecodeFinalSegments;
using quorvel::DecodeFrame;
using quorvel::DecodeRawImages;
using quorvel::SegmentInfo;

namespace {

void ExpectSegment(const SegmentInfo& s, int32_t x, int32_t y, int32_t w, int32_t h, float d, float mx, float my,
    float mz)
{
    EXPECT_EQ(s.posX, x);
    EXPECT_EQ(s.posY, y);
    EXPECT_EQ(s.width, w);
    EXPECT_EQ(s.height, h);
    EXPECT_EQ(s.distance, d);
    EXPECT_EQ(s.moveX, mx);
    EXPECT_EQ(s.moveY, my);
    EXPECT_EQ(s.moveZ, mz);
}

bool SharesMemory(const cv::Mat& image, const Bytes& body)
{
    const auto* begin = body.data();
    const auto* end = body.data() + body.size();
    return image.data >= begin && image.data < end;
}

// ---------------------------------------------------------------------------------------
// Live frame

TEST(FrameDecoding, ThirtyFiveByteFrame)
{
    const Bytes body = Concat({ U32(7), ImageBlock(6, 0, 3, 2, { 1, 2, 3, 4, 5, 6 }), { 0x99 }, U32(0) });
    ASSERT_EQ(body.size(), 35u);
    cv::Mat image;
    std::vector<SegmentInfo> segments(2);
    uint32_t frameId = 0;
    ASSERT_TRUE(DecodeFrame(body, image, segments, frameId));
    EXPECT_EQ(frameId, 7u);
    ASSERT_EQ(image.rows, 2);
    ASSERT_EQ(image.cols, 3);
    EXPECT_EQ(image.type(), CV_8UC1);
    EXPECT_EQ(image.at<uint8_t>(0, 0), 1);
    EXPECT_EQ(image.at<uint8_t>(1, 0), 4);
    EXPECT_EQ(image.at<uint8_t>(1, 2), 6);
    EXPECT_FALSE(SharesMemory(image, body));
    EXPECT_TRUE(segments.empty());
}

TEST(FrameDecoding, SegmentsFollowOneAnotherEvery38Bytes)
{
    const Bytes body = Concat({ U32(3), ImageBlock(0, 0, 0, 0, {}), { 0 }, U32(2),
        SegmentRecord(1, 2, 3, 4, 5, 6, 7, 8), Bytes(6, 0xEE), SegmentRecord(9, 10, 11, 12, 13, 14, 15, 16),
        Bytes(6, 0xEE) });
    cv::Mat image;
    std::vector<SegmentInfo> segments;
    uint32_t frameId = 0;
    ASSERT_TRUE(DecodeFrame(body, image, segments, frameId));
    ASSERT_EQ(segments.size(), 2u);
    ExpectSegment(segments[1], 9, 10, 11, 12, 13, 14, 15, 16);
}

TEST(FrameDecoding, NegativeSegmentCountGivesNoSegments)
{
    const Bytes body = Concat({ U32(5), ImageBlock(1, 0, 1, 1, { 0 }), { 0 }, U32(0xFFFFFFFF) });
    cv::Mat image;
    std::vector<SegmentInfo> segments(4);
    uint32_t frameId = 0;
    ASSERT_TRUE(DecodeFrame(body, image, segments, frameId));
    EXPECT_TRUE(segments.empty());
    EXPECT_EQ(frameId, 5u);
}

TEST(FrameDecoding, BodyShorterThanFourBytesGivesEmptyResults)
{
    const Bytes body { 7, 0, 0 };
    cv::Mat image(3, 3, CV_8UC1, cv::Scalar(5));
    std::vector<SegmentInfo> segments(2);
    uint32_t frameId = 1234;
    ASSERT_TRUE(DecodeFrame(body, image, segments, frameId));
    EXPECT_EQ(frameId, 0u);
    EXPECT_TRUE(image.empty());
    EXPECT_TRUE(segments.empty());
}

TEST(FrameDecoding, BodyThatClaimsMoreThanArrivedFails)
{
    const Bytes head = Concat({ U32(1), ImageBlock(1, 0, 1, 1, { 0 }), { 0 } });
    const Bytes oneRecord = Concat({ SegmentRecord(1, 2, 3, 4, 5, 6, 7, 8), Bytes(6, 0) });
    const struct {
        const char* what;
        Bytes body;
    } cases[] = {
        { "two segments counted, one present", Concat({ head, U32(2), oneRecord }) },
        { "huge segment count", Concat({ head, U32(0x7FFFFFFF), oneRecord }) },
        { "record without its trailing bytes", Concat({ head, U32(1), SegmentRecord(1, 2, 3, 4, 5, 6, 7, 8) }) },
        // 6 pixel bytes announced and matching 3 x 2, but only 4 arrived.
        { "image block overruns body", Concat({ U32(1), ImageBlock(6, 0, 3, 2, { 1, 2, 3, 4 }) }) },
    };
    for (const auto& c : cases) {
        cv::Mat image;
        std::vector<SegmentInfo> segments;
        uint32_t frameId = 0;
        EXPECT_FALSE(DecodeFrame(c.body, image, segments, frameId)) << c.what;
    }
}

// ---------------------------------------------------------------------------------------
// Image blocks (checked the same way by every image-carrying response)

TEST(ImageBlockDecoding, ByteCountMustMatchRowsColsAndElementSize)
{
    cv::Mat image;
    // 2 x 2 8-bit needs 4 bytes; fewer or more are refused even when present.
    EXPECT_FALSE(DecodeFinalImage(ImageBlock(3, CV_8UC1, 2, 2, { 1, 2, 3 }), image));
    EXPECT_FALSE(DecodeFinalImage(ImageBlock(5, CV_8UC1, 2, 2, { 1, 2, 3, 4, 5 }), image));
    // Bytes present but zero announced for a non-empty image.
    EXPECT_FALSE(DecodeFinalImage(ImageBlock(0, CV_8UC1, 2, 2, { 1, 2, 3, 4 }), image));
    EXPECT_TRUE(image.empty());
}

TEST(ImageBlockDecoding, ElementSizeFollowsTheType)
{
    cv::Mat image;
    // 1 x 2 of 8-bit three channels: 6 bytes.
    ASSERT_TRUE(DecodeFinalImage(ImageBlock(6, CV_8UC3, 2, 1, { 1, 2, 3, 4, 5, 6 }), image));
    EXPECT_EQ(image.type(), CV_8UC3);
    EXPECT_EQ(image.at<cv::Vec3b>(0, 1)[2], 6);
    // 2 x 1 of 16-bit: 4 bytes, little-endian samples.
    ASSERT_TRUE(DecodeFinalImage(ImageBlock(4, CV_16UC1, 1, 2, { 0x34, 0x12, 0xFF, 0x00 }), image));
    EXPECT_EQ(image.at<uint16_t>(0, 0), 0x1234);
    EXPECT_EQ(image.at<uint16_t>(1, 0), 0x00FF);
    // 1 x 1 of 32-bit float with 4 channels: 16 bytes; 15 is not enough.
    EXPECT_FALSE(DecodeFinalImage(ImageBlock(15, CV_32FC4, 1, 1, Bytes(15, 0)), image));
    EXPECT_TRUE(DecodeFinalImage(ImageBlock(16, CV_32FC4, 1, 1, Bytes(16, 0)), image));
}

TEST(ImageBlockDecoding, UnbuildableElementTypeFails)
{
    for (uint32_t type : { 0x1000u, 0xFFFFFFFFu, 0x80000000u }) {
        cv::Mat image;
        EXPECT_FALSE(DecodeFinalImage(ImageBlock(1, type, 1, 1, { 0 }), image)) << type;
        EXPECT_FALSE(DecodeFinalImage(ImageBlock(0, type, 0, 0, {}), image)) << type;
    }
}

TEST(ImageBlockDecoding, DimensionsWhoseProductOverflowsFail)
{
    cv::Mat image;
    // 2^30 x 2^30 x 32 bytes wraps 64 bits to 0; a 0 byte count must not pass.
    EXPECT_FALSE(DecodeFinalImage(ImageBlock(0, CV_64FC4, 0x40000000u, 0x40000000u, {}), image));
    EXPECT_FALSE(DecodeFinalImage(ImageBlock(0, CV_8UC1, 0xFFFFFFFFu, 1, {}), image));
    EXPECT_FALSE(DecodeFinalImage(ImageBlock(0xFFFFFFFFull, CV_8UC1, 0xFFFFFFFFu, 1, {}), image));
}

TEST(ImageBlockDecoding, FinalImageIsACopyOfTheBodyAndTwentyZeroBytesReleaseIt)
{
    const Bytes body = ImageBlock(2, CV_8UC1, 2, 1, { 40, 41 });
    cv::Mat image;
    ASSERT_TRUE(DecodeFinalImage(body, image));
    EXPECT_FALSE(SharesMemory(image, body));
    EXPECT_EQ(image.at<uint8_t>(0, 1), 41);
    ASSERT_TRUE(DecodeFinalImage(Bytes(20, 0), image));
    EXPECT_TRUE(image.empty());
}

// ---------------------------------------------------------------------------------------
// Raw images

TEST(RawImagesDecoding, TwoOnePixelImagesAreIndependent)
{
    const Bytes body = Concat({ U32(2), ImageBlock(1, 0, 1, 1, { 0x11 }), ImageBlock(1, 0, 1, 1, { 0x22 }) });
    ASSERT_EQ(body.size(), 4u + 2 * 21u);
    std::vector<cv::Mat> images;
    ASSERT_TRUE(DecodeRawImages(body, images));
    ASSERT_EQ(images.size(), 2u);
    EXPECT_NE(images[0].data, images[1].data);
    EXPECT_FALSE(SharesMemory(images[0], body));
    EXPECT_FALSE(SharesMemory(images[1], body));
    EXPECT_EQ(images[0].at<uint8_t>(0, 0), 0x11);
    EXPECT_EQ(images[1].at<uint8_t>(0, 0), 0x22);
    images[0].at<uint8_t>(0, 0) = 0;
    EXPECT_EQ(images[1].at<uint8_t>(0, 0), 0x22);
}

TEST(RawImagesDecoding, ZeroOrNegativeCountEmptiesTheList)
{
    for (const Bytes& body : { U32(0), U32(0xFFFFFFFF), Bytes {}, Bytes { 1, 0 } }) {
        std::vector<cv::Mat> images(2, cv::Mat(1, 1, CV_8UC1));
        ASSERT_TRUE(DecodeRawImages(body, images));
        EXPECT_TRUE(images.empty());
    }
}

TEST(RawImagesDecoding, CountBeyondBodyOrABadBlockFails)
{
    std::vector<cv::Mat> images;
    EXPECT_FALSE(DecodeRawImages(Concat({ U32(2), ImageBlock(1, 0, 1, 1, { 1 }) }), images));
    EXPECT_FALSE(DecodeRawImages(U32(0x7FFFFFFF), images));
    // Enough bytes for two headers, but the first block's pixels eat into the second.
    EXPECT_FALSE(DecodeRawImages(Concat({ U32(2), ImageBlock(20, 0, 5, 4, Bytes(20, 0)) }), images));
    // A bad block in the middle.
    EXPECT_FALSE(DecodeRawImages(Concat({ U32(3), ImageBlock(1, 0, 1, 1, { 1 }), ImageBlock(3, 0, 2, 2, { 1, 2, 3 }),
                                     ImageBlock(1, 0, 1, 1, { 1 }) }),
        images));
}

TEST(RawImagesDecoding, EmptyBlocksGiveEmptyMatrices)
{
    const Bytes body = Concat({ U32(2), Bytes(20, 0), ImageBlock(2, 0, 1, 2, { 5, 6 }) });
    std::vector<cv::Mat> images;
    ASSERT_TRUE(DecodeRawImages(body, images));
    ASSERT_EQ(images.size(), 2u);
    EXPECT_TRUE(images[0].empty());
    EXPECT_EQ(images[1].rows, 2);
}

// ---------------------------------------------------------------------------------------
// Final segments

TEST(FinalSegmentsDecoding, RecordsFollowEachOtherEvery32Bytes)
{
    const Bytes body = Concat({ U32(2), SegmentRecord(1, 2, 3, 4, 5.5f, 6, 7, 8),
        SegmentRecord(-10, 20, 300, 4000, 0.5f, -0.25f, 1e6f, -3) });
    std::vector<SegmentInfo> segments(7);
    ASSERT_TRUE(DecodeFinalSegments(body, segments));
    ASSERT_EQ(segments.size(), 2u);
    ExpectSegment(segments[0], 1, 2, 3, 4, 5.5f, 6, 7, 8);
    ExpectSegment(segments[1], -10, 20, 300, 4000, 0.5f, -0.25f, 1e6f, -3);
}

TEST(FinalSegmentsDecoding, TwoCountedWithOnePresentFails)
{
    const Bytes body = Concat({ U32(2), SegmentRecord(1, 2, 3, 4, 5, 6, 7, 8) });
    std::vector<SegmentInfo> segments;
    EXPECT_FALSE(DecodeFinalSegments(body, segments));
    EXPECT_FALSE(DecodeFinalSegments(Concat({ U32(1), Bytes(31, 0) }), segments));
    EXPECT_FALSE(DecodeFinalSegments(U32(0x7FFFFFFF), segments));
}

TEST(FinalSegmentsDecoding, ShortOrEmptyBodyGivesNoSegments)
{
    for (const Bytes& body : { Bytes {}, Bytes { 2, 0, 0 }, U32(0), U32(0x80000000) }) {
        std::vector<SegmentInfo> segments(3);
        ASSERT_TRUE(DecodeFinalSegments(body, segments));
        EXPECT_TRUE(segments.empty());
    }
}

} // namespace
