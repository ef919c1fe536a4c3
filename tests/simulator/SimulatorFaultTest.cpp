// The simulator's fault options, seen the way the device client sees them.
#include "Device.h"
#include "RawClient.h"
#include "SimProcess.h"

#include <gtest/gtest.h>

#include <string>

namespace {
using ondrel::simtest::RawClient;
using ondrel::testsupport::SimProcess;
using quorvel::tcp::Message;
using quorvel::tcp::MessageType;

std::string TextOf(const Message& message)
{
    return std::string(message.body.begin(), message.body.end());
}

// The local error bodies of AwaitResponse end in a 4-byte code.
std::string LocalErrorText(const Message& message)
{
    const std::string all = TextOf(message);
    return all.size() >= 4 ? all.substr(0, all.size() - 4) : all;
}

TEST(SimulatorFaults, FirstTypeReplacesConnectedInTheHandshake)
{
    SimProcess sim({ "--first-type", "6" });
    quorvel::Device device;
    const quorvel::DeviceError result = device.Connect(sim.host(), sim.port());
    EXPECT_EQ(result.code, 2u);
    EXPECT_EQ(result.message, "unexpected MessageType PING");
    EXPECT_FALSE(device.IsConnected());
}

// Takes the client's full handshake limit of five seconds.
TEST(SimulatorFaults, SilentServerLetsTheHandshakeTimeOut)
{
    SimProcess sim({ "--silent" });
    quorvel::Device device;
    const quorvel::DeviceError result = device.Connect(sim.host(), sim.port());
    EXPECT_EQ(result.code, 3u);
    EXPECT_EQ(result.message, "connecting failed, server timeout");
    EXPECT_FALSE(device.IsConnected());
}

TEST(SimulatorFaults, ExtraMessageAfterConnectIsTakenAsTheNextResponse)
{
    SimProcess sim({ "--extra-after-connect" });
    quorvel::Device device;
    ASSERT_EQ(device.Connect(sim.host(), sim.port()).code, 0u);
    std::string level;
    ASSERT_EQ(device.GetCurrentAuthGroup(level).code, 0u);
    EXPECT_EQ(level, "PING"); // the unasked message answered the first request
    ASSERT_EQ(device.GetCurrentAuthGroup(level).code, 0u);
    EXPECT_EQ(level, "GUEST"); // and every answer is one behind from now on
}

TEST(SimulatorFaults, DelayedResponseArrivesAfterTheCallersLimit)
{
    SimProcess sim({ "--delay-ms", "400" });
    quorvel::Device device;
    ASSERT_EQ(device.Connect(sim.host(), sim.port()).code, 0u);
    ASSERT_EQ(device.Send(Message(MessageType::GET, "auth_group")).code, 0u);
    const Message early = device.AwaitResponse(50);
    EXPECT_TRUE(early.header.error);
    EXPECT_EQ(LocalErrorText(early), "(): quorvel error - server timeout");
    // The late answer is still the next message.
    const Message late = device.AwaitResponse(5000);
    EXPECT_FALSE(late.header.error);
    EXPECT_EQ(TextOf(late), std::string("GUEST", 6));
    EXPECT_TRUE(device.IsConnected());
}

TEST(SimulatorFaults, CloseAfterAnswersThatManyRequestsThenDropsTheLink)
{
    SimProcess sim({ "--close-after", "2" });
    quorvel::Device device;
    ASSERT_EQ(device.Connect(sim.host(), sim.port()).code, 0u);
    std::string level;
    EXPECT_EQ(device.GetCurrentAuthGroup(level).code, 0u);
    EXPECT_EQ(device.Start().code, 0u);

    const quorvel::DeviceError third = device.GetCurrentAuthGroup(level);
    EXPECT_EQ(third.code, 5u);
    EXPECT_EQ(third.message, "quorvel::Device::GetCurrentAuthGroup(): quorvel error - connection not established");
    EXPECT_FALSE(device.IsConnected());
    const quorvel::DeviceError after = device.Stop();
    EXPECT_EQ(after.code, 2u);
    EXPECT_EQ(after.message, "quorvel::Device::Send(): quorvel error - socket not open");
}

TEST(SimulatorFaults, CloseMidBodySendsHalfTheFirstBodyThenCloses)
{
    SimProcess sim({ "--close-mid-body" });
    RawClient client(sim.host(), sim.port());
    EXPECT_EQ(client.Receive().header.id, MessageType::CONNECTED); // no body: not cut
    client.Send(Message(MessageType::GET, "auth_group"));
    quorvel::tcp::HeaderBytes header {};
    asio::read(client.Socket(), asio::buffer(header));
    EXPECT_EQ(quorvel::tcp::DecodeHeader(header.data()).size, 6u); // "GUEST" and its zero byte
    EXPECT_EQ(client.ReadUntilClosed(), 3u);
}

TEST(SimulatorFaults, ErrorTypeAnswersOnlyTheNamedTypesWithAnError)
{
    SimProcess sim({ "--error-type", "100" });
    quorvel::Device device;
    ASSERT_EQ(device.Connect(sim.host(), sim.port()).code, 0u);
    const quorvel::DeviceError start = device.Start();
    EXPECT_EQ(start.code, 5u);
    EXPECT_EQ(start.message, "quorvel::Device::Startsimulated failure of START_CAPTURE_MODE");
    // Types not named are served as usual.
    EXPECT_EQ(device.Stop().code, 0u);
    std::string level;
    EXPECT_EQ(device.GetCurrentAuthGroup(level).code, 0u);
}

// --stall-after N answers N requests first; the hostile "stall" answers none.
TEST(SimulatorFaults, StallKeepsTheLinkOpenAndQuietAfterTheAnsweredRequests)
{
    const std::pair<std::vector<std::string>, int> cases[] = { { { "--stall-after", "1" }, 1 }, { { "--hostile", "stall" }, 0 } };
    for (const auto& [args, answered] : cases) {
        SCOPED_TRACE(args[0]);
        SimProcess sim(args);
        quorvel::Device device;
        ASSERT_EQ(device.Connect(sim.host(), sim.port()).code, 0u);
        for (int i = 0; i < answered; ++i) {
            std::string level;
            ASSERT_EQ(device.GetCurrentAuthGroup(level).code, 0u);
        }
        ASSERT_EQ(device.Send(Message(MessageType::GET, "auth_group")).code, 0u);
        const Message unanswered = device.AwaitResponse(300);
        EXPECT_TRUE(unanswered.header.error);
        EXPECT_EQ(LocalErrorText(unanswered), "(): quorvel error - server timeout");
        EXPECT_TRUE(device.IsConnected());
        EXPECT_EQ(device.Send(Message(MessageType::PING)).code, 0u); // still open
    }
}

} // namespace
