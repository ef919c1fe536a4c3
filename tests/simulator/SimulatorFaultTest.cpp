// The faults ondrel-sim injects, one row each: the option, and what a client sees of it.
#include "Device.h"
#include "DeviceBytes.h"
#include "SimProcess.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <opencv2/core.hpp>

#include <functional>

namespace {
using namespace ondrel::testsupport;

const char* const kFrameFailure = "quorvel::Device::GetFrame(): quorvel error - Extraction of image failed";
const char* const kFinalFailure = "quorvel::Device::GetFinalImage(): quorvel error - Extraction of final image failed";
const char* const kRawFailure = "quorvel::Device::GetRawImages(): quorvel error - Extraction of raw images failed";
const char* const kSegmentsFailure = "quorvel::Device::GetFinalSegmentInfos(): quorvel error - Extraction of segment informations failed";

// The bytes the simulator sends on a fresh link that asks for the level once: up to `limit`
// of them, or all until it closes.
Bytes RawExchange(const SimProcess& sim, std::size_t limit)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(sim.port());
    ::inet_pton(AF_INET, sim.host().c_str(), &address.sin_addr);
    const timeval patience{ 10, 0 };
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    Bytes received;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const Bytes request = WireBytes(Message(MessageType::GET, "auth_group"));
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        uint8_t buffer[256];
        ssize_t n;
        while (received.size() < limit && (n = ::recv(fd, buffer, std::min(sizeof buffer, limit - received.size()), 0)) > 0) {
            received.insert(received.end(), buffer, buffer + n);
        }
    }
    ::close(fd);
    return received;
}

// Asks for the level and expects no answer within a short wait, with the link still open.
void ExpectUnanswered(Device& device)
{
    ASSERT_EQ(device.Send(Message(MessageType::GET, "auth_group")).code, DeviceError::OK);
    EXPECT_EQ(LocalErrorText(device.AwaitResponse(300)), "(): quorvel error - server timeout");
    EXPECT_TRUE(device.IsConnected());
}

// What the four result operations say about the captured frame of a hostile simulator, and
// that the link and memory survive them.
void ExpectResults(Device& device, const char* frame, const char* final, const char* raw, const char* segmentsText)
{
    ASSERT_EQ(device.Start().code, DeviceError::OK);
    const MemoryUse before = CurrentMemoryUse();
    cv::Mat image;
    std::vector<SegmentInfo> segments;
    std::vector<cv::Mat> rawImages;
    uint32_t frameId = 0;
    EXPECT_EQ(device.GetFrame(image, segments, frameId).message, frame);
    EXPECT_NE(frameId, 0u); // the id comes before anything broken
    EXPECT_EQ(device.GetFinalImage(image, frameId).message, final);
    EXPECT_EQ(device.GetRawImages(rawImages, frameId).message, raw);
    EXPECT_EQ(device.GetFinalSegmentInfos(segments, frameId).message, segmentsText);
    // Nothing invented: counts beyond the body leave no phantom entries behind.
    EXPECT_LE(segments.size(), 10u);
    EXPECT_LE(rawImages.size(), 64u);
    EXPECT_LT(CurrentMemoryUse().residentBytes - before.residentBytes, 64 * 1024 * 1024 * kShadowScale);
    EXPECT_EQ(Level(device), "GUEST");
}

struct Fault {
    std::vector<std::string> args;
    bool connects; // whether the test's Device gets through the handshake
    std::function<void(SimProcess&, Device&)> check;
};

