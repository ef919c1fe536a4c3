// The link: handshake, messages on the wire in both directions, waiting for responses, and
// what a closed or misbehaving peer does to a Device.
#include "ClientTestSupport.h"
#include "Device.h"

#include <gtest/gtest.h>

using namespace ondrel::testsupport;
using quorvel::Device;
using quorvel::DeviceError;
using quorvel::tcp::Message;
using quorvel::tcp::MessageType;

namespace {

const Bytes kConnectionNotEstablished
    = Concat({ BytesOf("(): quorvel error - connection not established"), { 2, 0, 0, 0 } });
const Bytes kServerTimeout = Concat({ BytesOf("(): quorvel error - server timeout"), { 3, 0, 0, 0 } });

void ExpectLocalError(const Message& message, const Bytes& body)
{
    EXPECT_EQ(message.header.id, MessageType::NOT_SET);
    EXPECT_TRUE(message.header.error);
    EXPECT_EQ(message.header.size, body.size());
    EXPECT_EQ(message.body, body);
}

void ExpectSocketNotOpen(const DeviceError& sent)
{
    EXPECT_EQ(sent.code, 2u);
    EXPECT_EQ(sent.message, "quorvel::Device::Send(): quorvel error - socket not open");
}

// ---------------------------------------------------------------------------------------
// Handshake

TEST(DeviceHandshake, ConnectedFirstMessageConnects)
{
    ScriptedServer server;
    server.Serve(Script().Send(MakeMessage(MessageType::CONNECTED, BytesOf("body is not read"))));
    Device device;
    EXPECT_FALSE(device.IsConnected());
    const DeviceError result = device.Connect(server.Host(), server.Port());
    EXPECT_EQ(result.code, 0u);
    EXPECT_EQ(result.message, "-");
    EXPECT_TRUE(device.IsConnected());
}

TEST(DeviceHandshake, ConnectReportsUnexpectedFirstMessage)
{
    ScriptedServer server;
    server.Serve(Script().Send(Message(MessageType::PING)));
    server.Serve(Script().Send(Message(static_cast<MessageType>(7))));

    Device pinged;
    DeviceError result = pinged.Connect(server.Host(), server.Port());
    EXPECT_EQ(result.code, 2u);
    EXPECT_EQ(result.message, "unexpected MessageType PING");
    EXPECT_FALSE(pinged.IsConnected());

    Device unnamed;
    result = unnamed.Connect(server.Host(), server.Port());
    EXPECT_EQ(result.code, 2u);
    EXPECT_EQ(result.message, "unexpected MessageType UNKNOWN");
    EXPECT_FALSE(unnamed.IsConnected());
}

TEST(DeviceHandshake, DestroyingDeviceAfterUnexpectedFirstMessageClosesLink)
{
    ScriptedServer server;
    server.Serve(Script().Send(Message(MessageType::GET)));
    {
        Device device;
        ASSERT_EQ(device.Connect(server.Host(), server.Port()).code, 2u);
    }
    EXPECT_TRUE(server.WaitPeerClosed());
}

TEST(DeviceHandshake, HostNameTriesEveryResolvedAddress)
{
    // "localhost" may resolve to ::1 first, where the IPv4-only server does not listen.
    ScriptedServer server;
    server.Serve(Script().SendConnected());
    Device device;
    const DeviceError result = device.Connect("localhost", server.Port());
    EXPECT_EQ(result.code, 0u) << result.message;
    EXPECT_TRUE(device.IsConnected());
}

TEST(DeviceHandshake, UnresolvableHostIsAnException)
{
    Device device;
    // A name the resolver rejects by its form, so no name server is asked.
    const DeviceError result = device.Connect("no such host!", 60123);
    EXPECT_EQ(result.code, 1u);
    EXPECT_EQ(result.message.rfind("quorvel::Device::Connect(): quorvel error - ", 0), 0u) << result.message;
    EXPECT_GT(result.message.size(), std::string("quorvel::Device::Connect(): quorvel error - ").size());
    EXPECT_FALSE(device.IsConnected());
}

TEST(DeviceHandshake, SecondConnectOnOneDeviceIsRefused)
{
    ScriptedServer server;
    server.Serve(Script().SendConnected());
    Device device;
    ASSERT_CONNECTED(device, server);
    const DeviceError again = device.Connect(server.Host(), server.Port());
    EXPECT_EQ(again.code, 1u);
    EXPECT_EQ(again.message.rfind("quorvel::Device::Connect(): quorvel error - ", 0), 0u) << again.message;
    // The first link is untouched and no second connection was made.
    EXPECT_TRUE(device.IsConnected());
    EXPECT_EQ(server.Accepted(), 1u);
}

TEST(DeviceHandshake, SendBeforeConnectOrAfterDisconnectFails)
{
    ScriptedServer server;
    server.Serve(Script().SendConnected());
    Device device;
    ExpectSocketNotOpen(device.Send(Message(MessageType::PING)));
    ASSERT_CONNECTED(device, server);
    EXPECT_EQ(device.Disconnect().code, 0u);
    EXPECT_FALSE(device.IsConnected());
    EXPECT_TRUE(server.WaitPeerClosed());

    ExpectSocketNotOpen(device.Send(Message(MessageType::START_CAPTURE_MODE)));
    EXPECT_EQ(device.Disconnect().code, 0u);
}

// ---------------------------------------------------------------------------------------
// Bytes on the wire

TEST(DeviceWire, RequestsGoOutExactlyAsEncoded)
{
    ScriptedServer server;
    server.Serve(Script().SendConnected());
    {
        Device device;
        ASSERT_CONNECTED(device, server);
        EXPECT_EQ(device.Send(Message(MessageType::START_CAPTURE_MODE)).code, 0u);
        EXPECT_EQ(device.Send(Message(MessageType::GET, "auth_group")).code, 0u);
        ASSERT_TRUE(server.WaitReceived(0, 12 + 23));
    }
    ASSERT_TRUE(server.WaitPeerClosed());
    EXPECT_EQ(server.Received(),
        Concat({ { 0x64, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 }, { 0x0A, 0, 0, 0, 0x0B, 0, 0, 0, 0, 0, 0, 0 },
            ZeroTerminated("auth_group") }));
}

TEST(DeviceWire, BackToBackSendsKeepHeaderAndBodyTogetherInOrder)
{
    Message first(MessageType::UPDATE_FIRMWARE);
    Bytes big(300000);
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<uint8_t>(i * 7);
    }
    first.AppendBytes(big.data(), big.size());
    Message second(MessageType::GET, "calib_file");
    const Bytes expected = Concat({ WireBytes(first), WireBytes(second) });

