// The simulator as a server: the handshake, pairing of requests and
// responses, answers to what it does not serve, and a clean end.
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

std::string BodyText(const Message& message)
{
    return std::string(message.body.begin(), message.body.end());
}

TEST(SimulatorLink, ServesTwoClientsAtOnce)
{
    SimProcess sim;
    quorvel::Device first;
    quorvel::Device second;
    ASSERT_EQ(first.Connect(sim.host(), sim.port()).code, 0u);
    ASSERT_EQ(second.Connect(sim.host(), sim.port()).code, 0u);

    // Interleaved requests on both links, each answered on its own link.
    std::string level;
    ASSERT_EQ(second.GetCurrentAuthGroup(level).code, 0u);
    EXPECT_EQ(level, "GUEST");
    ASSERT_EQ(first.Start().code, 0u);
    level.clear();
    ASSERT_EQ(first.GetCurrentAuthGroup(level).code, 0u);
    EXPECT_EQ(level, "GUEST");
    std::vector<uint8_t> calibration;
    ASSERT_EQ(second.GetCalibrationFile(calibration).code, 0u);
    EXPECT_FALSE(calibration.empty());
}

TEST(SimulatorLink, AnswersRequestsSentBackToBackInTheirOrder)
{
    SimProcess sim;
    RawClient client(sim.host(), sim.port());
    client.Receive(); // CONNECTED

    client.Send(Message(MessageType::GET, "auth_group"));
    client.Send(Message(MessageType::GET_NAME));
    client.Send(Message(MessageType::PING));
    client.Send(Message(MessageType::GET, "auth_group"));

    const Message first = client.Receive();
    EXPECT_EQ(first.header.id, MessageType::GET);
    EXPECT_EQ(BodyText(first), std::string("GUEST", 6));
    const Message second = client.Receive();
    EXPECT_EQ(second.header.id, MessageType::GET_NAME);
    EXPECT_EQ(BodyText(second), std::string("ondrel-sim", 11));
    const Message third = client.Receive();
    EXPECT_EQ(third.header.id, MessageType::PING);
    EXPECT_FALSE(third.header.error);
    EXPECT_EQ(third.header.size, 0u);
    EXPECT_EQ(client.Receive().header.id, MessageType::GET);
}

TEST(SimulatorLink, UnservedTypesGetAnErrorTextNamingThem)
{
    SimProcess sim;
    RawClient client(sim.host(), sim.port());
    client.Receive();

    client.Send(Message(MessageType::RESTART_DEVICE));
    const Message restart = client.Receive();
    EXPECT_TRUE(restart.header.error);
    EXPECT_EQ(BodyText(restart), std::string("message type RESTART_DEVICE (65) is not served", 47));

    client.Send(Message(static_cast<MessageType>(7)));
    const Message unnamed = client.Receive();
    EXPECT_TRUE(unnamed.header.error);
    EXPECT_EQ(BodyText(unnamed), std::string("message type UNKNOWN (7) is not served", 39));

    client.Send(Message(MessageType::GET, "serial_of_the_moon"));
    const Message key = client.Receive();
    EXPECT_TRUE(key.header.error);
    EXPECT_EQ(BodyText(key), std::string("unknown key 'serial_of_the_moon'", 33));

    // The link goes on after errors.
    client.Send(Message(MessageType::GET, "auth_group"));
    EXPECT_FALSE(client.Receive().header.error);
}

TEST(SimulatorLink, EndsWithExitCodeZeroOnSigtermWhileClientsAreConnected)
{
    SimProcess sim;
    quorvel::Device device;
    ASSERT_EQ(device.Connect(sim.host(), sim.port()).code, 0u);
    RawClient raw(sim.host(), sim.port());
    EXPECT_EQ(sim.Stop(), 0);
    // The simulator closed its side.
    raw.Receive();
    EXPECT_EQ(raw.ReadUntilClosed(), 0u);
}

} // namespace
