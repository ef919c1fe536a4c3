// Every request-response operation of a Device as one table; firmware upload.
#include "Device.h"
#include "DeviceBytes.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <future>

using namespace ondrel::testsupport;

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
        case Wording::NameAndBody:
            return "quorvel::Device::" + name + deviceText;
        case Wording::NameAndString:
            return "quorvel::Device::" + name + firstText;
        case Wording::StringOnly:
            return firstText;
        case Wording::Fixed:
            return "Authentification as USER failed.";
        }
        return {};
    }
};

Bytes Request(MessageType id, const Bytes& body = {}) { return WireBytes(MakeMessage(id, body)); }

// Runs `call` on an output preset to `mark`; `kept` tells whether it still holds it.
template <typename Output, typename Call> std::function<DeviceError(Device&, bool&)> Keeping(Output mark, Call call)
{
    return [mark, call](Device& d, bool& kept) {
        Output output = mark;
        const DeviceError r = call(d, output);
        kept = output == mark;
        return r;
    };
}

std::vector<Operation> AllOperations(const std::string& firmware)
{
    const cv::Mat mark(1, 1, CV_8UC1, cv::Scalar(7));
    return {
        { "Start", Wording::NameAndBody, Request(MessageType::START_CAPTURE_MODE), [](Device& d, bool&) { return d.Start(); } },
        { "Stop", Wording::NameAndBody, Request(MessageType::STOP_CAPTURE_MODE), [](Device& d, bool&) { return d.Stop(); } },
        { "PlaySound",
          Wording::NameAndBody,
          { 0x92, 0x01, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0 },
          [](Device& d, bool&) { return d.PlaySound(2); } },
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
              std::vector<cv::Mat> images{ mark };
              const DeviceError r = d.GetRawImages(images, 7);
              kept = images.size() == 1;
              return r;
          } },
        { "GetFinalSegmentInfos", Wording::NameAndString, Request(MessageType::GET, Concat({ ZeroTerminated("final_segments"), U32(9) })),
          [](Device& d, bool& kept) {
              std::vector<SegmentInfo> segments(1);
              const DeviceError r = d.GetFinalSegmentInfos(segments, 9);
              kept = segments.size() == 1;
              return r;
          } },
        { "GetCalibrationFile", Wording::NameAndString, Request(MessageType::GET, ZeroTerminated("calib_file")),
          Keeping(Bytes{ 7 }, [](Device& d, Bytes& out) { return d.GetCalibrationFile(out); }) },
        { "RequestValidation", Wording::NameAndBody, Request(MessageType::AUTH_REQUEST),
          Keeping(std::string("mark"), [](Device& d, std::string& out) { return d.RequestValidation(out); }) },
        { "SendAuthResponse", Wording::Fixed, Request(MessageType::AUTH_RESPONSE, Concat({ ZeroTerminated("USER"), { 0x30, 0x45 } })),
          [](Device& d, bool&) {
              return d.SendAuthResponse("USER", { 0x30, 0x45 });
          } },
        { "GetCurrentAuthGroup", Wording::NameAndBody, Request(MessageType::GET, ZeroTerminated("auth_group")),
          Keeping(std::string("mark"), [](Device& d, std::string& out) { return d.GetCurrentAuthGroup(out); }) },
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

TEST_F(DeviceOperations, RefusalGivesEachItsCleanTextKeepsTheOutputsAndTheLink)
{
    // A device text with a zero byte in the middle and one at its end, then one that is empty
    // once cleaned, then a megabyte of text that is cut.
    const Bytes refusal = Concat({ BytesOf("busy"), { 0 }, BytesOf("more"), { 0 } });
    const std::string none = "(): quorvel error - the device reported an error without a text";
    Script script;
    script.SendConnected();
    for (std::size_t i = 0; i < operations.size(); ++i) {
        script.Answer(ErrorResponse(refusal)).Answer(ErrorResponse({ 0 }));
    }
    script.Answer(ErrorResponse(Bytes(1024 * 1024, 'x')));
    ScriptedServer server;
    server.Serve(script);
    Device device;
    ASSERT_CONNECTED(device, server);
    for (const Operation& op : operations) {
        for (const bool empty : { false, true }) {
            bool kept = true;
            const DeviceError result = op.run(device, kept);
            EXPECT_EQ(result.code, DeviceError::RESPONSE_ERROR) << op.name;
            EXPECT_EQ(result.message,
                      empty && op.wording != Wording::Fixed ? "quorvel::Device::" + op.name + none : op.Text("busy\\x00more", "busy"))
                << op.name;
            EXPECT_TRUE(kept) << op.name << " touched its outputs";
            EXPECT_TRUE(device.IsConnected()) << op.name;
        }
    }
    EXPECT_EQ(device.PlaySound(2).message, "quorvel::Device::PlaySound" + std::string(4096, 'x') + "\xE2\x80\xA6 (1044480 bytes cut)");
}