    ScriptedServer server;
    server.Serve(Script().SendConnected().ReadBytes(expected.size()));
    Device device;
    ASSERT_CONNECTED(device, server);
    EXPECT_EQ(device.Send(first).code, 0u);
    EXPECT_EQ(device.Send(second).code, 0u);
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_TRUE(server.Failures().empty());
    EXPECT_EQ(server.Received(), expected);
}

TEST(DeviceWire, ZeroSizeMessageIsDeliveredAtOnce)
{
    ScriptedServer server;
    // Nothing follows the empty message: waiting for more bytes would time out.
    server.Serve(Script().SendConnected().Send(Message(MessageType::PING)));
    Device device;
    ASSERT_CONNECTED(device, server);
    const Message received = device.AwaitResponse(5000);
    EXPECT_EQ(received.header.id, MessageType::PING);
    EXPECT_FALSE(received.header.error);
    EXPECT_EQ(received.header.size, 0u);
    EXPECT_TRUE(received.body.empty());
}

TEST(DeviceWire, ReceivedMessagesArriveWholeAndInOrder)
{
    const Message empty(MessageType::LED_OFF);
    const Message withBody = MakeMessage(MessageType::GET, { 1, 2, 3, 0, 5 });
    Bytes large(200000, 0x5A);
    const Message big = MakeMessage(MessageType::GET_FINAL_FRAME, large);
    ScriptedServer server;
    // All three in one write, so that they arrive glued together.
    server.Serve(Script().SendConnected().SendBytes(Concat({ WireBytes(empty), WireBytes(withBody), WireBytes(big) })));
    Device device;
    ASSERT_CONNECTED(device, server);

    const Message a = device.AwaitResponse(5000);
    EXPECT_EQ(a.header.id, MessageType::LED_OFF);
    EXPECT_TRUE(a.body.empty());
    const Message b = device.AwaitResponse(5000);
    EXPECT_EQ(b.header.id, MessageType::GET);
    EXPECT_EQ(b.body, withBody.body);
    const Message c = device.AwaitResponse(5000);
    EXPECT_EQ(c.header.id, MessageType::GET_FINAL_FRAME);
    EXPECT_EQ(c.header.size, large.size());
    EXPECT_EQ(c.body, large);
}

