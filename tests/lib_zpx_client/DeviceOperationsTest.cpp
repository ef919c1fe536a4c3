// Capture control, live frames and capture results through a Device: the exact requests on
// the wire, the decoded results, and the text of every kind of failure.
#include "ClientTestSupport.h"
#include "Device.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>

using namespace ondrel::testsupport;
using quorvel::Device;
using quorvel::DeviceError;
using quorvel::SegmentInfo;
using quorvel::tcp::Message;
using quorvel::tcp::MessageType;

namespace {

// A server that answers one request with `response`, and a Device connected to it.
class OneExchange : public ::testing::Test {
protected:
    void Answer(const Message& response)
    {
        server.Serve(Script().SendConnected().Answer(response));
        ASSERT_CONNECTED(device, server);
    }

    // The only request the Device sent, once it has closed the link (so nothing can follow).
    Message OnlyRequest()
    {
        device.Disconnect();
        EXPECT_TRUE(server.WaitPeerClosed());
        EXPECT_TRUE(server.Failures().empty());
        std::size_t leftover = 0;
        const auto requests = ParseMessages(server.Received(), &leftover);
        EXPECT_EQ(requests.size(), 1u);
        EXPECT_EQ(leftover, 0u);
        return requests.empty() ? Message() : requests.front();
    }

    ScriptedServer server;
    Device device;
};

void ExpectRequest(const Message& request, MessageType id, const Bytes& body)
{
    EXPECT_EQ(request.header.id, id);
    EXPECT_FALSE(request.header.error);
    EXPECT_EQ(request.header.size, body.size());
    EXPECT_EQ(request.body, body);
}

void ExpectOk(const DeviceError& result)
{
    EXPECT_EQ(result.code, 0u) << result.message;
    EXPECT_EQ(result.message, "-");
}

// A device text that holds a zero byte in the middle and one at its end.
const Bytes kDeviceText = Concat({ BytesOf("busy"), { 0 }, BytesOf("more"), { 0 } });

// ---------------------------------------------------------------------------------------
// Capture control

using CaptureControl = OneExchange;

TEST_F(CaptureControl, StartSendsBareRequest)
{
    Answer(OkResponse(BytesOf("ignored")));
    ExpectOk(device.Start());
    ExpectRequest(OnlyRequest(), MessageType::START_CAPTURE_MODE, {});
}

TEST_F(CaptureControl, PlaySoundSendsSoundIdAsFourBytes)
{
    Answer(OkResponse());
    ExpectOk(device.PlaySound(2));
    const Message request = OnlyRequest();
    ExpectRequest(request, MessageType::PLAY_SOUND, { 2, 0, 0, 0 });
    EXPECT_EQ(WireBytes(request), (Bytes { 0x92, 0x01, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0 }));
}

TEST_F(CaptureControl, StartErrorShowsEveryBodyByteWithoutTrailingZero)
{
    Answer(ErrorResponse(kDeviceText));
    const DeviceError result = device.Start();
    EXPECT_EQ(result.code, 5u);
    EXPECT_EQ(result.message, "quorvel::Device::Startbusy\\x00more");
}

// ---------------------------------------------------------------------------------------
// Live frames

using LiveFrame = OneExchange;

TEST_F(LiveFrame, FrameResponseFillsAllOutputs)
{
    const Bytes body = Concat({ U32(42), ImageBlock(6, 0, 3, 2, { 1, 2, 3, 4, 5, 6 }), { 0xEE }, U32(1),
        SegmentRecord(10, 20, 30, 40, 95.5f, 1.0f, -2.0f, 0.25f), Bytes(6, 0xAB) });
    Answer(OkResponse(body));
    cv::Mat image;
    std::vector<SegmentInfo> segments;
    uint32_t frameId = 0;
    ExpectOk(device.GetFrame(image, segments, frameId));
    ExpectRequest(OnlyRequest(), MessageType::CAPTURE, {});

    EXPECT_EQ(frameId, 42u);
    ASSERT_EQ(image.rows, 2);
    ASSERT_EQ(image.cols, 3);
    EXPECT_EQ(image.type(), CV_8UC1);
    EXPECT_EQ(image.at<uint8_t>(1, 2), 6);
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].height, 40);
    EXPECT_EQ(segments[0].moveZ, 0.25f);
}

TEST_F(LiveFrame, ErrorIsTheFirstDeviceTextAlone)
{
    Answer(ErrorResponse(kDeviceText));
    cv::Mat image;
    std::vector<SegmentInfo> segments;
    uint32_t frameId = 99;
    const DeviceError result = device.GetFrame(image, segments, frameId);
    EXPECT_EQ(result.code, 5u);
    EXPECT_EQ(result.message, "busy");
    EXPECT_EQ(frameId, 99u);
}

