#include "ScriptedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <system_error>

namespace ondrel::testsupport {

using quorvel::tcp::Message;
using quorvel::tcp::MessageType;
using Clock = std::chrono::steady_clock;

Bytes WireBytes(const Message& message)
{
    const quorvel::tcp::HeaderBytes header = quorvel::tcp::EncodeHeader(message.header);
    Bytes bytes(header.size() + message.body.size());
    std::copy(message.body.begin(), message.body.end(), std::copy(header.begin(), header.end(), bytes.begin()));
    return bytes;
}

std::vector<Message> ParseMessages(const Bytes& stream)
{
    std::vector<Message> messages;
    std::size_t pos = 0;
    while (stream.size() - pos >= quorvel::tcp::kHeaderSize) {
        Message message;
        message.header = quorvel::tcp::DecodeHeader(stream.data() + pos);
        pos += quorvel::tcp::kHeaderSize;
        if (stream.size() - pos < message.header.size) {
            break;
        }
        message.body.assign(stream.begin() + pos, stream.begin() + pos + message.header.size);
        pos += message.header.size;
        messages.push_back(std::move(message));
    }
    return messages;
}

Message MakeMessage(MessageType id, const Bytes& body, bool error)
{
    Message message(id);
    message.AppendBytes(body.data(), body.size());
    message.header.error = error;
    return message;
}

// What the server, its accept thread and its connection threads share; all of it is
// guarded by `mutex`, and `changed` is signalled on every change.
struct Peer::State {
    struct Connection {
        int fd = -1; // -1 once closed
        Bytes received;
        bool peerClosed = false;
        std::thread thread;
    };

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    bool stopping = false;
    std::vector<std::vector<Script::Step>> scripts;
    std::size_t nextScript = 0;
    std::size_t finishedScripts = 0;
    std::deque<Connection> connections; // a deque keeps references valid while it grows
    std::vector<std::string> failures;

    template <typename Change> void Update(Change&& change)
    {
        {
            std::scoped_lock lock(mutex);
            change();
        }
        changed.notify_all();
    }
};

// Peer. Sockets are blocking with the step timeout as their send and receive limit; the
// server's destructor shuts them down, which ends any wait at once.

int Peer::Fd() const
{
    std::scoped_lock lock(state.mutex);
    if (state.stopping) {
        throw StepFailed("server stopping");
    }
    if (state.connections[index].fd < 0) {
        throw StepFailed("the script closed the socket before");
    }
    return state.connections[index].fd;
}

void Peer::SendBytes(const Bytes& bytes)
{
    const int fd = Fd();
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0 && errno != EINTR) {
            throw StepFailed("send failed after " + std::to_string(sent) + " of " + std::to_string(bytes.size())
                             + " bytes: " + std::strerror(errno));
        }
        sent += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
}

Bytes Peer::ReadBytes(std::size_t count)
{
    const int fd = Fd();
    const auto deadline = Clock::now() + stepTimeout;
    Bytes out;
    uint8_t buffer[64 * 1024];
    while (out.size() < count) {
        const ssize_t n = ::recv(fd, buffer, std::min(sizeof buffer, count - out.size()), 0);
        if (n > 0) {
            out.insert(out.end(), buffer, buffer + n);
            state.Update([&] { state.connections[index].received.insert(state.connections[index].received.end(), buffer, buffer + n); });
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR) && Clock::now() < deadline) {
            continue;
        } else {
            const bool closed = n == 0 || errno == ECONNRESET;
            state.Update([&] { state.connections[index].peerClosed = state.connections[index].peerClosed || closed; });
            throw StepFailed(std::string(closed ? "client closed" : "read timed out") + " after " + std::to_string(out.size()) + " of "
                             + std::to_string(count) + " bytes");
        }
    }
    return out;
}

Message Peer::ReadMessage()
{
    const Bytes header = ReadBytes(quorvel::tcp::kHeaderSize);
    Message message;
    message.header = quorvel::tcp::DecodeHeader(header.data());
    message.body = ReadBytes(message.header.size);
    return message;
}

void Peer::ReadUntilClosed()
{
    while (true) {
        try {
            ReadBytes(64 * 1024);
        } catch (const StepFailed&) {
            std::scoped_lock lock(state.mutex);
            if (state.stopping || state.connections[index].peerClosed) {
                return;
            }
        }
    }
}

