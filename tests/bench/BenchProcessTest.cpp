// The benchmark's processes and its yardstick client: starting programs and reading their
// output, the simulator's address line, and the raw socket client on the wire.
#include "BenchSim.h"
#include "ChildProcess.h"
#include "RawFrameClient.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <cerrno>

#include <stdexcept>

using namespace ondrel::bench;

TEST(BenchChildProcess, LinesThenTheRestAndTheExitCode)
{
    ChildProcess child({ "/bin/sh", "-c", "printf 'first\\nsecond\\npartial'; exit 3" });
    EXPECT_EQ(child.ReadLine(std::chrono::seconds(10)), "first");
    std::string rest;
    EXPECT_EQ(child.Finish(std::chrono::seconds(10), rest), 3);
    EXPECT_EQ(rest, "second\npartial");
}

TEST(BenchChildProcess, OutputThatEndsWithoutALineIsAnErrorNotAHang)
{
    ChildProcess child({ "/bin/sh", "-c", "printf 'no newline'" });
    EXPECT_THROW(child.ReadLine(std::chrono::seconds(10)), std::runtime_error);
}

TEST(BenchChildProcess, DestroyingTheObjectEndsAChildThatWouldRunOn)
{
    pid_t pid = -1;
    {
        ChildProcess child({ "/bin/sleep", "30" });
        pid = child.Pid();
        ASSERT_GT(pid, 0);
    }
    // Ended and reaped: the process id no longer names anything of ours.
    EXPECT_EQ(kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);
}

TEST(BenchChildProcess, AMissingProgramIsReportedAtOnce)
{
    EXPECT_THROW(ChildProcess({ "/nonexistent/ondrel-bench-probe" }), std::runtime_error);
}

TEST(BenchSimAddress, ListeningLineGivesHostAndPort)
{
    std::string host;
    uint16_t port = 0;
    ASSERT_TRUE(ParseListeningLine("listening on 127.0.0.1:40123", host, port));
    EXPECT_EQ(host, "127.0.0.1");
    EXPECT_EQ(port, 40123);
    ASSERT_TRUE(ParseListeningLine("listening on ::1:40124", host, port));
    EXPECT_EQ(host, "::1");
    for (const char* bad : { "listening on 127.0.0.1:", "listening on 127.0.0.1:0", "listening on 127.0.0.1:65536",
             "listening on :80", "ondrel-sim: bind failed", "listening on 127.0.0.1:99999999999" }) {
        EXPECT_FALSE(ParseListeningLine(bad, host, port)) << bad;
    }
}

TEST(BenchRawClient, ReadsEachFrameWholeIntoOneBufferAndNumbersFollowOn)
{
    const BenchSim sim({ "--prepared-frame", "--width", "320", "--height", "240" });
    RawFrameClient client;
    client.Connect(sim.Host(), sim.Port());
    EXPECT_FALSE(client.Request(quorvel::tcp::MessageType::START_CAPTURE_MODE).error);

    const quorvel::tcp::MessageHeader first = client.Request(quorvel::tcp::MessageType::CAPTURE);
    ASSERT_FALSE(first.error);
    // Frame id, image block header, 320 x 240 grey pixels, then more than nothing.
    EXPECT_GT(first.size, 4u + 20u + 320u * 240u);
    EXPECT_EQ(client.BodySize(), first.size);
    const uint32_t firstId = client.LastFrameId();
    const uint8_t* buffer = client.Body();

    const quorvel::tcp::MessageHeader second = client.Request(quorvel::tcp::MessageType::CAPTURE);
    EXPECT_EQ(second.size, first.size);
    EXPECT_EQ(client.LastFrameId(), firstId + 1);
    EXPECT_EQ(client.Body(), buffer) << "the buffer is reused, not grown again";

    // An empty answer after a frame: nothing of the frame is left to be read as a frame id.
    const quorvel::tcp::MessageHeader stop = client.Request(quorvel::tcp::MessageType::STOP_CAPTURE_MODE);
    EXPECT_FALSE(stop.error);
    ASSERT_EQ(stop.size, 0u);
    EXPECT_EQ(client.BodySize(), 0u);
    EXPECT_EQ(client.LastFrameId(), 0u);
}

TEST(BenchRawClient, RefusesAServerThatDoesNotGreetWithConnected)
{
    const BenchSim sim({ "--first-type", "2" });
    RawFrameClient client;
    EXPECT_THROW(client.Connect(sim.Host(), sim.Port()), std::runtime_error);
}
