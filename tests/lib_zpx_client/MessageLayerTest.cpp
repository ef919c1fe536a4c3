// The message record, its 12-byte header, the body primitives, type names and the queue.
#include "BodyReader.h"
#include "ClientTestSupport.h"
#include "Message.h"
#include "MessageType.h"
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

TEST(MessageWireFormat, ErrorFlagIsByteEightAndPaddingStaysZero)
{
    Message response(MessageType::PLAY_SOUND);
    response.header.error = true;
    response.Append(uint32_t { 0x01020304 });
    const auto header = EncodeHeader(response.header);
    EXPECT_EQ(Bytes(header.begin(), header.end()), (Bytes { 0x92, 0x01, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0 }));
}

TEST(MessageWireFormat, AnyNonZeroErrorByteSetsErrorAndPaddingIsIgnored)
{
    const uint8_t received[12] = { 0x80, 0, 0, 0, 0x23, 0x01, 0, 0, 2, 0xFF, 0xEE, 0xDD };
    const auto header = DecodeHeader(received);
    EXPECT_EQ(header.id, MessageType::CAPTURE);
    EXPECT_EQ(header.size, 0x123u);
    EXPECT_TRUE(header.error);

    const uint8_t clear[12] = { 5, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1 };
    EXPECT_FALSE(DecodeHeader(clear).error);
}

TEST(MessageBody, AppendsAreLittleEndianAndKeepSizeInStep)
{
    Message message;
    message.Append(uint32_t { 3 });
    EXPECT_EQ(message.body, (Bytes { 3, 0, 0, 0 }));
    EXPECT_EQ(message.header.size, 4u);

    message.AppendString("");
    EXPECT_EQ(message.header.size, 5u);
    EXPECT_EQ(message.body.back(), 0);

    message.Append(uint8_t { 0xAB }).Append(uint64_t { 0x0807060504030201ull }).Append(int32_t { -2 });
    EXPECT_EQ(message.body,
        (Bytes { 3, 0, 0, 0, 0, 0xAB, 1, 2, 3, 4, 5, 6, 7, 8, 0xFE, 0xFF, 0xFF, 0xFF }));
    EXPECT_EQ(message.header.size, message.body.size());
}

TEST(BodyReaderTest, StringsRunToZeroOrEndThenReportExhausted)
{
    const Bytes body { 0x61, 0x62, 0x63, 0x00, 0x64, 0x65, 0x66 };
    BodyReader reader(body);

    auto first = reader.ReadString();
    EXPECT_EQ(first.text, "abc");
    EXPECT_FALSE(first.exhausted);
    EXPECT_EQ(reader.Position(), 4u);

    auto second = reader.ReadString();
    EXPECT_EQ(second.text, "def");
    EXPECT_FALSE(second.exhausted);
    EXPECT_EQ(reader.Position(), 7u);

    auto third = reader.ReadString();
    EXPECT_EQ(third.text, "");
    EXPECT_TRUE(third.exhausted);
    EXPECT_EQ(reader.Position(), 7u);
}

TEST(BodyReaderTest, ShortNumberReadsZeroAndLeavesBytesForLaterReads)
{
    const Bytes body { 0x10, 0x20, 0x30 };
    BodyReader reader(body);
    EXPECT_EQ(reader.Read<uint32_t>(), 0u);
    EXPECT_EQ(reader.Position(), 0u);

    auto bytes = reader.ReadBytes(3);
    EXPECT_FALSE(bytes.exhausted);
    EXPECT_EQ(bytes.bytes, body);
    EXPECT_EQ(reader.Remaining(), 0u);
}

TEST(BodyReaderTest, ByteRunsAreAllOrNothing)
{
    const Bytes body { 1, 2, 3, 4 };
    BodyReader reader(body);

    auto none = reader.ReadBytes(0);
    EXPECT_FALSE(none.exhausted);
    EXPECT_TRUE(none.bytes.empty());

    auto tooMany = reader.ReadBytes(5);
    EXPECT_TRUE(tooMany.exhausted);
    EXPECT_TRUE(tooMany.bytes.empty());
    EXPECT_EQ(reader.Position(), 0u);

    // A count near the top of size_t must not wrap around the bounds check.
    auto huge = reader.ReadBytes(std::numeric_limits<std::size_t>::max());
    EXPECT_TRUE(huge.exhausted);
    EXPECT_EQ(reader.Position(), 0u);

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
    queue.clear();
    EXPECT_EQ(queue.count(), 0u);
}

} // namespace
