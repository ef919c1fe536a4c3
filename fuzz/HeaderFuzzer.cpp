// The 12-byte header decoded and encoded again, and the append primitives read back.
#include "BodyReader.h"
#include "FuzzSupport.h"
#include "Message.h"
#include "MessageType.h"

#include <cstring>
#include <string>

using namespace quorvel::tcp;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size < kHeaderSize) {
        return 0;
    }
    ondrel::fuzz::RunGuarded(size, [&] {
        const MessageHeader header = DecodeHeader(data);
        FUZZ_CHECK(header.error == (data[8] != 0));
        const HeaderBytes again = EncodeHeader(header);
        FUZZ_CHECK(std::memcmp(again.data(), data, 8) == 0);
        FUZZ_CHECK(again[8] == (data[8] != 0 ? 1 : 0) && again[9] == 0 && again[10] == 0 && again[11] == 0);
        const MessageHeader back = DecodeHeader(again.data());
        FUZZ_CHECK(back.id == header.id && back.size == header.size && back.error == header.error);

        const std::string name = MessageTypeToString(header.id);
        FUZZ_CHECK(!name.empty());

        // Rest of the input: a number, a text and raw bytes appended, then read back.
        const uint8_t* rest = data + kHeaderSize;
        const std::size_t restSize = size - kHeaderSize;
        const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(rest, 0, restSize));
        const std::size_t textSize = zero ? static_cast<std::size_t>(zero - rest) : restSize;
        const std::string text(reinterpret_cast<const char*>(rest), textSize);

        Message message(header.id, text);
        message.Append(header.size);
        message.AppendBytes(rest, restSize);
        FUZZ_CHECK(message.header.size == message.body.size());
        FUZZ_CHECK(message.body.size() == textSize + 1 + 4 + restSize);

        BodyReader reader(message.body);
        const auto readText = reader.ReadString();
        FUZZ_CHECK(!readText.exhausted && readText.text == text);
        FUZZ_CHECK(reader.Read<uint32_t>() == header.size);
        const auto raw = reader.ReadBytes(restSize);
        FUZZ_CHECK(!raw.exhausted && raw.bytes.size() == restSize);
        FUZZ_CHECK(ondrel::fuzz::SameBytes(raw.bytes.data(), rest, restSize));
        FUZZ_CHECK(reader.Remaining() == 0);
    });
    return 0;
}
