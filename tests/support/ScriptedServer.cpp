#include "ScriptedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <system_error>

namespace ondrel::testsupport {

using quorvel::tcp::Message;
using quorvel::tcp::MessageType;
using Clock = std::chrono::steady_clock;

namespace {
constexpr std::size_t kReadChunk = 64 * 1024;

[[noreturn]] void ThrowSystemError(const char* what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

std::string ErrnoText(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}
} // namespace

Bytes WireBytes(const Message& message)
{
    const quorvel::tcp::HeaderBytes header = quorvel::tcp::EncodeHeader(message.header);
    Bytes bytes(header.size() + message.body.size());
    std::copy(header.begin(), header.end(), bytes.begin());
    std::copy(message.body.begin(), message.body.end(), bytes.begin() + static_cast<std::ptrdiff_t>(header.size()));
    return bytes;
}

std::vector<Message> ParseMessages(const Bytes& stream, std::size_t* leftover)
{
    std::vector<Message> messages;
    std::size_t pos = 0;
    while (stream.size() - pos >= quorvel::tcp::kHeaderSize) {
        Message message;
        message.header = quorvel::tcp::DecodeHeader(stream.data() + pos);
        const std::size_t bodyStart = pos + quorvel::tcp::kHeaderSize;
        if (stream.size() - bodyStart < message.header.size) {
            break;
        }
        message.body.assign(stream.begin() + static_cast<std::ptrdiff_t>(bodyStart),
            stream.begin() + static_cast<std::ptrdiff_t>(bodyStart + message.header.size));
        messages.push_back(std::move(message));
        pos = bodyStart + messages.back().header.size;
    }
    if (leftover != nullptr) {
        *leftover = stream.size() - pos;
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

// State shared by the server, its accept thread and its connection threads.
struct Peer::Shared {
    struct Connection {
        Bytes received;
        bool finished = false;
        bool peerClosed = false;
    };

    mutable std::mutex mutex;
    mutable std::condition_variable changed; // signalled on every recorded change
    int stopFd = -1;                         // an eventfd that becomes readable on stop
    bool stopping = false;
    std::vector<std::vector<Script::Step>> scripts;
    std::size_t nextScript = 0;
    std::size_t finishedScripts = 0;
    std::deque<Connection> connections; // a deque keeps references valid while it grows
    std::vector<std::string> failures;

    void Update(const std::function<void()>& change)
    {
        {
            std::scoped_lock lock(mutex);
            change();
        }
        changed.notify_all();
    }
};

// ---------------------------------------------------------------------------------------
// Peer

Peer::Peer(Shared& sharedState, std::size_t connectionIndex, int socketFd, std::chrono::milliseconds timeout)
    : shared(sharedState), index(connectionIndex), fd(socketFd), stepTimeout(timeout)
{
}

bool Peer::WaitReady(short events, Clock::time_point deadline)
{
    while (true) {
        int waitMs = -1;
        if (deadline != Clock::time_point::max()) {
            const auto left = deadline - Clock::now();
            if (left <= Clock::duration::zero()) {
                return false;
            }
            // Round up so that the deadline is really reached before giving up.
            waitMs = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
        }
        pollfd fds[2] = { { fd, events, 0 }, { shared.stopFd, POLLIN, 0 } };
        const int ready = ::poll(fds, 2, waitMs);
        if (ready < 0 && errno != EINTR) {
            throw StepFailed(ErrnoText("poll"));
        }
        if (fds[1].revents != 0) {
            throw StepFailed("server stopping");
        }
        if (ready > 0 && fds[0].revents != 0) {
            return true; // readiness or an error; the next send/recv tells which
        }
    }
}

void Peer::RequireOpen(const char* what) const
{
    if (fd < 0) {
        throw StepFailed(std::string(what) + ": the script closed the socket before");
    }
}

void Peer::Record(const uint8_t* data, std::size_t count)
{
    shared.Update([&] {
        Bytes& received = shared.connections[index].received;
        received.insert(received.end(), data, data + count);
    });
}

void Peer::SendBytes(const Bytes& bytes)
{
    RequireOpen("send");
    const auto deadline = Clock::now() + stepTimeout;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (!WaitReady(POLLOUT, deadline)) {
                throw StepFailed("send timed out after " + std::to_string(sent) + " of " + std::to_string(bytes.size())
                    + " bytes");
            }
        } else {
            throw StepFailed(ErrnoText("send"));
        }
    }
}

void Peer::Send(const Message& message)
{
    SendBytes(WireBytes(message));
}

void Peer::SendHeader(MessageType id, uint32_t announcedSize, bool error)
{
    quorvel::tcp::MessageHeader header;
    header.id = id;
    header.size = announcedSize;
    header.error = error;
    const quorvel::tcp::HeaderBytes bytes = quorvel::tcp::EncodeHeader(header);
    SendBytes(Bytes(bytes.begin(), bytes.end()));
}

Bytes Peer::ReadBytes(std::size_t count)
{
    RequireOpen("read");
    const auto deadline = Clock::now() + stepTimeout;
    Bytes out;
    uint8_t buffer[kReadChunk];
    while (out.size() < count) {
        const ssize_t n = ::recv(fd, buffer, std::min(sizeof buffer, count - out.size()), 0);
        if (n > 0) {
            Record(buffer, static_cast<std::size_t>(n));
            out.insert(out.end(), buffer, buffer + n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (!WaitReady(POLLIN, deadline)) {
                throw StepFailed("read timed out after " + std::to_string(out.size()) + " of " + std::to_string(count)
                    + " bytes");
            }
        } else {
            shared.Update([&] { shared.connections[index].peerClosed = true; });
            throw StepFailed("client closed after " + std::to_string(out.size()) + " of " + std::to_string(count)
                + " bytes");
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
    RequireOpen("read until closed");
    uint8_t buffer[kReadChunk];
    while (true) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            Record(buffer, static_cast<std::size_t>(n));
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            WaitReady(POLLIN, Clock::time_point::max());
        } else {
            shared.Update([&] { shared.connections[index].peerClosed = true; });
            return;
        }
    }
}

void Peer::Close()
{
    RequireOpen("close");
    ::shutdown(fd, SHUT_WR);
    // Unread bytes would turn the close into a reset; take them in (and record them) first.
    uint8_t buffer[kReadChunk];
    ssize_t n;
    while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) {
        Record(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    fd = -1;
}

void Peer::Reset()
{
    RequireOpen("reset");
    const linger abort { 1, 0 };
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    ::close(fd);
    fd = -1;
}

// ---------------------------------------------------------------------------------------
// Script

Script& Script::SendBytes(Bytes bytes)
{
    return Do([bytes = std::move(bytes)](Peer& peer) { peer.SendBytes(bytes); });
}

Script& Script::Send(Message message)
{
    return Do([message = std::move(message)](Peer& peer) { peer.Send(message); });
}

Script& Script::SendConnected()
{
    return Send(Message(MessageType::CONNECTED));
}

Script& Script::SendHeader(MessageType id, uint32_t announcedSize, bool error)
{
    return Do([=](Peer& peer) { peer.SendHeader(id, announcedSize, error); });
}

Script& Script::CloseMidBody(MessageType id, uint32_t announcedSize, Bytes sentPart)
{
    return Do([=, sentPart = std::move(sentPart)](Peer& peer) {
        peer.SendHeader(id, announcedSize);
        peer.SendBytes(sentPart);
        peer.Close();
    });
}

Script& Script::ReadBytes(std::size_t count)
{
    return Do([count](Peer& peer) { peer.ReadBytes(count); });
}

Script& Script::ReadMessage()
{
    return Do([](Peer& peer) { peer.ReadMessage(); });
}

Script& Script::ReadMessages(std::size_t count)
{
    return Do([count](Peer& peer) {
        for (std::size_t i = 0; i < count; ++i) {
            peer.ReadMessage();
        }
    });
}

Script& Script::Answer(Message response)
{
    return Do([response = std::move(response)](Peer& peer) {
        peer.ReadMessage();
        peer.Send(response);
    });
}

Script& Script::AnswerWith(std::function<Message(const Message&)> respond)
{
    return Do([respond = std::move(respond)](Peer& peer) { peer.Send(respond(peer.ReadMessage())); });
}

Script& Script::ReadUntilClosed()
{
    return Do([](Peer& peer) { peer.ReadUntilClosed(); });
}

Script& Script::Close()
{
    return Do([](Peer& peer) { peer.Close(); });
}

Script& Script::Reset()
{
    return Do([](Peer& peer) { peer.Reset(); });
}

Script& Script::Do(Step step)
{
    steps.push_back(std::move(step));
    return *this;
}

// ---------------------------------------------------------------------------------------
// ScriptedServer

ScriptedServer::ScriptedServer(std::chrono::milliseconds timeout)
    : shared(std::make_unique<Peer::Shared>()), stepTimeout(timeout)
{
    shared->stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (shared->stopFd < 0) {
        ThrowSystemError("eventfd");
    }
    listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listenFd < 0) {
        ThrowSystemError("socket");
    }
    const int on = 1;
    ::setsockopt(listenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0; // the system picks a free port
    socklen_t length = sizeof address;
    if (::bind(listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listenFd, 16) != 0
        || ::getsockname(listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const int saved = errno;
        ::close(listenFd);
        ::close(shared->stopFd);
        errno = saved;
        ThrowSystemError("listen on 127.0.0.1");
    }
    port = ntohs(address.sin_port);
    acceptThread = std::thread([this] { AcceptLoop(); });
}

ScriptedServer::~ScriptedServer()
{
    shared->Update([&] { shared->stopping = true; });
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(shared->stopFd, &one, sizeof one);
    acceptThread.join();
    // The accept thread has ended, so no connection thread is added any more.
    for (std::thread& thread : connectionThreads) {
        thread.join();
    }
    ::close(listenFd);
    ::close(shared->stopFd);
}

ScriptedServer& ScriptedServer::Serve(Script script)
{
    shared->Update([&] { shared->scripts.push_back(script.Steps()); });
    return *this;
}

ScriptedServer& ScriptedServer::Serve(std::function<void(Peer&)> handler)
{
    return Serve(Script().Do(std::move(handler)));
}

void ScriptedServer::AcceptLoop()
{
    while (true) {
        {
            std::unique_lock lock(shared->mutex);
            shared->changed.wait(lock, [&] { return shared->stopping || shared->nextScript < shared->scripts.size(); });
            if (shared->stopping) {
                return;
            }
        }
        pollfd fds[2] = { { listenFd, POLLIN, 0 }, { shared->stopFd, POLLIN, 0 } };
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            continue; // the client gave up before we took it, or a spurious wake-up
        }
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        shared->Update([&] {
            const std::size_t index = shared->connections.size();
            shared->connections.emplace_back();
            std::vector<Script::Step> steps = std::move(shared->scripts[shared->nextScript++]);
            connectionThreads.emplace_back([this, index, fd, steps = std::move(steps)]() mutable {
                RunConnection(index, fd, std::move(steps));
            });
        });
    }
}

void ScriptedServer::RunConnection(std::size_t index, int fd, std::vector<Script::Step> steps)
{
    Peer peer(*shared, index, fd, stepTimeout);
    bool failed = false;
    for (std::size_t i = 0; i < steps.size() && !failed; ++i) {
        std::string reason;
        try {
            steps[i](peer);
            continue;
        } catch (const StepFailed& e) {
            reason = e.what();
        } catch (const std::exception& e) {
            reason = std::string("exception: ") + e.what();
        } catch (...) {
            reason = "unknown exception";
        }
        failed = true;
        shared->Update([&] {
            if (!shared->stopping) {
                shared->failures.push_back(
                    "connection " + std::to_string(index) + ", step " + std::to_string(i + 1) + ": " + reason);
            }
        });
    }
    shared->Update([&] {
        shared->connections[index].finished = true;
        ++shared->finishedScripts;
    });
    if (peer.fd < 0) {
        return;
    }
    if (!failed) {
        try {
            peer.ReadUntilClosed();
        } catch (const StepFailed&) {
            // the server is stopping
        }
    }
    ::close(peer.fd);
}

template <typename Predicate>
bool ScriptedServer::WaitFor(std::chrono::milliseconds timeout, Predicate predicate) const
{
    std::unique_lock lock(shared->mutex);
    return shared->changed.wait_for(lock, timeout, predicate);
}

bool ScriptedServer::WaitAccepted(std::size_t count, std::chrono::milliseconds timeout)
{
    return WaitFor(timeout, [&] { return shared->connections.size() >= count; });
}

bool ScriptedServer::WaitFinished(std::chrono::milliseconds timeout)
{
    return WaitFor(timeout, [&] { return shared->finishedScripts == shared->scripts.size(); });
}

bool ScriptedServer::WaitReceived(std::size_t index, std::size_t count, std::chrono::milliseconds timeout)
{
    return WaitFor(timeout,
        [&] { return index < shared->connections.size() && shared->connections[index].received.size() >= count; });
}

bool ScriptedServer::WaitReceivedMessages(std::size_t index, std::size_t count, std::chrono::milliseconds timeout)
{
    return WaitFor(timeout, [&] {
        return index < shared->connections.size() && ParseMessages(shared->connections[index].received).size() >= count;
    });
}

bool ScriptedServer::WaitPeerClosed(std::size_t index, std::chrono::milliseconds timeout)
{
    return WaitFor(timeout, [&] { return index < shared->connections.size() && shared->connections[index].peerClosed; });
}

std::size_t ScriptedServer::Accepted() const
{
    std::scoped_lock lock(shared->mutex);
    return shared->connections.size();
}

Bytes ScriptedServer::Received(std::size_t index) const
{
    std::scoped_lock lock(shared->mutex);
    return index < shared->connections.size() ? shared->connections[index].received : Bytes {};
}

std::vector<Message> ScriptedServer::ReceivedMessages(std::size_t index) const
{
    return ParseMessages(Received(index));
}

std::vector<std::string> ScriptedServer::Failures() const
{
    std::scoped_lock lock(shared->mutex);
    return shared->failures;
}

} // namespace ondrel::testsupport
