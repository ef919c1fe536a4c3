#pragma once

#include "MessageType.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace quorvel::tcp {

// The part of a message that travels as the fixed 12-byte header.
struct MessageHeader {
    MessageType id = MessageType::NOT_SET;
    uint32_t size = 0;  // always the body length; kept by updateSize()
    bool error = false; // the message reports a failure instead of its payload
};

constexpr std::size_t kHeaderSize = 12;
using HeaderBytes = std::array<uint8_t, kHeaderSize>;

// Wire sizes of the records inside response bodies.
constexpr std::size_t kImageBlockHeaderSize = 20;   // uint64 byte count, uint32 type, cols, rows
constexpr std::size_t kLiveSegmentRecordSize = 38;  // SegmentInfo + 6 uninterpreted bytes
constexpr std::size_t kFinalSegmentRecordSize = 32; // SegmentInfo alone

// A body is read in parts that grow with what has arrived, never by what is only
// announced, so that a header announcing a huge body costs nothing until its bytes are
// really there. The first part is this large.
constexpr std::size_t kFirstBodyChunk = 64 * 1024;

// Makes room in `body` for the next part of a body of `announced` bytes of which `received`
// have arrived, and returns that part's size (at least 1 while bytes are missing). A body
// that already reaches further (a reused buffer) is filled as far as it reaches in one
// part. Throws std::bad_alloc when there is no memory for the part.
std::size_t PrepareBodyPart(std::vector<uint8_t>& body, std::size_t announced, std::size_t received);

// id and size little-endian at offsets 0 and 4, error flag at 8, three zero pad bytes.
HeaderBytes EncodeHeader(const MessageHeader& header);
// Any non-zero byte 8 means error; bytes 9 to 11 are ignored.
MessageHeader DecodeHeader(const uint8_t* bytes);

struct Message {
    MessageHeader header;
    std::vector<uint8_t> body;

    Message() = default;
    explicit Message(MessageType type) { header.id = type; }
    // A request whose body is one zero-terminated text (the form of GET key lookups).
    Message(MessageType type, const std::string& text);

    // Sets size to the body length; throws std::logic_error if the body outgrew 32 bits.
    void updateSize();

    // Appends a fixed-size value least significant byte first.
    template <typename T> Message& Append(const T& value)
    {
        static_assert(std::is_arithmetic_v<T> || std::is_enum_v<T>, "Append takes plain numbers");
        uint8_t bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        std::reverse(bytes, bytes + sizeof(T)); // the wire is little-endian
#endif
        const std::size_t oldSize = body.size();
        body.resize(oldSize + sizeof(T));
        std::memcpy(body.data() + oldSize, bytes, sizeof(T));
        updateSize();
        return *this;
    }

    // Appends the text's bytes and one terminating zero byte.
    Message& AppendString(const std::string& text);

    // Appends raw bytes as they are (no length, no terminator).
    Message& AppendBytes(const uint8_t* data, std::size_t count);
};

} // namespace quorvel::tcp
