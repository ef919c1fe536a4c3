// Time limits of the link: the 5-second handshake, an operation that gets no answer, and a
// peer that announces a huge body and then stalls. These are the slow tests of the suite.
#include "ClientTestSupport.h"
#include "Device.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <memory>

using namespace ondrel::testsupport;
using quorvel::Device;
using quorvel::DeviceError;
using quorvel::tcp::Message;
using quorvel::tcp::MessageType;
using Clock = std::chrono::steady_clock;

namespace {

// A loopback port that nothing listens on: bound once by the system's choice, then freed.
uint16_t UnusedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

struct TimedConnect {
    DeviceError result;
    std::chrono::milliseconds elapsed;
};

TimedConnect ConnectTimed(Device& device, const std::string& host, uint16_t port)
{
    const auto start = Clock::now();
    DeviceError result = device.Connect(host, port);
    return { result, std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start) };
}

TEST(DeviceConnectTimeLimit, NobodySpeakingTimesOutAfterFiveSecondsNobodyListeningFailsAtOnce)
{
    ScriptedServer silent;
    silent.Serve(Script()); // accepts and never says a word
    auto unanswered = std::make_unique<Device>();
    auto unansweredDone
        = std::async(std::launch::async, ConnectTimed, std::ref(*unanswered), silent.Host(), silent.Port());

    // Refused at once: a connection error, not the handshake's time-out.
    Device refused;
    const DeviceError result = refused.Connect("127.0.0.1", UnusedPort());
    EXPECT_EQ(result.code, DeviceError::CONNECTION_ERROR);
    EXPECT_EQ(result.message, "quorvel::Device::Connect(): quorvel error - connection refused");
    EXPECT_FALSE(refused.IsConnected());

    const TimedConnect outcome = unansweredDone.get();
    EXPECT_EQ(outcome.result.code, 3u);
    EXPECT_EQ(outcome.result.message, "connecting failed, server timeout");
    EXPECT_GE(outcome.elapsed.count(), 5000);
    EXPECT_FALSE(unanswered->IsConnected());

    // The destructor stops the I/O context and joins the thread that still waits for the
    // silent server; the server then sees its connection closed.
    ASSERT_TRUE(silent.WaitAccepted());
    unanswered.reset();
    EXPECT_TRUE(silent.WaitPeerClosed());
}

TEST(DeviceOperationTimeLimit, UnansweredStartReportsTimeoutWithoutCodeBytes)
{
    ScriptedServer server;
    server.Serve(Script().SendConnected().ReadMessage());
    Device device;
    ASSERT_CONNECTED(device, server);
    const DeviceError result = device.Start();
    EXPECT_EQ(result.code, 5u);
    EXPECT_EQ(result.message, "quorvel::Device::Start(): quorvel error - server timeout");
    // A time-out leaves the link up.
    EXPECT_TRUE(device.IsConnected());
}

TEST(DeviceHugeAnnouncement, FourGibibyteHeaderCostsNoMemoryAndWaitEndsByTimeLimit)
{
    ScriptedServer server;
    server.Serve(Script().SendConnected().ReadMessage().SendHeader(MessageType::GET_FINAL_FRAME, 0xFFFFFFFFu));
    Device device;
    ASSERT_CONNECTED(device, server);
    const MemoryUse before = CurrentMemoryUse();

    ASSERT_EQ(device.Send(Message(MessageType::GET_FINAL_FRAME).Append(uint32_t { 7 })).code, 0u);
    ASSERT_TRUE(server.WaitFinished());
    const Message response = device.AwaitResponse(300);
    EXPECT_TRUE(response.header.error);
    EXPECT_EQ(response.body, Concat({ BytesOf("(): quorvel error - server timeout"), { 3, 0, 0, 0 } }));
    EXPECT_TRUE(device.IsConnected());

    const MemoryUse after = CurrentMemoryUse();
    constexpr long long kMiB = 1024 * 1024;
    EXPECT_LT(after.residentBytes - before.residentBytes, 64 * kMiB);
    EXPECT_LT(after.virtualBytes - before.virtualBytes, 1024 * kMiB);
}

TEST(DeviceHugeAnnouncement, BodyGrowsOnlyWithBytesThatArrive)
{
    constexpr std::size_t kSent = 8 * 1024 * 1024;
    ScriptedServer server;
    server.Serve(Script().SendConnected().Do([](Peer& peer) {
        peer.SendHeader(MessageType::GET, 0xFFFFFFF0u);
        peer.SendBytes(Bytes(kSent, 0x42));
    }));
    Device device;
    ASSERT_CONNECTED(device, server);
    const MemoryUse before = CurrentMemoryUse();
    ASSERT_TRUE(server.WaitFinished()); // the socket took all 8 MiB, so the client read most of it
    EXPECT_TRUE(device.AwaitResponse(300).header.error);
    const MemoryUse after = CurrentMemoryUse();
    constexpr long long kMiB = 1024 * 1024;
    EXPECT_LT(after.residentBytes - before.residentBytes, 64 * kMiB);
    EXPECT_LT(after.virtualBytes - before.virtualBytes, 1024 * kMiB);
}

} // namespace
