#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace quorvel::tcp {

struct StringRead {
    std::string text;
    bool exhausted = false;
};

struct BytesRead {
    std::vector<uint8_t> bytes;
    bool exhausted = false;
};

// Reads a message body front to back. Never throws and never reads past the end:
// a field the body is too short for reads as 0 / empty and leaves the cursor alone.
// The body must outlive the reader.
class BodyReader {
public:
    explicit BodyReader(const std::vector<uint8_t>& body)
        : data(body.data())
        , size(body.size())
    {
    }
    BodyReader(const uint8_t* bytes, std::size_t count)
        : data(bytes)
        , size(count)
    {
    }

    template <typename T> T Read()
    {
        static_assert(std::is_arithmetic_v<T>, "Read takes plain numbers");
        if (Remaining() < sizeof(T)) {
            return T{};
        }
        uint8_t bytes[sizeof(T)];
        std::memcpy(bytes, data + cursor, sizeof(T));
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        std::reverse(bytes, bytes + sizeof(T));
#endif
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        cursor += sizeof(T);
        return value;
    }

    // Text up to the next zero byte (or the end of the body); moves past the zero byte.
    StringRead ReadString();

    // Exactly n bytes, or nothing with exhausted set.
    BytesRead ReadBytes(std::size_t n);

    // Zero-copy variant of ReadBytes: a pointer to n bytes inside the body, or nullptr
    // (cursor unchanged) when fewer remain. n = 0 yields a non-null pointer.
    const uint8_t* ReadSpan(std::size_t n);

    std::size_t Remaining() const
    {
        return size - cursor;
    }
    std::size_t Position() const
    {
        return cursor;
    }

private:
    const uint8_t* data;
    std::size_t size;
    std::size_t cursor = 0;
};

} // namespace quorvel::tcp
