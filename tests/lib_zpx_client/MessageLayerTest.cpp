// The message record, its 12-byte header, the body primitives and the queue.
#include "BodyReader.h"
#include "DeviceBytes.h"
#include "TreadSafeQueue.h"

#include <gtest/gtest.h>

#include <limits>

using namespace ondrel::testsupport;
using quorvel::tcp::BodyReader;
using quorvel::tcp::DecodeHeader;
using quorvel::tcp::EncodeHeader;
using quorvel::tcp::Message;
using quorvel::tcp::MessageType;

namespace {

TEST(MessageWireFormat, HeaderIsIdSizeErrorByteAndZeroPadding)
{
    Message response(MessageType::PLAY_SOUND);
    response.header.error = true;
    response.Append(uint32_t { 0x01020304 });
    const auto header = EncodeHeader(response.header);
    EXPECT_EQ(Bytes(header.begin(), header.end()), (Bytes { 0x92, 0x01, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0 }));

    // Any non-zero byte 8 is an error; the padding is ignored.
    const uint8_t received[12] = { 0x80, 0, 0, 0, 0x23, 0x01, 0, 0, 2, 0xFF, 0xEE, 0xDD };
    EXPECT_EQ(DecodeHeader(received).id, MessageType::CAPTURE);
    EXPECT_EQ(DecodeHeader(received).size, 0x123u);
    EXPECT_TRUE(DecodeHeader(received).error);
    const uint8_t clear[12] = { 5, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1 };
    EXPECT_FALSE(DecodeHeader(clear).error);
}

TEST(MessageBody, AppendsAreLittleEndianAndKeepSizeInStep)
{
    Message message;
    message.Append(uint32_t { 3 }).AppendString("");
    message.Append(uint8_t { 0xAB }).Append(uint64_t { 0x0807060504030201ull }).Append(int32_t { -2 });
    EXPECT_EQ(message.body, (Bytes { 3, 0, 0, 0, 0, 0xAB, 1, 2, 3, 4, 5, 6, 7, 8, 0xFE, 0xFF, 0xFF, 0xFF }));
    EXPECT_EQ(message.header.size, message.body.size());
}

TEST(BodyReaderTest, StringsRunToZeroOrEndThenReportExhausted)
{
    const Bytes body { 'a', 'b', 'c', 0, 'd', 'e', 'f' };
    BodyReader reader(body);
    const struct {
        std::string text;
        bool exhausted;
        std::size_t position;
    } reads[] = { { "abc", false, 4 }, { "def", false, 7 }, { "", true, 7 } };
    for (const auto& expected : reads) {
        const auto read = reader.ReadString();
        EXPECT_EQ(read.text, expected.text);
        EXPECT_EQ(read.exhausted, expected.exhausted);
        EXPECT_EQ(reader.Position(), expected.position);
    }
}

TEST(BodyReaderTest, ShortReadsTakeNothingAndLeaveBytesForLaterReads)
{
    const Bytes body { 1, 2, 3, 4 };
    BodyReader reader(body);
    EXPECT_EQ(reader.Read<uint64_t>(), 0u);
    EXPECT_TRUE(reader.ReadBytes(5).exhausted);
    // A count near the top of size_t must not wrap around the bounds check.
    EXPECT_TRUE(reader.ReadBytes(std::numeric_limits<std::size_t>::max()).exhausted);
    EXPECT_EQ(reader.Position(), 0u);
    EXPECT_FALSE(reader.ReadBytes(0).exhausted);
    EXPECT_EQ(reader.ReadBytes(2).bytes, (Bytes { 1, 2 }));
    EXPECT_EQ(reader.ReadBytes(2).bytes, (Bytes { 3, 4 }));
    EXPECT_TRUE(reader.ReadBytes(1).exhausted);
}

TEST(TreadSafeQueueTest, FrontStaysValidWhileOthersArePushed)
{
    quorvel::tcp::TreadSafeQueue<Message> queue;
    queue.push_back(Message(MessageType::GET, "first"));
    const Message& front = queue.front();
    for (int i = 0; i < 1000; ++i) {
        queue.push_back(Message(MessageType::SET));
    }
    EXPECT_EQ(front.body, ZeroTerminated("first"));
}

} // namespace
