// The link: handshake, bytes both ways, waiting, hostile peers, and reused frame buffers.
#include "Connection.h"
#include "Device.h"
#include "DeviceBytes.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using namespace ondrel::testsupport;

namespace {

const char* const kNotEstablished = "(): quorvel error - connection not established";
const char* const kServerTimeout = "(): quorvel error - server timeout";
const char* const kSocketNotOpen = "quorvel::Device::Send(): quorvel error - socket not open";
const char* const kConnectFailed = "quorvel::Device::Connect(): quorvel error - ";

void ExpectLocalError(const Message& message, const std::string& text, uint32_t code)
{
    EXPECT_EQ(message.header.id, MessageType::NOT_SET);
    EXPECT_TRUE(message.header.error);
    EXPECT_EQ(message.body, Concat({ BytesOf(text), U32(code) }));
}

Bytes Pixels(std::size_t count, uint8_t seed)
{
    Bytes pixels(count);
    for (std::size_t i = 0; i < count; ++i) {
        pixels[i] = static_cast<uint8_t>(seed + i);
    }
    return pixels;
}

// Handshake

TEST(DeviceHandshake, OnlyConnectedAsFirstMessageConnects)
{
    const struct {
        Message first;
        uint32_t code;
        std::string message;
    } cases[] = {
        { MakeMessage(MessageType::CONNECTED, BytesOf("body is not read")), DeviceError::OK, "-" },
        { Message(MessageType::PING), DeviceError::CONNECTION_ERROR, "unexpected MessageType PING" },
        { Message(static_cast<MessageType>(7)), DeviceError::CONNECTION_ERROR, "unexpected MessageType UNKNOWN" },
    };
    for (const auto& c : cases) {
        ScriptedServer server;
        server.Serve(Script().Send(c.first));
        {
            Device device;
            const DeviceError result = device.Connect(server.Host(), server.Port());
            EXPECT_EQ(result.code, c.code);
            EXPECT_EQ(result.message, c.message);
            EXPECT_EQ(device.IsConnected(), c.code == DeviceError::OK);
        }
        // Destroying the Device, connected or not, closes the link.
        EXPECT_TRUE(server.WaitPeerClosed());
    }
}

TEST(DeviceHandshake, HostNamesResolveToEveryAddressAndOneDeviceConnectsOnce)
{
    Device unresolved;
    // A name the resolver rejects by its form, so no name server is asked.
    const DeviceError bad = unresolved.Connect("no such host!", 60123);
    EXPECT_EQ(bad.code, DeviceError::EXCEPTION);
    EXPECT_EQ(bad.message.rfind(kConnectFailed, 0), 0u) << bad.message;
    EXPECT_GT(bad.message.size(), std::string(kConnectFailed).size());

    // "localhost" may resolve to ::1 first, where the IPv4-only server does not listen.
    ScriptedServer server;
    server.Serve(Script().SendConnected());
    Device device;
    ASSERT_EQ(device.Connect("localhost", server.Port()).code, DeviceError::OK);
    const DeviceError again = device.Connect(server.Host(), server.Port());
    EXPECT_EQ(again.code, DeviceError::EXCEPTION);
    EXPECT_EQ(again.message.rfind(kConnectFailed, 0), 0u) << again.message;
    EXPECT_TRUE(device.IsConnected()); // the first link is untouched
    EXPECT_EQ(server.Accepted(), 1u);
}

// A silent server takes the handshake's full five seconds; a refused connect fails at once.
TEST(DeviceHandshake, NobodySpeakingTimesOutNobodyListeningFailsAtOnce)
{
    ScriptedServer silent;
    silent.Serve(Script()); // accepts and never says a word
    auto unanswered = std::make_unique<Device>();
    const auto asked = std::chrono::steady_clock::now();
    auto quiet = std::async(std::launch::async, [&] { return unanswered->Connect(silent.Host(), silent.Port()); });
    Device refused;
    const DeviceError result = refused.Connect("127.0.0.1", DeadPort());
    EXPECT_EQ(result.code, DeviceError::CONNECTION_ERROR);
    EXPECT_EQ(result.message, "quorvel::Device::Connect(): quorvel error - connection refused");
    EXPECT_FALSE(refused.IsConnected());
    EXPECT_EQ(refused.Send(Message(MessageType::PING)).message, kSocketNotOpen);
    const DeviceError timedOut = quiet.get();
    // Never before the handshake's time limit (a busy machine can only make it later).
    EXPECT_GE(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(5000));
    EXPECT_EQ(timedOut.code, DeviceError::TIMEOUT);
    EXPECT_EQ(timedOut.message, "connecting failed, server timeout");
    EXPECT_FALSE(unanswered->IsConnected());
    // The destructor stops the thread still waiting for the silent server, closing the link.
    unanswered.reset();
    EXPECT_TRUE(silent.WaitPeerClosed());
}

// Bytes on the wire

TEST(DeviceWire, BackToBackSendsGoOutExactlyAsEncodedAndInOrder)
{
    Message big(MessageType::UPDATE_FIRMWARE);
    for (std::size_t i = 0; i < 300000; ++i) {
        big.Append(static_cast<uint8_t>(i * 7));
    }
    const Bytes expected = Concat({ { 0x64, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 },
                                    { 0x0A, 0, 0, 0, 0x0B, 0, 0, 0, 0, 0, 0, 0 },
                                    ZeroTerminated("auth_group"),
                                    WireBytes(big) });
    ScriptedServer server;
    server.Serve(Script().SendConnected().ReadBytes(expected.size()));
    Device device;
    ASSERT_CONNECTED(device, server);
    EXPECT_EQ(device.Send(Message(MessageType::START_CAPTURE_MODE)).code, DeviceError::OK);
    EXPECT_EQ(device.Send(Message(MessageType::GET, "auth_group")).code, DeviceError::OK);
    EXPECT_EQ(device.Send(big).code, DeviceError::OK);
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_EQ(server.Received(), expected);
}

TEST(DeviceWire, MessagesGluedTogetherArriveWholeAndInOrderAndAZeroLimitTakesNone)
{
    const Message empty(MessageType::LED_OFF);
    const Message small = MakeMessage(MessageType::GET, { 1, 2, 3, 0, 5 });
    const Message big = MakeMessage(MessageType::GET_FINAL_FRAME, Bytes(200000, 0x5A));
    ScriptedServer server;
    // All in one write; nothing follows the last, empty one, so it must not wait for more bytes.
    server.Serve(Script().SendConnected().SendBytes(
        Concat({ WireBytes(small), WireBytes(empty), WireBytes(big), WireBytes(Message(MessageType::PING)) })));
    Device device;
    ASSERT_CONNECTED(device, server);
    EXPECT_EQ(WireBytes(device.AwaitResponse(5000)), WireBytes(small));
    ExpectLocalError(device.AwaitResponse(0), kServerTimeout, DeviceError::TIMEOUT);
    EXPECT_TRUE(device.IsConnected());
    EXPECT_EQ(WireBytes(device.AwaitResponse(5000)), WireBytes(empty));
    EXPECT_EQ(WireBytes(device.AwaitResponse(5000)), WireBytes(big));
    EXPECT_EQ(WireBytes(device.AwaitResponse(5000)), WireBytes(Message(MessageType::PING)));
}

// The socket is told to wait for large parts of a big body; the body's last bytes, short of
// any such part, still complete it: the server holds them back until a second request.
TEST(DeviceWire, ABigBodyWhoseLastBytesComeLateArrivesWhole)
{
    const Message big = MakeMessage(MessageType::GET, Pixels(2 * quorvel::tcp::Connection::kReceivePart + 12345, 9));
    const Bytes wire = WireBytes(big);
    const std::size_t held = 100;
    ScriptedServer server;
    server.Serve(Script()
                     .SendConnected()
                     .ReadMessage()
                     .SendBytes(Bytes(wire.begin(), wire.end() - held))
                     .ReadMessage()
                     .SendBytes(Bytes(wire.end() - held, wire.end())));
    Device device;
    ASSERT_CONNECTED(device, server);
    ASSERT_EQ(device.Send(Message(MessageType::GET, "raw")).code, DeviceError::OK);
    ASSERT_EQ(device.Send(Message(MessageType::PING)).code, DeviceError::OK);
    EXPECT_EQ(WireBytes(device.AwaitResponse(10000)), wire);
}

// Waiting for responses

TEST(DeviceAwaitResponse, LateResponseIsTakenByTheNextCall)
{
    ScriptedServer server;
    // The first request is answered only after the second has arrived.
    server.Serve(Script()
                     .SendConnected()
                     .ReadMessage()
                     .ReadMessage()
                     .Send(Message(MessageType::GET, "late"))
                     .Send(Message(MessageType::GET, "current")));
    Device device;
    ASSERT_CONNECTED(device, server);
    const DeviceError unanswered = device.Start();
    EXPECT_EQ(unanswered.code, DeviceError::RESPONSE_ERROR);
    EXPECT_EQ(unanswered.message, std::string("quorvel::Device::Start") + kServerTimeout); // no code bytes
    EXPECT_TRUE(device.IsConnected());
    ASSERT_EQ(device.Send(Message(MessageType::CAPTURE)).code, DeviceError::OK);
    EXPECT_EQ(device.AwaitResponse(5000).body, ZeroTerminated("late"));
    EXPECT_EQ(device.AwaitResponse(5000).body, ZeroTerminated("current"));
}

// Peer closing

// A device may answer and close at once (a restart after a firmware update): the answer
// that came in before the close still counts.
TEST(DeviceLinkClose, AnAnswerBeforeTheCloseIsTakenAndTheClosePrintsNothing)
{
    ScriptedServer server;
    server.Serve(Script().SendConnected().Send(Message(MessageType::GET, "last")).Close());
    testing::internal::CaptureStdout();
    {
        Device device;
        ASSERT_CONNECTED(device, server);
        // Asked for only once the client has seen the close.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (device.Send(Message(MessageType::PING)).code == DeviceError::OK && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        const Message answer = device.AwaitResponse(5000);
        EXPECT_FALSE(answer.header.error);
        EXPECT_EQ(answer.body, ZeroTerminated("last"));
        // Another thread may ask whether the link is up while the wait below tears it down.
        std::atomic<bool> torn{ false };
        std::thread asker([&] {
            while (!torn) {
                device.LinkOpen();
            }
        });
        ExpectLocalError(device.AwaitResponse(5000), kNotEstablished, DeviceError::CONNECTION_ERROR);
        torn = true;
        asker.join();
        EXPECT_FALSE(device.LinkOpen());
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

// A body announced at 4 GiB costs only what arrives: the client waits out its time limit
// inside that body with the link up, and loses the link when the peer closes mid-body.
TEST(DeviceHugeAnnouncement, FourGibibyteBodyCostsOnlyWhatArrives)
{
    constexpr long long kSent = 8 * 1024 * 1024;
    std::promise<void> sent;
    std::future<void> allSent = sent.get_future();
    std::promise<void> measured;
    std::shared_future<void> mayClose = measured.get_future().share();
    ScriptedServer server;
    server.Serve(Script()
                     .SendConnected()
                     .ReadMessage()
                     .SendHeader(MessageType::GET, 0xFFFFFFFFu)
                     .SendBytes(Bytes(kSent, 0xA5))
                     .Do([&sent, mayClose](Peer& peer) {
                         sent.set_value();
                         mayClose.wait_for(std::chrono::seconds(20));
                         peer.Close();
                     }));
    Device device;
    ASSERT_CONNECTED(device, server);
    const MemoryUse before = CurrentMemoryUse();
    ASSERT_EQ(device.Send(Message(MessageType::GET, "calib_file")).code, DeviceError::OK);
    ASSERT_EQ(allSent.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    ExpectLocalError(device.AwaitResponse(300), kServerTimeout, DeviceError::TIMEOUT);
    const bool upInsideTheBody = device.IsConnected();
    const MemoryUse during = CurrentMemoryUse();
    measured.set_value();

    EXPECT_TRUE(upInsideTheBody);
    // A small multiple of what arrived, nowhere near the 4 GiB announced.
    EXPECT_LT(during.residentBytes - before.residentBytes, 8 * kSent * kShadowScale);
    EXPECT_LT(during.virtualBytes - before.virtualBytes, 1024 * 1024 * 1024LL);
    ExpectLocalError(device.AwaitResponse(10000), kNotEstablished, DeviceError::CONNECTION_ERROR);
    EXPECT_FALSE(device.IsConnected());
}

// Frames keep the body they arrived in, and bodies let go of are read into again.

// Large enough that the connection reads the body into a reused buffer.
constexpr uint32_t kLarge = 300;
static_assert(kLarge * kLarge > quorvel::tcp::kFirstBodyChunk);

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
    EXPECT_TRUE(Bytes(image.data, image.data + image.total()) == Pixels(image.total(), seed)) << "pixels that are not the frame's own";
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
    const Bytes calibration = Pixels(quorvel::tcp::kFirstBodyChunk + 7, 3);
    Serve({ Frame(1, sides[0], 10), Frame(2, sides[1], 20), Frame(3, sides[2], 30), Frame(4, sides[3], 40), Frame(5, kLarge + 100, 50),
            calibration });
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