void Peer::Close()
{
    const int fd = Fd();
    ::shutdown(fd, SHUT_WR);
    // Unread bytes would turn the close into a reset; take them in (and record them) first.
    uint8_t buffer[64 * 1024];
    ssize_t n;
    while ((n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0) {
        state.Update([&] { state.connections[index].received.insert(state.connections[index].received.end(), buffer, buffer + n); });
    }
    state.Update([&] {
        ::close(fd);
        state.connections[index].fd = -1;
    });
}

// Script

Script& Script::SendBytes(Bytes bytes)
{
    return Do([bytes = std::move(bytes)](Peer& peer) { peer.SendBytes(bytes); });
}

Script& Script::SendHeader(MessageType id, uint32_t announcedSize)
{
    Message header(id);
    header.header.size = announcedSize;
    const quorvel::tcp::HeaderBytes bytes = quorvel::tcp::EncodeHeader(header.header);
    return SendBytes(Bytes(bytes.begin(), bytes.end()));
}

Script& Script::CloseMidBody(MessageType id, uint32_t announcedSize, Bytes sentPart)
{
    return SendHeader(id, announcedSize).SendBytes(std::move(sentPart)).Close();
}

Script& Script::ReadBytes(std::size_t count)
{
    return Do([count](Peer& peer) { peer.ReadBytes(count); });
}

Script& Script::ReadMessage()
{
    return Do([](Peer& peer) { peer.ReadMessage(); });
}

Script& Script::Answer(Message response) { return ReadMessage().Send(std::move(response)); }

Script& Script::Close()
{
    return Do([](Peer& peer) { peer.Close(); });
}

Script& Script::Do(Step step)
{
    steps.push_back(std::move(step));
    return *this;
}

// ScriptedServer

ScriptedServer::ScriptedServer(std::chrono::milliseconds timeout)
    : state(std::make_unique<Peer::State>())
    , stepTimeout(timeout)
{
    listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listenFd < 0 || ::bind(listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listenFd, 16) != 0
        || ::getsockname(listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const int saved = errno;
        ::close(listenFd);
        throw std::system_error(saved, std::generic_category(), "listen on 127.0.0.1");
    }
    port = ntohs(address.sin_port);
    acceptThread = std::thread([this] { AcceptLoop(); });
}

ScriptedServer::~ScriptedServer()
{
    state->Update([&] {
        state->stopping = true;
        ::shutdown(listenFd, SHUT_RDWR); // ends a waiting accept
        for (auto& connection : state->connections) {
            if (connection.fd >= 0) {
                ::shutdown(connection.fd, SHUT_RDWR);
            }
        }
    });
    acceptThread.join();
    // The accept thread has ended, so no connection is added any more.
    for (auto& connection : state->connections) {
        connection.thread.join();
    }
    ::close(listenFd);
}

ScriptedServer& ScriptedServer::Serve(Script script)
{
    state->Update([&] { state->scripts.push_back(script.Steps()); });
    return *this;
}

void ScriptedServer::AcceptLoop()
{
    while (true) {
        {
            std::unique_lock lock(state->mutex);
            state->changed.wait(lock, [&] { return state->stopping || state->nextScript < state->scripts.size(); });
            if (state->stopping) {
                return;
            }
        }
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue; // stopping (seen above) or a client that gave up before it was taken
        }
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        const timeval limit{ static_cast<time_t>(stepTimeout.count() / 1000), static_cast<suseconds_t>(stepTimeout.count() % 1000 * 1000) };
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        state->Update([&] {
            if (state->stopping) {
                ::shutdown(fd, SHUT_RDWR);
            }
            const std::size_t index = state->connections.size();
            state->connections.emplace_back().fd = fd;
            state->connections.back().thread =
                std::thread([this, index, steps = state->scripts[state->nextScript++]] { RunConnection(index, steps); });
        });
    }
}

void ScriptedServer::RunConnection(std::size_t index, std::vector<Script::Step> steps)
{
    Peer peer(*state, index, stepTimeout);
    bool failed = false;
    for (std::size_t i = 0; i < steps.size() && !failed; ++i) {
        try {
            steps[i](peer);
        } catch (const std::exception& e) {
            failed = true;
            state->Update([&] {
                if (!state->stopping) {
                    state->failures.push_back("connection " + std::to_string(index) + ", step " + std::to_string(i + 1) + ": " + e.what());
                }
            });
        }
    }
    state->Update([&] { ++state->finishedScripts; });
    try {
        if (!failed) {
            peer.ReadUntilClosed();
        }
    } catch (const StepFailed&) {
        // the script closed the socket, or the server is stopping
    }
    state->Update([&] {
        if (state->connections[index].fd >= 0) {
            ::close(state->connections[index].fd);
            state->connections[index].fd = -1;
        }
    });
}

template <typename Predicate> bool ScriptedServer::WaitFor(std::chrono::milliseconds timeout, Predicate predicate) const
{
    std::unique_lock lock(state->mutex);
    return state->changed.wait_for(lock, timeout, predicate);
}

bool ScriptedServer::WaitFinished(std::chrono::milliseconds timeout)
{
    return WaitFor(timeout, [&] { return state->finishedScripts == state->scripts.size(); });
}

bool ScriptedServer::WaitPeerClosed(std::size_t index, std::chrono::milliseconds timeout)
{
    return WaitFor(timeout, [&] { return index < state->connections.size() && state->connections[index].peerClosed; });
}

std::size_t ScriptedServer::Accepted() const
{
    std::scoped_lock lock(state->mutex);
    return state->connections.size();
}

Bytes ScriptedServer::Received(std::size_t index) const
{
    std::scoped_lock lock(state->mutex);
    return index < state->connections.size() ? state->connections[index].received : Bytes{};
}

std::vector<std::string> ScriptedServer::Failures() const
{
    std::scoped_lock lock(state->mutex);
    return state->failures;
}

} // namespace ondrel::testsupport
