// Bytes without a socket: header, body primitives, queue, and decoders that trust no count.
#include "DeviceBytes.h"
#include "DeviceText.h"
#include "OperationGuard.h"
#include "ResponseDecoders.h"
#include "TreadSafeQueue.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <new>

using namespace ondrel::testsupport;
using namespace quorvel;

namespace {

TEST(MessageWireFormat, HeaderIsIdSizeErrorByteAndZeroPadding)
{
    Message response(MessageType::PLAY_SOUND);
    response.header.error = true;
    response.Append(uint32_t{ 0x01020304 });
    const auto header = tcp::EncodeHeader(response.header);
    EXPECT_EQ(Bytes(header.begin(), header.end()), (Bytes{ 0x92, 0x01, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0 }));

    // Any non-zero byte 8 is an error; the padding is ignored.
    const uint8_t received[12] = { 0x80, 0, 0, 0, 0x23, 0x01, 0, 0, 2, 0xFF, 0xEE, 0xDD };
    EXPECT_EQ(tcp::DecodeHeader(received).id, MessageType::CAPTURE);
    EXPECT_EQ(tcp::DecodeHeader(received).size, 0x123u);
    EXPECT_TRUE(tcp::DecodeHeader(received).error);
    const uint8_t clear[12] = { 5, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1 };
    EXPECT_FALSE(tcp::DecodeHeader(clear).error);
}

TEST(MessageBody, AppendsAreLittleEndianAndKeepSizeInStep)
{
    Message message;
    message.Append(uint32_t{ 3 }).AppendString("");
    message.Append(uint8_t{ 0xAB }).Append(uint64_t{ 0x0807060504030201ull }).Append(int32_t{ -2 });
    EXPECT_EQ(message.body, (Bytes{ 3, 0, 0, 0, 0, 0xAB, 1, 2, 3, 4, 5, 6, 7, 8, 0xFE, 0xFF, 0xFF, 0xFF }));
    EXPECT_EQ(message.header.size, message.body.size());
}

TEST(DeviceText, ControlsAreVisibleTrailingZerosGoneLongTextsCut)
{
    const std::string cut = "\xE2\x80\xA6 (904 bytes cut)";
    const std::pair<Bytes, std::string> cases[] = {
        { Concat({ BytesOf("busy"), { 0 }, BytesOf("more"), { 0, 0 } }), "busy\\x00more" },
        { BytesOf("\x1b[2Jred\r\n\x7f"), "\\x1b[2Jred\\x0d\\x0a\\x7f" },
        { BytesOf("Gr\xC3\xB6\xC3\x9F"
                  "e \xE2\x82\xAC"),
          "Gr\xC3\xB6\xC3\x9F"
          "e \xE2\x82\xAC" },
        // C1 controls, stray continuation bytes, overlong and cut-off sequences.
        { BytesOf("\xC2\x9B"
                  "1m\x80\xC0\xAF\xE2\x82"),
          "\\xc2\\x9b1m\\x80\\xc0\\xaf\\xe2\\x82" },
        { { 0, 0 }, "" },
        { Bytes(5000, 'a'), std::string(4096, 'a') + cut },
        // A cut never splits a character.
        { Concat({ Bytes(4095, 'a'), BytesOf("\xE2\x82\xAC"), Bytes(902, 'b') }), std::string(4095, 'a') + "\xE2\x80\xA6 (905 bytes cut)" },
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(ShowableDeviceText(text.data(), text.size()), shown);
    }
}

// Whatever an operation throws (no memory left above all) comes back as its EXCEPTION result.
TEST(DeviceText, OperationsNeverThrow)
{
    const DeviceError result = Guarded("quorvel::Device::GetCurrentAuthGroup", []() -> DeviceError { throw std::bad_alloc(); });
    EXPECT_EQ(result.code, DeviceError::EXCEPTION);
    EXPECT_EQ(result.message, "quorvel::Device::GetCurrentAuthGroup(): quorvel error - std::bad_alloc");
}

TEST(TreadSafeQueueTest, FrontStaysValidWhileOthersArePushed)
{
    tcp::TreadSafeQueue<Message> queue;
    queue.push_back(Message(MessageType::GET, "first"));
    const Message& front = queue.front();
    for (int i = 0; i < 1000; ++i) {
        queue.push_back(Message(MessageType::SET));
    }
    EXPECT_EQ(front.body, ZeroTerminated("first"));
}

// Response bodies

void ExpectSegment(const SegmentInfo& s, const SegmentInfo& e) { EXPECT_EQ(SegmentRecord(s), SegmentRecord(e)); }

bool SharesMemory(const cv::Mat& image, const Bytes& body) { return image.data >= body.data() && image.data < body.data() + body.size(); }

// Live frame

TEST(FrameDecoding, ThirtyFiveByteFrameIsACopyWithItsSegmentsEvery38Bytes)
{
    const Bytes body = Concat({ U32(7), ImageBlock(6, CV_8UC1, 3, 2, { 1, 2, 3, 4, 5, 6 }), { 0x99 }, U32(0) });
    ASSERT_EQ(body.size(), 35u);
    cv::Mat image;
    std::vector<SegmentInfo> segments(2);
    uint32_t frameId = 0;
    ASSERT_TRUE(DecodeFrame(body, image, segments, frameId));
    EXPECT_EQ(frameId, 7u);
    ASSERT_EQ(image.size(), cv::Size(3, 2));
    EXPECT_EQ(image.type(), CV_8UC1);
    EXPECT_EQ(image.at<uint8_t>(1, 0), 4);
    EXPECT_EQ(image.at<uint8_t>(1, 2), 6);
    EXPECT_FALSE(SharesMemory(image, body));
    EXPECT_TRUE(segments.empty());

    const SegmentInfo second = Segment(9, 10, 11, 12, 13, 14, 15, 16);
    ASSERT_TRUE(DecodeFrame(FrameBody(3, ImageBlock(0, 0, 0, 0, {}), { Segment(1, 2, 3, 4), second }), image, segments, frameId));
    ASSERT_EQ(segments.size(), 2u);
    ExpectSegment(segments[1], second);
}

TEST(FrameDecoding, ShortBodyOrNegativeCountGivesEmptyResults)
{
    cv::Mat image(3, 3, CV_8UC1, cv::Scalar(5));
    std::vector<SegmentInfo> segments(2);
    uint32_t frameId = 1234;
    ASSERT_TRUE(DecodeFrame(Bytes{ 7, 0, 0 }, image, segments, frameId));
    EXPECT_EQ(frameId, 0u);
    EXPECT_TRUE(image.empty());
    EXPECT_TRUE(segments.empty());

    segments.resize(4);
    ASSERT_TRUE(DecodeFrame(Concat({ U32(5), ImageBlock(1, 0, 1, 1, { 0 }), { 0 }, U32(0xFFFFFFFF) }), image, segments, frameId));
    EXPECT_TRUE(segments.empty());
    EXPECT_EQ(frameId, 5u);
}

// Image blocks (checked the same way by every image-carrying response)

// Every decoder refuses a count or an image block that claims more than arrived, and a block
// that does not match its shape or cannot be built.
TEST(ResponseDecoding, RefusesWhatClaimsMoreThanArrivedOrCannotBeBuilt)
{
    enum Decoder { Frame, Final, Raw, Segments };
    const Bytes head = Concat({ U32(1), ImageBlock(1, 0, 1, 1, { 0 }), { 0 } });
    const Bytes oneRecord = SegmentRecord(Segment(1, 2, 3, 4), true);
    const struct {
        const char* what;
        Decoder decoder;
        Bytes body;
    } cases[] = {
        { "two segments counted, one present", Frame, Concat({ head, U32(2), oneRecord }) },
        { "huge segment count", Frame, Concat({ head, U32(0x7FFFFFFF), oneRecord }) },
        { "record without its trailing bytes", Frame, Concat({ head, U32(1), SegmentRecord(Segment(1, 2, 3, 4)) }) },
        // 6 pixel bytes announced and matching 3 x 2, but only 4 arrived.
        { "image block overruns body", Frame, Concat({ U32(1), ImageBlock(6, 0, 3, 2, { 1, 2, 3, 4 }) }) },
        // 2 x 2 8-bit needs 4 bytes; fewer or more are refused even when present.
        { "3 of 4 bytes", Final, ImageBlock(3, CV_8UC1, 2, 2, { 1, 2, 3 }) },
        { "5 of 4 bytes", Final, ImageBlock(5, CV_8UC1, 2, 2, { 1, 2, 3, 4, 5 }) },
        { "0 announced for 2 x 2", Final, ImageBlock(0, CV_8UC1, 2, 2, { 1, 2, 3, 4 }) },
        { "15 of 16 for a 4-channel float", Final, ImageBlock(15, CV_32FC4, 1, 1, Bytes(15, 0)) },
        { "type 0x1000", Final, ImageBlock(1, 0x1000u, 1, 1, { 0 }) },
        { "empty of type 0xFFFFFFFF", Final, ImageBlock(0, 0xFFFFFFFFu, 0, 0, {}) },
        { "empty of type 0x80000000", Final, ImageBlock(0, 0x80000000u, 0, 0, {}) },
        // 2^30 x 2^30 x 32 bytes wraps 64 bits to 0; a 0 byte count must not pass.
        { "product wraps to 0", Final, ImageBlock(0, CV_64FC4, 0x40000000u, 0x40000000u, {}) },
        { "cols beyond int", Final, ImageBlock(0, CV_8UC1, 0xFFFFFFFFu, 1, {}) },
        { "cols and count beyond int", Final, ImageBlock(0xFFFFFFFFull, CV_8UC1, 0xFFFFFFFFu, 1, {}) },
        { "two images counted, one present", Raw, Concat({ U32(2), ImageBlock(1, 0, 1, 1, { 1 }) }) },
        { "huge image count", Raw, U32(0x7FFFFFFF) },
        // Enough bytes for two headers, but the first block's pixels eat into the second.
        { "second header eaten", Raw, Concat({ U32(2), ImageBlock(20, 0, 5, 4, Bytes(20, 0)) }) },
        { "bad block in the middle", Raw,
          Concat({ U32(3), ImageBlock(1, 0, 1, 1, { 1 }), ImageBlock(3, 0, 2, 2, { 1, 2, 3 }), ImageBlock(1, 0, 1, 1, { 1 }) }) },
        { "two records counted, one present", Segments, Concat({ U32(2), SegmentRecord(Segment(1, 2, 3, 4)) }) },
        { "31 of 32 record bytes", Segments, Concat({ U32(1), Bytes(31, 0) }) },
        { "huge record count", Segments, U32(0x7FFFFFFF) },
    };
    for (const auto& c : cases) {
        cv::Mat image;
        std::vector<cv::Mat> images;
        std::vector<SegmentInfo> segments;
        uint32_t frameId = 0;
        EXPECT_FALSE(c.decoder == Frame       ? DecodeFrame(c.body, image, segments, frameId)
                         : c.decoder == Final ? DecodeFinalImage(c.body, image)
                         : c.decoder == Raw   ? DecodeRawImages(c.body, images)
                                              : DecodeFinalSegments(c.body, segments))
            << c.what;
    }
}

TEST(ImageBlockDecoding, ElementSizeFollowsTheTypeAndTwentyZeroBytesReleaseTheImage)
{
    cv::Mat image;
    const Bytes colour = ImageBlock(6, CV_8UC3, 2, 1, { 1, 2, 3, 4, 5, 6 });
    ASSERT_TRUE(DecodeFinalImage(colour, image));
    EXPECT_EQ(image.type(), CV_8UC3);
    EXPECT_EQ(image.at<cv::Vec3b>(0, 1)[2], 6);
    EXPECT_FALSE(SharesMemory(image, colour));
    ASSERT_TRUE(DecodeFinalImage(ImageBlock(4, CV_16UC1, 1, 2, { 0x34, 0x12, 0xFF, 0x00 }), image));
    EXPECT_EQ(image.at<uint16_t>(0, 0), 0x1234);
    EXPECT_EQ(image.at<uint16_t>(1, 0), 0x00FF);
    EXPECT_TRUE(DecodeFinalImage(ImageBlock(16, CV_32FC4, 1, 1, Bytes(16, 0)), image));
    ASSERT_TRUE(DecodeFinalImage(Bytes(20, 0), image));
    EXPECT_TRUE(image.empty());
}

// Raw images

TEST(RawImagesDecoding, ImagesAreIndependentCopiesAndEmptyBlocksEmptyMatrices)
{
    const Bytes body = Concat({ U32(3), ImageBlock(1, 0, 1, 1, { 0x11 }), ImageBlock(1, 0, 1, 1, { 0x22 }), Bytes(20, 0) });
    std::vector<cv::Mat> images;
    ASSERT_TRUE(DecodeRawImages(body, images));
    ASSERT_EQ(images.size(), 3u);
    EXPECT_FALSE(SharesMemory(images[0], body));
    EXPECT_FALSE(SharesMemory(images[1], body));
    EXPECT_EQ(images[1].at<uint8_t>(0, 0), 0x22);
    images[0].at<uint8_t>(0, 0) = 0;
    EXPECT_EQ(images[1].at<uint8_t>(0, 0), 0x22);
    EXPECT_TRUE(images[2].empty());
}

// Final segments

TEST(FinalSegmentsDecoding, RecordsFollowEachOtherEvery32Bytes)
{
    const SegmentInfo first = Segment(1, 2, 3, 4, 5.5f, 6, 7, 8);
    const SegmentInfo second = Segment(-10, 20, 300, 4000, 0.5f, -0.25f, 1e6f, -3);
    std::vector<SegmentInfo> segments(7);
    ASSERT_TRUE(DecodeFinalSegments(Concat({ U32(2), SegmentRecord(first), SegmentRecord(second) }), segments));
    ASSERT_EQ(segments.size(), 2u);
    ExpectSegment(segments[0], first);
    ExpectSegment(segments[1], second);
}

// A short body or a count of zero or less gives no entries, whatever the list held.
TEST(ListDecoding, ShortBodyOrZeroOrNegativeCountEmptiesTheList)
{
    for (const Bytes& body : { Bytes{}, Bytes{ 2, 0, 0 }, U32(0), U32(0x80000000), U32(0xFFFFFFFF) }) {
        std::vector<cv::Mat> images(2, cv::Mat(1, 1, CV_8UC1));
        std::vector<SegmentInfo> segments(3);
        ASSERT_TRUE(DecodeRawImages(body, images));
        ASSERT_TRUE(DecodeFinalSegments(body, segments));
        EXPECT_TRUE(images.empty() && segments.empty());
    }
}

} // namespace
