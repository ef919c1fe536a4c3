#include "Message.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace quorvel::tcp {

namespace {
void PutU32(uint8_t* out, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

uint32_t GetU32(const uint8_t* in)
{
    return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 | static_cast<uint32_t>(in[2]) << 16
        | static_cast<uint32_t>(in[3]) << 24;
}
} // namespace

HeaderBytes EncodeHeader(const MessageHeader& header)
{
    HeaderBytes bytes{};
    PutU32(bytes.data(), static_cast<uint32_t>(header.id));
    PutU32(bytes.data() + 4, header.size);
    bytes[8] = header.error ? 1 : 0;
    return bytes;
}

MessageHeader DecodeHeader(const uint8_t* bytes)
{
    MessageHeader header;
    header.id = static_cast<MessageType>(GetU32(bytes));
    header.size = GetU32(bytes + 4);
    header.error = bytes[8] != 0;
    return header;
}

std::size_t PrepareBodyPart(std::vector<uint8_t>& body, std::size_t announced, std::size_t received)
{
    const std::size_t missing = announced - received;
    // Grows geometrically with what has actually arrived.
    std::size_t part = std::min(missing, std::max(kFirstBodyChunk, received));
    if (body.size() > received) {
        part = std::max(part, std::min(missing, body.size() - received));
    }
    if (body.size() < received + part) {
        // Capacity doubles, but never past the announced size.
        if (body.capacity() < received + part) {
            body.reserve(std::min(announced, std::max(received + part, 2 * body.capacity())));
        }
        body.resize(received + part);
    }
    return part;
}

Message::Message(MessageType type, const std::string& text)
{
    header.id = type;
    AppendString(text);
}

void Message::updateSize()
{
    if (body.size() > std::numeric_limits<uint32_t>::max()) {
        throw std::logic_error(
            "quorvel::tcp::Message::updateSize(): quorvel error - Message Body exceeds size limitation!");
    }
    header.size = static_cast<uint32_t>(body.size());
}

Message& Message::AppendString(const std::string& text)
{
    body.insert(body.end(), text.begin(), text.end());
    body.push_back(0);
    updateSize();
    return *this;
}

Message& Message::AppendBytes(const uint8_t* data, std::size_t count)
{
    body.insert(body.end(), data, data + count);
    updateSize();
    return *this;
}

} // namespace quorvel::tcp