// ---------------------------------------------------------------------------------------
// Capture results

using CaptureResults = OneExchange;

TEST_F(CaptureResults, RawImagesRequestForFrameSevenIsFifteenBytes)
{
    Answer(OkResponse(U32(0)));
    std::vector<cv::Mat> images(3, cv::Mat(2, 2, CV_8UC1));
    ExpectOk(device.GetRawImages(images, 7));
    EXPECT_TRUE(images.empty());
    const Message request = OnlyRequest();
    ExpectRequest(request, MessageType::GET, Concat({ BytesOf("raw_images"), { 0, 7, 0, 0, 0 } }));
    EXPECT_EQ(request.header.size, 15u);
}

TEST_F(CaptureResults, FinalImageRequestIsFrameIdAlone)
{
    Answer(OkResponse(ImageBlock(4, 0, 2, 2, { 1, 2, 3, 4 })));
    cv::Mat image;
    ExpectOk(device.GetFinalImage(image, 0x01020304));
    ExpectRequest(OnlyRequest(), MessageType::GET_FINAL_FRAME, { 4, 3, 2, 1 });
    ASSERT_EQ(image.total(), 4u);
    EXPECT_EQ(image.at<uint8_t>(1, 0), 3);
}

TEST_F(CaptureResults, FinalSegmentsRequestAndRecords)
{
    Answer(OkResponse(Concat({ U32(2), SegmentRecord(1, 2, 3, 4, 5.0f, 6.0f, 7.0f, 8.0f),
        SegmentRecord(-1, -2, 30, 40, 50.5f, 0.0f, 0.0f, -1.0f) })));
    std::vector<SegmentInfo> segments(5);
    ExpectOk(device.GetFinalSegmentInfos(segments, 9));
    ExpectRequest(OnlyRequest(), MessageType::GET, Concat({ ZeroTerminated("final_segments"), U32(9) }));
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[0].posX, 1);
    EXPECT_EQ(segments[0].moveZ, 8.0f);
    EXPECT_EQ(segments[1].posY, -2);
    EXPECT_EQ(segments[1].distance, 50.5f);
}

TEST_F(CaptureResults, CalibrationFileIsTheWholeBody)
{
    const Bytes content = Concat({ BytesOf("calib v1"), { 0, 0xFF, 0x0D, 0x0A } });
    Answer(OkResponse(content));
    std::vector<uint8_t> data { 9, 9 };
    ExpectOk(device.GetCalibrationFile(data));
    EXPECT_EQ(data, content);
    ExpectRequest(OnlyRequest(), MessageType::GET, ZeroTerminated("calib_file"));
}

TEST_F(CaptureResults, EmptyCalibrationFileEmptiesOutput)
{
    Answer(OkResponse());
    std::vector<uint8_t> data { 1, 2, 3 };
    ExpectOk(device.GetCalibrationFile(data));
    EXPECT_TRUE(data.empty());
}

TEST(CaptureResultErrors, QualifiedNameIsFollowedByFirstDeviceText)
{
    const Message refusal = ErrorResponse(kDeviceText);
    ScriptedServer server;
    server.Serve(Script().SendConnected().Answer(refusal).Answer(refusal).Answer(refusal).Answer(refusal));
    Device device;
    ASSERT_CONNECTED(device, server);

    std::vector<cv::Mat> images { cv::Mat(1, 1, CV_8UC1) };
    DeviceError result = device.GetRawImages(images, 1);
    EXPECT_EQ(result.code, 5u);
    EXPECT_EQ(result.message, "quorvel::Device::GetRawImagesbusy");
    EXPECT_EQ(images.size(), 1u); // outputs are not touched

    cv::Mat image(1, 1, CV_8UC1);
    result = device.GetFinalImage(image, 1);
    EXPECT_EQ(result.message, "quorvel::Device::GetFinalImagebusy");
    EXPECT_FALSE(image.empty());

    std::vector<SegmentInfo> segments(1);
    result = device.GetFinalSegmentInfos(segments, 1);
    EXPECT_EQ(result.message, "quorvel::Device::GetFinalSegmentInfosbusy");
    EXPECT_EQ(segments.size(), 1u);

    std::vector<uint8_t> data { 7 };
    result = device.GetCalibrationFile(data);
    EXPECT_EQ(result.code, 5u);
    EXPECT_EQ(result.message, "quorvel::Device::GetCalibrationFilebusy");
    EXPECT_EQ(data, (std::vector<uint8_t> { 7 }));
}

} // namespace
