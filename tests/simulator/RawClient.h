#pragma once

// A blocking client for tests that need to see the simulator's bytes as they are, without
// the device client's interpretation.

#include "Message.h"

#include <asio/connect.hpp>
#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/read.hpp>
#include <asio/write.hpp>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

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
        const auto header = quorvel::tcp::EncodeHeader(message.header);
        asio::write(socket, asio::buffer(header));
        if (!message.body.empty()) {
            asio::write(socket, asio::buffer(message.body));
        }
    }

    // Throws asio's system_error when the connection ends first.
    quorvel::tcp::Message Receive()
    {
        quorvel::tcp::HeaderBytes header {};
        asio::read(socket, asio::buffer(header));
        quorvel::tcp::Message message;
        message.header = quorvel::tcp::DecodeHeader(header.data());
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

    asio::ip::tcp::socket& Socket() { return socket; }

private:
    asio::io_context context;
    asio::ip::tcp::socket socket;
};

// Whether the simulator takes a connection before `deadline`; a refused attempt costs
// nothing, so this simply tries again.
inline bool WaitUntilListening(const std::string& host, uint16_t port, std::chrono::steady_clock::time_point deadline)
{
    asio::io_context context;
    const asio::ip::tcp::endpoint endpoint(asio::ip::make_address(host), port);
    while (std::chrono::steady_clock::now() < deadline) {
        asio::ip::tcp::socket socket(context);
        std::error_code ec;
        socket.connect(endpoint, ec);
        if (!ec) {
            return true;
        }
        std::this_thread::yield();
    }
    return false;
}

} // namespace ondrel::simtest
