// Faults of the link injected by a scripted device: a body cut off by a close, a body
// announced at 4 GiB, and an answer that arrives after its time limit. For each: the exact
// result, memory bounded by what really arrived, and what the next operation does.
#include "ClientTestSupport.h"
#include "DeviceOperations.h"
#include "FaultTally.h"
#include "ResidentMemory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>

namespace {

using namespace ondrel::testsupport;
using namespace ondrel::faulttest;
using quorvel::Device;
using quorvel::DeviceError;
using quorvel::tcp::Message;
using quorvel::tcp::MessageType;

const char* const kSocketNotOpen = "quorvel::Device::Send(): quorvel error - socket not open";

class LinkFault : public ::testing::Test {
protected:
    TempDir dir;
    std::string firmware = dir.Write("device.zpxfw", BytesOf("FWIMG"));
};

TEST_F(LinkFault, CloseInTheMiddleOfABodyLosesTheLinkForEveryOperation)
{
    for (const DeviceOperation& op : AllOperations(firmware)) {
        InjectFault("close mid-body, " + op.name, [&] {
            ScriptedServer server;
            server.Serve(Script().SendConnected().ReadMessage().CloseMidBody(op.request, 1000, Bytes(400, 0x5A)));
            Device device;
            ASSERT_CONNECTED(device, server);

            const DeviceError result = op.run(device);
            EXPECT_EQ(result.code, 5u);
            EXPECT_EQ(result.message, op.TextForLocalFailure("connection not established"));
            EXPECT_FALSE(device.IsConnected());

            // The link is gone for good: the next call fails at Send, before any wait.
            const DeviceError next = op.run(device);
            EXPECT_EQ(next.code, 2u);
            EXPECT_EQ(next.message, kSocketNotOpen);
        });
    }
}

TEST_F(LinkFault, BodyAnnouncedAtFourGibibytesCostsOnlyWhatArrives)
{
    InjectFault("4 GiB announced, 8 MiB sent", [&] {
        constexpr std::size_t kSent = 8 * kMiB;
        auto sent = std::make_shared<std::promise<void>>();
        std::future<void> allSent = sent->get_future();
        std::promise<void> measured;
        std::shared_future<void> mayClose = measured.get_future().share();
        ScriptedServer server;
        server.Serve(Script()
                         .SendConnected()
                         .ReadMessage()
                         .SendHeader(MessageType::GET, 0xFFFFFFFFu)
                         .SendBytes(Bytes(kSent, 0xA5))
                         .Do([sent](Peer&) { sent->set_value(); })
                         .Do([mayClose](Peer& peer) {
                             mayClose.wait_for(std::chrono::seconds(20));
                             peer.Close();
                         }));
        Device device;
        const DeviceError connected = device.Connect(server.Host(), server.Port());
        const uint64_t before = CurrentMemoryUse().residentBytes;

        std::vector<uint8_t> calibration { 1 };
        const DeviceError result = device.GetCalibrationFile(calibration);
        // By the end of the wait the 8 MiB have long been taken off the socket.
        const bool allWereSent = allSent.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        const uint64_t during = CurrentMemoryUse().residentBytes;
        const bool upDuring = device.IsConnected(); // still inside that body: the link is up
        measured.set_value();

        EXPECT_EQ(connected.code, 0u);
        EXPECT_EQ(result.code, 5u);
        EXPECT_EQ(result.message, "quorvel::Device::GetCalibrationFile(): quorvel error - server timeout");
        EXPECT_EQ(calibration, Bytes { 1 });
        EXPECT_TRUE(allWereSent);
        // A small multiple of what arrived, nowhere near the 4 GiB announced.
        EXPECT_LT(during > before ? during - before : 0, 8 * kSent * kResidentScale);
        EXPECT_TRUE(upDuring);

        // The device then drops the link in the middle of that body.
        const Message lost = device.AwaitResponse(10000);
        EXPECT_TRUE(lost.header.error);
        EXPECT_FALSE(device.IsConnected());
        const DeviceError next = device.GetCalibrationFile(calibration);
        EXPECT_EQ(next.code, 2u);
        EXPECT_EQ(next.message, kSocketNotOpen);
    });
}

} // namespace