TEST(SimulatorFaults, EachInjectedFaultShowsAsItSays)
{
    const Fault faults[] = {
        { { "--first-type", "6" },
          false,
          [](SimProcess& sim, Device& device) {
              const DeviceError result = device.Connect(sim.host(), sim.port());
              EXPECT_EQ(result.code, DeviceError::CONNECTION_ERROR);
              EXPECT_EQ(result.message, "unexpected MessageType PING");
          } },
        // Takes the client's full handshake limit of five seconds.
        { { "--silent" },
          false,
          [](SimProcess& sim, Device& device) {
              const DeviceError result = device.Connect(sim.host(), sim.port());
              EXPECT_EQ(result.code, DeviceError::TIMEOUT);
              EXPECT_EQ(result.message, "connecting failed, server timeout");
          } },
        { { "--extra-after-connect" },
          true,
          [](SimProcess&, Device& device) {
              EXPECT_EQ(Level(device), "PING");  // the unasked message answered the first request
              EXPECT_EQ(Level(device), "GUEST"); // and every answer is one behind from now on
          } },
        { { "--delay-ms", "400" },
          true,
          [](SimProcess&, Device& device) {
              ExpectUnanswered(device);
              EXPECT_EQ(device.AwaitResponse(5000).body, ZeroTerminated("GUEST"));
          } },
        { { "--close-after", "2" },
          true,
          [](SimProcess&, Device& device) {
              EXPECT_EQ(Level(device), "GUEST");
              EXPECT_EQ(device.Start().code, DeviceError::OK);
              EXPECT_EQ(Level(device), "quorvel::Device::GetCurrentAuthGroup(): quorvel error - connection not established");
              EXPECT_FALSE(device.IsConnected());
          } },
        { { "--close-mid-body" },
          false,
          [](SimProcess& sim, Device&) {
              // CONNECTED has no body to cut; the answer announces "GUEST" and its zero
              // byte, sends half of it and closes.
              const Bytes received = RawExchange(sim, 1000);
              ASSERT_EQ(received.size(), 12u + 12u + 3u);
              EXPECT_EQ(quorvel::tcp::DecodeHeader(received.data()).id, MessageType::CONNECTED);
              EXPECT_EQ(quorvel::tcp::DecodeHeader(received.data() + 12).size, 6u);
          } },
        { { "--error-type", "100" },
          true,
          [](SimProcess&, Device& device) {
              EXPECT_EQ(device.Start().message, "quorvel::Device::Startsimulated failure of START_CAPTURE_MODE");
              EXPECT_EQ(device.Stop().code, DeviceError::OK); // types not named are served
          } },
        { { "--stall-after", "1" },
          true,
          [](SimProcess&, Device& device) {
              EXPECT_EQ(Level(device), "GUEST");
              ExpectUnanswered(device);
          } },
        { { "--hostile", "stall" }, true, [](SimProcess&, Device& device) { ExpectUnanswered(device); } },
        { { "--hostile", "huge-size" },
          false,
          [](SimProcess& sim, Device&) {
              const Bytes received = RawExchange(sim, 24);
              ASSERT_EQ(received.size(), 24u);
              EXPECT_EQ(quorvel::tcp::DecodeHeader(received.data() + 12).id, MessageType::GET);
              EXPECT_EQ(quorvel::tcp::DecodeHeader(received.data() + 12).size, 0xFFFFFFFFu);
          } },
        { { "--hostile", "bad-rect" },
          true,
          [](SimProcess&, Device& device) {
              ASSERT_EQ(device.Start().code, DeviceError::OK);
              cv::Mat image;
              std::vector<SegmentInfo> segments;
              uint32_t frameId = 0;
              ASSERT_EQ(device.GetFrame(image, segments, frameId).code, DeviceError::OK);
              ASSERT_EQ(segments.size(), 4u);
              for (const SegmentInfo& s : segments) {
                  // Each box is out of the image, larger than it, or of negative size.
                  EXPECT_TRUE(s.width <= 0 || s.height <= 0 || s.posX < 0 || s.posY < 0 || int64_t(s.posX) + s.width > image.cols
                              || int64_t(s.posY) + s.height > image.rows);
              }
              ASSERT_EQ(device.GetFinalSegmentInfos(segments, frameId).code, DeviceError::OK);
              ASSERT_EQ(segments.size(), 4u);
              EXPECT_EQ(segments[2].width, INT32_MAX);
              EXPECT_EQ(segments[3].posX, INT32_MIN);
          } },
        { { "--hostile", "bad-image-type" },
          true,
          [](SimProcess&, Device& device) { ExpectResults(device, kFrameFailure, kFinalFailure, kRawFailure, "-"); } },
        { { "--hostile", "bad-byte-count" },
          true,
          [](SimProcess&, Device& device) { ExpectResults(device, kFrameFailure, kFinalFailure, kRawFailure, "-"); } },
        { { "--hostile", "bad-count" },
          true,
          [](SimProcess&, Device& device) { ExpectResults(device, kFrameFailure, "-", kRawFailure, kSegmentsFailure); } },
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.args[0] + (fault.args.size() > 1 ? " " + fault.args[1] : ""));
        std::vector<std::string> args = fault.args;
        args.insert(args.end(), { "--width", "320", "--height", "240", "--settle-ms", "0" });
        SimProcess sim(args);
        Device device;
        if (fault.connects) {
            ASSERT_EQ(device.Connect(sim.host(), sim.port()).code, DeviceError::OK);
        }
        fault.check(sim, device);
    }
}

} // namespace