// ---------------------------------------------------------------------------------------
// Waiting for responses

TEST(DeviceAwaitResponse, ZeroLimitTimesOutWithoutTakingQueuedMessage)
{
    ScriptedServer server;
    server.Serve(Script().SendConnected().SendBytes(
        Concat({ WireBytes(Message(MessageType::GET, "one")), WireBytes(Message(MessageType::GET, "two")) })));
    Device device;
    ASSERT_CONNECTED(device, server);
    ASSERT_EQ(device.AwaitResponse(5000).body, ZeroTerminated("one"));

    ExpectLocalError(device.AwaitResponse(0), kServerTimeout);
    EXPECT_TRUE(device.IsConnected());
    EXPECT_EQ(device.AwaitResponse(5000).body, ZeroTerminated("two"));
}

TEST(DeviceAwaitResponse, ServerCloseGivesConnectionNotEstablishedAndDisconnects)
{
    ScriptedServer server;
    server.Serve(Script().SendConnected().Close());
    Device device;
    ASSERT_CONNECTED(device, server);

    ExpectLocalError(device.AwaitResponse(5000), kConnectionNotEstablished);
    EXPECT_FALSE(device.IsConnected());

    // It stays that way until the Device is replaced.
    ExpectLocalError(device.AwaitResponse(5000), kConnectionNotEstablished);
    ExpectSocketNotOpen(device.Send(Message(MessageType::PING)));
}

TEST(DeviceAwaitResponse, LateResponseIsTakenByNextCall)
{
    ScriptedServer server;
    // The first request is answered only after the second has arrived, so after the client
    // has given up on it.
    server.Serve(Script()
                     .SendConnected()
                     .ReadMessages(2)
                     .Send(Message(MessageType::GET, "late"))
                     .Send(Message(MessageType::GET, "current")));
    Device device;
    ASSERT_CONNECTED(device, server);

    ASSERT_EQ(device.Send(Message(MessageType::AUTH_REQUEST)).code, 0u);
    ExpectLocalError(device.AwaitResponse(50), kServerTimeout);
    EXPECT_TRUE(device.IsConnected());

    ASSERT_EQ(device.Send(Message(MessageType::CAPTURE)).code, 0u);
    EXPECT_EQ(device.AwaitResponse(5000).body, ZeroTerminated("late"));
    EXPECT_EQ(device.AwaitResponse(5000).body, ZeroTerminated("current"));
}

// ---------------------------------------------------------------------------------------
// Peer closing

TEST(DeviceLinkClose, ServerClosingMidBodyPrintsReadBodyFailOnce)
{
    ScriptedServer server;
    server.Serve(Script().SendConnected().CloseMidBody(MessageType::CAPTURE, 100, Bytes(10, 0x11)));
    testing::internal::CaptureStdout();
    {
        Device device;
        ASSERT_CONNECTED(device, server);
        ExpectLocalError(device.AwaitResponse(5000), kConnectionNotEstablished);
        EXPECT_FALSE(device.IsConnected());
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "[0] Read Body Fail.\n");
}

TEST(DeviceLinkClose, ServerClosingBetweenMessagesPrintsNothing)
{
    ScriptedServer server;
    server.Serve(Script().SendConnected().Send(Message(MessageType::GET, "last")).Close());
    testing::internal::CaptureStdout();
    {
        Device device;
        ASSERT_CONNECTED(device, server);
        // The last message may or may not be taken before the closed link is seen.
        Message received = device.AwaitResponse(5000);
        if (!received.header.error) {
            EXPECT_EQ(received.body, ZeroTerminated("last"));
            received = device.AwaitResponse(5000);
        }
        ExpectLocalError(received, kConnectionNotEstablished);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(DeviceLinkClose, DestroyingConnectedDeviceClosesLink)
{
    ScriptedServer server;
    server.Serve(Script().SendConnected());
    {
        Device device;
        ASSERT_CONNECTED(device, server);
    }
    EXPECT_TRUE(server.WaitPeerClosed());
    EXPECT_TRUE(server.Received().empty());
}

} // namespace
