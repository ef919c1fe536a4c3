// Every request-response operation of a Device as one table: the exact request on the wire,
// the text of a refusal, what a link lost mid-body leaves, and the decoded results.
#include "Device.h"
#include "DeviceBytes.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <functional>

using namespace ondrel::testsupport;
using quorvel::Device;
using quorvel::DeviceError;
using quorvel::SegmentInfo;
using quorvel::tcp::Message;
using quorvel::tcp::MessageType;

namespace {

// How an operation words a failure: the device's text is every body byte, the body's first
// text, or that text alone behind no name; or the operation has a fixed text.
enum class Wording { NameAndBody, NameAndString, StringOnly, Fixed };

struct Operation {
    std::string name;
    Wording wording;
    Bytes request; // as it goes on the wire
    // Runs the operation with outputs preset to marks; `kept` tells whether they still hold them.
    std::function<DeviceError(Device&, bool& kept)> run;

    std::string Text(const std::string& deviceText, const std::string& firstText) const
    {
        switch (wording) {
        case Wording::NameAndBody: return "quorvel::Device::" + name + deviceText;
        case Wording::NameAndString: return "quorvel::Device::" + name + firstText;
        case Wording::StringOnly: return firstText;
        case Wording::Fixed: return "Authentification as USER failed.";
        }
        return {};
    }
};

Bytes Request(MessageType id, const Bytes& body = {})
{
    return WireBytes(MakeMessage(id, body));
}

std::vector<Operation> AllOperations(const std::string& firmware)
{
    const cv::Mat mark(1, 1, CV_8UC1, cv::Scalar(7));
    return {
        { "Start", Wording::NameAndBody, Request(MessageType::START_CAPTURE_MODE),
            [](Device& d, bool&) { return d.Start(); } },
        { "Stop", Wording::NameAndBody, Request(MessageType::STOP_CAPTURE_MODE),
            [](Device& d, bool&) { return d.Stop(); } },
        { "PlaySound", Wording::NameAndBody,
            { 0x92, 0x01, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0 }, [](Device& d, bool&) { return d.PlaySound(2); } },
        { "GetFrame", Wording::StringOnly, Request(MessageType::CAPTURE),
            [](Device& d, bool& kept) {
                cv::Mat image;
                std::vector<SegmentInfo> segments(1);
                uint32_t frameId = 99;
                const DeviceError r = d.GetFrame(image, segments, frameId);
                kept = frameId == 99 && segments.size() == 1;
                return r;
            } },
        { "GetFinalImage", Wording::NameAndString, Request(MessageType::GET_FINAL_FRAME, { 4, 3, 2, 1 }),
            [mark](Device& d, bool& kept) {
                cv::Mat image = mark.clone();
                const DeviceError r = d.GetFinalImage(image, 0x01020304);
                kept = image.total() == 1;
                return r;
            } },
        { "GetRawImages", Wording::NameAndString,
            Request(MessageType::GET, Concat({ BytesOf("raw_images"), { 0, 7, 0, 0, 0 } })), // 15 bytes
            [mark](Device& d, bool& kept) {
                std::vector<cv::Mat> images { mark };
                const DeviceError r = d.GetRawImages(images, 7);
                kept = images.size() == 1;
                return r;
            } },
        { "GetFinalSegmentInfos", Wording::NameAndString,
            Request(MessageType::GET, Concat({ ZeroTerminated("final_segments"), U32(9) })),
            [](Device& d, bool& kept) {
                std::vector<SegmentInfo> segments(1);
                const DeviceError r = d.GetFinalSegmentInfos(segments, 9);
                kept = segments.size() == 1;
                return r;
            } },
        { "GetCalibrationFile", Wording::NameAndString, Request(MessageType::GET, ZeroTerminated("calib_file")),
            [](Device& d, bool& kept) {
                std::vector<uint8_t> data { 7 };
                const DeviceError r = d.GetCalibrationFile(data);
                kept = data == Bytes { 7 };
                return r;
            } },
        { "RequestValidation", Wording::NameAndBody, Request(MessageType::AUTH_REQUEST),
            [](Device& d, bool& kept) {
                std::string challenge = "mark";
                const DeviceError r = d.RequestValidation(challenge);
                kept = challenge == "mark";
                return r;
            } },
        { "SendAuthResponse", Wording::Fixed, Request(MessageType::AUTH_RESPONSE, Concat({ ZeroTerminated("USER"), { 0x30, 0x45 } })),
            [](Device& d, bool&) { return d.SendAuthResponse("USER", { 0x30, 0x45 }); } },
        { "GetCurrentAuthGroup", Wording::NameAndBody, Request(MessageType::GET, ZeroTerminated("auth_group")),
            [](Device& d, bool& kept) {
                std::string level = "mark";
                const DeviceError r = d.GetCurrentAuthGroup(level);
                kept = level == "mark";
                return r;
            } },
        { "UploadFirmware", Wording::NameAndString, Request(MessageType::UPDATE_FIRMWARE, BytesOf("FWIMG")),
            [firmware](Device& d, bool&) { return d.UploadFirmware(firmware); } },
    };
}

class DeviceOperations : public ::testing::Test {
protected:
    TempDir dir;
    std::vector<Operation> operations = AllOperations(dir.Write("device.zpxfw", BytesOf("FWIMG")));
};

TEST_F(DeviceOperations, EachSendsItsExactRequestAndTakesAnEmptyAnswer)
{
    Script script;
    script.SendConnected();
    Bytes expected;
    for (const Operation& op : operations) {
        script.Answer(OkResponse());
        expected = Concat({ expected, op.request });
    }
    ScriptedServer server;
    server.Serve(script);
    Device device;
    ASSERT_CONNECTED(device, server);
    for (const Operation& op : operations) {
        bool kept = true;
        const DeviceError result = op.run(device, kept);
        EXPECT_EQ(result.code, DeviceError::OK) << op.name << ": " << result.message;
        EXPECT_EQ(result.message, "-") << op.name;
    }
    device.Disconnect();
    ASSERT_TRUE(server.WaitPeerClosed());
    EXPECT_EQ(server.Received(), expected);
}

TEST_F(DeviceOperations, RefusalGivesEachItsTextKeepsTheOutputsAndTheLink)
{
    // A device text with a zero byte in the middle and one at its end.
    const Bytes refusal = Concat({ BytesOf("busy"), { 0 }, BytesOf("more"), { 0 } });
    Script script;
    script.SendConnected();
    for (std::size_t i = 0; i < operations.size(); ++i) {
        script.Answer(ErrorResponse(refusal));
    }
    ScriptedServer server;
    server.Serve(script);
    Device device;
    ASSERT_CONNECTED(device, server);
    for (const Operation& op : operations) {
        bool kept = true;
        const DeviceError result = op.run(device, kept);
        EXPECT_EQ(result.code, DeviceError::RESPONSE_ERROR) << op.name;
        EXPECT_EQ(result.message, op.Text(TextOf(refusal), "busy")) << op.name;
        EXPECT_TRUE(kept) << op.name << " touched its outputs";
        EXPECT_TRUE(device.IsConnected()) << op.name;
    }
}

TEST_F(DeviceOperations, CloseInTheMiddleOfABodyLosesTheLinkForGood)
{
    for (const Operation& op : operations) {
        SCOPED_TRACE(op.name);
        ScriptedServer server;
        server.Serve(Script().SendConnected().ReadMessage().CloseMidBody(MessageType::GET, 1000, Bytes(400, 0x5A)));
        Device device;
        ASSERT_CONNECTED(device, server);
        bool kept = true;
        const DeviceError result = op.run(device, kept);
        EXPECT_EQ(result.code, DeviceError::RESPONSE_ERROR);
        EXPECT_EQ(result.message, op.Text("(): quorvel error - connection not established",
                                      "(): quorvel error - connection not established"));
        EXPECT_FALSE(device.IsConnected());
        // The next call fails at Send, before any wait.
        const DeviceError next = op.run(device, kept);
        EXPECT_EQ(next.code, DeviceError::CONNECTION_ERROR);
        EXPECT_EQ(next.message, "quorvel::Device::Send(): quorvel error - socket not open");
    }
}

TEST(DeviceResults, AnswersAreDecodedIntoTheOutputs)
{
    const Bytes calibration = Concat({ BytesOf("calib v1"), { 0, 0xFF, 0x0D, 0x0A } });
    ScriptedServer server;
    server.Serve(Script()
                     .SendConnected()
                     .Answer(OkResponse(FrameBody(42, ImageBlock(6, CV_8UC1, 3, 2, { 1, 2, 3, 4, 5, 6 }),
                         { Segment(10, 20, 30, 40, 95.5f, 1.0f, -2.0f, 0.25f) })))
                     .Answer(OkResponse(ImageBlock(4, CV_8UC1, 2, 2, { 1, 2, 3, 4 })))
                     .Answer(OkResponse(Concat({ U32(2), SegmentRecord(Segment(1, 2, 3, 4, 5.0f, 6.0f, 7.0f, 8.0f)),
                         SegmentRecord(Segment(-1, -2, 30, 40, 50.5f)) })))
                     .Answer(OkResponse(calibration))
                     .Answer(OkResponse())
                     .Answer(OkResponse(U32(0)))
                     .Answer(OkResponse(Concat({ ZeroTerminated("DEV"), BytesOf("x") }))));
    Device device;
    ASSERT_CONNECTED(device, server);

    cv::Mat image;
    std::vector<SegmentInfo> segments;
    uint32_t frameId = 0;
    ASSERT_EQ(device.GetFrame(image, segments, frameId).code, DeviceError::OK);
    EXPECT_EQ(frameId, 42u);
    ASSERT_EQ(image.size(), cv::Size(3, 2));
    EXPECT_EQ(image.at<uint8_t>(1, 2), 6);
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].height, 40);
    EXPECT_EQ(segments[0].moveZ, 0.25f);

    ASSERT_EQ(device.GetFinalImage(image, 1).code, DeviceError::OK);
    EXPECT_EQ(image.at<uint8_t>(1, 0), 3);
    ASSERT_EQ(device.GetFinalSegmentInfos(segments, 1).code, DeviceError::OK);
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[0].moveZ, 8.0f);
    EXPECT_EQ(segments[1].posY, -2);
    EXPECT_EQ(segments[1].distance, 50.5f);

    std::vector<uint8_t> data { 9 };
    ASSERT_EQ(device.GetCalibrationFile(data).code, DeviceError::OK);
    EXPECT_EQ(data, calibration); // the whole body, zero bytes and all
    ASSERT_EQ(device.GetCalibrationFile(data).code, DeviceError::OK);
    EXPECT_TRUE(data.empty());
    std::vector<cv::Mat> raw(3, image);
    ASSERT_EQ(device.GetRawImages(raw, 1).code, DeviceError::OK);
    EXPECT_TRUE(raw.empty());
    std::string level;
    ASSERT_EQ(device.GetCurrentAuthGroup(level).code, DeviceError::OK);
    EXPECT_EQ(level, "DEV");
}

} // namespace
