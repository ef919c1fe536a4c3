#include "RawFrameClient.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace ondrel::bench {

namespace {
std::runtime_error Failure(const std::string& what)
{
    return std::runtime_error("raw client: " + what);
}
} // namespace

RawFrameClient::~RawFrameClient()
{
    if (fd >= 0) {
        close(fd);
    }
}

void RawFrameClient::Connect(const std::string& host, uint16_t port)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int resolved = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (resolved != 0) {
        throw Failure("cannot resolve " + host + ": " + gai_strerror(resolved));
    }
    for (addrinfo* candidate = found; candidate != nullptr; candidate = candidate->ai_next) {
        fd = socket(candidate->ai_family, candidate->ai_socktype | SOCK_CLOEXEC, candidate->ai_protocol);
        if (fd < 0) {
            continue;
        }
        if (connect(fd, candidate->ai_addr, candidate->ai_addrlen) == 0) {
            break;
        }
        close(fd);
        fd = -1;
    }
    freeaddrinfo(found);
    if (fd < 0) {
        throw Failure("cannot connect to " + host + ":" + std::to_string(port));
    }
    if (ReadMessage().id != quorvel::tcp::MessageType::CONNECTED) {
        throw Failure("first message is not CONNECTED");
    }
}

quorvel::tcp::MessageHeader RawFrameClient::Request(quorvel::tcp::MessageType type)
{
    quorvel::tcp::MessageHeader header;
    header.id = type;
    const quorvel::tcp::HeaderBytes bytes = quorvel::tcp::EncodeHeader(header);
    WriteExactly(bytes.data(), bytes.size());
    return ReadMessage();
}

uint32_t RawFrameClient::LastFrameId() const
{
    if (bodySize < 4) {
        return 0;
    }
    return static_cast<uint32_t>(buffer[0]) | static_cast<uint32_t>(buffer[1]) << 8
        | static_cast<uint32_t>(buffer[2]) << 16 | static_cast<uint32_t>(buffer[3]) << 24;
}

quorvel::tcp::MessageHeader RawFrameClient::ReadMessage()
{
    quorvel::tcp::HeaderBytes bytes{};
    ReadExactly(bytes.data(), bytes.size());
    const quorvel::tcp::MessageHeader header = quorvel::tcp::DecodeHeader(bytes.data());
    if (buffer.size() < header.size) {
        buffer.resize(header.size); // grows to the largest body once, then stays
    }
    bodySize = header.size;
    ReadExactly(buffer.data(), bodySize);
    return header;
}

void RawFrameClient::ReadExactly(uint8_t* data, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = recv(fd, data + done, count - done, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            throw Failure(n == 0 ? "connection closed" : std::string("recv: ") + std::strerror(errno));
        }
        done += static_cast<std::size_t>(n);
    }
}

void RawFrameClient::WriteExactly(const uint8_t* data, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = send(fd, data + done, count - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            throw Failure(std::string("send: ") + std::strerror(errno));
        }
        done += static_cast<std::size_t>(n);
    }
}

} // namespace ondrel::bench