TEST_F(DeviceOperations, CloseInTheMiddleOfABodyIsReportedOnceAndLosesTheLinkForGood)
{
    testing::internal::CaptureStdout();
    for (const Operation& op : operations) {
        SCOPED_TRACE(op.name);
        ScriptedServer server;
        server.Serve(Script().SendConnected().ReadMessage().CloseMidBody(MessageType::GET, 1000, Bytes(400, 0x5A)));
        Device device;
        ASSERT_CONNECTED(device, server);
        bool kept = true;
        const DeviceError result = op.run(device, kept);
        EXPECT_EQ(result.code, DeviceError::RESPONSE_ERROR);
        EXPECT_EQ(result.message,
                  op.Text("(): quorvel error - connection not established", "(): quorvel error - connection not established"));
        EXPECT_FALSE(device.IsConnected());
        // The next call fails at Send, before any wait.
        const DeviceError next = op.run(device, kept);
        EXPECT_EQ(next.code, DeviceError::CONNECTION_ERROR);
        EXPECT_EQ(next.message, "quorvel::Device::Send(): quorvel error - socket not open");
    }
    // Once for every cut body, and nothing else.
    std::string printed;
    for (std::size_t i = 0; i < operations.size(); ++i) {
        printed += "[0] Read Body Fail.\n";
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), printed);
}

// Firmware: the file travels byte for byte in one message; a path that is no file that can
// be opened is reported on standard error and sends nothing.

TEST_F(DeviceOperations, FirmwareIsSentByteForByteEvenWhenEmptyAndNoFileIsReportedWithoutBlocking)
{
    const std::string fifo = dir.File("stream.zpxfw");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_TRUE(std::filesystem::create_directory(dir.File("update.zpxfw")));
    const Bytes content{ 0x00, 0x0D, 0x0A, 0x1A, 0xFF };
    ScriptedServer server;
    server.Serve(Script().SendConnected().Answer(OkResponse()).Answer(OkResponse()));
    Device device;
    ASSERT_CONNECTED(device, server);
    EXPECT_EQ(device.UploadFirmware(dir.Write("empty.zpxfw", {})).code, DeviceError::OK);
    EXPECT_EQ(device.UploadFirmware(dir.Write("five.zpxfw", content)).code, DeviceError::OK);
    for (const std::string& path : { dir.File("missing.zpxfw"), dir.File("update.zpxfw"), fifo }) {
        testing::internal::CaptureStderr();
        auto upload = std::async(std::launch::async, [&] { return device.UploadFirmware(path); });
        const bool returned = upload.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
        if (!returned) {
            ::close(::open(fifo.c_str(), O_WRONLY)); // a writer lets a blocked reader go on
        }
        const DeviceError result = upload.get();
        // The line is in Windows-1252 (0xD6 is the O with diaeresis).
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "Fehler beim \xD6"
                  "ffnen der Datei!\n")
            << path;
        EXPECT_TRUE(returned) << path << ": waited for a writer of the pipe";
        EXPECT_EQ(result.code, DeviceError::RESPONSE_ERROR) << path;
        EXPECT_EQ(result.message, "Open Firmware File failed") << path;
    }
    EXPECT_TRUE(device.IsConnected());
    device.Disconnect();
    ASSERT_TRUE(server.WaitPeerClosed());
    EXPECT_EQ(server.Received(), Concat({ { 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 }, { 16, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0 }, content }));
}

// Uploads `path` with the address space limited to what is in use plus the file once (and a
// margin), then exits 0 when the upload failed with EXCEPTION and 1 otherwise.
[[noreturn]] void UploadWithRoomForOneCopy(const std::string& path, long long fileSize)
{
    ScriptedServer server;
    server.Serve(Script().SendConnected());
    Device device;
    if (device.Connect(server.Host(), server.Port()).failed()) {
        std::_Exit(2);
    }
    const long long limit = CurrentMemoryUse().virtualBytes + fileSize + 64 * 1024 * 1024;
    const rlimit addressSpace{ static_cast<rlim_t>(limit), static_cast<rlim_t>(limit) };
    ::setrlimit(RLIMIT_AS, &addressSpace);
    const DeviceError result = device.UploadFirmware(path);
    std::fprintf(stderr, "code=%u message=%s\n", result.code, result.message.c_str());
    std::_Exit(result.code == DeviceError::EXCEPTION ? 0 : 1);
}

// Runs in a child process, as it limits the address space.
TEST(FirmwareUploadMemory, FileTooLargeToHoldTwiceFailsWithoutEndingTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    constexpr long long kFileSize = 128 * 1024 * 1024;
    TempDir dir;
    const std::string path = dir.Write("huge.zpxfw", {});
    std::filesystem::resize_file(path, kFileSize); // sparse: costs no disk
    EXPECT_EXIT(UploadWithRoomForOneCopy(path, kFileSize), ::testing::ExitedWithCode(0),
                "code=1 message=quorvel::Device::Send\\(\\): quorvel error - ");
}

} // namespace
