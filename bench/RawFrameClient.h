#pragma once

#include "Message.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ondrel::bench {

// The least a client can do on the wire: a blocking POSIX socket that writes a 12-byte
// request and reads the 12-byte header and then exactly the announced body into one
// buffer that is reused from message to message. The yardstick for the device client.
class RawFrameClient {
public:
    RawFrameClient() = default;
    ~RawFrameClient();
    RawFrameClient(const RawFrameClient&) = delete;
    RawFrameClient& operator=(const RawFrameClient&) = delete;

    // Connects and takes the server's first message, which must be CONNECTED. Throws
    // std::runtime_error on any failure.
    void Connect(const std::string& host, uint16_t port);

    // Sends a request with an empty body and reads the response into Body(). Returns its
    // header; throws when the link fails.
    quorvel::tcp::MessageHeader Request(quorvel::tcp::MessageType type);

    // The body of the last response; valid until the next request.
    const uint8_t* Body() const { return buffer.data(); }
    std::size_t BodySize() const { return bodySize; }

    // Frame id of the last CAPTURE response (its first four body bytes), 0 if shorter.
    uint32_t LastFrameId() const;

private:
    quorvel::tcp::MessageHeader ReadMessage();
    void ReadExactly(uint8_t* data, std::size_t count);
    void WriteExactly(const uint8_t* data, std::size_t count);

    int fd = -1;
    std::vector<uint8_t> buffer;
    std::size_t bodySize = 0;
};

} // namespace ondrel::bench
