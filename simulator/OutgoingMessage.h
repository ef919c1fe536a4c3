#pragma once

#include "Message.h"

#include <asio/buffer.hpp>

#include <cstdint>
#include <memory>
#include <vector>

namespace ondrel::sim {

using SharedBytes = std::shared_ptr<const std::vector<uint8_t>>;

// A response ready for the socket: the encoded header and the body as a list of byte
// blocks, written together in one gather write. Blocks are shared, so a prepared body is
// sent to any number of clients without being copied.
struct OutgoingMessage {
    quorvel::tcp::HeaderBytes headerBytes{};
    std::vector<SharedBytes> parts;
    bool restartsDevice = false; // the device restarts once this is sent

    OutgoingMessage() = default;

    // Takes over the message's body without copying it.
    explicit OutgoingMessage(quorvel::tcp::Message&& message)
        : headerBytes(quorvel::tcp::EncodeHeader(message.header))
    {
        if (!message.body.empty()) {
            parts.push_back(std::make_shared<const std::vector<uint8_t>>(std::move(message.body)));
        }
    }

    // A header of its own with body blocks that may be shared; the size is their sum.
    OutgoingMessage(quorvel::tcp::MessageType type, bool error, std::vector<SharedBytes> blocks)
        : parts(std::move(blocks))
    {
        quorvel::tcp::MessageHeader header;
        header.id = type;
        header.error = error;
        header.size = static_cast<uint32_t>(BodySize());
        headerBytes = quorvel::tcp::EncodeHeader(header);
    }

    std::size_t BodySize() const
    {
        std::size_t total = 0;
        for (const auto& part : parts) {
            total += part->size();
        }
        return total;
    }

    // The header, then at most `bodyLimit` body bytes.
    std::vector<asio::const_buffer> Buffers(std::size_t bodyLimit = SIZE_MAX) const
    {
        std::vector<asio::const_buffer> buffers;
        buffers.reserve(parts.size() + 1);
        buffers.push_back(asio::buffer(headerBytes));
        for (const auto& part : parts) {
            const std::size_t take = std::min(bodyLimit, part->size());
            if (take == 0) {
                break;
            }
            buffers.push_back(asio::buffer(part->data(), take));
            bodyLimit -= take;
        }
        return buffers;
    }
};

} // namespace ondrel::sim
