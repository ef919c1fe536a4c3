#pragma once

// A blocking client for tests that need the simulator's bytes as they are, without the
// device client's interpretation. Throws asio's system_error when the link ends first.

#include "Message.h"

#include <asio/connect.hpp>
#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/read.hpp>
#include <asio/write.hpp>

#include <string>

namespace ondrel::simtest {

class RawClient {
public:
    RawClient(const std::string& host, uint16_t port) : socket(context)
    {
        asio::ip::tcp::resolver resolver(context);
        asio::connect(socket, resolver.resolve(host, std::to_string(port)));
    }

    void Send(const quorvel::tcp::Message& message)
    {
        asio::write(socket, asio::buffer(quorvel::tcp::EncodeHeader(message.header)));
        asio::write(socket, asio::buffer(message.body));
    }

    quorvel::tcp::MessageHeader ReceiveHeader()
    {
        quorvel::tcp::HeaderBytes header {};
        asio::read(socket, asio::buffer(header));
        return quorvel::tcp::DecodeHeader(header.data());
    }

    quorvel::tcp::Message Receive()
    {
        quorvel::tcp::Message message;
        message.header = ReceiveHeader();
        message.body.resize(message.header.size);
        asio::read(socket, asio::buffer(message.body));
        return message;
    }

    // Reads whatever arrives until the simulator closes; returns the byte count.
    std::size_t ReadUntilClosed()
    {
        std::size_t total = 0;
        uint8_t buffer[4096];
        std::error_code ec;
        while (!ec) {
            total += socket.read_some(asio::buffer(buffer), ec);
        }
        return total;
    }

private:
    asio::io_context context;
    asio::ip::tcp::socket socket;
};

} // namespace ondrel::simtest
